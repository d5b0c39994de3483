// Device set-up with its fall-backs, the fixed state, the release of every object, the
// frame and the recovery of a lost device.
#include "viewer/viewer_app.h"

#include "math/matrix.h"

namespace {

constexpr D3DCOLOR CLEAR_COLOR = 0xFF0000FF;  // opaque blue
constexpr DWORD AMBIENT_LIGHT = 0xE0E0E0E0;

template <typename Interface>
void ReleaseSlot(Interface*& slot) {
    if (slot != nullptr) {
        slot->Release();
        slot = nullptr;
    }
}

}  // namespace

ViewerApp::ViewerApp(HWND window) : ready(1), window(window) {
    // Failures are reported by the set-up itself (message boxes, WM_DESTROY); what was not
    // created stays null and is never touched.
    SetUpDevice(this->window);
    FillSceneBuffers();
}

ViewerApp::~ViewerApp() { ReleaseAll(); }

HRESULT ViewerApp::SetUpDevice(HWND window) {
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (d3d == nullptr) return E_FAIL;

    D3DDISPLAYMODE mode = {};
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return E_FAIL;

    presentParams = {};
    presentParams.Windowed = TRUE;
    presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParams.BackBufferFormat = mode.Format;
    presentParams.EnableAutoDepthStencil = TRUE;
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;

    auto createDevice = [&](D3DDEVTYPE type, DWORD vertexProcessing) {
        IDirect3DDevice8* created = nullptr;
        const HRESULT result =
            d3d->CreateDevice(D3DADAPTER_DEFAULT, type, window, vertexProcessing, &presentParams, &created);
        if (SUCCEEDED(result)) device = created;
        return result;
    };

    if (FAILED(d3d->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, mode.Format, TRUE))) {
        MessageBoxA(window, "Trying Software Rasterizer", "HAL Not Available", MB_OK);
        const HRESULT result = createDevice(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        if (FAILED(result)) return result;
    } else if (FAILED(createDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING))) {
        MessageBoxA(window, "Trying SW Vertex Processing", "HW Vertex Processing Not Available", MB_OK);
        const HRESULT result = createDevice(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        if (FAILED(result)) {
            MessageBoxA(window, "Could not create D3D Device, Giving up---", "Video Initialization Failed", MB_OK);
            PostMessageA(window, WM_DESTROY, 0, 0);
            ready = 0;
            return result;
        }
    }

    MakeOrthoLeftMat4(&projection, 15.0f, 15.0f, -10.0f, 15.0f);
    const D3DMATRIX projectionMatrix = ToD3DMatrix(projection);
    device->SetTransform(D3DTS_PROJECTION, &projectionMatrix);

    SetFixedRenderStates();
    SetUpLight();
    SetUpMaterial();

    const HRESULT sceneResult = CreateSceneResources();
    if (FAILED(sceneResult)) return sceneResult;

    lastStepTime = static_cast<double>(timeGetTime());
    return S_OK;
}

HRESULT ViewerApp::SetFixedRenderStates() {
    if (device == nullptr) return E_FAIL;
    tweenIndex = 0;
    static constexpr struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } FIXED_STATES[] = {
        {D3DRS_SPECULARENABLE, TRUE},          {D3DRS_ZENABLE, TRUE},
        {D3DRS_DITHERENABLE, TRUE},            {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    };
    for (const auto& fixed : FIXED_STATES) {
        const HRESULT result = device->SetRenderState(fixed.state, fixed.value);
        if (FAILED(result)) return result;
    }
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
    return S_OK;
}

HRESULT ViewerApp::SetUpLight() {
    if (device == nullptr) return E_FAIL;
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    const Vec3 towardScene = {0.0f, 0.0f, 1.0f};
    Vec3 direction;
    NormalizeVec3(&direction, &towardScene);
    light.Direction = {direction.x, direction.y, direction.z};
    light.Range = 1000.0f;

    // Enabled first, then given its values.
    device->LightEnable(0, TRUE);
    device->SetLight(0, &light);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, AMBIENT_LIGHT);
    return S_OK;
}

HRESULT ViewerApp::SetUpMaterial() {
    if (device == nullptr) return E_FAIL;
    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    return S_OK;
}

HRESULT ViewerApp::ReleaseAll() {
    ReleaseSlot(textureA);
    ReleaseSlot(textureB);
    ReleaseSlot(vertexBuffer);
    ReleaseSlot(indexBufferA);
    ReleaseSlot(indexBufferB);
    ReleaseSlot(device);
    ReleaseSlot(d3d);
    return S_OK;
}

bool ViewerApp::SceneResourcesComplete() const {
    return device != nullptr && vertexBuffer != nullptr && indexBufferA != nullptr && indexBufferB != nullptr &&
           textureA != nullptr && textureB != nullptr;
}

HRESULT ViewerApp::RenderFrame() {
    AdvanceTweenClock();

    // Without a device (its creation failed, or a restore gave up) there is nothing to
    // test or draw with.
    if (device == nullptr) return E_FAIL;

    const HRESULT cooperative = device->TestCooperativeLevel();
    if (cooperative == D3DERR_DEVICELOST) return S_OK;  // try again next frame
    if (cooperative == D3DERR_DEVICENOTRESET) return RecoverDevice();
    if (FAILED(cooperative)) return cooperative;

    PrepareSceneFrame();
    device->BeginScene();
    const HRESULT cleared =
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, CLEAR_COLOR, 1.0f, 0);
    if (FAILED(cleared)) return cleared;

    // A set-up that ended before every scene resource existed still shows the background.
    if (SceneResourcesComplete()) {
        const HRESULT drawn = DrawScene();
        if (FAILED(drawn)) return drawn;
    }

    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

HRESULT ViewerApp::RecoverDevice() {
    ready = 0;

    // Restore the device while this object still holds it, then give up everything: the
    // set-up below builds a new Direct3D object and device in any case.
    const HRESULT restored = device->Reset(&presentParams);
    ReleaseAll();
    if (FAILED(restored)) {
        MessageBoxA(window, "Could not restore D3D Device!", "Video Lost!", MB_OK);
        ready = 0;
        PostMessageA(window, WM_DESTROY, 0, 0);
        return D3DERR_DEVICENOTRESET;
    }

    if (FAILED(SetUpDevice(window))) return D3DERR_DEVICENOTRESET;

    ready = 1;
    FillSceneBuffers();
    return S_OK;
}
