#include "texture_test_support.h"

namespace texture_test {

namespace {

LRESULT TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND TestWindow() {
    static HWND window = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = TestWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TextureTests";
        RegisterClassExA(&windowClass);
        return CreateWindowExA(0, "TextureTests", "texture tests", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                               nullptr, windowClass.hInstance, nullptr);
    }();
    return window;
}

TestDevice::TestDevice(const MachineProfile& profile) {
    SetMachineProfile(profile);
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
    if (d3d_ == nullptr) {
        ADD_FAILURE() << "Direct3DCreate8 gave no object";
        return;
    }
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 64;
    parameters.BackBufferFormat = profile.displayFormat;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = TestWindow();
    parameters.Windowed = TRUE;
    const HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, TestWindow(),
                                          D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_);
    if (FAILED(hr)) ADD_FAILURE() << "CreateDevice failed: " << std::hex << hr;
}

TestDevice::~TestDevice() {
    if (device_ != nullptr) device_->Release();
    if (d3d_ != nullptr) d3d_->Release();
    ResetMachineProfile();
}

}  // namespace texture_test
