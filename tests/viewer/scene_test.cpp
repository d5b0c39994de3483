// The tween clock, the turning world matrix, the scene's resources and its draw calls.
#include <cmath>
#include <filesystem>

#include "math/matrix.h"
#include "tests/viewer/viewer_fixture.h"

namespace {

float SentTweenFactor(IDirect3DDevice8* device) {
    DWORD bits = 0;
    EXPECT_EQ(device->GetRenderState(D3DRS_TWEENFACTOR, &bits), S_OK);
    float factor;
    std::memcpy(&factor, &bits, sizeof factor);
    return factor;
}

bool InTable(float factor) {
    for (float entry : TweenFactors)
        if (FloatBits(entry) == FloatBits(factor)) return true;
    return false;
}

TEST_F(ViewerTest, TweenFactorRisesAndFallsEvery50Milliseconds) {
    ViewerApp app(window_);
    const float expected[] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f,
                              0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f, 0.0f, 0.1f};
    for (float wanted : expected) {
        ASSERT_EQ(app.RenderFrame(), S_OK);
        const float sent = SentTweenFactor(app.device);
        EXPECT_EQ(FloatBits(sent), FloatBits(wanted)) << sent;
        EXPECT_TRUE(InTable(sent));
        platform_test::AdvanceClock(50);
    }
}

TEST_F(ViewerTest, TweenStepsAtMostOncePerFrame) {
    ViewerApp app(window_);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(SentTweenFactor(app.device), TweenFactors[0]);

    // 49 ms later: the same factor; one more millisecond: the next one.
    platform_test::AdvanceClock(49);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(SentTweenFactor(app.device), TweenFactors[0]);
    EXPECT_EQ(app.sinceLastStep, 49.0);
    platform_test::AdvanceClock(1);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(SentTweenFactor(app.device), TweenFactors[1]);

    // A gap of seconds still takes one step only.
    platform_test::AdvanceClock(7000);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(SentTweenFactor(app.device), TweenFactors[2]);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(SentTweenFactor(app.device), TweenFactors[2]);
}

TEST_F(ViewerTest, TweenClockKeepsStepping_WhenTheMillisecondClockWraps) {
    platform_test::SetClock(0xFFFFFFF0u);
    ViewerApp app(window_);
    ASSERT_EQ(app.tweenIndex, 0);
    platform_test::AdvanceClock(60);  // now 44 ms past the wrap
    app.AdvanceTweenClock();
    EXPECT_EQ(app.tweenIndex, 1);
    EXPECT_EQ(app.sinceLastStep, 60.0);
    platform_test::AdvanceClock(50);
    app.AdvanceTweenClock();
    EXPECT_EQ(app.tweenIndex, 2);
}

TEST_F(ViewerTest, AnglesWrapTogetherAtThe6284thCall) {
    ViewerApp app(window_);
    angleA = angleB = angleC = 0.0f;
    for (int call = 1; call <= 6283; ++call) app.UpdateWorldMatrix();
    EXPECT_GT(angleA, 6.28f);
    EXPECT_EQ(angleA, angleB);
    EXPECT_EQ(angleB, angleC);

    app.UpdateWorldMatrix();
    EXPECT_EQ(angleA, 0.0f);
    EXPECT_EQ(angleB, 0.0f);
    EXPECT_EQ(angleC, 0.0f);
    // At angle 0 the world matrix the device holds is the identity.
    D3DMATRIX world;
    ASSERT_EQ(app.device->GetTransform(D3DTS_WORLD, &world), S_OK);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) EXPECT_EQ(world.m[row][column], row == column ? 1.0f : 0.0f);
}

