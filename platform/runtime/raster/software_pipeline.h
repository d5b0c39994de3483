// The drawing half of the runtime: the pipeline object the device forwards its drawing
// calls to. State calls live in draw_pipeline.cpp, the draws in draw_calls.cpp.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/raster/clipping.h"
#include "platform/runtime/raster/pixel_loop.h"
#include "platform/runtime/raster/texture_stages.h"
#include "platform/runtime/raster/vertex_processing.h"

// Everything a draw decides once before its first triangle.
struct DrawSetup {
    ClipBounds bounds;
    ViewportMapping mapping;
    ScissorRect scissor;
    DWORD cullMode;
    bool flat;
    bool pretransformed;
    DepthMode depthMode;
    TargetKind targetKind;
    int attrCount;
    TriangleRasterizer rasterizer;
    PixelContext pixels;
};

class SoftwarePipeline final : public DrawPipeline {
public:
    explicit SoftwarePipeline(DeviceContext& context) : context_(context) {}
    ~SoftwarePipeline() override;

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) override;
    HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) override;
    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle, DWORD usage) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT DeleteVertexShader(DWORD handle) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexStreamZeroData,
                            UINT vertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertexIndices,
                                   UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                   const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override;
    void ReleaseBindings() override;

private:
    struct Stream {
        IDirect3DVertexBuffer8* buffer = nullptr;
        UINT stride = 0;
    };
    // Where a draw's vertices come from: per stream, the bytes and their size (or no
    // size for caller memory), and the stride.
    struct StreamView {
        const BYTE* bytes = nullptr;
        UINT stride = 0;
        std::uint64_t size = 0;
        bool sized = false;
    };
    // The indices of a draw: none (consecutive vertices), or 16- or 32-bit values.
    struct IndexView {
        const BYTE* bytes = nullptr;
        bool wide = false;
        UINT base = 0;  // added to every index
    };

    const VertexLayout* CurrentLayout() const;
    void SetStream(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    void SetIndexBuffer(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex);
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const StreamView* streams, UINT firstVertex,
                 UINT vertexCount, const IndexView& indices, UINT firstElement);
    HRESULT PrepareDraw(const VertexLayout& layout, DrawSetup* setup);
    void ChooseShading(UINT vertexCount, DrawSetup* setup);
    void DrawTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const unsigned* outcodes,
                      const DrawSetup& setup);

    DeviceContext& context_;
    Stream streams_[STREAM_COUNT];
    IDirect3DIndexBuffer8* indices_ = nullptr;
    UINT baseVertexIndex_ = 0;
    std::vector<std::unique_ptr<VertexLayout>> declarations_;  // slot per handle; null once deleted
    DWORD currentShader_ = 0;
    VertexLayout fvfLayout_;  // the layout of currentShader_ when it is an FVF code
    IDirect3DBaseTexture8* textures_[TEXTURE_STAGE_COUNT] = {};
    TextureStageStates stageStates_;

    // Reused from draw to draw.
    VertexProcessingState vertexState_;
    std::vector<ClipVertex> vertices_;
    std::vector<unsigned> outcodes_;
    std::vector<std::uint32_t> texelStorage_[TEXTURE_STAGE_COUNT];
    std::vector<UINT> elementScratch_;
};
