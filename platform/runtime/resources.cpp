#include "platform/runtime/resources.h"

#include "platform/runtime/device.h"

namespace runtime {

namespace {

constexpr DWORD KNOWN_LOCK_FLAGS = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NOOVERWRITE | D3DLOCK_DISCARD |
                                   D3DLOCK_NO_DIRTY_UPDATE;

void FillSurfaceDesc(const ImageDesc& image, D3DRESOURCETYPE type, UINT size, D3DSURFACE_DESC* desc) {
    desc->Format = image.format;
    desc->Type = type;
    desc->Usage = image.usage;
    desc->Pool = image.pool;
    desc->Size = size;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = image.width;
    desc->Height = image.height;
}

}  // namespace

// ---- LevelStorage ---------------------------------------------------------------------------

LevelStorage::LevelStorage(const ImageDesc& desc) : desc_(desc) {
    if (!FindFormatLayout(desc.format, &layout_)) layout_ = {StorageKind::PACKED, 1};
    level_ = ComputeLevelLayout(layout_, desc.width, desc.height, desc.depth);
    bytes_.assign(level_.bytes, 0);
}

StorageView LevelStorage::View() {
    StorageView view;
    view.bits = bytes_.data();
    view.pitch = level_.rowPitch;
    view.format = desc_.format;
    view.width = desc_.width;
    view.height = desc_.height;
    return view;
}

HRESULT LevelStorage::Lock(const D3DBOX* box, DWORD flags, std::size_t* offset) {
    if (!desc_.lockable) return D3DERR_INVALIDCALL;
    if (locked_) return D3DERR_INVALIDCALL;
    // Only buffers take NOOVERWRITE; DISCARD is for dynamic resources and means writing.
    if ((flags & ~KNOWN_LOCK_FLAGS) || (flags & D3DLOCK_NOOVERWRITE)) return D3DERR_INVALIDCALL;
    if ((flags & D3DLOCK_DISCARD) && (!(desc_.usage & D3DUSAGE_DYNAMIC) || (flags & D3DLOCK_READONLY)))
        return D3DERR_INVALIDCALL;
    *offset = 0;
    if (box) {
        if (box->Front > box->Back || box->Back > desc_.depth) return D3DERR_INVALIDCALL;
        if (box->Left > 0x7FFFFFFFu || box->Top > 0x7FFFFFFFu || box->Right > 0x7FFFFFFFu || box->Bottom > 0x7FFFFFFFu)
            return D3DERR_INVALIDCALL;
        if (!IsValidImageRect(desc_.format, desc_.width, desc_.height, static_cast<LONG>(box->Left),
                              static_cast<LONG>(box->Top), static_cast<LONG>(box->Right),
                              static_cast<LONG>(box->Bottom)))
            return D3DERR_INVALIDCALL;
        *offset = static_cast<std::size_t>(box->Front) * level_.slicePitch +
                  PixelOffset(layout_, level_.rowPitch, box->Left, box->Top);
    }
    locked_ = true;
    return D3D_OK;
}

HRESULT LevelStorage::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

// ---- Surface --------------------------------------------------------------------------------

Surface* Surface::CreateStandalone(SoftwareDevice* device, const ImageDesc& desc) {
    Surface* surface = new Surface(device, nullptr, SurfaceRole::STANDALONE, desc);
    surface->references_ = 1;
    return surface;
}

Surface::Surface(SoftwareDevice* device, IUnknown* owner, SurfaceRole role, const ImageDesc& desc)
    : device_(device), owner_(owner), role_(role), storage_(desc) {
    if (role_ == SurfaceRole::STANDALONE) device_->HoldObject(desc.pool == D3DPOOL_DEFAULT);
}

Surface::~Surface() {
    if (role_ == SurfaceRole::STANDALONE) {
        // Last: this may destroy the device.
        SoftwareDevice* device = device_;
        bool defaultPool = Desc().pool == D3DPOOL_DEFAULT;
        privateData_.Clear();
        device->DropObject(defaultPool);
    }
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DSurface8) {
        AddRef();
        *object = static_cast<IDirect3DSurface8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
    ++references_;
    switch (role_) {
        case SurfaceRole::LEVEL:
            return owner_->AddRef();
        case SurfaceRole::IMPLICIT:
            return device_->AddRef();
        case SurfaceRole::STANDALONE:
            break;
    }
    return references_;
}

ULONG Surface::Release() {
    if (references_ == 0) return 0;  // a release too many: refused rather than corrupting the owner
    --references_;
    switch (role_) {
        case SurfaceRole::LEVEL:
            return owner_->Release();
        case SurfaceRole::IMPLICIT:
            return device_->Release();
        case SurfaceRole::STANDALONE:
            break;
    }
    ULONG left = references_;
    if (left == 0) delete this;
    return left;
}

HRESULT Surface::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

HRESULT Surface::SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) {
    return privateData_.Set(guid, data, size, flags);
}
HRESULT Surface::GetPrivateData(REFGUID guid, void* data, DWORD* size) { return privateData_.Get(guid, data, size); }
HRESULT Surface::FreePrivateData(REFGUID guid) { return privateData_.Free(guid); }

