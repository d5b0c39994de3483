// Vertex and index buffers: plain byte storage behind the Direct3D 8 buffer interfaces.
#pragma once

#include "platform/runtime/draw_pipeline.h"

// Vertex and index buffers share their storage, locking and reference counting. Each
// buffer is counted through DeviceContext::CountObject, which keeps the device object
// alive for as long as the buffer lives.
class BufferStorage {
public:
    BufferStorage(DeviceContext& context, UINT length, DWORD usage, D3DPOOL pool);
    BufferStorage(const BufferStorage&) = delete;
    BufferStorage& operator=(const BufferStorage&) = delete;
    ~BufferStorage();

    bool Allocated() const { return bytes_ != nullptr; }
    const BYTE* Bytes() const { return bytes_; }
    UINT Length() const { return length_; }
    DWORD Usage() const { return usage_; }
    D3DPOOL Pool() const { return pool_; }

    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();
    HRESULT GetDevice(IDirect3DDevice8** device);
    // Only managed buffers keep a priority.
    DWORD SetPriority(DWORD priority);
    DWORD GetPriority() const { return priority_; }

    ULONG AddReference() { return ++references_; }
    // The remaining count; the owner destroys itself at zero.
    ULONG ReleaseReference() { return references_ == 0 ? 0 : --references_; }

private:
    DeviceContext& context_;
    BYTE* bytes_ = nullptr;
    UINT length_;
    DWORD usage_;
    D3DPOOL pool_;
    UINT lockCount_ = 0;
    ULONG references_ = 1;
    DWORD priority_ = 0;
};

// Creates the two kinds of buffer; each result is a new object with one reference.
HRESULT CreateVertexBufferResource(DeviceContext& context, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer8** buffer);
HRESULT CreateIndexBufferResource(DeviceContext& context, UINT length, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DIndexBuffer8** buffer);

// The storage behind a buffer made by this pipeline, or null for a foreign object.
BufferStorage* VertexBufferStorage(IDirect3DVertexBuffer8* buffer);
BufferStorage* IndexBufferStorage(IDirect3DIndexBuffer8* buffer);
D3DFORMAT IndexBufferFormat(IDirect3DIndexBuffer8* buffer);
