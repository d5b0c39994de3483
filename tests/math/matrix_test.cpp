#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "math/matrix.h"

namespace {

Mat4 FromRows(std::initializer_list<float> values) {
    Mat4 matrix{};
    int index = 0;
    for (float value : values) {
        matrix.m[index / 4][index % 4] = value;
        ++index;
    }
    return matrix;
}

void ExpectMatrixNear(const Mat4& actual, const Mat4& expected, float tolerance) {
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(actual.m[row][column], expected.m[row][column], tolerance)
                << "element m" << row + 1 << column + 1;
}

bool SameBits(const void* a, const void* b, std::size_t bytes) { return std::memcmp(a, b, bytes) == 0; }

Vec3 TransformPoint(const Vec3& p, const Mat4& m) {
    return {p.x * m.m11 + p.y * m.m21 + p.z * m.m31 + m.m41, p.x * m.m12 + p.y * m.m22 + p.z * m.m32 + m.m42,
            p.x * m.m13 + p.y * m.m23 + p.z * m.m33 + m.m43};
}

const Mat4 A = FromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
const Mat4 B = FromRows({0.5f, -1, 2, 0, 3, 0.25f, -2, 1, 1, 1, 1, 1, -4, 2, 0, 0.125f});

TEST(MultiplyMat4, ProductOfRowsAndColumns) {
    Mat4 product;
    EXPECT_EQ(MultiplyMat4(&product, &A, &B), &product);
    // Row 1 of A times each column of B, worked by hand.
    EXPECT_FLOAT_EQ(product.m11, 1 * 0.5f + 2 * 3 + 3 * 1 + 4 * -4);
    EXPECT_FLOAT_EQ(product.m12, 1 * -1 + 2 * 0.25f + 3 * 1 + 4 * 2);
    EXPECT_FLOAT_EQ(product.m13, 1 * 2 + 2 * -2 + 3 * 1 + 4 * 0);
    EXPECT_FLOAT_EQ(product.m14, 1 * 0 + 2 * 1 + 3 * 1 + 4 * 0.125f);
    EXPECT_FLOAT_EQ(product.m43, 13 * 2 + 14 * -2 + 15 * 1 + 16 * 0);
}

TEST(MultiplyMat4, OutputMayAliasEitherInput) {
    Mat4 separate;
    MultiplyMat4(&separate, &A, &B);

    Mat4 first = A;
    EXPECT_EQ(MultiplyMat4(&first, &first, &B), &first);
    EXPECT_TRUE(SameBits(&first, &separate, sizeof(Mat4)));

    Mat4 second = B;
    MultiplyMat4(&second, &A, &second);
    EXPECT_TRUE(SameBits(&second, &separate, sizeof(Mat4)));

    Mat4 square;
    MultiplyMat4(&square, &A, &A);
    Mat4 both = A;
    MultiplyMat4(&both, &both, &both);
    EXPECT_TRUE(SameBits(&both, &square, sizeof(Mat4)));
}

TEST(MultiplyMat4, RowVectorsApplyTheLeftMatrixFirst) {
    Mat4 translation, rotation, combined;
    MakeTranslationMat4(&translation, 1, 0, 0);
    MakeRotationZMat4(&rotation, static_cast<float>(M_PI / 2));
    MultiplyMat4(&combined, &translation, &rotation);
    // (0,0,0) moved to (1,0,0), then turned a quarter about z onto +y.
    const Vec3 p = TransformPoint({0, 0, 0}, combined);
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);
    EXPECT_NEAR(p.z, 0, 1e-6);
}

TEST(MakeMat4, ScalingAndTranslation) {
    Mat4 scaling;
    EXPECT_EQ(MakeScalingMat4(&scaling, 2, 3, 4), &scaling);
    EXPECT_TRUE(SameBits(&scaling, &(const Mat4&)FromRows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}),
                         sizeof(Mat4)));
    Mat4 translation;
    EXPECT_EQ(MakeTranslationMat4(&translation, -1, 5, 0.5f), &translation);
    EXPECT_TRUE(SameBits(&translation,
                         &(const Mat4&)FromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 5, 0.5f, 1}),
                         sizeof(Mat4)));
}

