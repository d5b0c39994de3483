// The fixture of the runtime's tests: the default machine, a window without a frame (so
// its client area is the size asked for), a Direct3D object, and the check that every
// runtime object is gone when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d8.h"
#include "platform/runtime/machine_profile.h"
#include "platform/windows_api.h"

class RuntimeTest : public testing::Test {
protected:
    static constexpr int WINDOW_WIDTH = 64;
    static constexpr int WINDOW_HEIGHT = 48;

    void SetUp() override {
        SetMachineProfile(DefaultMachineProfile());
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "OrbiqueRuntimeTest";
            ASSERT_NE(RegisterClassExA(&windowClass), 0);
            registered = true;
        }
        window = CreateWindowExA(0, "OrbiqueRuntimeTest", "runtime test", 0, 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
    }

    void TearDown() override {
        if (device) EXPECT_EQ(device->Release(), 0u);
        if (d3d) EXPECT_EQ(d3d->Release(), 0u);
        device = nullptr;
        d3d = nullptr;
        if (window) DestroyWindow(window);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        EXPECT_EQ(RuntimeLiveObjectCount(), 0u);
        SetMachineProfile(DefaultMachineProfile());
    }

    // The viewer's presentation parameters: windowed, the display format, a D16 buffer.
    D3DPRESENT_PARAMETERS ViewerParams() const {
        D3DPRESENT_PARAMETERS params{};
        params.Windowed = TRUE;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.BackBufferFormat = CurrentMachineProfile().displayFormat;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D16;
        return params;
    }

    HRESULT MakeDevice(D3DDEVTYPE type, DWORD flags, D3DPRESENT_PARAMETERS params) {
        return d3d->CreateDevice(D3DADAPTER_DEFAULT, type, window, flags, &params, &device);
    }

    // A HAL device with hardware vertex processing on the viewer's parameters.
    void MakeDefaultDevice(D3DPRESENT_PARAMETERS params) {
        ASSERT_EQ(MakeDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, params), D3D_OK);
        ASSERT_NE(device, nullptr);
    }
    void MakeDefaultDevice() { MakeDefaultDevice(ViewerParams()); }

    // The bytes of a locked rectangle of a surface, row by row.
    static std::vector<BYTE> ReadRows(IDirect3DSurface8* surface, UINT rowBytes, UINT rows) {
        std::vector<BYTE> bytes;
        D3DLOCKED_RECT locked{};
        if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return bytes;
        for (UINT y = 0; y < rows; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch;
            bytes.insert(bytes.end(), row, row + rowBytes);
        }
        surface->UnlockRect();
        return bytes;
    }

    HWND window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};
