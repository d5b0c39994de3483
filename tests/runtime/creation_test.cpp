// The Direct3D object and device creation: versions, the adapter, the checks the viewer
// makes, the fall-back conditions of each profile, presentation parameters, reference
// counts and the choice of profile by name.
#include <cstdlib>
#include <string>

#include "tests/runtime/runtime_fixture.h"
#include "platform/test_seams.h"

namespace {

using CreationTest = RuntimeTest;

TEST_F(CreationTest, OnlyVersion220MakesAnObjectAndLoadsTheRuntimeModule) {
    EXPECT_EQ(Direct3DCreate8(219), nullptr);
    EXPECT_EQ(Direct3DCreate8(120), nullptr);
    platform_test::UnloadRetailRuntime();
    EXPECT_EQ(GetModuleHandleA("d3d8.dll"), nullptr);
    IDirect3D8* second = Direct3DCreate8(220);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(GetModuleHandleA("d3d8.dll"), nullptr);
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(CreationTest, OneAdapterWithTheProfilesDisplayMode) {
    EXPECT_EQ(d3d->GetAdapterCount(), 1u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 1280u);
    EXPECT_EQ(mode.Height, 1024u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, nullptr), D3DERR_INVALIDCALL);
    // The last mode is the desktop's.
    UINT modes = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    ASSERT_GT(modes, 0u);
    ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, modes - 1, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 1280u);
    EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, modes, &mode), D3DERR_INVALIDCALL);
}

TEST_F(CreationTest, CheckDeviceTypeFailsForHalOnlyWhenTheProfileHasNone) {
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    // Windowed, the desktop's format is the only display format.
    EXPECT_TRUE(FAILED(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, TRUE)));
    MachineProfile profile;
    ASSERT_TRUE(FindMachineProfile("no-hal", &profile));
    SetMachineProfile(profile);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
}

TEST_F(CreationTest, CheckDeviceFormatAnswersFromTheProfilesFormatList) {
    auto check = [&](DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
        return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, type, format);
    };
    EXPECT_EQ(check(0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3D_OK);
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8), D3D_OK);
    EXPECT_EQ(check(0, D3DRTYPE_TEXTURE, D3DFMT_DXT1), D3D_OK);
    EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16), D3D_OK);
    // Formats the default card lacks, usages a format lacks, resource types it lacks.
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8)));
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_TEXTURE, D3DFMT_A8P8)));
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_TEXTURE, D3DFMT_UNKNOWN)));
    EXPECT_TRUE(FAILED(check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_L8)));
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_TEXTURE, D3DFMT_D16)));
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_VOLUMETEXTURE, D3DFMT_DXT1)));
    // A format removed from the list is refused from then on.
    MachineProfile profile = DefaultMachineProfile();
    std::erase_if(profile.formats, [](const FormatSupport& f) { return f.format == D3DFMT_A8R8G8B8; });
    SetMachineProfile(profile);
    EXPECT_TRUE(FAILED(check(0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8)));
}

// The profiles and the CreateDevice calls of the viewer's fall-back chains.
struct FallBackCase {
    const char* profile;
    HRESULT halHardware;
    HRESULT halSoftware;
    HRESULT reference;
};

TEST_F(CreationTest, EachProfileFailsTheCreateDeviceCallsItShould) {
    const FallBackCase cases[] = {
        {"default", D3D_OK, D3D_OK, D3D_OK},
        {"no-hal", D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE, D3D_OK},
        {"no-hw-vertex-processing", D3DERR_INVALIDCALL, D3D_OK, D3D_OK},
        {"no-device", D3DERR_INVALIDCALL, D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE},
    };
    for (const FallBackCase& c : cases) {
        SCOPED_TRACE(c.profile);
        MachineProfile profile;
        ASSERT_TRUE(FindMachineProfile(c.profile, &profile));
        SetMachineProfile(profile);
        const struct {
            D3DDEVTYPE type;
            DWORD flags;
            HRESULT expected;
        } calls[] = {{D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, c.halHardware},
                     {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, c.halSoftware},
                     {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, c.reference}};
        for (const auto& call : calls) {
            EXPECT_EQ(MakeDevice(call.type, call.flags, ViewerParams()), call.expected);
            if (SUCCEEDED(call.expected)) {
                ASSERT_NE(device, nullptr);
                D3DDEVICE_CREATION_PARAMETERS created{};
                ASSERT_EQ(device->GetCreationParameters(&created), D3D_OK);
                EXPECT_EQ(created.DeviceType, call.type);
                EXPECT_EQ(created.BehaviorFlags, call.flags);
                EXPECT_EQ(created.hFocusWindow, window);
                EXPECT_EQ(device->Release(), 0u);
            } else {
                EXPECT_EQ(device, nullptr);
            }
            device = nullptr;
        }
    }
}

