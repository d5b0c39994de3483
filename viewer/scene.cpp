// The tween-cube scene: its resources, its buffers, the tween clock, the turning world
// matrix and the draw calls of each frame.
#include "viewer/scene.h"

#include <cstring>

#include "math/matrix.h"
#include "texture/texture_loader.h"
#include "viewer/viewer_app.h"

// The cube of side 2 about the origin. Vertices 1 and 10 are the two corners that move out
// by half a unit as the tween factor rises.
const CubeVertex CubeVertices[CUBE_VERTEX_COUNT] = {
    {-1, 1, 1, 0.5f, 1.0f, -1, 1, 1},     {-1, -1, 1, 0.5f, 0.5f, -1, -1.5f, 1},
    {1, -1, 1, 1.0f, 0.5f, 1, -1, 1},     {1, 1, 1, 1.0f, 1.0f, 1, 1, 1},
    {-1, 1, -1, 0.0f, 1.0f, -1, 1, -1},   {-1, -1, -1, 0.0f, 0.5f, -1, -1, -1},
    {1, -1, -1, 0.0f, 0.0f, 1, -1, -1},   {-1, 1, -1, 0.0f, 0.5f, -1, 1, -1},
    {-1, -1, -1, 0.0f, 0.0f, -1, -1, -1}, {1, -1, -1, 0.5f, 0.0f, 1, -1, -1},
    {1, 1, -1, 0.5f, 0.5f, 1, 1.5f, -1},  {-1, 1, 1, 1.0f, 1.0f, -1, 1, 1},
    {1, -1, 1, 1.0f, 0.0f, 1, -1, 1},     {1, 1, 1, 1.0f, 0.5f, 1, 1, 1},
};

const WORD CubeIndicesA[CUBE_HALF_INDEX_COUNT] = {
    0, 1, 2, 0, 2, 3,  // z = 1
    4, 5, 1, 4, 1, 0,  // x = -1
    1, 5, 6, 1, 6, 2,  // y = -1
};

const WORD CubeIndicesB[CUBE_HALF_INDEX_COUNT] = {
    7,  8,  9, 7,  9, 10,  // z = -1
    13, 12, 9, 13, 9, 10,  // x = 1
    7,  11, 13, 7, 13, 10,  // y = 1
};

const float TweenFactors[TWEEN_STEP_COUNT] = {
    0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f,
    1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f,
};

float angleA = 0.0f;
float angleB = 0.0f;
float angleC = 0.0f;

namespace {

constexpr UINT CUBE_VERTEX_STRIDE = sizeof(CubeVertex);
constexpr float ANGLE_STEP = 0.001f;
constexpr float FULL_TURN = 6.2831852f;
constexpr double CLOCK_PERIOD = 4294967296.0;  // timeGetTime wraps at 32 bits

// One step of a rotation angle: a full turn wraps it to exactly 0.
void StepAngle(float& angle) {
    const float sum = angle + ANGLE_STEP;
    angle = sum > FULL_TURN ? 0.0f : sum;
}

// Locks the whole buffer, copies `bytes` into it and unlocks; a failed lock leaves it unwritten.
template <typename Buffer>
void FillBuffer(Buffer* buffer, void*& lockedData, const void* source, std::size_t bytes) {
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0))) return;
    lockedData = data;
    std::memcpy(data, source, bytes);
    buffer->Unlock();
}

}  // namespace

HRESULT ViewerApp::CreateSceneResources() {
    HRESULT result = LoadTextureFile(device, "env1.tga", &textureA);
    if (FAILED(result)) return result;
    result = LoadTextureFile(device, "env3.tga", &textureB);
    if (FAILED(result)) return result;

    vertexCount = CUBE_VERTEX_COUNT;
    pairCountA = 3;
    pairCountB = 3;

    result = device->CreateVertexBuffer(sizeof CubeVertices, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vertexBuffer);
    if (FAILED(result)) return result;
    result = device->CreateIndexBuffer(sizeof CubeIndicesA, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       &indexBufferA);
    if (FAILED(result)) return result;
    return device->CreateIndexBuffer(sizeof CubeIndicesB, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                     &indexBufferB);
}

