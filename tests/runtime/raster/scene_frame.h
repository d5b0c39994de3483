// The viewer's frame as data and calls, shared by the reference test and the frame
// benchmark: the tween cube's vertices and indices, its matrices, light, material and
// fixed render states, and the draw calls of one frame.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8.h"

namespace scene {

struct CubeVertex {
    float x, y, z;
    float u, v;
    float x2, y2, z2;
};

inline const CubeVertex VERTICES[14] = {
    {-1, 1, 1, 0.5f, 1.0f, -1, 1, 1},    {-1, -1, 1, 0.5f, 0.5f, -1, -1.5f, 1}, {1, -1, 1, 1.0f, 0.5f, 1, -1, 1},
    {1, 1, 1, 1.0f, 1.0f, 1, 1, 1},      {-1, 1, -1, 0.0f, 1.0f, -1, 1, -1},    {-1, -1, -1, 0.0f, 0.5f, -1, -1, -1},
    {1, -1, -1, 0.0f, 0.0f, 1, -1, -1},  {-1, 1, -1, 0.0f, 0.5f, -1, 1, -1},    {-1, -1, -1, 0.0f, 0.0f, -1, -1, -1},
    {1, -1, -1, 0.5f, 0.0f, 1, -1, -1},  {1, 1, -1, 0.5f, 0.5f, 1, 1.5f, -1},   {-1, 1, 1, 1.0f, 1.0f, -1, 1, 1},
    {1, -1, 1, 1.0f, 0.0f, 1, -1, 1},    {1, 1, 1, 1.0f, 0.5f, 1, 1, 1},
};
inline const std::uint16_t INDICES_A[18] = {0, 1, 2, 0, 2, 3, 4, 5, 1, 4, 1, 0, 1, 5, 6, 1, 6, 2};
inline const std::uint16_t INDICES_B[18] = {7, 8, 9, 7, 9, 10, 13, 12, 9, 13, 9, 10, 7, 11, 13, 7, 13, 10};
inline const DWORD DECLARATION[5] = {0x20000000, 0x40020000, 0x40010007, 0x4002000F, 0xFFFFFFFF};
constexpr D3DCOLOR AMBIENT = 0xE0E0E0E0;

inline D3DMATRIX Identity() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

inline D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// Left-handed orthographic projection of a 15 x 15 volume from z = -10 to 15.
inline D3DMATRIX Projection() {
    D3DMATRIX m = {};
    m._11 = m._22 = 2.0f / 15.0f;
    m._33 = 1.0f / 25.0f;
    m._43 = 10.0f / 25.0f;
    m._44 = 1.0f;
    return m;
}

// Left-handed look-at from (0, 1, -1) to (0, -1, 1) with (0, 1, 0) up, for row vectors.
inline D3DMATRIX View() {
    const float eye[3] = {0, 1, -1}, at[3] = {0, -1, 1}, up[3] = {0, 1, 0};
    auto normalize = [](float v[3]) {
        float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) v[i] /= l;
    };
    auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    normalize(z);
    float x[3];
    cross(up, z, x);
    normalize(x);
    float y[3];
    cross(z, x, y);
    D3DMATRIX m = Identity();
    for (int i = 0; i < 3; ++i) {
        m.m[i][0] = x[i];
        m.m[i][1] = y[i];
        m.m[i][2] = z[i];
    }
    auto dot = [](const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    m._41 = -dot(x, eye);
    m._42 = -dot(y, eye);
    m._43 = -dot(z, eye);
    return m;
}

// Ry(angle) x Rx(angle) x Rz(angle) for row vectors.
inline D3DMATRIX World(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX ry = Identity(), rx = Identity(), rz = Identity();
    ry._11 = c, ry._13 = -s, ry._31 = s, ry._33 = c;
    rx._22 = c, rx._23 = s, rx._32 = -s, rx._33 = c;
    rz._11 = c, rz._12 = s, rz._21 = -s, rz._22 = c;
    return Multiply(Multiply(ry, rx), rz);
}

inline DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The state the viewer sets once: render states, light 0 and the material.
inline void SetFixedState(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    light.Range = 1000.0f;
    device->LightEnable(0, TRUE);
    device->SetLight(0, &light);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, AMBIENT);
    D3DMATERIAL8 material = {};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    device->SetMaterial(&material);
    D3DMATRIX projection = Projection();
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

struct Resources {
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBufferA = nullptr;
    IDirect3DIndexBuffer8* indexBufferB = nullptr;
    IDirect3DTexture8* textureA = nullptr;
    IDirect3DTexture8* textureB = nullptr;

