// Device state: Direct3D 8's defaults, read-back, transforms, lights, material, viewport,
// scenes, and what the drawing half sees through DeviceContext.
#include <cstring>

#include "platform/runtime/draw_pipeline.h"
#include "tests/runtime/runtime_fixture.h"

namespace {

DWORD Bits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

D3DMATRIX Matrix(float base) {
    D3DMATRIX m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = base + static_cast<float>(r * 4 + c);
    return m;
}

bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using StateTest = RuntimeTest;

TEST_F(StateTest, RenderStatesStartAtDirect3D8Defaults) {
    MakeDefaultDevice();
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},  // an automatic depth buffer exists
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_AMBIENT, 0},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
        {D3DRS_TWEENFACTOR, Bits(0.0f)},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_DITHERENABLE, FALSE},
        {D3DRS_FOGEND, Bits(1.0f)},
        {D3DRS_STENCILMASK, 0xFFFFFFFFu},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_SOFTWAREVERTEXPROCESSING, FALSE},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    };
    for (const auto& d : defaults) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetRenderState(d.state, &value), D3D_OK) << d.state;
        EXPECT_EQ(value, d.value) << "state " << d.state;
    }
}

TEST_F(StateTest, DefaultsFollowHowTheDeviceWasMade) {
    D3DPRESENT_PARAMETERS params = ViewerParams();
    params.EnableAutoDepthStencil = FALSE;
    ASSERT_EQ(MakeDevice(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params), D3D_OK);
    DWORD value = 0;
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_FALSE));
    device->GetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
}

