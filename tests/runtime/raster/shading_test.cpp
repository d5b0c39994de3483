// Texturing, lighting and tweening of the fixed-function pipeline, through a fake device.
#include <gtest/gtest.h>

#include <cmath>

#include "fake_device_context.h"

namespace {

struct ScreenTexturedVertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
constexpr DWORD SCREEN_TEXTURED_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A texture whose texel (x, y) has red = x and green = y, so that a pixel tells which
// texel it sampled.
std::unique_ptr<FakeTexture> MakeIndexTexture(FakeDeviceContext& context, UINT width, UINT height) {
    auto texture = std::make_unique<FakeTexture>(width, height, D3DFMT_X8R8G8B8, 4);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) texture->SetTexel(x, y, 0xFF000000u | (x << 16) | (y << 8));
    context.AddTexture(texture.get());
    return texture;
}

int SampledColumn(std::uint32_t pixel) { return static_cast<int>(pixel >> 16); }

void DrawTexturedStrip(DrawPipeline& pipeline, const std::vector<ScreenTexturedVertex>& v) {
    ASSERT_EQ(pipeline.SetVertexShader(SCREEN_TEXTURED_FVF), S_OK);
    ASSERT_EQ(pipeline.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), sizeof(ScreenTexturedVertex)), S_OK);
}

TEST(Shading, TextureCoordinatesArePerspectiveCorrect) {
    PipelineFixture f;
    auto texture = MakeIndexTexture(f.context, 64, 1);
    ASSERT_EQ(f.pipeline->SetTexture(0, texture.get()), S_OK);
    // The right edge is four times as far away as the left one.
    const DWORD white = 0xFFFFFFFF;
    DrawTexturedStrip(*f.pipeline, {{0, 0, 0.5f, 1.0f, white, 0, 0},
                                    {64, 0, 0.5f, 0.25f, white, 1, 0},
                                    {0, 64, 0.5f, 1.0f, white, 0, 1},
                                    {64, 64, 0.5f, 0.25f, white, 1, 1}});
    int differsFromAffine = 0;
    for (int x = 0; x < 64; ++x) {
        float s = static_cast<float>(x) / 64.0f;
        float u = s * 0.25f / ((1.0f - s) + s * 0.25f);
        int expected = static_cast<int>(std::floor(u * 64.0f));
        int sampled = SampledColumn(f.context.Pixel(x, 10));
        EXPECT_NEAR(sampled, expected, 1) << x;
        if (std::abs(sampled - x) > 4) ++differsFromAffine;
    }
    EXPECT_GT(differsFromAffine, 30);
    f.pipeline->ReleaseBindings();
}

TEST(Shading, PointSamplingFollowsTheAddressingMode) {
    struct Case {
        DWORD address;
        int (*texel)(int i);  // the texel that index i (of a 4-texel texture) reads
    };
    const Case cases[] = {
        {D3DTADDRESS_WRAP, [](int i) { return ((i % 4) + 4) % 4; }},
        {D3DTADDRESS_CLAMP, [](int i) { return i < 0 ? 0 : (i > 3 ? 3 : i); }},
        {D3DTADDRESS_MIRROR, [](int i) {
             int m = ((i % 8) + 8) % 8;
             return m >= 4 ? 7 - m : m;
         }},
    };
    for (const Case& c : cases) {
        PipelineFixture f;
        auto texture = MakeIndexTexture(f.context, 4, 1);
        f.pipeline->SetTexture(0, texture.get());
        f.pipeline->SetTextureStageState(0, D3DTSS_ADDRESSU, c.address);
        // u runs from -1 to 2 over 48 pixels, offset by half a pixel so that no pixel
        // centre falls on a texel boundary.
        const DWORD white = 0xFFFFFFFF;
        DrawTexturedStrip(*f.pipeline, {{-0.5f, 0, 0.5f, 1, white, -1, 0},
                                        {47.5f, 0, 0.5f, 1, white, 2, 0},
                                        {-0.5f, 8, 0.5f, 1, white, -1, 1},
                                        {47.5f, 8, 0.5f, 1, white, 2, 1}});
        for (int x = 0; x < 48; ++x) {
            int index = static_cast<int>(std::floor((-1.0f + 3.0f * (x + 0.5f) / 48.0f) * 4.0f));
            EXPECT_EQ(SampledColumn(f.context.Pixel(x, 4)), c.texel(index)) << c.address << " at " << x;
        }
        f.pipeline->ReleaseBindings();
    }
}

