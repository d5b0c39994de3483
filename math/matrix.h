// The core matrix operations and the 3-vector normalisation. Every operation takes the
// address of its output first, writes the whole output and returns that address; none
// allocates or fails. Outputs may alias inputs.
#pragma once

#include "math/math_types.h"

Mat4* MultiplyMat4(Mat4* out, const Mat4* a, const Mat4* b);
Mat4* MakeScalingMat4(Mat4* out, float sx, float sy, float sz);
Mat4* MakeTranslationMat4(Mat4* out, float x, float y, float z);
Mat4* MakeRotationXMat4(Mat4* out, float angle);
Mat4* MakeRotationYMat4(Mat4* out, float angle);
Mat4* MakeRotationZMat4(Mat4* out, float angle);
Mat4* MakeLookAtLeftMat4(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up);
Mat4* MakeOrthoLeftMat4(Mat4* out, float w, float h, float zn, float zf);
Vec3* NormalizeVec3(Vec3* out, const Vec3* v);

// The identity, for callers that build matrices step by step.
Mat4* MakeIdentityMat4(Mat4* out);

// True when -2^-23 <= a - b <= 2^-23; a difference that is not a number is not equal.
// Decides whether a vector or quaternion already counts as unit length.
bool NearlyEqual(float a, float b);
