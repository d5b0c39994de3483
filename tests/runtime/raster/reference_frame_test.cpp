// The viewer's frame drawn by this runtime and by Mesa's OSMesa (legacy OpenGL) from the
// same matrices, textures and lit colour: the two images must agree.
#include <gtest/gtest.h>

#include <cstdio>

#include "osmesa_frame.h"
#include "platform/runtime/machine_profile.h"

namespace {

constexpr UINT WIDTH = 1024;
constexpr UINT HEIGHT = 768;
constexpr float ANGLE = 0.7f;
constexpr float TWEEN = 0.6f;

std::vector<std::uint32_t> RenderWithRuntime() {
    std::vector<std::uint32_t> image;
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d) return image;
    HWND window = scene::CreateSceneWindow(WIDTH, HEIGHT);
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(scene::CreateSceneDevice(d3d, window, WIDTH, HEIGHT, &device), S_OK);
    if (device) {
        scene::SetFixedState(device);
        scene::Resources resources;
        HRESULT created = scene::CreateResources(device, &resources);
        EXPECT_EQ(created, S_OK) << "resources";
        HRESULT drawn = SUCCEEDED(created) ? scene::DrawFrame(device, resources, ANGLE, TWEEN) : created;
        EXPECT_EQ(drawn, S_OK) << "frame";
        if (SUCCEEDED(drawn)) {
            IDirect3DSurface8* back = nullptr;
            if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
                D3DLOCKED_RECT locked;
                if (SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                    image.resize(WIDTH * HEIGHT);
                    for (UINT y = 0; y < HEIGHT; ++y)
                        std::memcpy(&image[y * WIDTH], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, WIDTH * 4);
                    back->UnlockRect();
                }
                back->Release();
            }
        }
        resources.Release();
        device->Release();
    }
    d3d->Release();
    if (window) DestroyWindow(window);
    return image;
}

std::vector<std::uint32_t> RenderWithOsmesa() {
    // Mesa keeps a few hundred bytes of process-wide state that it never frees; the leak
    // checker of sanitized builds does not count what Mesa allocates here.
    scene::LeakCheckPause pause;
    scene::OsmesaFrame frame(WIDTH, HEIGHT);
    if (!frame.Ready()) return {};
    frame.Draw(ANGLE, TWEEN);
    return frame.Image();
}

bool Close(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

TEST(ReferenceFrame, RuntimeAgreesWithOsmesaOnTheViewersFrame) {
    ResetMachineProfile();
    std::vector<std::uint32_t> ours = RenderWithRuntime();
    std::vector<std::uint32_t> reference = RenderWithOsmesa();
    ASSERT_EQ(ours.size(), WIDTH * HEIGHT);
    ASSERT_EQ(reference.size(), WIDTH * HEIGHT);
    const std::uint32_t blue = 0x0000FF;
    size_t agree = 0, cube = 0, cubeAgree = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        bool close = Close(ours[i], reference[i], 3);
        agree += close;
        if ((ours[i] & 0xFFFFFF) != blue || (reference[i] & 0xFFFFFF) != blue) {
            ++cube;
            cubeAgree += close;
        }
    }
    const double all = static_cast<double>(agree) / ours.size();
    const double onCube = static_cast<double>(cubeAgree) / cube;
    std::printf("pixels within 3/255: %.4f%% of the frame, %.4f%% of the %zu cube pixels\n", 100.0 * all,
                100.0 * onCube, cube);
    EXPECT_GE(all, 0.995);
    // The background alone would pass the frame-wide figure: the cube must agree too.
    EXPECT_GT(cube, 15000u);
    EXPECT_GE(onCube, 0.97);
}

}  // namespace