TEST(Shading, StageZeroModulatesTheTextureWithTheDiffuseColour) {
    PipelineFixture f;
    auto texture = std::make_unique<FakeTexture>(2, 2, D3DFMT_X8R8G8B8, 4);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 2; ++x) texture->SetTexel(x, y, 0xFFC86432);  // (200, 100, 50)
    f.context.AddTexture(texture.get());
    f.pipeline->SetTexture(0, texture.get());
    const DWORD diffuse = 0xFF80FF40;  // (128, 255, 64)
    DrawTexturedStrip(*f.pipeline, {{0, 0, 0.5f, 1, diffuse, 0, 0},
                                    {64, 0, 0.5f, 1, diffuse, 1, 0},
                                    {0, 64, 0.5f, 1, diffuse, 0, 1},
                                    {64, 64, 0.5f, 1, diffuse, 1, 1}});
    std::uint32_t pixel = f.context.Pixel(20, 20);
    EXPECT_NEAR(static_cast<int>(pixel >> 16), 200 * 128 / 255, 1);
    EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 100, 1);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 50 * 64 / 255, 1);

    // With stage 0 selecting the diffuse colour the texture is ignored; with stage 0
    // disabled the diffuse colour remains as well.
    for (DWORD op : {DWORD(D3DTOP_SELECTARG2), DWORD(D3DTOP_DISABLE)}) {
        f.pipeline->SetTextureStageState(0, D3DTSS_COLOROP, op);
        DrawTexturedStrip(*f.pipeline, {{0, 0, 0.4f, 1, diffuse, 0, 0},
                                        {64, 0, 0.4f, 1, diffuse, 1, 0},
                                        {0, 64, 0.4f, 1, diffuse, 0, 1},
                                        {64, 64, 0.4f, 1, diffuse, 1, 1}});
        EXPECT_EQ(f.context.Pixel(20, 20), 0x80FF40u) << op;
        f.context.Clear(0, 1.0f);
    }
    f.pipeline->ReleaseBindings();
}

// Lit vertices: position, optional normal.
struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

std::uint32_t DrawLitQuad(FakeDeviceContext& context, DrawPipeline& pipeline, bool withNormal, D3DVECTOR normal) {
    context.Clear(0, 1.0f);
    std::vector<LitVertex> v = {{-1, 1, 0.5f, normal.x, normal.y, normal.z},
                                {1, 1, 0.5f, normal.x, normal.y, normal.z},
                                {-1, -1, 0.5f, normal.x, normal.y, normal.z},
                                {1, -1, 0.5f, normal.x, normal.y, normal.z}};
    // Without a normal the same memory is read as position only, with a 24-byte stride.
    pipeline.SetVertexShader(withNormal ? (D3DFVF_XYZ | D3DFVF_NORMAL) : D3DFVF_XYZ);
    EXPECT_EQ(pipeline.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), sizeof(LitVertex)), S_OK);
    return context.Pixel(32, 32);
}

void ExpectColor(std::uint32_t pixel, float r, float g, float b) {
    EXPECT_NEAR(static_cast<int>(pixel >> 16), r * 255.0f, 1.0f);
    EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), g * 255.0f, 1.0f);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), b * 255.0f, 1.0f);
}

