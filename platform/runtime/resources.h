// The runtime's surfaces, volumes and textures (plain, cube and volume). Pixels live in
// each level's own storage, laid out as Direct3D 8 lays them out (see pixel_layout.h).
//
// Reference counting follows Direct3D 8: a texture level (surface or volume) shares its
// texture's lifetime, so AddRef and Release on a level count on the texture; the device's
// own back buffer and depth buffer share the device's lifetime the same way. Standalone
// surfaces (image surfaces, render targets, depth-stencil surfaces) and textures count
// for themselves and keep their device object alive until they are destroyed.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/d3d8.h"
#include "platform/runtime/draw_pipeline.h"
#include "platform/runtime/pixel_layout.h"
#include "platform/runtime/private_data.h"
#include "platform/runtime/runtime_internal.h"

namespace runtime {

class SoftwareDevice;

// Where a surface's references go.
enum class SurfaceRole {
    STANDALONE,  // its own count
    LEVEL,       // its texture's or cube texture's count
    IMPLICIT,    // its device's count (back buffer, automatic depth buffer)
};

struct ImageDesc {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    DWORD usage = 0;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
    bool lockable = false;
};

// The pixels of one surface or volume, and its lock.
class LevelStorage {
public:
    explicit LevelStorage(const ImageDesc& desc);

    const ImageDesc& Desc() const { return desc_; }
    const FormatLayout& Layout() const { return layout_; }
    const LevelLayout& Level() const { return level_; }
    BYTE* Bits() { return bytes_.data(); }
    bool IsLocked() const { return locked_; }
    StorageView View();

    // Validates and takes a lock of the box (null: everything); the offset of its first
    // byte goes to `offset`.
    HRESULT Lock(const D3DBOX* box, DWORD flags, std::size_t* offset);
    HRESULT Unlock();

private:
    ImageDesc desc_;
    FormatLayout layout_;
    LevelLayout level_;
    std::vector<BYTE> bytes_;
    bool locked_ = false;
};

class Surface final : public IDirect3DSurface8, CountedObject {
public:
    // A standalone surface with one reference; a default-pool one counts against Reset.
    static Surface* CreateStandalone(SoftwareDevice* device, const ImageDesc& desc);
    // A level or an implicit surface, owned by `owner` (texture, cube texture or device).
    Surface(SoftwareDevice* device, IUnknown* owner, SurfaceRole role, const ImageDesc& desc);
    ~Surface();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override;
    HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* size) override;
    HRESULT FreePrivateData(REFGUID guid) override;
    HRESULT GetContainer(REFIID riid, void** container) override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    LevelStorage& Storage() { return storage_; }
    const ImageDesc& Desc() const { return storage_.Desc(); }
    SoftwareDevice* OwningDevice() const { return device_; }
    SurfaceRole Role() const { return role_; }
    // References taken through this surface itself (for a level: its share of the texture's).
    ULONG OwnReferences() const { return references_; }

private:
    SoftwareDevice* device_;
    IUnknown* owner_;
    SurfaceRole role_;
    ULONG references_ = 0;
    LevelStorage storage_;
    PrivateData privateData_;
};

class Volume final : public IDirect3DVolume8, CountedObject {
public:
    Volume(SoftwareDevice* device, IUnknown* owner, const ImageDesc& desc);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override;
    HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* size) override;
    HRESULT FreePrivateData(REFGUID guid) override;
    HRESULT GetContainer(REFIID riid, void** container) override;
    HRESULT GetDesc(D3DVOLUME_DESC* desc) override;
    HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
    HRESULT UnlockBox() override;

    LevelStorage& Storage() { return storage_; }
    const ImageDesc& Desc() const { return storage_.Desc(); }

private:
    SoftwareDevice* device_;
    IUnknown* owner_;
    LevelStorage storage_;
    PrivateData privateData_;
};

// What the three texture kinds share: the reference count, the device, the resource
// properties and the level count.
template <class Interface>
class TextureCommon : public Interface, protected CountedObject {
public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override {
        return privateData_.Set(guid, data, size, flags);
    }
    HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* size) override { return privateData_.Get(guid, data, size); }
    HRESULT FreePrivateData(REFGUID guid) override { return privateData_.Free(guid); }
    DWORD SetPriority(DWORD priority) override;
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}
    DWORD SetLOD(DWORD lod) override;
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return levelCount_; }

    const ImageDesc& TopDesc() const { return top_; }
    SoftwareDevice* OwningDevice() const { return device_; }

protected:
    TextureCommon(SoftwareDevice* device, const ImageDesc& top, UINT levelCount);
    virtual ~TextureCommon();
    // The description of level `level` (sizes halved down to 1).
    ImageDesc LevelDesc(UINT level) const;

    SoftwareDevice* device_;
    ImageDesc top_;
    UINT levelCount_;

private:
    ULONG references_ = 1;
    DWORD priority_ = 0;
    DWORD lod_ = 0;
    PrivateData privateData_;
};

class Texture final : public TextureCommon<IDirect3DTexture8> {
public:
    Texture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT* dirtyRect) override { return D3D_OK; }

    Surface* Level(UINT level) { return level < levels_.size() ? levels_[level].get() : nullptr; }

private:
    std::vector<std::unique_ptr<Surface>> levels_;
};

class CubeTexture final : public TextureCommon<IDirect3DCubeTexture8> {
public:
    CubeTexture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                     DWORD flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* dirtyRect) override { return D3D_OK; }

    Surface* Face(UINT face, UINT level);

private:
    std::array<std::vector<std::unique_ptr<Surface>>, 6> faces_;
};

class VolumeTexture final : public TextureCommon<IDirect3DVolumeTexture8> {
public:
    VolumeTexture(SoftwareDevice* device, const ImageDesc& top, UINT levelCount);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) override;
    HRESULT GetVolumeLevel(UINT level, IDirect3DVolume8** volume) override;
    HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
    HRESULT UnlockBox(UINT level) override;
    HRESULT AddDirtyBox(const D3DBOX* dirtyBox) override { return D3D_OK; }

    Volume* Level(UINT level) { return level < levels_.size() ? levels_[level].get() : nullptr; }

private:
    std::vector<std::unique_ptr<Volume>> levels_;
};

// The runtime object behind an interface pointer, or null for anything else.
Surface* AsRuntimeSurface(IDirect3DSurface8* surface);
Texture* AsRuntimeTexture(IDirect3DBaseTexture8* texture);
CubeTexture* AsRuntimeCubeTexture(IDirect3DBaseTexture8* texture);
VolumeTexture* AsRuntimeVolumeTexture(IDirect3DBaseTexture8* texture);

}  // namespace runtime
