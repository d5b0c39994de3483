// Entry points of the core matrix operations. The routable ones call their reference
// forms; the look-at and orthographic builders have a single form.
#include "math/matrix.h"

#include "math/reference_forms.h"

namespace {

constexpr float SINGLE_EPSILON = 1.1920929e-07f;  // 2^-23

Vec3 Subtract(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

bool NearlyEqual(float a, float b) {
    const float difference = a - b;
    // A difference that is not a number fails both comparisons.
    return difference >= -SINGLE_EPSILON && difference <= SINGLE_EPSILON;
}

Mat4* MakeIdentityMat4(Mat4* out) { return MakeScalingMat4Reference(out, 1.0f, 1.0f, 1.0f); }

Mat4* MultiplyMat4(Mat4* out, const Mat4* a, const Mat4* b) { return MultiplyMat4Reference(out, a, b); }

Mat4* MakeScalingMat4(Mat4* out, float sx, float sy, float sz) {
    return MakeScalingMat4Reference(out, sx, sy, sz);
}

Mat4* MakeTranslationMat4(Mat4* out, float x, float y, float z) {
    return MakeTranslationMat4Reference(out, x, y, z);
}

Mat4* MakeRotationXMat4(Mat4* out, float angle) { return MakeRotationXMat4Reference(out, angle); }
Mat4* MakeRotationYMat4(Mat4* out, float angle) { return MakeRotationYMat4Reference(out, angle); }
Mat4* MakeRotationZMat4(Mat4* out, float angle) { return MakeRotationZMat4Reference(out, angle); }

Vec3* NormalizeVec3(Vec3* out, const Vec3* v) { return NormalizeVec3Reference(out, v); }

Mat4* MakeLookAtLeftMat4(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up) {
    // Read every input before writing: out is a matrix, but the vectors may live anywhere.
    const Vec3 eyePoint = *eye;
    Vec3 zaxis = Subtract(*at, eyePoint);
    NormalizeVec3(&zaxis, &zaxis);
    Vec3 xaxis = Cross(*up, zaxis);
    NormalizeVec3(&xaxis, &xaxis);
    const Vec3 yaxis = Cross(zaxis, xaxis);  // unit already when the other two are

    out->m11 = xaxis.x;
    out->m12 = yaxis.x;
    out->m13 = zaxis.x;
    out->m14 = 0.0f;
    out->m21 = xaxis.y;
    out->m22 = yaxis.y;
    out->m23 = zaxis.y;
    out->m24 = 0.0f;
    out->m31 = xaxis.z;
    out->m32 = yaxis.z;
    out->m33 = zaxis.z;
    out->m34 = 0.0f;
    out->m41 = -Dot(xaxis, eyePoint);
    out->m42 = -Dot(yaxis, eyePoint);
    out->m43 = -Dot(zaxis, eyePoint);
    out->m44 = 1.0f;
    return out;
}

Mat4* MakeOrthoLeftMat4(Mat4* out, float w, float h, float zn, float zf) {
    // Zero extents are not guarded against: they give infinities, as callers expect.
    MakeIdentityMat4(out);
    out->m11 = 2.0f / w;
    out->m22 = 2.0f / h;
    out->m33 = 1.0f / (zf - zn);
    out->m43 = -zn * out->m33;
    return out;
}