    void Release() {
        for (IUnknown* u : std::initializer_list<IUnknown*>{vertexBuffer, indexBufferA, indexBufferB, textureA, textureB})
            if (u) u->Release();
        *this = Resources{};
    }
};

// A 64 x 64 X8R8G8B8 texture whose texels all differ from their neighbours.
inline std::vector<std::uint32_t> TexturePattern(std::uint32_t seed) {
    std::vector<std::uint32_t> texels(64 * 64);
    for (std::uint32_t y = 0; y < 64; ++y)
        for (std::uint32_t x = 0; x < 64; ++x) {
            std::uint32_t r = (x * 4 + seed) & 0xFF, g = (y * 4) & 0xFF, b = ((x ^ y) * 8 + seed * 3) & 0xFF;
            texels[y * 64 + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    return texels;
}

inline HRESULT CreateResources(IDirect3DDevice8* device, Resources* r) {
    HRESULT hr;
    IDirect3DTexture8** textures[2] = {&r->textureA, &r->textureB};
    for (int t = 0; t < 2; ++t) {
        if (FAILED(hr = device->CreateTexture(64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, textures[t]))) return hr;
        D3DLOCKED_RECT locked;
        if (FAILED(hr = (*textures[t])->LockRect(0, &locked, nullptr, 0))) return hr;
        std::vector<std::uint32_t> texels = TexturePattern(t * 101);
        for (int y = 0; y < 64; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &texels[y * 64], 256);
        (*textures[t])->UnlockRect(0);
    }
    if (FAILED(hr = device->CreateVertexBuffer(448, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &r->vertexBuffer)))
        return hr;
    if (FAILED(hr = device->CreateIndexBuffer(36, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &r->indexBufferA)))
        return hr;
    if (FAILED(hr = device->CreateIndexBuffer(36, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &r->indexBufferB)))
        return hr;
    BYTE* data = nullptr;
    if (SUCCEEDED(r->vertexBuffer->Lock(0, 0, &data, 0))) {
        std::memcpy(data, VERTICES, sizeof VERTICES);
        r->vertexBuffer->Unlock();
    }
    if (SUCCEEDED(r->indexBufferA->Lock(0, 0, &data, 0))) {
        std::memcpy(data, INDICES_A, sizeof INDICES_A);
        r->indexBufferA->Unlock();
    }
    if (SUCCEEDED(r->indexBufferB->Lock(0, 0, &data, 0))) {
        std::memcpy(data, INDICES_B, sizeof INDICES_B);
        r->indexBufferB->Unlock();
    }
    return S_OK;
}

// One frame without Present: view and world, clear to blue, the scene's draw calls.
inline HRESULT DrawFrame(IDirect3DDevice8* device, const Resources& r, float angle, float tween) {
    D3DMATRIX view = View(), world = World(angle);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, &world);
    device->BeginScene();
    HRESULT hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = device->SetTexture(0, r.textureA))) return hr;
    if (FAILED(hr = device->SetStreamSource(0, r.vertexBuffer, sizeof(CubeVertex)))) return hr;
    if (FAILED(hr = device->SetIndices(r.indexBufferA, 0))) return hr;
    device->SetRenderState(D3DRS_TWEENFACTOR, FloatBits(tween));
    DWORD handle = 0;
    if (FAILED(hr = device->CreateVertexShader(DECLARATION, nullptr, &handle, 0))) return hr;
    if (FAILED(hr = device->SetVertexShader(handle))) return hr;
    if (FAILED(hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 14, 0, 6))) return hr;
    if (FAILED(hr = device->SetTexture(0, r.textureB))) return hr;
    if (FAILED(hr = device->SetIndices(r.indexBufferB, 0))) return hr;
    if (FAILED(hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 14, 0, 6))) return hr;
    device->SetStreamSource(0, nullptr, 0);
    device->DeleteVertexShader(handle);
    device->EndScene();
    return S_OK;
}

// A window for the device (off screen when there is no display), and the device on it.
inline HWND CreateSceneWindow(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrbiqueSceneFrame";
        registered = RegisterClassExA(&windowClass) != 0;
    }
    return CreateWindowExA(0, "OrbiqueSceneFrame", "scene frame", 0, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

inline HRESULT CreateSceneDevice(IDirect3D8* d3d, HWND window, UINT width, UINT height, IDirect3DDevice8** device) {
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                             device);
}

}  // namespace scene
