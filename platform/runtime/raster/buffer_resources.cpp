#include "platform/runtime/raster/buffer_resources.h"

#include <cstring>
#include <new>

namespace {

constexpr DWORD BUFFER_USAGES = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC;

bool ValidPool(D3DPOOL pool) {
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH;
}

// What the two buffer interfaces share, written once over the interface type.
template <class Interface>
class BufferResource : public Interface {
public:
    BufferResource(DeviceContext& context, UINT length, DWORD usage, D3DPOOL pool)
        : storage_(context, length, usage, pool) {}
    virtual ~BufferResource() = default;

    BufferStorage& Storage() { return storage_; }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == OwnInterfaceId()) {
            this->AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return storage_.AddReference(); }
    ULONG Release() override {
        ULONG remaining = storage_.ReleaseReference();
        if (remaining == 0) delete this;
        return remaining;
    }

    HRESULT GetDevice(IDirect3DDevice8** device) override { return storage_.GetDevice(device); }
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return D3DERR_NOTFOUND; }
    HRESULT FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
    DWORD SetPriority(DWORD priority) override { return storage_.SetPriority(priority); }
    DWORD GetPriority() override { return storage_.GetPriority(); }
    void PreLoad() override {}

    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        return storage_.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage_.Unlock(); }

protected:
    virtual const IID& OwnInterfaceId() const = 0;
    template <class Desc>
    void FillDesc(D3DFORMAT format, D3DRESOURCETYPE type, Desc* desc) const {
        desc->Format = format;
        desc->Type = type;
        desc->Usage = storage_.Usage();
        desc->Pool = storage_.Pool();
        desc->Size = storage_.Length();
    }
    BufferStorage storage_;
};

class VertexBuffer final : public BufferResource<IDirect3DVertexBuffer8> {
public:
    VertexBuffer(DeviceContext& context, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : BufferResource(context, length, usage, pool), fvf_(fvf) {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        FillDesc(D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, desc);
        desc->FVF = fvf_;
        return S_OK;
    }

private:
    const IID& OwnInterfaceId() const override { return IID_IDirect3DVertexBuffer8; }
    DWORD fvf_;
};

class IndexBuffer final : public BufferResource<IDirect3DIndexBuffer8> {
public:
    IndexBuffer(DeviceContext& context, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : BufferResource(context, length, usage, pool), format_(format) {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        FillDesc(format_, D3DRTYPE_INDEXBUFFER, desc);
        return S_OK;
    }
    D3DFORMAT Format() const { return format_; }

private:
    const IID& OwnInterfaceId() const override { return IID_IDirect3DIndexBuffer8; }
    D3DFORMAT format_;
};

template <class Object, class Interface>
HRESULT FinishCreation(Object* object, Interface** result) {
    if (!object) return E_OUTOFMEMORY;
    if (!object->Storage().Allocated()) {
        object->Release();
        return E_OUTOFMEMORY;
    }
    *result = object;
    return S_OK;
}

}  // namespace

BufferStorage::BufferStorage(DeviceContext& context, UINT length, DWORD usage, D3DPOOL pool)
    : context_(context), length_(length), usage_(usage), pool_(pool) {
    bytes_ = new (std::nothrow) BYTE[length];
    if (bytes_) std::memset(bytes_, 0, length);
    context_.CountObject(+1, pool_ == D3DPOOL_DEFAULT);
}

BufferStorage::~BufferStorage() {
    delete[] bytes_;
    // Last: giving up the count may destroy a device that has no references left.
    context_.CountObject(-1, pool_ == D3DPOOL_DEFAULT);
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset > length_ || size > length_ - offset) return D3DERR_INVALIDCALL;
    ++lockCount_;
    *data = bytes_ + offset;
    return S_OK;
}

HRESULT BufferStorage::Unlock() {
    if (lockCount_ == 0) return D3DERR_INVALIDCALL;
    --lockCount_;
    return S_OK;
}

HRESULT BufferStorage::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = context_.Device();
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return S_OK;
}

DWORD BufferStorage::SetPriority(DWORD priority) {
    DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = priority;
    return old;
}

HRESULT CreateVertexBufferResource(DeviceContext& context, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (usage & ~BUFFER_USAGES) || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    return FinishCreation(new (std::nothrow) VertexBuffer(context, length, usage, fvf, pool), buffer);
}

HRESULT CreateIndexBufferResource(DeviceContext& context, UINT length, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (usage & ~BUFFER_USAGES) || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    return FinishCreation(new (std::nothrow) IndexBuffer(context, length, usage, format, pool), buffer);
}

BufferStorage* VertexBufferStorage(IDirect3DVertexBuffer8* buffer) {
    auto* own = dynamic_cast<VertexBuffer*>(buffer);
    return own ? &own->Storage() : nullptr;
}

BufferStorage* IndexBufferStorage(IDirect3DIndexBuffer8* buffer) {
    auto* own = dynamic_cast<IndexBuffer*>(buffer);
    return own ? &own->Storage() : nullptr;
}

D3DFORMAT IndexBufferFormat(IDirect3DIndexBuffer8* buffer) {
    auto* own = dynamic_cast<IndexBuffer*>(buffer);
    return own ? own->Format() : D3DFMT_UNKNOWN;
}
