// Clear, Present (read back through the window's presented image), and device loss and
// Reset.
#include "platform/win32/window_test.h"
#include "tests/runtime/runtime_fixture.h"

namespace {

using FrameTest = RuntimeTest;

D3DPRESENT_PARAMETERS Lockable(D3DPRESENT_PARAMETERS params) {
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    params.AutoDepthStencilFormat = D3DFMT_D16_LOCKABLE;
    return params;
}

DWORD PixelAt(IDirect3DSurface8* surface, UINT x, UINT y) {
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return 0xBADBAD;
    DWORD value = static_cast<const DWORD*>(locked.pBits)[y * (locked.Pitch / 4) + x];
    surface->UnlockRect();
    return value;
}

// X8R8G8B8 leaves the top byte open.
DWORD RgbAt(IDirect3DSurface8* surface, UINT x, UINT y) { return PixelAt(surface, x, y) & 0xFFFFFF; }

WORD DepthAt(IDirect3DSurface8* surface, UINT x, UINT y) {
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return 0xBAD;
    WORD value = static_cast<const WORD*>(locked.pBits)[y * (locked.Pitch / 2) + x];
    surface->UnlockRect();
    return value;
}

TEST_F(FrameTest, ClearFillsTheViewportAndClipsRectanglesToIt) {
    MakeDefaultDevice(Lockable(ViewerParams()));
    IDirect3DSurface8* back = nullptr;
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(RgbAt(back, 0, 0), 0x0000FFu);
    EXPECT_EQ(RgbAt(back, 63, 47), 0x0000FFu);
    EXPECT_EQ(DepthAt(depth, 10, 10), 0xFFFF);

    D3DVIEWPORT8 viewport{10, 10, 20, 20, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    D3DRECT rect{0, 0, 15, 15};  // only 10..14 lies inside the viewport
    ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 0.5f, 0), D3D_OK);
    EXPECT_EQ(RgbAt(back, 9, 9), 0x0000FFu);
    EXPECT_EQ(RgbAt(back, 10, 10), 0x00FF00u);
    EXPECT_EQ(RgbAt(back, 14, 14), 0x00FF00u);
    EXPECT_EQ(RgbAt(back, 15, 14), 0x0000FFu);
    EXPECT_EQ(DepthAt(depth, 12, 12), 32768);
    EXPECT_EQ(DepthAt(depth, 5, 5), 0xFFFF);
    // Without rectangles, only the viewport is cleared.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(RgbAt(back, 29, 29), 0xFF0000u);
    EXPECT_EQ(RgbAt(back, 30, 30), 0x0000FFu);

    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    // The stencil flag is accepted and ignored.
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    back->Release();
    depth->Release();
}

TEST_F(FrameTest, ClearOfTheDepthBufferNeedsOne) {
    D3DPRESENT_PARAMETERS params = ViewerParams();
    params.EnableAutoDepthStencil = FALSE;
    MakeDefaultDevice(params);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
}

TEST_F(FrameTest, PresentShowsTheBackBufferInTheWindow) {
    MakeDefaultDevice();
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    D3DRECT corner{0, 0, 2, 2};
    ASSERT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF8000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    platform_test::PresentedImage image{};
    ASSERT_TRUE(platform_test::ReadPresentedImage(window, &image));
    ASSERT_EQ(image.width, static_cast<UINT>(WINDOW_WIDTH));
    ASSERT_EQ(image.height, static_cast<UINT>(WINDOW_HEIGHT));
    EXPECT_EQ(image.pixels[0] & 0xFFFFFF, 0xFF8000u);
    EXPECT_EQ(image.pixels[10 * WINDOW_WIDTH + 10] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.presentCount, 1u);

    // GetFrontBuffer reads back the same frame.
    IDirect3DSurface8* front = nullptr;
    ASSERT_EQ(device->CreateImageSurface(WINDOW_WIDTH, WINDOW_HEIGHT, D3DFMT_A8R8G8B8, &front), D3D_OK);
    ASSERT_EQ(device->GetFrontBuffer(front), D3D_OK);
    EXPECT_EQ(PixelAt(front, 0, 0), 0xFFFF8000u);
    EXPECT_EQ(PixelAt(front, 20, 20), 0xFF0000FFu);
    front->Release();
}

TEST_F(FrameTest, ASixteenBitBackBufferIsConvertedForPresent) {
    MachineProfile profile;
    ASSERT_TRUE(FindMachineProfile("16-bit-display", &profile));
    SetMachineProfile(profile);
    MakeDefaultDevice();  // the back buffer takes the display's R5G6B5
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    D3DRECT rect{0, 0, 1, 1};
    ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    platform_test::PresentedImage image{};
    ASSERT_TRUE(platform_test::ReadPresentedImage(window, &image));
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(WINDOW_WIDTH * WINDOW_HEIGHT));
    EXPECT_EQ(image.pixels[0] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(image.pixels[5] & 0xFFFFFF, 0xFF0000u);
}

using LossTest = RuntimeTest;

TEST_F(LossTest, LostAfterPresentsThenNotResetUntilResetSucceeds) {
    MachineProfile profile;
    ASSERT_TRUE(FindMachineProfile("lost-device", &profile));
    profile.loseDeviceAfterPresents = 2;
    profile.lostTestCount = 2;
    SetMachineProfile(profile);
    MakeDefaultDevice();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS params = ViewerParams();
    EXPECT_EQ(device->Reset(&params), D3DERR_DEVICELOST);  // too early
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    // Reset restores the default state; the profile's loss strikes once per device.
    DWORD cull = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(LossTest, ResetIsRefusedWhileDefaultPoolResourcesLive) {
    MakeDefaultDevice();
    SimulateDeviceLoss(0);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = ViewerParams();
    IDirect3DTexture8* defaultTexture = nullptr;
    IDirect3DTexture8* managedTexture = nullptr;
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &defaultTexture), D3D_OK);
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managedTexture), D3D_OK);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    defaultTexture->Release();
    // A reference to the old back buffer keeps Reset from replacing it.
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    back->Release();
    // Managed resources survive a Reset.
    EXPECT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    managedTexture->Release();
}

TEST_F(LossTest, ResetFailsWhenTheProfileSaysSo) {
    MachineProfile profile;
    ASSERT_TRUE(FindMachineProfile("reset-fails", &profile));
    SetMachineProfile(profile);
    MakeDefaultDevice();
    SimulateDeviceLoss(1);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = ViewerParams();
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
}

}  // namespace
