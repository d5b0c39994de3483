// Reference forms: sums and products are formed in double precision and rounded once to
// float, as the x87 unit of the original platform does in its extended precision.
#include "math/reference_forms.h"

#include <cmath>

#include "math/matrix.h"

namespace {

// The smallest normal float, 2^-126: squared lengths at or below it count as zero.
constexpr float SMALLEST_NORMAL_FLOAT = 1.17549435e-38f;

void SetIdentity(Mat4* out) {
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) out->m[row][column] = row == column ? 1.0f : 0.0f;
}

// Sine and cosine of the single-precision angle, computed together and rounded to float.
void SinCos(float angle, float* s, float* c) {
    const double radians = angle;
    *s = static_cast<float>(std::sin(radians));
    *c = static_cast<float>(std::cos(radians));
}

// A rotation that turns axis `from` toward axis `toward` (0 x, 1 y, 2 z) for row vectors:
// c on both diagonal places, s where `from` meets `toward` and -s in the mirrored place.
Mat4* MakePlaneRotation(Mat4* out, float angle, int from, int toward) {
    float s, c;
    SinCos(angle, &s, &c);
    SetIdentity(out);
    out->m[from][from] = c;
    out->m[from][toward] = s;
    out->m[toward][from] = -s;
    out->m[toward][toward] = c;
    return out;
}

}  // namespace

Mat4* MultiplyMat4Reference(Mat4* out, const Mat4* a, const Mat4* b) {
    // The product goes into a temporary first, so out may be a, b or both.
    Mat4 product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double sum = static_cast<double>(a->m[i][0]) * b->m[0][j] +
                               static_cast<double>(a->m[i][1]) * b->m[1][j] +
                               static_cast<double>(a->m[i][2]) * b->m[2][j] +
                               static_cast<double>(a->m[i][3]) * b->m[3][j];
            product.m[i][j] = static_cast<float>(sum);
        }
    }
    *out = product;
    return out;
}

Mat4* MakeScalingMat4Reference(Mat4* out, float sx, float sy, float sz) {
    SetIdentity(out);
    out->m11 = sx;
    out->m22 = sy;
    out->m33 = sz;
    return out;
}

Mat4* MakeTranslationMat4Reference(Mat4* out, float x, float y, float z) {
    SetIdentity(out);
    out->m41 = x;
    out->m42 = y;
    out->m43 = z;
    return out;
}

Mat4* MakeRotationXMat4Reference(Mat4* out, float angle) { return MakePlaneRotation(out, angle, 1, 2); }
Mat4* MakeRotationYMat4Reference(Mat4* out, float angle) { return MakePlaneRotation(out, angle, 2, 0); }
Mat4* MakeRotationZMat4Reference(Mat4* out, float angle) { return MakePlaneRotation(out, angle, 0, 1); }

Vec3* NormalizeVec3Reference(Vec3* out, const Vec3* v) {
    const Vec3 in = *v;
    const float s = static_cast<float>(static_cast<double>(in.x) * in.x + static_cast<double>(in.y) * in.y +
                                       static_cast<double>(in.z) * in.z);
    if (NearlyEqual(s, 1.0f)) {
        if (out != v) *out = in;
        return out;
    }
    if (s > SMALLEST_NORMAL_FLOAT) {
        const double inverseLength = 1.0 / std::sqrt(static_cast<double>(s));
        out->x = static_cast<float>(in.x * inverseLength);
        out->y = static_cast<float>(in.y * inverseLength);
        out->z = static_cast<float>(in.z * inverseLength);
        return out;
    }
    // Too short to scale, zero, or not a number.
    out->x = 0.0f;
    out->y = 0.0f;
    out->z = 0.0f;
    return out;
}
