// The device's resource calls: creating textures and surfaces against the caps and the
// profile's formats, CopyRects and UpdateTexture.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/runtime/device.h"
#include "platform/runtime/pixel_layout.h"
#include "platform/runtime/resources.h"

namespace runtime {

namespace {

constexpr DWORD TEXTURE_USAGE_BITS = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY |
                                     D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING;
// No single resource may take more than this; larger requests fail as out of memory.
constexpr std::size_t MAX_RESOURCE_BYTES = std::size_t{1} << 30;

HRESULT OutOfMemory(D3DPOOL pool) { return pool == D3DPOOL_DEFAULT ? D3DERR_OUTOFVIDEOMEMORY : E_OUTOFMEMORY; }

// Bytes of every level of a chain (one face).
std::size_t ChainBytes(const FormatLayout& layout, UINT width, UINT height, UINT depth, UINT levels) {
    std::size_t total = 0;
    for (UINT level = 0; level < levels; ++level) {
        total += ComputeLevelLayout(layout, width, height, depth).bytes;
        width = HalveLevelSize(width);
        height = HalveLevelSize(height);
        depth = HalveLevelSize(depth);
    }
    return total;
}

// Runs `make`, turning an allocation failure into the pool's out-of-memory result.
template <class Make>
HRESULT Allocate(D3DPOOL pool, Make&& make) {
    try {
        make();
    } catch (const std::bad_alloc&) {
        return OutOfMemory(pool);
    }
    return D3D_OK;
}

}  // namespace

HRESULT SoftwareDevice::CheckTextureRequest(D3DRESOURCETYPE type, UINT width, UINT height, UINT depth, UINT* levels,
                                            DWORD usage, D3DFORMAT format, D3DPOOL pool) const {
    if (pool > D3DPOOL_SCRATCH || (usage & ~TEXTURE_USAGE_BITS)) return D3DERR_INVALIDCALL;
    if (width == 0 || height == 0 || depth == 0) return D3DERR_INVALIDCALL;
    FormatLayout layout;
    if (!FindFormatLayout(format, &layout)) return D3DERR_INVALIDCALL;
    const DWORD targetUsage = usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL);
    if (targetUsage == (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    if (targetUsage && (pool != D3DPOOL_DEFAULT || type == D3DRTYPE_VOLUMETEXTURE || (usage & D3DUSAGE_DYNAMIC)))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;

    UINT requested = *levels;
    // Scratch resources are plain memory: no caps and no format list apply to them.
    if (pool != D3DPOOL_SCRATCH) {
        const D3DCAPS8& caps = profile_.caps;
        const DWORD textureCaps = caps.TextureCaps;
        DWORD mipBit = D3DPTEXTURECAPS_MIPMAP;
        bool nonPowerOfTwo = !IsPowerOfTwo(width) || !IsPowerOfTwo(height) || !IsPowerOfTwo(depth);
        switch (type) {
            case D3DRTYPE_TEXTURE: {
                if (width > caps.MaxTextureWidth || height > caps.MaxTextureHeight) return D3DERR_INVALIDCALL;
                if ((textureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height) return D3DERR_INVALIDCALL;
                UINT larger = std::max(width, height), smaller = std::min(width, height);
                if (caps.MaxTextureAspectRatio != 0 &&
                    static_cast<unsigned long long>(larger) >
                        static_cast<unsigned long long>(caps.MaxTextureAspectRatio) * smaller)
                    return D3DERR_INVALIDCALL;
                if ((textureCaps & D3DPTEXTURECAPS_POW2) && nonPowerOfTwo) {
                    // The conditional rule allows any size without mip maps.
                    if (!(textureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) || requested != 1)
                        return D3DERR_INVALIDCALL;
                }
                break;
            }
            case D3DRTYPE_CUBETEXTURE:
                if (!(textureCaps & D3DPTEXTURECAPS_CUBEMAP)) return D3DERR_INVALIDCALL;
                if (width > caps.MaxTextureWidth || width > caps.MaxTextureHeight) return D3DERR_INVALIDCALL;
                if ((textureCaps & D3DPTEXTURECAPS_CUBEMAP_POW2) && nonPowerOfTwo) return D3DERR_INVALIDCALL;
                mipBit = D3DPTEXTURECAPS_MIPCUBEMAP;
                break;
            case D3DRTYPE_VOLUMETEXTURE:
                if (!(textureCaps & D3DPTEXTURECAPS_VOLUMEMAP)) return D3DERR_INVALIDCALL;
                if (width > caps.MaxVolumeExtent || height > caps.MaxVolumeExtent || depth > caps.MaxVolumeExtent)
                    return D3DERR_INVALIDCALL;
                if ((textureCaps & D3DPTEXTURECAPS_VOLUMEMAP_POW2) && nonPowerOfTwo) return D3DERR_INVALIDCALL;
                mipBit = D3DPTEXTURECAPS_MIPVOLUMEMAP;
                break;
            default:
                return D3DERR_INVALIDCALL;
        }
        if (!(textureCaps & mipBit)) {
            // Without mip maps a request for a full chain gives one level.
            if (requested > 1) return D3DERR_INVALIDCALL;
            requested = 1;
        }
        if (!ProfileSupportsFormat(profile_, usage, type, format)) return D3DERR_INVALIDCALL;
    }
    UINT full = FullChainLength(width, height, depth);
    if (requested == 0) requested = full;
    if (requested > full) return D3DERR_INVALIDCALL;
    std::size_t bytes = ChainBytes(layout, width, height, depth, requested) * (type == D3DRTYPE_CUBETEXTURE ? 6 : 1);
    if (bytes > MAX_RESOURCE_BYTES) return OutOfMemory(pool);
    *levels = requested;
    return D3D_OK;
}

namespace {

ImageDesc TextureTop(UINT width, UINT height, UINT depth, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    ImageDesc desc;
    desc.format = format;
    desc.usage = usage;
    desc.pool = pool;
    desc.width = width;
    desc.height = height;
    desc.depth = depth;
    // Levels of default-pool textures cannot be locked unless the texture is dynamic.
    desc.lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC) != 0;
    return desc;
}

}  // namespace

HRESULT SoftwareDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, IDirect3DTexture8** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckTextureRequest(D3DRTYPE_TEXTURE, width, height, 1, &levels, usage, format, pool);
    if (FAILED(hr)) return hr;
    return Allocate(pool, [&] { *texture = new Texture(this, TextureTop(width, height, 1, usage, format, pool), levels); });
}

HRESULT SoftwareDevice::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture8** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckTextureRequest(D3DRTYPE_VOLUMETEXTURE, width, height, depth, &levels, usage, format, pool);
    if (FAILED(hr)) return hr;
    return Allocate(pool, [&] {
        *texture = new VolumeTexture(this, TextureTop(width, height, depth, usage, format, pool), levels);
    });
}