HRESULT Surface::GetContainer(REFIID riid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    if (role_ == SurfaceRole::LEVEL) return owner_->QueryInterface(riid, container);
    if (riid == IID_IDirect3DDevice8) {
        device_->AddRef();
        *container = static_cast<IDirect3DDevice8*>(device_);
        return D3D_OK;
    }
    *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    FillSurfaceDesc(Desc(), D3DRTYPE_SURFACE, static_cast<UINT>(storage_.Level().bytes), desc);
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (!lockedRect) return D3DERR_INVALIDCALL;
    D3DBOX box{};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right < 0 || rect->bottom < 0) return D3DERR_INVALIDCALL;
        box = {static_cast<UINT>(rect->left), static_cast<UINT>(rect->top), static_cast<UINT>(rect->right),
               static_cast<UINT>(rect->bottom), 0, 1};
    }
    std::size_t offset = 0;
    HRESULT hr = storage_.Lock(rect ? &box : nullptr, flags, &offset);
    if (FAILED(hr)) return hr;
    lockedRect->Pitch = static_cast<INT>(storage_.Level().rowPitch);
    lockedRect->pBits = storage_.Bits() + offset;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() { return storage_.Unlock(); }

// ---- Volume ---------------------------------------------------------------------------------

Volume::Volume(SoftwareDevice* device, IUnknown* owner, const ImageDesc& desc)
    : device_(device), owner_(owner), storage_(desc) {}

HRESULT Volume::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DVolume8) {
        AddRef();
        *object = static_cast<IDirect3DVolume8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Volume::AddRef() { return owner_->AddRef(); }
ULONG Volume::Release() { return owner_->Release(); }

HRESULT Volume::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

HRESULT Volume::SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) {
    return privateData_.Set(guid, data, size, flags);
}
HRESULT Volume::GetPrivateData(REFGUID guid, void* data, DWORD* size) { return privateData_.Get(guid, data, size); }
HRESULT Volume::FreePrivateData(REFGUID guid) { return privateData_.Free(guid); }

HRESULT Volume::GetContainer(REFIID riid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    return owner_->QueryInterface(riid, container);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    const ImageDesc& image = Desc();
    desc->Format = image.format;
    desc->Type = D3DRTYPE_VOLUME;
    desc->Usage = image.usage;
    desc->Pool = image.pool;
    desc->Size = static_cast<UINT>(storage_.Level().bytes);
    desc->Width = image.width;
    desc->Height = image.height;
    desc->Depth = image.depth;
    return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
    if (!lockedVolume) return D3DERR_INVALIDCALL;
    std::size_t offset = 0;
    HRESULT hr = storage_.Lock(box, flags, &offset);
    if (FAILED(hr)) return hr;
    lockedVolume->RowPitch = static_cast<INT>(storage_.Level().rowPitch);
    lockedVolume->SlicePitch = static_cast<INT>(storage_.Level().slicePitch);
    lockedVolume->pBits = storage_.Bits() + offset;
    return D3D_OK;
}

HRESULT Volume::UnlockBox() { return storage_.Unlock(); }

// ---- Textures -------------------------------------------------------------------------------

template <class Interface>
TextureCommon<Interface>::TextureCommon(SoftwareDevice* device, const ImageDesc& top, UINT levelCount)
    : device_(device), top_(top), levelCount_(levelCount) {
    device_->HoldObject(top.pool == D3DPOOL_DEFAULT);
}

template <class Interface>
TextureCommon<Interface>::~TextureCommon() {
    // The levels (members of the derived class) are gone already; dropping the device
    // comes last because it may destroy the device.
    SoftwareDevice* device = device_;
    bool defaultPool = top_.pool == D3DPOOL_DEFAULT;
    privateData_.Clear();
    device->DropObject(defaultPool);
}

