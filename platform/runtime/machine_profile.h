// The machine the software runtime emulates: which devices exist, what they can do, which
// formats they accept, and the faults to inject. Tests set a profile with
// SetMachineProfile; a person running the viewer names one in the ORBIQUE_PROFILE
// environment variable (read at the first Direct3DCreate8 unless a test has set one).
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8.h"

// One format the device accepts: for which usages (any combination of these bits may be
// asked for) and which resource types (bit 1 << D3DRTYPE_x).
struct FormatSupport {
    D3DFORMAT format;
    DWORD usages;
    DWORD resourceTypes;
};

constexpr DWORD RESOURCE_BIT(D3DRESOURCETYPE type) { return 1u << type; }
constexpr DWORD ALL_TEXTURE_TYPES =
    RESOURCE_BIT(D3DRTYPE_SURFACE) | RESOURCE_BIT(D3DRTYPE_VOLUME) | RESOURCE_BIT(D3DRTYPE_TEXTURE) |
    RESOURCE_BIT(D3DRTYPE_VOLUMETEXTURE) | RESOURCE_BIT(D3DRTYPE_CUBETEXTURE);

struct MachineProfile {
    std::string name;
    std::string description;

    // Devices.
    bool halAvailable = true;              // CheckDeviceType(HAL) succeeds
    bool hardwareVertexProcessing = true;  // HAL with D3DCREATE_HARDWARE_VERTEXPROCESSING works
    bool halSoftwareVertexProcessing = true;  // HAL with software vertex processing works
    bool referenceAvailable = true;        // CreateDevice(REF) works

    // The display.
    UINT displayWidth = 1280;
    UINT displayHeight = 1024;
    UINT refreshRate = 75;
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;

    // Caps reported for both device types (DeviceType and AdapterOrdinal are filled in).
    D3DCAPS8 caps = {};

    // Formats CheckDeviceFormat accepts, and so the formats resources can be created in.
    std::vector<FormatSupport> formats;

    // Faults. After this many Presents (0: never) the device is lost; TestCooperativeLevel
    // then answers D3DERR_DEVICELOST `lostTestCount` times, then D3DERR_DEVICENOTRESET until
    // a Reset succeeds.
    UINT loseDeviceAfterPresents = 0;
    UINT lostTestCount = 3;
    bool resetFails = false;
};

// The capable card of 2001 that the runtime emulates unless told otherwise.
MachineProfile DefaultMachineProfile();
// The named profiles, the default ("default") first.
std::vector<MachineProfile> NamedMachineProfiles();
// The named profile, or false when there is none of that name.
bool FindMachineProfile(const std::string& name, MachineProfile* profile);

// Makes `profile` the machine for devices created from now on, and for the checks of
// existing Direct3D objects.
void SetMachineProfile(const MachineProfile& profile);
// Back to the default profile (or the one ORBIQUE_PROFILE names).
void ResetMachineProfile();
const MachineProfile& CurrentMachineProfile();

// Makes every live device lost now: TestCooperativeLevel answers D3DERR_DEVICELOST
// `lostTests` times, then D3DERR_DEVICENOTRESET until a Reset succeeds.
void SimulateDeviceLoss(UINT lostTests);

// How many runtime objects (Direct3D objects, devices, resources, surfaces, volumes,
// buffers) are alive in the process.
UINT RuntimeLiveObjectCount();
