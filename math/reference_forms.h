// The reference forms of the operations that can be routed to processor-specific code:
// plain floating-point definitions that every other form computes up to rounding.
#pragma once

#include "math/math_types.h"

Mat4* MultiplyMat4Reference(Mat4* out, const Mat4* a, const Mat4* b);
Mat4* MakeScalingMat4Reference(Mat4* out, float sx, float sy, float sz);
Mat4* MakeTranslationMat4Reference(Mat4* out, float x, float y, float z);
Mat4* MakeRotationXMat4Reference(Mat4* out, float angle);
Mat4* MakeRotationYMat4Reference(Mat4* out, float angle);
Mat4* MakeRotationZMat4Reference(Mat4* out, float angle);
Vec3* NormalizeVec3Reference(Vec3* out, const Vec3* v);
