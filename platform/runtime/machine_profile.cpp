// The machine profiles: the default card, the named variants, and the process-wide choice.
#include "platform/runtime/machine_profile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/runtime/device.h"
#include "platform/runtime/runtime_internal.h"

namespace {

// Texture filter, address and comparison capability bits, as Direct3D 8 numbers them.
constexpr DWORD FILTER_MIN_POINT = 0x00000100, FILTER_MIN_LINEAR = 0x00000200;
constexpr DWORD FILTER_MIP_POINT = 0x00010000, FILTER_MAG_POINT = 0x01000000,
                FILTER_MAG_LINEAR = 0x02000000;
constexpr DWORD ADDRESS_WRAP = 0x1, ADDRESS_MIRROR = 0x2, ADDRESS_CLAMP = 0x4, ADDRESS_BORDER = 0x8;
constexpr DWORD ALL_COMPARISONS = 0xFF;       // never, less, ..., always
constexpr DWORD ALL_BLEND_FACTORS = 0x1FFF;   // zero, one, ..., both-inverse-source-alpha
constexpr DWORD VERTEX_TWEENING = 0x40;       // vertex processing can tween
constexpr DWORD FVF_EIGHT_TEXCOORD_SETS = 8;

constexpr DWORD TEXTURE_USAGES = D3DUSAGE_DYNAMIC;
constexpr DWORD TARGET_USAGES = D3DUSAGE_DYNAMIC | D3DUSAGE_RENDERTARGET;
constexpr DWORD SURFACE_AND_TEXTURES =
    RESOURCE_BIT(D3DRTYPE_SURFACE) | RESOURCE_BIT(D3DRTYPE_TEXTURE) | RESOURCE_BIT(D3DRTYPE_CUBETEXTURE);
constexpr DWORD SURFACE_AND_TEXTURE = RESOURCE_BIT(D3DRTYPE_SURFACE) | RESOURCE_BIT(D3DRTYPE_TEXTURE);

}  // namespace