HRESULT SoftwareDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                          IDirect3DCubeTexture8** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckTextureRequest(D3DRTYPE_CUBETEXTURE, edgeLength, edgeLength, 1, &levels, usage, format, pool);
    if (FAILED(hr)) return hr;
    return Allocate(pool, [&] {
        *texture = new CubeTexture(this, TextureTop(edgeLength, edgeLength, 1, usage, format, pool), levels);
    });
}

namespace {

// A standalone surface request: sizes, a storable format and the size limit.
HRESULT CheckSurfaceRequest(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
    FormatLayout layout;
    if (width == 0 || height == 0 || !FindFormatLayout(format, &layout)) return D3DERR_INVALIDCALL;
    if (ComputeLevelLayout(layout, width, height, 1).bytes > MAX_RESOURCE_BYTES) return OutOfMemory(pool);
    return D3D_OK;
}

ImageDesc SurfaceDesc(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable) {
    ImageDesc desc;
    desc.format = format;
    desc.usage = usage;
    desc.pool = pool;
    desc.width = width;
    desc.height = height;
    desc.lockable = lockable;
    return desc;
}

}  // namespace

HRESULT SoftwareDevice::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                           D3DMULTISAMPLE_TYPE multiSample, BOOL lockable,
                                           IDirect3DSurface8** surface) {
    if (!surface || multiSample != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckSurfaceRequest(width, height, format, D3DPOOL_DEFAULT);
    if (FAILED(hr)) return hr;
    if (!ProfileSupportsFormat(profile_, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, format)) return D3DERR_INVALIDCALL;
    ImageDesc desc = SurfaceDesc(width, height, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, lockable != FALSE);
    return Allocate(D3DPOOL_DEFAULT, [&] { *surface = Surface::CreateStandalone(this, desc); });
}

HRESULT SoftwareDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                  D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8** surface) {
    if (!surface || multiSample != D3DMULTISAMPLE_NONE || !IsDepthFormat(format)) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckSurfaceRequest(width, height, format, D3DPOOL_DEFAULT);
    if (FAILED(hr)) return hr;
    if (!ProfileSupportsFormat(profile_, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)) return D3DERR_INVALIDCALL;
    ImageDesc desc =
        SurfaceDesc(width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, format == D3DFMT_D16_LOCKABLE);
    return Allocate(D3DPOOL_DEFAULT, [&] { *surface = Surface::CreateStandalone(this, desc); });
}