TEST_F(CreationTest, InvalidCreateDeviceArgumentsAreRefused) {
    D3DPRESENT_PARAMETERS params = ViewerParams();
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_SW, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
              D3DERR_INVALIDCALL);
    // No vertex processing, or two kinds at once.
    EXPECT_EQ(MakeDevice(D3DDEVTYPE_HAL, 0, params), D3DERR_INVALIDCALL);
    EXPECT_EQ(MakeDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                         params),
              D3DERR_INVALIDCALL);
    // No window at all.
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
              D3DERR_INVALIDCALL);
    // A depth buffer in a colour format, a back buffer in a format no display has.
    params.AutoDepthStencilFormat = D3DFMT_X8R8G8B8;
    EXPECT_EQ(MakeDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, params), D3DERR_INVALIDCALL);
    params = ViewerParams();
    params.BackBufferFormat = D3DFMT_L8;
    EXPECT_EQ(MakeDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, params), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
}

TEST_F(CreationTest, BackBufferTakesTheClientSizeAndTheDisplayFormatWhenLeftOpen) {
    D3DPRESENT_PARAMETERS params = ViewerParams();
    params.BackBufferFormat = D3DFMT_UNKNOWN;
    MakeDefaultDevice(params);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, static_cast<UINT>(WINDOW_WIDTH));
    EXPECT_EQ(desc.Height, static_cast<UINT>(WINDOW_HEIGHT));
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    back->Release();
    // The caller's parameters are left as they were.
    EXPECT_EQ(params.BackBufferWidth, 0u);
    EXPECT_EQ(params.BackBufferFormat, D3DFMT_UNKNOWN);

    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(depth->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_D16);
    EXPECT_EQ(desc.Width, static_cast<UINT>(WINDOW_WIDTH));
    depth->Release();
}

TEST_F(CreationTest, GivenBackBufferSizeAndNoDepthBuffer) {
    D3DPRESENT_PARAMETERS params = ViewerParams();
    params.BackBufferWidth = 20;
    params.BackBufferHeight = 10;
    params.EnableAutoDepthStencil = FALSE;
    MakeDefaultDevice(params);
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&surface), D3D_OK);
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 20u);
    EXPECT_EQ(desc.Height, 10u);
    surface->Release();
    EXPECT_EQ(device->GetDepthStencilSurface(&surface), D3DERR_NOTFOUND);
    EXPECT_EQ(surface, nullptr);
}

TEST_F(CreationTest, DeviceQueriesAnswerTheProfile) {
    MakeDefaultDevice();
    D3DCAPS8 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(caps.AdapterOrdinal, 0u);
    EXPECT_EQ(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(caps.MaxVolumeExtent, 256u);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_POW2);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(device->GetDisplayMode(&mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    IDirect3D8* owner = nullptr;
    ASSERT_EQ(device->GetDirect3D(&owner), D3D_OK);
    EXPECT_EQ(owner, d3d);
    owner->Release();
    void* same = nullptr;
    ASSERT_EQ(device->QueryInterface(IID_IDirect3DDevice8, &same), S_OK);
    EXPECT_EQ(same, device);
    device->Release();
    EXPECT_EQ(device->QueryInterface(IID_IDirect3DTexture8, &same), E_NOINTERFACE);
}

TEST_F(CreationTest, TheDeviceKeepsItsDirect3DObjectAndTheBackBufferItsDevice) {
    MakeDefaultDevice();
    // The Direct3D object outlives the caller's reference while its device lives.
    EXPECT_EQ(d3d->Release(), 1u);
    d3d = nullptr;
    EXPECT_GT(RuntimeLiveObjectCount(), 0u);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    // The back buffer's reference is the device's: releasing the device leaves it alive.
    EXPECT_EQ(device->Release(), 1u);
    device = nullptr;
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(back->Release(), 0u);
}

TEST_F(CreationTest, ProfilesAreFoundByNameAndTheEnvironmentChoosesOne) {
    const char* names[] = {"default",   "no-hal",    "no-hw-vertex-processing", "no-device",
                           "lost-device", "reset-fails", "pow2-only", "square-only",
                           "no-mipmap", "nonpow2-conditional", "small-limits"};
    for (const char* name : names) EXPECT_TRUE(FindMachineProfile(name, nullptr)) << name;
    EXPECT_FALSE(FindMachineProfile("no-such-machine", nullptr));
    EXPECT_EQ(NamedMachineProfiles().front().name, "default");

    setenv("ORBIQUE_PROFILE", "pow2-only", 1);
    ResetMachineProfile();
    EXPECT_EQ(CurrentMachineProfile().name, "pow2-only");
    setenv("ORBIQUE_PROFILE", "no-such-machine", 1);
    testing::internal::CaptureStderr();
    ResetMachineProfile();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(CurrentMachineProfile().name, "default");
    EXPECT_NE(said.find("no-such-machine"), std::string::npos);
    EXPECT_NE(said.find("small-limits"), std::string::npos);
    unsetenv("ORBIQUE_PROFILE");
}

}  // namespace