// The capable card of 2001 that the runtime emulates unless told otherwise:
// - both device types, hardware and software vertex processing;
// - a 1280 x 1024 X8R8G8B8 desktop at 75 Hz;
// - textures of any size up to 2048 x 2048 (no power-of-two rule for plain textures, but
//   cube and volume textures must be powers of two), aspect ratio up to 2048, volumes up to
//   256 on a side, mip maps for all three kinds, cube and volume maps, alpha, perspective
//   correction and projected coordinates;
// - what the rasterizer does: point and linear filters, point mip selection, wrap, mirror,
//   clamp and border addressing, every depth comparison and blend factor, one texture
//   stage that samples, 8 lights, tweening, no pixel or vertex shader programs;
// - formats: the 16- and 32-bit RGB formats with and without alpha (render targets in
//   A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5 and A1R5G5B5), R3G3B2, A8, A8R3G3B2, P8, L8, A8L8,
//   the bump-map formats V8U8, L6V5U5, X8L8V8U8, Q8W8V8U8 and V16U16, DXT1 to DXT5 (no
//   volumes), UYVY and YUY2 (surfaces and plain textures only), and the depth buffers D16,
//   D16_LOCKABLE, D24S8, D24X8 and D32 (depth-stencil surfaces only). R8G8B8, A8P8, A4L4,
//   A2B10G10R10, G16R16 and the 10- and 11-bit signed formats are missing, as on most cards
//   of the time, so that choosing a texture format has work to do.
MachineProfile DefaultMachineProfile() {
    MachineProfile p;
    p.name = "default";
    p.description = "a capable card of 2001 (the documented default)";

    D3DCAPS8& c = p.caps;
    c.AdapterOrdinal = D3DADAPTER_DEFAULT;
    c.DeviceType = D3DDEVTYPE_HAL;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                    D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPMAP |
                    D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_CUBEMAP_POW2 |
                    D3DPTEXTURECAPS_VOLUMEMAP_POW2;
    c.MaxTextureWidth = 2048;
    c.MaxTextureHeight = 2048;
    c.MaxVolumeExtent = 256;
    c.MaxTextureAspectRatio = 2048;
    c.MaxTextureRepeat = 8192;
    c.MaxAnisotropy = 1;
    c.TextureFilterCaps = FILTER_MIN_POINT | FILTER_MIN_LINEAR | FILTER_MIP_POINT | FILTER_MAG_POINT | FILTER_MAG_LINEAR;
    c.CubeTextureFilterCaps = c.TextureFilterCaps;
    c.VolumeTextureFilterCaps = c.TextureFilterCaps;
    c.TextureAddressCaps = ADDRESS_WRAP | ADDRESS_MIRROR | ADDRESS_CLAMP | ADDRESS_BORDER;
    c.VolumeTextureAddressCaps = c.TextureAddressCaps;
    c.ZCmpCaps = ALL_COMPARISONS;
    c.AlphaCmpCaps = ALL_COMPARISONS;
    c.SrcBlendCaps = ALL_BLEND_FACTORS;
    c.DestBlendCaps = ALL_BLEND_FACTORS;
    c.MaxVertexW = 1.0e10f;
    c.GuardBandLeft = -2048.0f;
    c.GuardBandTop = -2048.0f;
    c.GuardBandRight = 2048.0f;
    c.GuardBandBottom = 2048.0f;
    c.FVFCaps = FVF_EIGHT_TEXCOORD_SETS;
    c.MaxTextureBlendStages = 2;
    c.MaxSimultaneousTextures = 1;
    c.VertexProcessingCaps = VERTEX_TWEENING;
    c.MaxActiveLights = 8;
    c.MaxUserClipPlanes = 0;
    c.MaxVertexBlendMatrices = 1;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0x000FFFFF;
    c.MaxVertexIndex = 0x000FFFFF;
    c.MaxStreams = 16;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = 0;
    c.MaxVertexShaderConst = 0;
    c.PixelShaderVersion = 0;
    c.MaxPixelShaderValue = 0.0f;

    const DWORD all = ALL_TEXTURE_TYPES;
    p.formats = {
        {D3DFMT_A8R8G8B8, TARGET_USAGES, all},
        {D3DFMT_X8R8G8B8, TARGET_USAGES, all},
        {D3DFMT_R5G6B5, TARGET_USAGES, all},
        {D3DFMT_X1R5G5B5, TARGET_USAGES, all},
        {D3DFMT_A1R5G5B5, TARGET_USAGES, all},
        {D3DFMT_A4R4G4B4, TEXTURE_USAGES, all},
        {D3DFMT_R3G3B2, TEXTURE_USAGES, all},
        {D3DFMT_A8, TEXTURE_USAGES, all},
        {D3DFMT_A8R3G3B2, TEXTURE_USAGES, all},
        {D3DFMT_X4R4G4B4, TEXTURE_USAGES, all},
        {D3DFMT_P8, TEXTURE_USAGES, all},
        {D3DFMT_L8, TEXTURE_USAGES, all},
        {D3DFMT_A8L8, TEXTURE_USAGES, all},
        {D3DFMT_V8U8, TEXTURE_USAGES, all},
        {D3DFMT_L6V5U5, TEXTURE_USAGES, all},
        {D3DFMT_X8L8V8U8, TEXTURE_USAGES, all},
        {D3DFMT_Q8W8V8U8, TEXTURE_USAGES, all},
        {D3DFMT_V16U16, TEXTURE_USAGES, all},
        {D3DFMT_DXT1, TEXTURE_USAGES, SURFACE_AND_TEXTURES},
        {D3DFMT_DXT2, TEXTURE_USAGES, SURFACE_AND_TEXTURES},
        {D3DFMT_DXT3, TEXTURE_USAGES, SURFACE_AND_TEXTURES},
        {D3DFMT_DXT4, TEXTURE_USAGES, SURFACE_AND_TEXTURES},
        {D3DFMT_DXT5, TEXTURE_USAGES, SURFACE_AND_TEXTURES},
        {D3DFMT_UYVY, TEXTURE_USAGES, SURFACE_AND_TEXTURE},
        {D3DFMT_YUY2, TEXTURE_USAGES, SURFACE_AND_TEXTURE},
        {D3DFMT_D16_LOCKABLE, D3DUSAGE_DEPTHSTENCIL, RESOURCE_BIT(D3DRTYPE_SURFACE)},
        {D3DFMT_D16, D3DUSAGE_DEPTHSTENCIL, RESOURCE_BIT(D3DRTYPE_SURFACE)},
        {D3DFMT_D24S8, D3DUSAGE_DEPTHSTENCIL, RESOURCE_BIT(D3DRTYPE_SURFACE)},
        {D3DFMT_D24X8, D3DUSAGE_DEPTHSTENCIL, RESOURCE_BIT(D3DRTYPE_SURFACE)},
        {D3DFMT_D32, D3DUSAGE_DEPTHSTENCIL, RESOURCE_BIT(D3DRTYPE_SURFACE)},
    };
    return p;
}

