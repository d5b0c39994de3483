// The boundary inside the software runtime between the device (state, resources,
// presentation) and the drawing half (vertex and index buffers, vertex shader
// declarations, texture stages and the rasterizer). The device owns one DrawPipeline and
// forwards every drawing call of IDirect3DDevice8 to it unchanged; the pipeline asks the
// device for the state and storage it draws with through DeviceContext.
#pragma once

#include <memory>

#include "platform/d3d8.h"

// A view of one lockable level's pixel storage, valid while the resource lives.
struct StorageView {
    BYTE* bits = nullptr;
    UINT pitch = 0;       // bytes per row (for DXT: per block row)
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
};

// What the device offers the drawing half. Implemented by the runtime's device.
class DeviceContext {
public:
    virtual IDirect3DDevice8* Device() = 0;  // no reference is added
    virtual DWORD RenderState(D3DRENDERSTATETYPE state) const = 0;
    virtual const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const = 0;
    virtual const D3DVIEWPORT8& Viewport() const = 0;
    virtual const D3DMATERIAL8& Material() const = 0;
    // Lights in index order; `enabled` says whether LightEnable turned each on.
    virtual UINT LightCount() const = 0;
    virtual const D3DLIGHT8& Light(UINT index, BOOL* enabled) const = 0;
    // The current render target and depth buffer (bits null when there is none).
    virtual StorageView RenderTarget() = 0;
    virtual StorageView DepthBuffer() = 0;
    // The storage of one level (level 0 is the top) of a texture made by this device's
    // runtime; false for any other object.
    virtual bool TextureLevel(IDirect3DBaseTexture8* texture, UINT level, StorageView* view) = 0;
    // Counts the pipeline's objects: +1 when one is created, -1 when it is destroyed, so
    // that RuntimeLiveObjectCount covers them; `defaultPool` marks D3DPOOL_DEFAULT
    // resources, which keep Reset from succeeding while they live.
    virtual void CountObject(int delta, bool defaultPool) = 0;

protected:
    ~DeviceContext() = default;
};

class DrawPipeline {
public:
    virtual ~DrawPipeline() = default;

    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8** buffer) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer8** buffer) = 0;
    virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) = 0;
    virtual HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                                       DWORD usage) = 0;
    virtual HRESULT SetVertexShader(DWORD handle) = 0;
    virtual HRESULT GetVertexShader(DWORD* handle) = 0;
    virtual HRESULT DeleteVertexShader(DWORD handle) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices,
                                         UINT startIndex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                    const void* vertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                           UINT numVertexIndices, UINT primitiveCount, const void* indexData,
                                           D3DFORMAT indexDataFormat, const void* vertexStreamZeroData,
                                           UINT vertexStreamZeroStride) = 0;
    // Drops every reference the pipeline holds (stream sources, indices, textures); the
    // device calls it when it is released for the last time and before a Reset.
    virtual void ReleaseBindings() = 0;
};

std::unique_ptr<DrawPipeline> MakeDrawPipeline(DeviceContext& context);