template <class Interface>
ULONG TextureCommon<Interface>::Release() {
    if (references_ == 0) return 0;
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

template <class Interface>
HRESULT TextureCommon<Interface>::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

template <class Interface>
DWORD TextureCommon<Interface>::SetPriority(DWORD priority) {
    DWORD old = priority_;
    if (top_.pool == D3DPOOL_MANAGED) priority_ = priority;
    return old;
}

template <class Interface>
DWORD TextureCommon<Interface>::SetLOD(DWORD lod) {
    DWORD old = lod_;
    if (top_.pool == D3DPOOL_MANAGED) lod_ = lod < levelCount_ ? lod : levelCount_ - 1;
    return old;
}

template <class Interface>
ImageDesc TextureCommon<Interface>::LevelDesc(UINT level) const {
    ImageDesc desc = top_;
    for (UINT i = 0; i < level; ++i) {
        desc.width = HalveLevelSize(desc.width);
        desc.height = HalveLevelSize(desc.height);
        desc.depth = HalveLevelSize(desc.depth);
    }
    return desc;
}

template class TextureCommon<IDirect3DTexture8>;
template class TextureCommon<IDirect3DCubeTexture8>;
template class TextureCommon<IDirect3DVolumeTexture8>;

namespace {

// The interfaces every texture answers, plus its own.
template <class Interface>
HRESULT QueryTexture(Interface* texture, REFIID own, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == IID_IDirect3DBaseTexture8 || riid == own) {
        texture->AddRef();
        *object = texture;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

Texture::Texture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount) : TextureCommon(device, top, levelCount) {
    for (UINT level = 0; level < levelCount; ++level)
        levels_.push_back(std::make_unique<Surface>(device, this, SurfaceRole::LEVEL, LevelDesc(level)));
}

HRESULT Texture::QueryInterface(REFIID riid, void** object) {
    return QueryTexture(static_cast<IDirect3DTexture8*>(this), IID_IDirect3DTexture8, riid, object);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    Surface* surface = Level(level);
    if (!surface || !desc) return D3DERR_INVALIDCALL;
    return surface->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    Surface* found = Level(level);
    if (!found) {
        *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    found->AddRef();
    *surface = found;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    Surface* surface = Level(level);
    if (!surface) return D3DERR_INVALIDCALL;
    return surface->LockRect(lockedRect, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    Surface* surface = Level(level);
    if (!surface) return D3DERR_INVALIDCALL;
    return surface->UnlockRect();
}

CubeTexture::CubeTexture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount)
    : TextureCommon(device, top, levelCount) {
    for (auto& face : faces_)
        for (UINT level = 0; level < levelCount; ++level)
            face.push_back(std::make_unique<Surface>(device, this, SurfaceRole::LEVEL, LevelDesc(level)));
}

Surface* CubeTexture::Face(UINT face, UINT level) {
    if (face >= faces_.size() || level >= levelCount_) return nullptr;
    return faces_[face][level].get();
}

HRESULT CubeTexture::QueryInterface(REFIID riid, void** object) {
    return QueryTexture(static_cast<IDirect3DCubeTexture8*>(this), IID_IDirect3DCubeTexture8, riid, object);
}

HRESULT CubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    Surface* surface = Face(0, level);
    if (!surface || !desc) return D3DERR_INVALIDCALL;
    return surface->GetDesc(desc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    Surface* found = Face(face, level);
    if (!found) {
        *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    found->AddRef();
    *surface = found;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                              DWORD flags) {
    Surface* surface = Face(face, level);
    if (!surface) return D3DERR_INVALIDCALL;
    return surface->LockRect(lockedRect, rect, flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    Surface* surface = Face(face, level);
    if (!surface) return D3DERR_INVALIDCALL;
    return surface->UnlockRect();
}

VolumeTexture::VolumeTexture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount)
    : TextureCommon(device, top, levelCount) {
    for (UINT level = 0; level < levelCount; ++level)
        levels_.push_back(std::make_unique<Volume>(device, this, LevelDesc(level)));
}

HRESULT VolumeTexture::QueryInterface(REFIID riid, void** object) {
    return QueryTexture(static_cast<IDirect3DVolumeTexture8*>(this), IID_IDirect3DVolumeTexture8, riid, object);
}

HRESULT VolumeTexture::GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) {
    Volume* volume = Level(level);
    if (!volume || !desc) return D3DERR_INVALIDCALL;
    return volume->GetDesc(desc);
}

HRESULT VolumeTexture::GetVolumeLevel(UINT level, IDirect3DVolume8** volume) {
    if (!volume) return D3DERR_INVALIDCALL;
    Volume* found = Level(level);
    if (!found) {
        *volume = nullptr;
        return D3DERR_INVALIDCALL;
    }
    found->AddRef();
    *volume = found;
    return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
    Volume* volume = Level(level);
    if (!volume) return D3DERR_INVALIDCALL;
    return volume->LockBox(lockedVolume, box, flags);
}

HRESULT VolumeTexture::UnlockBox(UINT level) {
    Volume* volume = Level(level);
    if (!volume) return D3DERR_INVALIDCALL;
    return volume->UnlockBox();
}

Surface* AsRuntimeSurface(IDirect3DSurface8* surface) { return dynamic_cast<Surface*>(surface); }
Texture* AsRuntimeTexture(IDirect3DBaseTexture8* texture) { return dynamic_cast<Texture*>(texture); }
CubeTexture* AsRuntimeCubeTexture(IDirect3DBaseTexture8* texture) { return dynamic_cast<CubeTexture*>(texture); }
VolumeTexture* AsRuntimeVolumeTexture(IDirect3DBaseTexture8* texture) {
    return dynamic_cast<VolumeTexture*>(texture);
}

}  // namespace runtime