std::vector<MachineProfile> NamedMachineProfiles() {
    std::vector<MachineProfile> profiles;
    auto variant = [&](const char* name, const char* description, auto change) {
        MachineProfile p = DefaultMachineProfile();
        p.name = name;
        p.description = description;
        change(p);
        profiles.push_back(p);
    };
    profiles.push_back(DefaultMachineProfile());
    variant("no-hal", "no hardware device: only the reference device", [](MachineProfile& p) {
        p.halAvailable = false;
    });
    variant("no-hw-vertex-processing", "a hardware device without hardware vertex processing",
            [](MachineProfile& p) { p.hardwareVertexProcessing = false; });
    variant("no-device", "a hardware device that every CreateDevice call fails on", [](MachineProfile& p) {
        p.hardwareVertexProcessing = false;
        p.halSoftwareVertexProcessing = false;
        p.referenceAvailable = false;
    });
    variant("lost-device", "the device is lost after 60 presents, then can be reset", [](MachineProfile& p) {
        p.loseDeviceAfterPresents = 60;
        p.lostTestCount = 3;
    });
    variant("reset-fails", "the device is lost after 60 presents and Reset fails", [](MachineProfile& p) {
        p.loseDeviceAfterPresents = 60;
        p.lostTestCount = 3;
        p.resetFails = true;
    });
    variant("pow2-only", "textures must be powers of two", [](MachineProfile& p) {
        p.caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
    });
    variant("square-only", "textures must be square", [](MachineProfile& p) {
        p.caps.TextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    });
    variant("no-mipmap", "no mip maps for any texture kind", [](MachineProfile& p) {
        p.caps.TextureCaps &= ~(D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP);
    });
    variant("nonpow2-conditional", "powers of two, except single-level textures of any size",
            [](MachineProfile& p) {
                p.caps.TextureCaps |= D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
            });
    variant("small-limits", "textures up to 256 x 256, aspect 4, volumes up to 32", [](MachineProfile& p) {
        p.caps.MaxTextureWidth = 256;
        p.caps.MaxTextureHeight = 256;
        p.caps.MaxTextureAspectRatio = 4;
        p.caps.MaxVolumeExtent = 32;
    });
    variant("no-dxt", "no block-compressed formats", [](MachineProfile& p) {
        std::erase_if(p.formats, [](const FormatSupport& f) {
            return f.format == D3DFMT_DXT1 || f.format == D3DFMT_DXT2 || f.format == D3DFMT_DXT3 ||
                   f.format == D3DFMT_DXT4 || f.format == D3DFMT_DXT5;
        });
    });
    variant("16-bit-display", "a R5G6B5 desktop, so back buffers are 16-bit", [](MachineProfile& p) {
        p.displayFormat = D3DFMT_R5G6B5;
    });
    return profiles;
}

bool FindMachineProfile(const std::string& name, MachineProfile* profile) {
    for (const MachineProfile& p : NamedMachineProfiles()) {
        if (p.name == name) {
            if (profile) *profile = p;
            return true;
        }
    }
    return false;
}

namespace {

struct ProfileState {
    MachineProfile profile = DefaultMachineProfile();
    bool chosen = false;  // by a test, or from the environment
};

ProfileState& State() {
    static ProfileState state;
    return state;
}

MachineProfile ProfileFromEnvironment() {
    const char* name = std::getenv("ORBIQUE_PROFILE");
    if (!name || !*name) return DefaultMachineProfile();
    MachineProfile profile;
    if (FindMachineProfile(name, &profile)) return profile;
    std::string known;
    for (const MachineProfile& p : NamedMachineProfiles()) known += (known.empty() ? "" : ", ") + p.name;
    std::fprintf(stderr, "ORBIQUE_PROFILE: no profile named \"%s\"; the profiles are: %s. Using \"default\".\n",
                 name, known.c_str());
    return DefaultMachineProfile();
}

std::atomic<long> liveObjects{0};

std::vector<runtime::SoftwareDevice*>& LiveDevices() {
    static std::vector<runtime::SoftwareDevice*> devices;
    return devices;
}

}  // namespace

void SetMachineProfile(const MachineProfile& profile) {
    State().profile = profile;
    State().chosen = true;
}

void ResetMachineProfile() {
    State().profile = ProfileFromEnvironment();
    State().chosen = true;
}

const MachineProfile& CurrentMachineProfile() { return State().profile; }

void SimulateDeviceLoss(UINT lostTests) {
    for (runtime::SoftwareDevice* device : LiveDevices()) device->MakeLost(lostTests);
}

UINT RuntimeLiveObjectCount() {
    long count = liveObjects.load();
    return count < 0 ? 0 : static_cast<UINT>(count);
}

namespace runtime {

void CountLiveObjects(int delta) { liveObjects += delta; }

void RegisterDevice(SoftwareDevice* device) { LiveDevices().push_back(device); }

void UnregisterDevice(SoftwareDevice* device) { std::erase(LiveDevices(), device); }

void ChooseProfileFromEnvironment() {
    if (State().chosen) return;
    State().profile = ProfileFromEnvironment();
    State().chosen = true;
}

}  // namespace runtime

namespace runtime {

bool ProfileSupportsFormat(const MachineProfile& profile, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    constexpr DWORD ALWAYS_ACCEPTED = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                      D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;
    if (format == D3DFMT_UNKNOWN || type > 31) return false;
    for (const FormatSupport& support : profile.formats) {
        if (support.format == format && (support.resourceTypes & RESOURCE_BIT(type)) &&
            (usage & ~(support.usages | ALWAYS_ACCEPTED)) == 0)
            return true;
    }
    return false;
}

bool IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 ||
           format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

}  // namespace runtime