TEST_F(StateTest, RenderStatesReadBackAndUnknownStatesAreRefused) {
    MakeDefaultDevice();
    EXPECT_EQ(device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING), D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_AMBIENT, 0xE0E0E0E0), D3D_OK);
    DWORD value = 0;
    device->GetRenderState(D3DRS_VERTEXBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DVBF_TWEENING));
    device->GetRenderState(D3DRS_AMBIENT, &value);
    EXPECT_EQ(value, 0xE0E0E0E0u);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(100000), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderState(D3DRS_AMBIENT, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, TransformsStartAsIdentityAndMultiplyOnTheLeft) {
    MakeDefaultDevice();
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    for (D3DTRANSFORMSTATETYPE state : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE3, D3DTS_WORLDMATRIX(255)}) {
        D3DMATRIX m = Matrix(9.0f);
        ASSERT_EQ(device->GetTransform(state, &m), D3D_OK);
        EXPECT_TRUE(SameMatrix(m, identity)) << state;
    }
    D3DMATRIX a = Matrix(1.0f), b = Matrix(-3.0f);
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &a), D3D_OK);
    ASSERT_EQ(device->MultiplyTransform(D3DTS_VIEW, &b), D3D_OK);
    D3DMATRIX product{};
    device->GetTransform(D3DTS_VIEW, &product);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += b.m[r][k] * a.m[k][c];
            EXPECT_EQ(product.m[r][c], sum);
        }
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &a), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, LightsAtAnyIndexAndTheDefaultLightOnEnable) {
    MakeDefaultDevice();
    D3DLIGHT8 light{};
    BOOL enabled = TRUE;
    EXPECT_EQ(device->GetLight(0, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetLightEnable(0, &enabled), D3DERR_INVALIDCALL);
    // Enabled before it is set, as the viewer does: it gets the default light.
    ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
    ASSERT_EQ(device->GetLight(0, &light), D3D_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Diffuse.r, 1.0f);
    EXPECT_EQ(light.Diffuse.a, 0.0f);
    EXPECT_EQ(light.Direction.z, 1.0f);
    D3DLIGHT8 point{};
    point.Type = D3DLIGHT_POINT;
    point.Range = 1000.0f;
    point.Position = {1.0f, 2.0f, 3.0f};
    ASSERT_EQ(device->SetLight(0, &point), D3D_OK);
    ASSERT_EQ(device->SetLight(70000, &point), D3D_OK);
    ASSERT_EQ(device->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_TRUE(enabled);  // setting keeps the light on
    ASSERT_EQ(device->GetLightEnable(70000, &enabled), D3D_OK);
    EXPECT_FALSE(enabled);
    ASSERT_EQ(device->GetLight(70000, &light), D3D_OK);
    EXPECT_EQ(light.Position.y, 2.0f);
    point.Type = static_cast<D3DLIGHTTYPE>(9);
    EXPECT_EQ(device->SetLight(1, &point), D3DERR_INVALIDCALL);

    // The drawing half sees them in index order.
    DeviceContext* context = dynamic_cast<DeviceContext*>(device);
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(context->LightCount(), 2u);
    BOOL on = FALSE;
    EXPECT_EQ(context->Light(0, &on).Type, D3DLIGHT_POINT);
    EXPECT_TRUE(on);
    EXPECT_EQ(context->Light(1, &on).Position.z, 3.0f);
    EXPECT_FALSE(on);
}

TEST_F(StateTest, MaterialViewportAndScenes) {
    MakeDefaultDevice();
    D3DMATERIAL8 material{};
    material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Power = 3.0f;
    ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
    D3DMATERIAL8 read{};
    ASSERT_EQ(device->GetMaterial(&read), D3D_OK);
    EXPECT_EQ(std::memcmp(&read, &material, sizeof read), 0);

    D3DVIEWPORT8 viewport{};
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.X, 0u);
    EXPECT_EQ(viewport.Width, static_cast<DWORD>(WINDOW_WIDTH));
    EXPECT_EQ(viewport.Height, static_cast<DWORD>(WINDOW_HEIGHT));
    EXPECT_EQ(viewport.MinZ, 0.0f);
    EXPECT_EQ(viewport.MaxZ, 1.0f);
    D3DVIEWPORT8 part{8, 4, 16, 16, 0.25f, 0.75f};
    ASSERT_EQ(device->SetViewport(&part), D3D_OK);
    DeviceContext* context = dynamic_cast<DeviceContext*>(device);
    EXPECT_EQ(context->Viewport().X, 8u);
    EXPECT_EQ(context->Viewport().MaxZ, 0.75f);
    D3DVIEWPORT8 outside{60, 0, 8, 8, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);

    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, TheDrawingHalfSeesStateAndStorage) {
    MakeDefaultDevice();
    DeviceContext* context = dynamic_cast<DeviceContext*>(device);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->Device(), device);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(context->RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    D3DMATRIX m = Matrix(2.0f);
    device->SetTransform(D3DTS_PROJECTION, &m);
    EXPECT_TRUE(SameMatrix(context->Transform(D3DTS_PROJECTION), m));
    StorageView target = context->RenderTarget();
    EXPECT_NE(target.bits, nullptr);
    EXPECT_EQ(target.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(target.width, static_cast<UINT>(WINDOW_WIDTH));
    EXPECT_EQ(target.pitch, static_cast<UINT>(WINDOW_WIDTH) * 4);
    StorageView depth = context->DepthBuffer();
    EXPECT_EQ(depth.format, D3DFMT_D16);
    EXPECT_NE(depth.bits, nullptr);

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    StorageView level{};
    ASSERT_TRUE(context->TextureLevel(texture, 1, &level));
    EXPECT_EQ(level.width, 4u);
    EXPECT_EQ(level.height, 2u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.pBits, level.bits);
    texture->UnlockRect(1);
    EXPECT_FALSE(context->TextureLevel(texture, 4, &level));
    texture->Release();
}

TEST_F(StateTest, ABoundTextureDoesNotOutliveTheDevice) {
    MakeDefaultDevice();
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    device->SetTexture(0, texture);  // whatever the pipeline makes of it
    texture->Release();
    // The device's last release gives back every binding, and everything goes.
}

TEST_F(StateTest, SetRenderTargetTakesARenderTargetAndResetsTheViewport) {
    MakeDefaultDevice();
    IDirect3DSurface8* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(32, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &target), D3D_OK);
    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(32, 16, D3DFMT_X8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(image, nullptr), D3DERR_INVALIDCALL);
    // A depth buffer smaller than the target is refused.
    IDirect3DSurface8* smallDepth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &smallDepth), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(target, smallDepth), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->SetRenderTarget(target, nullptr), D3D_OK);
    D3DVIEWPORT8 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 32u);
    EXPECT_EQ(viewport.Height, 16u);
    IDirect3DSurface8* current = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&current), D3D_OK);
    EXPECT_EQ(current, target);
    current->Release();
    EXPECT_EQ(device->GetDepthStencilSurface(&current), D3DERR_NOTFOUND);
    // The device holds the target it draws into.
    EXPECT_EQ(target->Release(), 1u);
    image->Release();
    smallDepth->Release();
}

}  // namespace