TEST_F(ViewerTest, WorldTurnsAboutYThenXThenZ) {
    ViewerApp app(window_);
    angleA = angleB = angleC = 0.5f - 0.001f;
    app.UpdateWorldMatrix();
    ASSERT_FLOAT_EQ(angleA, 0.5f);
    D3DMATRIX world;
    ASSERT_EQ(app.device->GetTransform(D3DTS_WORLD, &world), S_OK);
    // Turned about Y first: the point (0, 0, 1) goes to (sin a, 0, cos a), then about X
    // and Z. Worked by hand for a = 0.5.
    const double s = std::sin(0.5), c = std::cos(0.5);
    double p[3] = {s, 0, c};                                  // after Y
    double q[3] = {p[0], p[1] * c - p[2] * s, p[1] * s + p[2] * c};  // after X (y toward +z)
    double r[3] = {q[0] * c - q[1] * s, q[0] * s + q[1] * c, q[2]};  // after Z (x toward +y)
    EXPECT_NEAR(world.m[2][0], r[0], 1e-6);
    EXPECT_NEAR(world.m[2][1], r[1], 1e-6);
    EXPECT_NEAR(world.m[2][2], r[2], 1e-6);
}

TEST_F(ViewerTest, ViewMatrixLooksDownAtTheCube) {
    ViewerApp app(window_);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    D3DMATRIX view;
    ASSERT_EQ(app.device->GetTransform(D3DTS_VIEW, &view), S_OK);
    EXPECT_NEAR(view._22, 0.70710677f, 2e-6);
    EXPECT_NEAR(view._23, -0.70710677f, 2e-6);
    EXPECT_NEAR(view._43, 1.4142135f, 2e-6);
}

