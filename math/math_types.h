// The shared records of the vector math: plain 32-bit floats, no padding, no invariants.
// Matrices are row-major and act on row vectors (p' = p x M), so the translation sits in
// m41, m42, m43 and a product A x B applies A first, then B.
#pragma once

struct Vec2 {
    float x, y;
};

struct Vec3 {
    float x, y, z;
};

struct Vec4 {
    float x, y, z, w;
};

// w is the scalar part.
struct Quat {
    float x, y, z, w;
};

// The plane a*x + b*y + c*z + d = 0.
struct Plane {
    float a, b, c, d;
};

struct Mat4 {
    union {
        struct {
            float m11, m12, m13, m14;
            float m21, m22, m23, m24;
            float m31, m32, m33, m34;
            float m41, m42, m43, m44;
        };
        float m[4][4];  // m[row][column], both from 0
    };
};

static_assert(sizeof(Vec2) == 8);
static_assert(sizeof(Vec3) == 12);
static_assert(sizeof(Vec4) == 16);
static_assert(sizeof(Quat) == 16);
static_assert(sizeof(Plane) == 16);
static_assert(sizeof(Mat4) == 64);
