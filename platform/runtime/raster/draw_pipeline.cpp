// The pipeline's state calls: buffers, streams, indices, vertex shader declarations,
// textures and texture stage states.
#include "platform/runtime/raster/software_pipeline.h"

#include "platform/runtime/raster/buffer_resources.h"

namespace {

// Declaration handles are odd, FVF codes even (their bit 0 is reserved), so one DWORD
// names either.
DWORD HandleForSlot(size_t slot) { return static_cast<DWORD>((slot + 1) << 1) | 1u; }
bool IsDeclarationHandle(DWORD handle) { return (handle & 1u) != 0; }
size_t SlotForHandle(DWORD handle) { return (handle >> 1) - 1; }

}  // namespace

SoftwarePipeline::~SoftwarePipeline() { ReleaseBindings(); }

HRESULT SoftwarePipeline::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8** buffer) {
    return CreateVertexBufferResource(context_, length, usage, fvf, pool, buffer);
}

HRESULT SoftwarePipeline::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer8** buffer) {
    return CreateIndexBufferResource(context_, length, usage, format, pool, buffer);
}

void SoftwarePipeline::SetStream(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    // Take the new reference before giving up the old one: they may be the same buffer.
    if (buffer) buffer->AddRef();
    IDirect3DVertexBuffer8* old = streams_[stream].buffer;
    streams_[stream].buffer = buffer;
    streams_[stream].stride = stride;
    if (old) old->Release();
}

void SoftwarePipeline::SetIndexBuffer(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) {
    if (buffer) buffer->AddRef();
    IDirect3DIndexBuffer8* old = indices_;
    indices_ = buffer;
    baseVertexIndex_ = baseVertexIndex;
    if (old) old->Release();
}

HRESULT SoftwarePipeline::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) {
    if (streamNumber >= STREAM_COUNT) return D3DERR_INVALIDCALL;
    if (streamData && !VertexBufferStorage(streamData)) return D3DERR_INVALIDCALL;
    SetStream(streamNumber, streamData, stride);
    return S_OK;
}

HRESULT SoftwarePipeline::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) {
    if (streamNumber >= STREAM_COUNT || !streamData || !stride) return D3DERR_INVALIDCALL;
    *streamData = streams_[streamNumber].buffer;
    *stride = streams_[streamNumber].stride;
    if (*streamData) (*streamData)->AddRef();
    return S_OK;
}

HRESULT SoftwarePipeline::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
    if (indexData && !IndexBufferStorage(indexData)) return D3DERR_INVALIDCALL;
    SetIndexBuffer(indexData, baseVertexIndex);
    return S_OK;
}

HRESULT SoftwarePipeline::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) {
    if (!indexData || !baseVertexIndex) return D3DERR_INVALIDCALL;
    *indexData = indices_;
    *baseVertexIndex = baseVertexIndex_;
    if (indices_) indices_->AddRef();
    return S_OK;
}

HRESULT SoftwarePipeline::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                                             DWORD) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = 0;
    // Only the fixed-function pipeline exists: a shader program cannot be run.
    if (!declaration || function) return D3DERR_INVALIDCALL;
    auto layout = std::make_unique<VertexLayout>();
    if (!ParseVertexDeclaration(declaration, layout.get())) return D3DERR_INVALIDCALL;
    size_t slot = 0;
    while (slot < declarations_.size() && declarations_[slot]) ++slot;
    if (slot == declarations_.size()) declarations_.emplace_back();
    declarations_[slot] = std::move(layout);
    *handle = HandleForSlot(slot);
    return S_OK;
}

HRESULT SoftwarePipeline::SetVertexShader(DWORD handle) {
    if (IsDeclarationHandle(handle)) {
        size_t slot = SlotForHandle(handle);
        if (handle < 3 || slot >= declarations_.size() || !declarations_[slot]) return D3DERR_INVALIDCALL;
    } else {
        VertexLayout layout;
        if (!VertexLayoutFromFvf(handle, &layout)) return D3DERR_INVALIDCALL;
        fvfLayout_ = layout;
    }
    currentShader_ = handle;
    return S_OK;
}

HRESULT SoftwarePipeline::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = currentShader_;
    return S_OK;
}

HRESULT SoftwarePipeline::DeleteVertexShader(DWORD handle) {
    if (!IsDeclarationHandle(handle) || handle < 3) return D3DERR_INVALIDCALL;
    size_t slot = SlotForHandle(handle);
    if (slot >= declarations_.size() || !declarations_[slot]) return D3DERR_INVALIDCALL;
    declarations_[slot].reset();
    if (currentShader_ == handle) currentShader_ = 0;
    return S_OK;
}

const VertexLayout* SoftwarePipeline::CurrentLayout() const {
    if (currentShader_ == 0) return nullptr;
    if (IsDeclarationHandle(currentShader_)) return declarations_[SlotForHandle(currentShader_)].get();
    return &fvfLayout_;
}

HRESULT SoftwarePipeline::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    if (stage >= TEXTURE_STAGE_COUNT || !texture) return D3DERR_INVALIDCALL;
    *texture = textures_[stage];
    if (*texture) (*texture)->AddRef();
    return S_OK;
}

HRESULT SoftwarePipeline::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= TEXTURE_STAGE_COUNT) return D3DERR_INVALIDCALL;
    if (texture) texture->AddRef();
    IDirect3DBaseTexture8* old = textures_[stage];
    textures_[stage] = texture;
    if (old) old->Release();
    return S_OK;
}

HRESULT SoftwarePipeline::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return stageStates_.Get(stage, type, value) ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT SoftwarePipeline::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return stageStates_.Set(stage, type, value) ? S_OK : D3DERR_INVALIDCALL;
}

void SoftwarePipeline::ReleaseBindings() {
    for (UINT stream = 0; stream < STREAM_COUNT; ++stream) SetStream(stream, nullptr, 0);
    SetIndexBuffer(nullptr, 0);
    for (DWORD stage = 0; stage < TEXTURE_STAGE_COUNT; ++stage) SetTexture(stage, nullptr);
}

std::unique_ptr<DrawPipeline> MakeDrawPipeline(DeviceContext& context) {
    return std::make_unique<SoftwarePipeline>(context);
}