TEST(MakeMat4, RotationsTurnTheNextAxisTowardPositive) {
    const float quarter = static_cast<float>(M_PI / 2);
    struct Case {
        Mat4* (*make)(Mat4*, float);
        Vec3 from, to;
    };
    const Case cases[] = {
        {MakeRotationZMat4, {1, 0, 0}, {0, 1, 0}},
        {MakeRotationXMat4, {0, 1, 0}, {0, 0, 1}},
        {MakeRotationYMat4, {0, 0, 1}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        Mat4 rotation;
        EXPECT_EQ(c.make(&rotation, quarter), &rotation);
        const Vec3 p = TransformPoint(c.from, rotation);
        EXPECT_NEAR(p.x, c.to.x, 1e-6);
        EXPECT_NEAR(p.y, c.to.y, 1e-6);
        EXPECT_NEAR(p.z, c.to.z, 1e-6);
        EXPECT_EQ(rotation.m44, 1.0f);
    }
}

TEST(MakeMat4, RotationElements) {
    const float angle = 0.3f;
    const float s = std::sin(angle), c = std::cos(angle);
    Mat4 x, y, z;
    MakeRotationXMat4(&x, angle);
    MakeRotationYMat4(&y, angle);
    MakeRotationZMat4(&z, angle);
    ExpectMatrixNear(x, FromRows({1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1}), 1e-7f);
    ExpectMatrixNear(y, FromRows({c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}), 1e-7f);
    ExpectMatrixNear(z, FromRows({c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 1e-7f);

    Mat4 identity, rotation;
    MakeIdentityMat4(&identity);
    MakeRotationYMat4(&rotation, 0.0f);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(rotation.m[row][column], identity.m[row][column]);  // -0 equals 0
}

TEST(NormalizeVec3, Cases) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        Vec3 in, expected;
        float tolerance;  // 0: bit for bit
    };
    const Case cases[] = {
        {"zero", {0, 0, 0}, {0, 0, 0}, 0},
        {"unit is copied", {0, 0, 1}, {0, 0, 1}, 0},
        // z = 1 - 2^-24 gives s = 1 - 2^-23, which counts as unit: the vector is copied
        // unchanged, where scaling by 1/sqrt(s) would have rounded z up to 1.
        {"nearly unit is copied", {0, 0, 0.99999994f}, {0, 0, 0.99999994f}, 0},
        {"scaled", {0, -2, 2}, {0, -0.70710677f, 0.70710677f}, 2e-6f},
        {"long", {3e18f, 4e18f, 0}, {0.6f, 0.8f, 0}, 1e-6f},
        {"below the smallest normal square", {1e-20f, 1e-20f, 1e-20f}, {0, 0, 0}, 0},
        {"not a number", {nan, 1, 0}, {0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vec3 out{9, 9, 9};
        EXPECT_EQ(NormalizeVec3(&out, &c.in), &out);
        if (c.tolerance == 0) {
            EXPECT_TRUE(SameBits(&out, &c.expected, sizeof(Vec3)))
                << out.x << " " << out.y << " " << out.z;
        } else {
            EXPECT_NEAR(out.x, c.expected.x, c.tolerance);
            EXPECT_NEAR(out.y, c.expected.y, c.tolerance);
            EXPECT_NEAR(out.z, c.expected.z, c.tolerance);
        }
        Vec3 inPlace = c.in;
        NormalizeVec3(&inPlace, &inPlace);
        EXPECT_TRUE(SameBits(&inPlace, &out, sizeof(Vec3)));
    }
}

TEST(NearlyEqual, EpsilonOnBothSidesAndNotANumber) {
    const float epsilon = 1.1920929e-07f;
    EXPECT_TRUE(NearlyEqual(1.0f + epsilon, 1.0f));
    EXPECT_TRUE(NearlyEqual(1.0f - epsilon, 1.0f));
    EXPECT_FALSE(NearlyEqual(1.0f + 2 * epsilon, 1.0f));
    EXPECT_FALSE(NearlyEqual(0.0f, 2 * epsilon));
    EXPECT_FALSE(NearlyEqual(std::numeric_limits<float>::quiet_NaN(), 1.0f));
}

TEST(MakeLookAtLeftMat4, ViewerCamera) {
    const Vec3 eye{0, 1, -1}, at{0, -1, 1}, up{0, 1, 0};
    Mat4 view;
    EXPECT_EQ(MakeLookAtLeftMat4(&view, &eye, &at, &up), &view);
    ExpectMatrixNear(view,
                     FromRows({1, 0, 0, 0, 0, 0.70710677f, -0.70710677f, 0, 0, 0.70710677f, 0.70710677f, 0, 0,
                               0, 1.4142135f, 1}),
                     2e-6f);
}

TEST(MakeLookAtLeftMat4, DegenerateInputsGiveZeroColumns) {
    const Vec3 eye{1, 2, 3}, up{0, 1, 0};
    Mat4 same;
    MakeLookAtLeftMat4(&same, &eye, &eye, &up);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column) EXPECT_EQ(same.m[row][column], 0.0f);
    EXPECT_EQ(same.m44, 1.0f);

    // Looking straight along up: the x and y axes vanish, the z axis stays.
    const Vec3 above{1, 7, 3};
    Mat4 parallel;
    MakeLookAtLeftMat4(&parallel, &eye, &above, &up);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(parallel.m[row][0], 0.0f);
        EXPECT_EQ(parallel.m[row][1], 0.0f);
    }
    EXPECT_FLOAT_EQ(parallel.m23, 1.0f);
    EXPECT_FLOAT_EQ(parallel.m43, -2.0f);
}

TEST(MakeOrthoLeftMat4, ViewerProjection) {
    Mat4 projection;
    EXPECT_EQ(MakeOrthoLeftMat4(&projection, 15, 15, -10, 15), &projection);
    ExpectMatrixNear(projection,
                     FromRows({0.13333334f, 0, 0, 0, 0, 0.13333334f, 0, 0, 0, 0, 0.04f, 0, 0, 0, 0.4f, 1}),
                     1e-7f);

    Mat4 degenerate;
    MakeOrthoLeftMat4(&degenerate, 0, 2, 1, 1);
    EXPECT_TRUE(std::isinf(degenerate.m11));
    EXPECT_TRUE(std::isinf(degenerate.m33));
}

}  // namespace
