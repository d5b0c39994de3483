// The application object: it owns every Direct3D object of the viewer, sets the device up,
// draws the frames and rebuilds the device after a loss. Device and frame operations live
// in viewer_app.cpp, the tween-cube scene in scene.cpp.
#pragma once

#include <cstring>

#include "math/math_types.h"
#include "platform/d3d8.h"

struct ViewerApp {
    explicit ViewerApp(HWND window);
    ~ViewerApp();
    ViewerApp(const ViewerApp&) = delete;
    ViewerApp& operator=(const ViewerApp&) = delete;

    // Device set-up, fixed state, release and the frame.
    HRESULT SetUpDevice(HWND window);
    HRESULT SetFixedRenderStates();
    HRESULT SetUpLight();
    HRESULT SetUpMaterial();
    HRESULT ReleaseAll();
    HRESULT RenderFrame();

    // The scene's operations, called at fixed points of the set-up and of every frame.
    HRESULT CreateSceneResources();
    HRESULT FillSceneBuffers();
    void AdvanceTweenClock();
    void PrepareSceneFrame();
    HRESULT DrawScene();
    void UpdateWorldMatrix();

    // Every reference slot is null until its object exists, and null again once released.
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBufferA = nullptr;
    IDirect3DIndexBuffer8* indexBufferB = nullptr;
    IDirect3DTexture8* textureA = nullptr;
    IDirect3DTexture8* textureB = nullptr;
    D3DPRESENT_PARAMETERS presentParams = {};
    Mat4 world = {};
    Mat4 view = {};
    Mat4 projection = {};
    double lastStepTime = 0.0;
    double sinceLastStep = 0.0;
    void* vertexData = nullptr;
    void* indexDataA = nullptr;
    void* indexDataB = nullptr;
    int vertexCount = 0;
    int pairCountA = 0;
    int pairCountB = 0;
    int tweenIndex = 0;
    int ready = 0;
    HWND window = nullptr;

private:
    // The recovery of a device that can be reset; the frame's result.
    HRESULT RecoverDevice();
    // True when the device and all five scene resources exist, so the scene can be drawn.
    bool SceneResourcesComplete() const;
};

// The device takes matrices in its own record of the same sixteen floats.
inline D3DMATRIX ToD3DMatrix(const Mat4& matrix) {
    static_assert(sizeof(D3DMATRIX) == sizeof(Mat4));
    D3DMATRIX result;
    std::memcpy(&result, &matrix, sizeof result);
    return result;
}
