// The Direct3D object: one adapter, its display mode, device and format checks, and
// device creation, all answered from the current machine profile.
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/runtime/device.h"
#include "platform/runtime/machine_profile.h"
#include "platform/runtime/pixel_layout.h"
#include "platform/runtime/runtime_internal.h"
#include "platform/win32/window_surface.h"

namespace runtime {

namespace {

// The display modes offered in full screen: the common sizes up to the desktop's.
std::vector<D3DDISPLAYMODE> DisplayModes(const MachineProfile& profile) {
    static const UINT SIZES[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
    std::vector<D3DDISPLAYMODE> modes;
    for (const auto& size : SIZES)
        if (size[0] <= profile.displayWidth && size[1] <= profile.displayHeight &&
            !(size[0] == profile.displayWidth && size[1] == profile.displayHeight))
            modes.push_back({size[0], size[1], profile.refreshRate, profile.displayFormat});
    modes.push_back({profile.displayWidth, profile.displayHeight, profile.refreshRate, profile.displayFormat});
    return modes;
}

bool IsDeviceType(D3DDEVTYPE type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }

// Whether the profile has the device type at all.
HRESULT CheckDeviceExists(const MachineProfile& profile, D3DDEVTYPE type) {
    if (!IsDeviceType(type)) return D3DERR_INVALIDCALL;
    if (type == D3DDEVTYPE_HAL && !profile.halAvailable) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

class Direct3D final : public IDirect3D8, CountedObject {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirect3D8) {
            AddRef();
            *object = static_cast<IDirect3D8*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        if (references_ == 0) return 0;
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT RegisterSoftwareDevice(void* initializeFunction) override { return D3DERR_INVALIDCALL; }
    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) override {
        if (adapter != D3DADAPTER_DEFAULT || !identifier) return D3DERR_INVALIDCALL;
        std::memset(identifier, 0, sizeof *identifier);
        const MachineProfile& profile = CurrentMachineProfile();
        std::snprintf(identifier->Driver, sizeof identifier->Driver, "orbique_runtime");
        std::snprintf(identifier->Description, sizeof identifier->Description, "Orbique software rasterizer (%s)",
                      profile.name.c_str());
        identifier->DriverVersionHighPart = 0x00040008;
        identifier->DriverVersionLowPart = 0x00010000;
        identifier->WHQLLevel = 0;
        return D3D_OK;
    }

    UINT GetAdapterModeCount(UINT adapter) override {
        if (adapter != D3DADAPTER_DEFAULT) return 0;
        return static_cast<UINT>(DisplayModes(CurrentMachineProfile()).size());
    }

    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override {
        if (adapter != D3DADAPTER_DEFAULT || !displayMode) return D3DERR_INVALIDCALL;
        std::vector<D3DDISPLAYMODE> modes = DisplayModes(CurrentMachineProfile());
        if (mode >= modes.size()) return D3DERR_INVALIDCALL;
        *displayMode = modes[mode];
        return D3D_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (adapter != D3DADAPTER_DEFAULT || !displayMode) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        *displayMode = {profile.displayWidth, profile.displayHeight, profile.refreshRate, profile.displayFormat};
        return D3D_OK;
    }

    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        HRESULT hr = CheckDeviceExists(profile, checkType);
        if (FAILED(hr)) return hr;
        if (!IsBackBufferFormat(displayFormat) || !IsBackBufferFormat(backBufferFormat)) return D3DERR_NOTAVAILABLE;
        // Windowed, the device draws for the desktop as it is.
        if (windowed && displayFormat != profile.displayFormat) return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        HRESULT hr = CheckDeviceExists(profile, deviceType);
        if (FAILED(hr)) return hr;
        if (!IsBackBufferFormat(adapterFormat)) return D3DERR_INVALIDCALL;
        return ProfileSupportsFormat(profile, usage, resourceType, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE multiSampleType) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        HRESULT hr = CheckDeviceExists(CurrentMachineProfile(), deviceType);
        if (FAILED(hr)) return hr;
        return multiSampleType == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        HRESULT hr = CheckDeviceExists(profile, deviceType);
        if (FAILED(hr)) return hr;
        // Any depth buffer works with any render target.
        if (!ProfileSupportsFormat(profile, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, renderTargetFormat) ||
            !ProfileSupportsFormat(profile, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depthStencilFormat))
            return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) override {
        if (adapter != D3DADAPTER_DEFAULT || !caps) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        HRESULT hr = CheckDeviceExists(profile, deviceType);
        if (FAILED(hr)) return hr;
        *caps = profile.caps;
        caps->DeviceType = deviceType;
        caps->AdapterOrdinal = D3DADAPTER_DEFAULT;
        return D3D_OK;
    }

    HMONITOR GetAdapterMonitor(UINT adapter) override {
        return adapter == D3DADAPTER_DEFAULT ? reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(1)) : nullptr;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DDevice8** returnedDevice) override {
        if (!returnedDevice) return D3DERR_INVALIDCALL;
        *returnedDevice = nullptr;
        if (adapter != D3DADAPTER_DEFAULT || !presentationParameters) return D3DERR_INVALIDCALL;
        const MachineProfile& profile = CurrentMachineProfile();
        HRESULT hr = CheckDeviceExists(profile, deviceType);
        if (FAILED(hr)) return hr;
        // Exactly one kind of vertex processing.
        const DWORD processing = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                  D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
            processing != D3DCREATE_MIXED_VERTEXPROCESSING)
            return D3DERR_INVALIDCALL;
        if ((behaviorFlags & D3DCREATE_PUREDEVICE) && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING)
            return D3DERR_INVALIDCALL;
        if (deviceType == D3DDEVTYPE_REF) {
            if (!profile.referenceAvailable) return D3DERR_NOTAVAILABLE;
        } else if (processing == D3DCREATE_SOFTWARE_VERTEXPROCESSING) {
            if (!profile.halSoftwareVertexProcessing) return D3DERR_NOTAVAILABLE;
        } else if (!profile.hardwareVertexProcessing) {
            // The caps lack hardware transform and lighting: the request is invalid.
            return D3DERR_INVALIDCALL;
        }
        D3DPRESENT_PARAMETERS resolved;
        hr = ResolvePresentParameters(profile, focusWindow, *presentationParameters, &resolved);
        if (FAILED(hr)) return hr;
        try {
            *returnedDevice = new SoftwareDevice(this, profile, deviceType, focusWindow, behaviorFlags, resolved);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return D3D_OK;
    }

private:
    ~Direct3D() = default;
    ULONG references_ = 1;
};

}  // namespace

}  // namespace runtime

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    runtime::ChooseProfileFromEnvironment();
    LoadRetailRuntimeModule();
    return new runtime::Direct3D();
}
