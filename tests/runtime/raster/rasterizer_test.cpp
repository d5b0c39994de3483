// Coverage, depth and clipping of the rasterizer, through a fake device.
#include <gtest/gtest.h>

#include <cmath>

#include "fake_device_context.h"

namespace {

// Draws with additive blending so that each pixel counts how often it was written.
void EnableCounting(FakeDeviceContext& context) {
    context.Set(D3DRS_ALPHABLENDENABLE, TRUE);
    context.Set(D3DRS_SRCBLEND, D3DBLEND_ONE);
    context.Set(D3DRS_DESTBLEND, D3DBLEND_ONE);
    context.Set(D3DRS_ZENABLE, FALSE);
    context.Clear(0, 1.0f);
}

HRESULT DrawScreenTriangles(DrawPipeline& pipeline, D3DPRIMITIVETYPE type, const std::vector<ScreenColorVertex>& v,
                            UINT count) {
    pipeline.SetVertexShader(SCREEN_COLOR_FVF);
    return pipeline.DrawPrimitiveUP(type, count, v.data(), sizeof(ScreenColorVertex));
}

TEST(Rasterizer, SquareOnIntegerCornersCoversItsPixelsOnceByTheTopLeftRule) {
    PipelineFixture f;
    EnableCounting(f.context);
    // Two triangles sharing the diagonal of the square (2, 2) - (10, 10).
    const DWORD one = 0xFF010101;
    std::vector<ScreenColorVertex> v = {{2, 2, 0.5f, 1, one},  {10, 2, 0.5f, 1, one}, {10, 10, 0.5f, 1, one},
                                        {2, 2, 0.5f, 1, one},  {10, 10, 0.5f, 1, one}, {2, 10, 0.5f, 1, one}};
    ASSERT_EQ(DrawScreenTriangles(*f.pipeline, D3DPT_TRIANGLELIST, v, 2), S_OK);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x) {
            // Pixel centres on the top and left edges belong to the square, those on the
            // right and bottom edges do not.
            std::uint32_t expected = (x >= 2 && x < 10 && y >= 2 && y < 10) ? 0x010101 : 0;
            EXPECT_EQ(f.context.Pixel(x, y), expected) << x << "," << y;
        }
}

TEST(Rasterizer, FanAroundAPointCoversEveryPixelOfItsHullAtMostOnce) {
    PipelineFixture f;
    EnableCounting(f.context);
    const DWORD one = 0xFF010101;
    const float cx = 31.3f, cy = 30.7f;
    std::vector<ScreenColorVertex> v = {{cx, cy, 0.5f, 1, one}};
    const int spokes = 11;
    for (int i = 0; i <= spokes; ++i) {
        float angle = 6.2831853f * static_cast<float>(i % spokes) / spokes;
        v.push_back({cx + 25.0f * std::cos(angle), cy + 25.0f * std::sin(angle), 0.5f, 1, one});
    }
    ASSERT_EQ(DrawScreenTriangles(*f.pipeline, D3DPT_TRIANGLEFAN, v, spokes), S_OK);
    int inside = 0;
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x) {
            std::uint32_t count = f.context.Pixel(x, y);
            ASSERT_LE(count, 0x010101u) << x << "," << y;
            float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
            // Well inside the polygon (its inner radius is 25 cos(pi / 11) > 24.)
            if (dx * dx + dy * dy < 23.5f * 23.5f) {
                EXPECT_EQ(count, 0x010101u) << x << "," << y;
                ++inside;
            }
            if (dx * dx + dy * dy > 25.5f * 25.5f) EXPECT_EQ(count, 0u) << x << "," << y;
        }
    EXPECT_GT(inside, 1500);
}

TEST(Rasterizer, CullModesDropOneWinding) {
    struct Case {
        DWORD cull;
        bool clockwiseDrawn;
        bool counterclockwiseDrawn;
    };
    const Case cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const Case& c : cases) {
        PipelineFixture f;
        f.context.Set(D3DRS_CULLMODE, c.cull);
        const DWORD red = 0xFFFF0000;
        // On the screen (y down) the first triangle turns clockwise, the second the other way.
        std::vector<ScreenColorVertex> v = {{2, 2, 0.5f, 1, red},  {20, 2, 0.5f, 1, red},  {2, 20, 0.5f, 1, red},
                                            {40, 2, 0.5f, 1, red}, {40, 20, 0.5f, 1, red}, {58, 2, 0.5f, 1, red}};
        ASSERT_EQ(DrawScreenTriangles(*f.pipeline, D3DPT_TRIANGLELIST, v, 2), S_OK);
        EXPECT_EQ(f.context.Pixel(5, 5) == 0xFF0000, c.clockwiseDrawn) << c.cull;
        EXPECT_EQ(f.context.Pixel(45, 4) == 0xFF0000, c.counterclockwiseDrawn) << c.cull;
    }
}

void DrawScreenQuad(DrawPipeline& pipeline, float z, DWORD color) {
    std::vector<ScreenColorVertex> v = {
        {0, 0, z, 1, color}, {64, 0, z, 1, color}, {0, 64, z, 1, color}, {64, 64, z, 1, color}};
    pipeline.SetVertexShader(SCREEN_COLOR_FVF);
    pipeline.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), sizeof(ScreenColorVertex));
}

