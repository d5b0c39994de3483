// What the runtime's objects share: the count of live objects and the list of live
// devices that SimulateDeviceLoss reaches.
#pragma once

#include "platform/d3d8.h"

namespace runtime {

void CountLiveObjects(int delta);

// Base of every runtime object: alive from construction to destruction.
class CountedObject {
protected:
    CountedObject() { CountLiveObjects(1); }
    ~CountedObject() { CountLiveObjects(-1); }

public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
};

class SoftwareDevice;
void RegisterDevice(SoftwareDevice* device);
void UnregisterDevice(SoftwareDevice* device);

// Called by Direct3DCreate8: picks the profile ORBIQUE_PROFILE names, once, unless a test
// has set one already.
void ChooseProfileFromEnvironment();

}  // namespace runtime

struct MachineProfile;

namespace runtime {

// Whether the profile's format list accepts the format for these usages and this
// resource type. Usage bits that are no property of a format (WRITEONLY,
// SOFTWAREPROCESSING, DONOTCLIP, POINTS, RTPATCHES, NPATCHES) are always accepted.
bool ProfileSupportsFormat(const MachineProfile& profile, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

// The formats a back buffer (and so the display in windowed mode) may have.
bool IsBackBufferFormat(D3DFORMAT format);

}  // namespace runtime