HRESULT ViewerApp::FillSceneBuffers() {
    // After a failed set-up some of these may be missing; nothing missing is touched.
    if (!ready || device == nullptr || vertexBuffer == nullptr || indexBufferA == nullptr ||
        indexBufferB == nullptr)
        return E_FAIL;
    FillBuffer(vertexBuffer, vertexData, CubeVertices, sizeof CubeVertices);
    FillBuffer(indexBufferA, indexDataA, CubeIndicesA, sizeof CubeIndicesA);
    FillBuffer(indexBufferB, indexDataB, CubeIndicesB, sizeof CubeIndicesB);
    UpdateWorldMatrix();
    return S_OK;
}

void ViewerApp::AdvanceTweenClock() {
    const double now = static_cast<double>(timeGetTime());
    sinceLastStep = now - lastStepTime;
    // Every reading comes from the same 32-bit clock, so a negative gap means it wrapped.
    if (sinceLastStep < 0.0) sinceLastStep += CLOCK_PERIOD;
    if (sinceLastStep >= TWEEN_STEP_MILLISECONDS) {
        tweenIndex = (tweenIndex + 1) % TWEEN_STEP_COUNT;
        lastStepTime = static_cast<double>(timeGetTime());
    }
}

void ViewerApp::PrepareSceneFrame() {
    const Vec3 eye = {0.0f, 1.0f, -1.0f};
    const Vec3 at = {0.0f, -1.0f, 1.0f};
    const Vec3 up = {0.0f, 1.0f, 0.0f};
    MakeLookAtLeftMat4(&view, &eye, &at, &up);
    const D3DMATRIX viewMatrix = ToD3DMatrix(view);
    device->SetTransform(D3DTS_VIEW, &viewMatrix);
    UpdateWorldMatrix();
}

void ViewerApp::UpdateWorldMatrix() {
    Mat4 local, step;
    MakeIdentityMat4(&world);
    MakeIdentityMat4(&local);

    StepAngle(angleA);
    StepAngle(angleB);
    StepAngle(angleC);

    MultiplyMat4(&local, &local, MakeScalingMat4(&step, 1.0f, 1.0f, 1.0f));
    MultiplyMat4(&local, &local, MakeTranslationMat4(&step, 0.0f, 0.0f, 0.0f));
    MultiplyMat4(&local, &local, MakeRotationYMat4(&step, angleA));
    MultiplyMat4(&local, &local, MakeRotationXMat4(&step, angleB));
    MultiplyMat4(&local, &local, MakeRotationZMat4(&step, angleC));
    MultiplyMat4(&world, &local, &world);

    if (device == nullptr) return;
    const D3DMATRIX worldMatrix = ToD3DMatrix(world);
    device->SetTransform(D3DTS_WORLD, &worldMatrix);
}

HRESULT ViewerApp::DrawScene() {
    if (!SceneResourcesComplete()) return E_FAIL;

    HRESULT result = device->SetTexture(0, textureA);
    if (FAILED(result)) return result;
    result = device->SetStreamSource(0, vertexBuffer, CUBE_VERTEX_STRIDE);
    if (FAILED(result)) return result;
    result = device->SetIndices(indexBufferA, 0);
    if (FAILED(result)) return result;

    DWORD factorBits;
    static_assert(sizeof factorBits == sizeof(float));
    std::memcpy(&factorBits, &TweenFactors[tweenIndex], sizeof factorBits);
    device->SetRenderState(D3DRS_TWEENFACTOR, factorBits);

    DWORD shader = 0;
    result = device->CreateVertexShader(CubeVertexDeclaration, nullptr, &shader, 0);
    if (FAILED(result)) return result;

    // From here on every exit unbinds the stream and deletes the shader, so that no
    // handle is left behind when a call fails.
    auto finish = [&](HRESULT outcome) {
        device->SetStreamSource(0, nullptr, 0);
        device->DeleteVertexShader(shader);
        return outcome;
    };

    result = device->SetVertexShader(shader);
    if (FAILED(result)) return finish(result);
    result = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, 2 * pairCountA);
    if (FAILED(result)) return finish(result);
    result = device->SetTexture(0, textureB);
    if (FAILED(result)) return finish(result);
    result = device->SetIndices(indexBufferB, 0);
    if (FAILED(result)) return finish(result);
    result = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, 2 * pairCountB);
    return finish(FAILED(result) ? result : S_OK);
}