TEST(Rasterizer, DepthTestAndWriteFollowTheRenderStates) {
    struct Case {
        DWORD zfunc;
        DWORD zwrite;
        DWORD zenable;
        std::uint32_t expectedColor;  // after red at 0.25, then green at 0.5
        std::uint16_t expectedDepth;
        float clearDepth = 1.0f;
    };
    const std::uint16_t near = static_cast<std::uint16_t>(0.25f * 65535.0f + 0.5f);
    const std::uint16_t far = static_cast<std::uint16_t>(0.5f * 65535.0f + 0.5f);
    const Case cases[] = {
        {D3DCMP_LESSEQUAL, TRUE, TRUE, 0xFF0000, near},
        {D3DCMP_GREATER, TRUE, TRUE, 0x00FF00, far, 0.0f},
        {D3DCMP_ALWAYS, FALSE, TRUE, 0x00FF00, 65535},  // no writes: the clear value stays
        {D3DCMP_NEVER, TRUE, TRUE, 0x000000, 65535},
        {D3DCMP_LESSEQUAL, TRUE, FALSE, 0x00FF00, 65535},  // depth off: no test, no write
    };
    for (const Case& c : cases) {
        PipelineFixture f;
        f.context.Set(D3DRS_ZFUNC, c.zfunc);
        f.context.Set(D3DRS_ZWRITEENABLE, c.zwrite);
        f.context.Set(D3DRS_ZENABLE, c.zenable);
        f.context.Clear(0, c.clearDepth);
        DrawScreenQuad(*f.pipeline, 0.25f, 0xFFFF0000);
        DrawScreenQuad(*f.pipeline, 0.5f, 0xFF00FF00);
        EXPECT_EQ(f.context.Pixel(30, 30), c.expectedColor) << c.zfunc;
        EXPECT_EQ(f.context.Depth(30, 30), c.expectedDepth) << c.zfunc;
    }
}

struct PositionColorVertex {
    float x, y, z;
    DWORD color;
};

TEST(Rasterizer, TrianglesCrossingTheNearOrFarPlaneAreClipped) {
    // With identity transforms clip space is the position with w = 1. Depth runs linearly
    // across the screen; z < 0 lies in front of the near plane, z > 1 beyond the far one,
    // and the middle of the screen is the cut in both cases.
    struct Case {
        float zLeft, zRight;
        int firstDrawnColumn, lastDrawnColumn;
        int probeColumn;  // where z = 0.5
    };
    const Case cases[] = {{-1.0f, 1.0f, 32, 63, 48}, {0.0f, 2.0f, 0, 31, 16}};
    for (const Case& c : cases) {
        PipelineFixture f;
        const DWORD white = 0xFFFFFFFF;
        std::vector<PositionColorVertex> v = {{-1, 1, c.zLeft, white},
                                              {1, 1, c.zRight, white},
                                              {-1, -1, c.zLeft, white},
                                              {1, -1, c.zRight, white}};
        f.pipeline->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        ASSERT_EQ(f.pipeline->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), sizeof(PositionColorVertex)), S_OK);
        for (int x = 0; x < 64; ++x) {
            bool drawn = f.context.Pixel(x, 20) == 0xFFFFFF;
            // Columns at the cut may go either way by rounding.
            if (x == 31 || x == 32) continue;
            EXPECT_EQ(drawn, x >= c.firstDrawnColumn && x <= c.lastDrawnColumn) << x;
        }
        // Clipping keeps the depth of the part that remains.
        EXPECT_NEAR(f.context.Depth(c.probeColumn, 20), 32768, 2);
    }
}

TEST(Rasterizer, TriangleReachingBehindTheEyeIsClippedNotWrapped) {
    PipelineFixture f;
    // Perspective for row vectors: w = z, depth from 1 to 10.
    D3DMATRIX projection = {};
    projection._11 = 1.0f;
    projection._22 = 1.0f;
    projection._33 = 10.0f / 9.0f;
    projection._34 = 1.0f;
    projection._43 = -10.0f / 9.0f;
    f.context.SetTransform(D3DTS_PROJECTION, projection);
    // A floor below the eye that reaches behind it: projected without clipping, the far
    // side of the eye would land in the upper half of the screen.
    const DWORD white = 0xFFFFFFFF;
    std::vector<PositionColorVertex> v = {{-1, -1, 3, white}, {1, -1, 3, white}, {0, -1, -3, white}};
    f.pipeline->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(f.pipeline->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof(PositionColorVertex)), S_OK);
    int upper = 0, lower = 0;
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x)
            if (f.context.Pixel(x, y)) (y < 32 ? upper : lower)++;
    EXPECT_EQ(upper, 0);
    EXPECT_GT(lower, 200);
    // The part nearest the eye reaches the bottom edge of the screen.
    EXPECT_EQ(f.context.Pixel(32, 63), 0xFFFFFFu);
}

TEST(Rasterizer, ViewportPlacesAndLimitsTheDrawing) {
    PipelineFixture f;
    f.context.SetViewport(D3DVIEWPORT8{16, 8, 32, 16, 0.0f, 1.0f});
    const DWORD white = 0xFFFFFFFF;
    // A triangle much larger than the viewport in clip space.
    std::vector<PositionColorVertex> v = {{-3, 3, 0.5f, white}, {3, 3, 0.5f, white}, {0, -30, 0.5f, white}};
    f.pipeline->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(f.pipeline->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof(PositionColorVertex)), S_OK);
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x) {
            bool inside = x >= 16 && x < 48 && y >= 8 && y < 24;
            EXPECT_EQ(f.context.Pixel(x, y) != 0, inside) << x << "," << y;
        }
}

}  // namespace