TEST(Shading, LightingAddsGlobalAmbientAndDirectionalDiffuseLight) {
    PipelineFixture f;
    f.context.Set(D3DRS_LIGHTING, TRUE);
    f.context.Set(D3DRS_AMBIENT, 0x00404040);  // 64 / 255 per channel
    D3DMATERIAL8 material = {};
    material.Diffuse = {0.5f, 0.25f, 0.125f, 1.0f};
    material.Ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    f.context.SetMaterial(material);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    light.Range = 1000.0f;
    f.context.AddLight(light);
    const float ambient = 64.0f / 255.0f;

    struct Case {
        bool withNormal;
        D3DVECTOR normal;
        float lambert;  // N . L
    };
    const float half = 0.5f, root = std::sqrt(3.0f) / 2.0f;
    const Case cases[] = {
        {true, {0, 0, -1}, 1.0f},      // facing the light
        {true, {0, root, -half}, 0.5f},  // 60 degrees away
        {true, {0, 0, 1}, 0.0f},       // facing away: no negative light
        {false, {0, 0, -1}, 0.0f},     // no normal: no diffuse light at all
    };
    for (const Case& c : cases) {
        std::uint32_t pixel = DrawLitQuad(f.context, *f.pipeline, c.withNormal, c.normal);
        ExpectColor(pixel, ambient * 1.0f + 0.5f * c.lambert, ambient * 0.5f + 0.25f * c.lambert,
                    0.125f * c.lambert);
    }

    // A disabled light gives nothing either.
    FakeDeviceContext dark;
    dark.Set(D3DRS_CULLMODE, D3DCULL_NONE);
    dark.Set(D3DRS_AMBIENT, 0x00404040);
    dark.SetMaterial(material);
    dark.AddLight(light, FALSE);
    auto darkPipeline = MakeDrawPipeline(dark);
    ExpectColor(DrawLitQuad(dark, *darkPipeline, true, {0, 0, -1}), ambient, ambient * 0.5f, 0.0f);
}

TEST(Shading, UnlitVerticesWithoutColourAreWhite) {
    PipelineFixture f;
    EXPECT_EQ(DrawLitQuad(f.context, *f.pipeline, false, {0, 0, 1}), 0xFFFFFFu);
}

// The scene's vertex: position, texture coordinate, second position.
struct TweenVertex {
    float x, y, z;
    float u, v;
    float x2, y2, z2;
};

TEST(Shading, TweeningBlendsTheTwoPositionsByTheFactor) {
    const DWORD declaration[] = {0x20000000, 0x40020000, 0x40010007, 0x4002000F, 0xFFFFFFFF};
    struct Case {
        DWORD blend;
        float factor;
        float left;  // clip-space x of the quad's left edge
    };
    // The quad spans x from -1 to 0 at the first position and 0 to 1 at the second.
    const Case cases[] = {{D3DVBF_TWEENING, 0.0f, -1.0f},
                          {D3DVBF_TWEENING, 0.25f, -0.75f},
                          {D3DVBF_TWEENING, 1.0f, 0.0f},
                          {D3DVBF_DISABLE, 0.5f, -1.0f}};
    for (const Case& c : cases) {
        PipelineFixture f;
        f.context.Set(D3DRS_VERTEXBLEND, c.blend);
        f.context.Set(D3DRS_TWEENFACTOR, FloatBits(c.factor));
        std::vector<TweenVertex> v = {{-1, 1, 0.5f, 0, 0, 0, 1, 0.5f},
                                      {0, 1, 0.5f, 0, 0, 1, 1, 0.5f},
                                      {-1, -1, 0.5f, 0, 0, 0, -1, 0.5f},
                                      {0, -1, 0.5f, 0, 0, 1, -1, 0.5f}};
        DWORD handle = 0;
        ASSERT_EQ(f.pipeline->CreateVertexShader(declaration, nullptr, &handle, 0), S_OK);
        ASSERT_EQ(f.pipeline->SetVertexShader(handle), S_OK);
        ASSERT_EQ(f.pipeline->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), sizeof(TweenVertex)), S_OK);
        // Screen x = (1 + clip x) * 32; the quad is 32 pixels wide.
        const int first = static_cast<int>(std::ceil((1.0f + c.left) * 32.0f));
        for (int x = 0; x < 64; ++x)
            EXPECT_EQ(f.context.Pixel(x, 32) != 0, x >= first && x < first + 32) << c.factor << " at " << x;
    }
}

}  // namespace