TEST_F(ViewerTest, SceneResourcesAndBuffersHoldTheCube) {
    ViewerApp app(window_);
    EXPECT_EQ(app.vertexCount, 14);
    EXPECT_EQ(app.pairCountA, 3);
    EXPECT_EQ(app.pairCountB, 3);
    ASSERT_NE(app.vertexBuffer, nullptr);

    D3DVERTEXBUFFER_DESC vertexDesc = {};
    ASSERT_EQ(app.vertexBuffer->GetDesc(&vertexDesc), S_OK);
    EXPECT_EQ(vertexDesc.Size, 448u);
    EXPECT_EQ(vertexDesc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(vertexDesc.Usage, D3DUSAGE_WRITEONLY);
    D3DINDEXBUFFER_DESC indexDesc = {};
    ASSERT_EQ(app.indexBufferB->GetDesc(&indexDesc), S_OK);
    EXPECT_EQ(indexDesc.Size, 36u);
    EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);

    // The buffers hold what was written into them.
    BYTE* data = nullptr;
    ASSERT_EQ(app.vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(std::memcmp(data, CubeVertices, sizeof CubeVertices), 0);
    app.vertexBuffer->Unlock();
    ASSERT_EQ(app.indexBufferB->Lock(0, 0, &data, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(std::memcmp(data, CubeIndicesB, sizeof CubeIndicesB), 0);
    app.indexBufferB->Unlock();

    // Only corners 1 and 10 move.
    for (int i = 0; i < CUBE_VERTEX_COUNT; ++i) {
        const CubeVertex& v = CubeVertices[i];
        const bool moves = v.x != v.x2 || v.y != v.y2 || v.z != v.z2;
        EXPECT_EQ(moves, i == 1 || i == 10) << i;
    }
}

TEST_F(ViewerTest, FramesShowTheCubeOnBlue) {
    ViewerApp app(window_);
    for (int frame = 0; frame < 3; ++frame) ASSERT_EQ(app.RenderFrame(), S_OK);
    platform_test::PresentedImage image;
    ASSERT_TRUE(platform_test::ReadPresentedImage(window_, &image));
    ASSERT_GT(image.width, 100u);
    ASSERT_EQ(image.pixels.size(), std::size_t{image.width} * image.height);
    auto at = [&](UINT x, UINT y) { return image.pixels[std::size_t{y} * image.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(2, 2), 0x0000FFu);
    EXPECT_EQ(at(image.width - 3, image.height - 3), 0x0000FFu);
    // The cube covers the middle with texels of both halves, none of them the background.
    int scenePixels = 0;
    for (UINT y = image.height / 3; y < 2 * image.height / 3; ++y)
        for (UINT x = image.width / 3; x < 2 * image.width / 3; ++x) scenePixels += at(x, y) != 0x0000FFu;
    EXPECT_GT(scenePixels, 0);
    EXPECT_EQ(at(image.width / 2, image.height / 2) == 0x0000FFu, false);
}

TEST_F(ViewerTest, MissingFirstTextureEndsTheSetUpBeforeAnythingElse) {
    // A folder with only the second texture: had it been tried, it would have loaded.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("viewer_missing_env1_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(AssetsFolder() + "/env3.tga", folder / "env3.tga",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(chdir(folder.c_str()), 0);

    {
        ViewerApp app(window_);
        EXPECT_EQ(app.textureA, nullptr);
        EXPECT_EQ(app.textureB, nullptr);
        EXPECT_EQ(app.vertexBuffer, nullptr);
        EXPECT_EQ(app.indexBufferA, nullptr);
        EXPECT_EQ(app.indexBufferB, nullptr);
        EXPECT_EQ(app.vertexCount, 0);

        // The same set-up once more, to see its result.
        app.ReleaseAll();
        EXPECT_TRUE(FAILED(app.SetUpDevice(window_)));
        EXPECT_EQ(app.textureB, nullptr);
        EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});

        // Nothing missing is touched: the buffers are not filled and the frame shows the
        // background alone.
        EXPECT_EQ(app.FillSceneBuffers(), E_FAIL);
        EXPECT_EQ(app.DrawScene(), E_FAIL);
        EXPECT_EQ(app.RenderFrame(), S_OK);
        platform_test::PresentedImage image;
        ASSERT_TRUE(platform_test::ReadPresentedImage(window_, &image));
        ASSERT_FALSE(image.pixels.empty());
        EXPECT_EQ(image.pixels[image.pixels.size() / 2 + image.width / 2] & 0xFFFFFF, 0x0000FFu);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(ViewerTest, LostDeviceAdvancesTheTweenButNotTheAngles) {
    ViewerApp app(window_);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    const float angle = angleA;
    const int index = app.tweenIndex;

    SimulateDeviceLoss(4);
    for (int frame = 0; frame < 4; ++frame) {
        platform_test::AdvanceClock(50);
        ASSERT_EQ(app.RenderFrame(), S_OK);
    }
    EXPECT_EQ(app.tweenIndex, index + 4);
    EXPECT_EQ(angleA, angle);
    EXPECT_EQ(angleC, angle);

    // The recovery restarts the tween at its first entry; the angles go on from where they
    // were (the refill of the buffers takes one step).
    platform_test::AdvanceClock(50);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(app.tweenIndex, 0);
    EXPECT_EQ(angleA, angle + 0.001f);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(FloatBits(SentTweenFactor(app.device)), FloatBits(TweenFactors[0]));
    EXPECT_EQ(angleA, (angle + 0.001f) + 0.001f);
    EXPECT_EQ(angleB, angleA);
}

TEST_F(ViewerTest, FailedDrawDeletesItsVertexShader) {
    ViewerApp app(window_);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    // More triangles than the index buffer holds: the first draw is refused.
    app.pairCountA = 1000;
    const HRESULT drawn = app.DrawScene();
    ASSERT_TRUE(FAILED(drawn));

    DWORD shader = 0;
    ASSERT_EQ(app.device->GetVertexShader(&shader), S_OK);
    // Deleted: either the device no longer names it as current, or a second delete fails.
    const bool gone = shader == 0 || FAILED(app.device->DeleteVertexShader(shader));
    EXPECT_TRUE(gone) << "the shader " << shader << " is still alive";
    IDirect3DVertexBuffer8* stream = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
    UINT stride = 1;
    EXPECT_EQ(app.device->GetStreamSource(0, &stream, &stride), S_OK);
    EXPECT_EQ(stream, nullptr);
    if (stream != nullptr) stream->Release();
    app.device->EndScene();
}

}  // namespace