// Image surfaces live in system memory and may have any storable colour format, whether
// or not the device could texture from it.
HRESULT SoftwareDevice::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) {
    if (!surface || IsDepthFormat(format)) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckSurfaceRequest(width, height, format, D3DPOOL_SYSTEMMEM);
    if (FAILED(hr)) return hr;
    ImageDesc desc = SurfaceDesc(width, height, format, 0, D3DPOOL_SYSTEMMEM, true);
    return Allocate(D3DPOOL_SYSTEMMEM, [&] { *surface = Surface::CreateStandalone(this, desc); });
}

// ---- CopyRects ------------------------------------------------------------------------------

namespace {

// A rectangle in storage units: pixels, 2 x 1 pairs (YUV) or 4 x 4 blocks (DXT).
struct UnitRect {
    UINT left, top, right, bottom;
};

UnitRect ToUnits(const FormatLayout& layout, LONG left, LONG top, LONG right, LONG bottom) {
    switch (layout.kind) {
        case StorageKind::BLOCK:
            return {static_cast<UINT>(left) / 4, static_cast<UINT>(top) / 4, (static_cast<UINT>(right) + 3) / 4,
                    (static_cast<UINT>(bottom) + 3) / 4};
        case StorageKind::PAIR:
            return {static_cast<UINT>(left) / 2, static_cast<UINT>(top), (static_cast<UINT>(right) + 1) / 2,
                    static_cast<UINT>(bottom)};
        case StorageKind::PACKED:
            break;
    }
    return {static_cast<UINT>(left), static_cast<UINT>(top), static_cast<UINT>(right), static_cast<UINT>(bottom)};
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

struct CopyJob {
    UnitRect source;
    UINT destinationX, destinationY;  // in units
};

}  // namespace

// Copies rectangles between two surfaces of one format (any pools). With no rectangles the
// whole source goes to the first point (or the top left). DXT rectangles are whole blocks,
// and a copy fits when its blocks fit, so a 4 x 4 block copy into a 3 x 3 DXT surface
// works. The source and the destination may be one surface only where no source rectangle
// overlaps a destination rectangle.
HRESULT SoftwareDevice::CopyRects(IDirect3DSurface8* sourceSurface, const RECT* sourceRects, UINT rectCount,
                                  IDirect3DSurface8* destinationSurface, const POINT* destPoints) {
    Surface* source = AsRuntimeSurface(sourceSurface);
    Surface* destination = AsRuntimeSurface(destinationSurface);
    if (!source || !destination) return D3DERR_INVALIDCALL;
    const ImageDesc& from = source->Desc();
    const ImageDesc& to = destination->Desc();
    if (from.format != to.format || IsDepthFormat(from.format)) return D3DERR_INVALIDCALL;
    if (source->Storage().IsLocked() || destination->Storage().IsLocked()) return D3DERR_INVALIDCALL;
    const FormatLayout& layout = source->Storage().Layout();

    const RECT whole{0, 0, static_cast<LONG>(from.width), static_cast<LONG>(from.height)};
    const UINT count = (sourceRects && rectCount > 0) ? rectCount : 1;
    std::vector<RECT> sources, destinations;
    std::vector<CopyJob> jobs;
    for (UINT i = 0; i < count; ++i) {
        RECT r = (sourceRects && rectCount > 0) ? sourceRects[i] : whole;
        if (!IsValidImageRect(from.format, from.width, from.height, r.left, r.top, r.right, r.bottom))
            return D3DERR_INVALIDCALL;
        POINT at = destPoints ? destPoints[i] : POINT{r.left, r.top};
        if (!sourceRects || rectCount == 0) at = destPoints ? destPoints[0] : POINT{0, 0};
        if (at.x < 0 || at.y < 0) return D3DERR_INVALIDCALL;
        UnitRect units = ToUnits(layout, r.left, r.top, r.right, r.bottom);
        UnitRect target = ToUnits(layout, at.x, at.y, at.x, at.y);
        if ((layout.kind == StorageKind::BLOCK && (at.x % 4 != 0 || at.y % 4 != 0)) ||
            (layout.kind == StorageKind::PAIR && at.x % 2 != 0))
            return D3DERR_INVALIDCALL;
        UnitRect bounds = ToUnits(layout, 0, 0, static_cast<LONG>(to.width), static_cast<LONG>(to.height));
        if (target.left + (units.right - units.left) > bounds.right ||
            target.top + (units.bottom - units.top) > bounds.bottom)
            return D3DERR_INVALIDCALL;
        jobs.push_back({units, target.left, target.top});
        sources.push_back(r);
        destinations.push_back({at.x, at.y, at.x + (r.right - r.left), at.y + (r.bottom - r.top)});
    }
    if (source == destination) {
        for (const RECT& d : destinations)
            for (const RECT& s : sources)
                if (Overlaps(d, s)) return D3DERR_INVALIDCALL;
    }
    LevelStorage& in = source->Storage();
    LevelStorage& out = destination->Storage();
    for (const CopyJob& job : jobs) {
        std::size_t rowBytes = static_cast<std::size_t>(job.source.right - job.source.left) * layout.bytes;
        for (UINT row = job.source.top; row < job.source.bottom; ++row) {
            const BYTE* from_row = in.Bits() + static_cast<std::size_t>(row) * in.Level().rowPitch +
                                   static_cast<std::size_t>(job.source.left) * layout.bytes;
            BYTE* to_row = out.Bits() +
                           static_cast<std::size_t>(job.destinationY + row - job.source.top) * out.Level().rowPitch +
                           static_cast<std::size_t>(job.destinationX) * layout.bytes;
            std::memmove(to_row, from_row, rowBytes);
        }
    }
    return D3D_OK;
}

// ---- UpdateTexture --------------------------------------------------------------------------

namespace {

// The levels of a texture of any kind: faces one after another, `levels` per face.
struct LevelList {
    std::vector<LevelStorage*> storages;
    UINT levels = 0;
    D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
    const ImageDesc* top = nullptr;
    SoftwareDevice* device = nullptr;
};

bool ListLevels(IDirect3DBaseTexture8* texture, LevelList* list) {
    if (Texture* plain = AsRuntimeTexture(texture)) {
        list->levels = plain->GetLevelCount();
        for (UINT i = 0; i < list->levels; ++i) list->storages.push_back(&plain->Level(i)->Storage());
        list->type = D3DRTYPE_TEXTURE;
        list->top = &plain->TopDesc();
        list->device = plain->OwningDevice();
        return true;
    }
    if (CubeTexture* cube = AsRuntimeCubeTexture(texture)) {
        list->levels = cube->GetLevelCount();
        for (UINT face = 0; face < 6; ++face)
            for (UINT i = 0; i < list->levels; ++i) list->storages.push_back(&cube->Face(face, i)->Storage());
        list->type = D3DRTYPE_CUBETEXTURE;
        list->top = &cube->TopDesc();
        list->device = cube->OwningDevice();
        return true;
    }
    if (VolumeTexture* volume = AsRuntimeVolumeTexture(texture)) {
        list->levels = volume->GetLevelCount();
        for (UINT i = 0; i < list->levels; ++i) list->storages.push_back(&volume->Level(i)->Storage());
        list->type = D3DRTYPE_VOLUMETEXTURE;
        list->top = &volume->TopDesc();
        list->device = volume->OwningDevice();
        return true;
    }
    return false;
}

bool SameSize(const ImageDesc& a, const ImageDesc& b) {
    return a.width == b.width && a.height == b.height && a.depth == b.depth;
}

}  // namespace

// Copies every level of a system-memory texture into a default-pool texture of the same
// kind and format. The destination may have fewer levels: its top level then matches the
// source level of the same size, and the levels from there on are copied.
HRESULT SoftwareDevice::UpdateTexture(IDirect3DBaseTexture8* sourceTexture, IDirect3DBaseTexture8* destinationTexture) {
    LevelList source, destination;
    if (!sourceTexture || !destinationTexture || !ListLevels(sourceTexture, &source) ||
        !ListLevels(destinationTexture, &destination))
        return D3DERR_INVALIDCALL;
    if (source.type != destination.type || source.device != this || destination.device != this)
        return D3DERR_INVALIDCALL;
    if (source.top->pool != D3DPOOL_SYSTEMMEM || destination.top->pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (source.top->format != destination.top->format || destination.levels > source.levels) return D3DERR_INVALIDCALL;
    UINT first = 0;
    while (first < source.levels && !SameSize(source.storages[first]->Desc(), destination.storages[0]->Desc())) ++first;
    if (first == source.levels || source.levels - first < destination.levels) return D3DERR_INVALIDCALL;
    for (LevelStorage* storage : source.storages)
        if (storage->IsLocked()) return D3DERR_INVALIDCALL;
    for (LevelStorage* storage : destination.storages)
        if (storage->IsLocked()) return D3DERR_INVALIDCALL;
    const UINT faces = static_cast<UINT>(destination.storages.size() / destination.levels);
    for (UINT face = 0; face < faces; ++face) {
        for (UINT level = 0; level < destination.levels; ++level) {
            LevelStorage* from = source.storages[face * source.levels + first + level];
            LevelStorage* to = destination.storages[face * destination.levels + level];
            std::memcpy(to->Bits(), from->Bits(), to->Level().bytes);
        }
    }
    return D3D_OK;
}

}  // namespace runtime
