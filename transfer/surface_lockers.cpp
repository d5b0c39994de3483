#include "transfer/surface_lockers.h"

#include <algorithm>

#include "platform/debug_mute.h"

namespace {

bool IsDxt(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}
bool IsYuv(D3DFORMAT format) { return format == D3DFMT_YUY2 || format == D3DFMT_UYVY; }

UINT AlignUp4(UINT value) { return (value + 3) & ~3u; }
UINT AlignUp2(UINT value) { return (value + 1) & ~1u; }

// The level count of the texture that holds `resource` as interface `iid`, or 0 when it
// belongs to none. Asked muted: a standalone resource makes the query fail.
template <typename Resource, typename Container>
DWORD ContainerLevelCount(Resource* resource, REFIID iid) {
    MuteDebugRuntime(1);
    void* found = nullptr;
    DWORD levels = 0;
    if (SUCCEEDED(resource->GetContainer(iid, &found)) && found) {
        auto* container = static_cast<Container*>(found);
        levels = container->GetLevelCount();
        container->Release();
    }
    MuteDebugRuntime(0);
    return levels;
}

bool HasTextureContainer(IDirect3DSurface8* surface) {
    MuteDebugRuntime(1);
    void* found = nullptr;
    const bool has = SUCCEEDED(surface->GetContainer(IID_IDirect3DBaseTexture8, &found)) && found;
    if (has) static_cast<IDirect3DBaseTexture8*>(found)->Release();
    MuteDebugRuntime(0);
    return has;
}

// Whether the platform lets this standalone surface be locked, found by trying a read-only
// lock of it (muted, since a refusal is expected for most default-pool surfaces).
bool AcceptsDirectLock(IDirect3DSurface8* surface) {
    MuteDebugRuntime(1);
    D3DLOCKED_RECT probe = {};
    const bool lockable = SUCCEEDED(surface->LockRect(&probe, nullptr, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK));
    if (lockable) surface->UnlockRect();
    MuteDebugRuntime(0);
    return lockable;
}

// The region of a successful lock.
void DescribeLock(PixelRegion& out, void* bits, D3DFORMAT format, INT rowPitch, INT slicePitch, const D3DBOX& extent,
                  const D3DBOX& box, D3DCOLOR colorKey, const PALETTEENTRY* palette) {
    out.pixels = static_cast<BYTE*>(bits);
    out.format = format;
    out.rowPitch = UINT(rowPitch);
    out.slicePitch = UINT(slicePitch);
    out.extent = extent;
    out.box = box;
    out.dither = 1;  // Transfer sets it on a destination; a source ignores it
    out.colorKey = colorKey;
    out.palette = palette;
}

}  // namespace

HRESULT SurfaceLocker::Lock(PixelRegion& out, IDirect3DSurface8* target, const PALETTEENTRY* palette,
                            const RECT* rect, D3DCOLOR colorKey, std::uint32_t lockFlags) {
    Unlock();
    if (!target) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    HRESULT result = target->GetDesc(&desc);
    if (FAILED(result)) return result;

    // The rectangle.
    RECT area = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    bool partial = false;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
            UINT(rect->right) > desc.Width || UINT(rect->bottom) > desc.Height)
            return D3DERR_INVALIDCALL;
        area = *rect;
        partial = !(area.left == 0 && area.top == 0 && UINT(area.right) == desc.Width &&
                    UINT(area.bottom) == desc.Height);
    }
    const bool readOnly = (lockFlags & LOCK_READ_ONLY) != 0;
    const bool wholeOverwrite = !readOnly && !partial;

    // Direct, or through a temporary surface.
    bool useTemporary = (lockFlags & LOCK_FORCE_COPY) != 0;
    if (!useTemporary && desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC))
        useTemporary = HasTextureContainer(target) || !AcceptsDirectLock(target);

    IDirect3DSurface8* lockTarget = target;
    UINT lockWidth = desc.Width;
    UINT lockHeight = desc.Height;
    if (useTemporary) {
        if (IsDxt(desc.Format)) {
            lockWidth = AlignUp4(lockWidth);
            lockHeight = AlignUp4(lockHeight);
        }
        result = target->GetDevice(&device);
        if (FAILED(result)) return result;
        result = device->CreateImageSurface(lockWidth, lockHeight, desc.Format, &temporary);
        if (FAILED(result)) return result;
        if (!wholeOverwrite) {
            result = device->CopyRects(target, nullptr, 0, temporary, nullptr);
            if (FAILED(result)) return result;
        }
        lockTarget = temporary;
    }

    // The platform flags.
    DWORD platformFlags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
    if (wholeOverwrite && !useTemporary && (desc.Usage & D3DUSAGE_DYNAMIC) &&
        ContainerLevelCount<IDirect3DSurface8, IDirect3DTexture8>(target, IID_IDirect3DTexture8) == 1)
        platformFlags |= D3DLOCK_DISCARD;

    // The rectangle to lock, aligned to the format's blocks or pixel pairs.
    RECT locked = area;
    bool lockWhole = !partial;
    if (partial) {
        if (IsDxt(desc.Format)) {
            locked = {LONG(area.left & ~3), LONG(area.top & ~3), LONG(AlignUp4(UINT(area.right))),
                      LONG(AlignUp4(UINT(area.bottom)))};
            if (!useTemporary) {
                if (UINT(locked.right) > desc.Width) locked.right = LONG(desc.Width);
                if (UINT(locked.bottom) > desc.Height) locked.bottom = LONG(desc.Height);
            }
        } else if (IsYuv(desc.Format)) {
            locked.left = LONG(area.left & ~1);
            locked.right = LONG(AlignUp2(UINT(area.right)));
            if (UINT(locked.right) > desc.Width) locked.right = LONG(desc.Width);
        }
        if (IsDxt(desc.Format) || IsYuv(desc.Format)) {
            lockWhole = locked.left == 0 && locked.top == 0 && UINT(locked.right) == lockWidth &&
                        UINT(locked.bottom) == lockHeight;
        }
    }
    D3DLOCKED_RECT bits = {};
    if (lockWhole) {
        result = lockTarget->LockRect(&bits, nullptr, platformFlags);
    } else {
        result = lockTarget->LockRect(&bits, &locked, platformFlags);
        area.left -= locked.left;
        area.right -= locked.left;
        area.top -= locked.top;
        area.bottom -= locked.top;
    }
    if (FAILED(result)) return result;

    DescribeLock(out, bits.pBits, desc.Format, bits.Pitch, 0, {0, 0, desc.Width, desc.Height, 0, 1},
                 {UINT(area.left), UINT(area.top), UINT(area.right), UINT(area.bottom), 0, 1}, colorKey, palette);
    surface = target;
    flags = lockFlags;
    return S_OK;
}

HRESULT SurfaceLocker::Unlock() {
    // Only a lock that succeeded is undone; a failed one may still hold a temporary surface.
    if (surface) {
        if (temporary) {
            temporary->UnlockRect();
            if (device && !(flags & LOCK_READ_ONLY)) {
                D3DSURFACE_DESC desc = {};
                surface->GetDesc(&desc);
                // A block-format temporary may be larger than the surface: copy back its
                // part of the surface only.
                const RECT whole = {0, 0, LONG(desc.Width), LONG(desc.Height)};
                const POINT origin = {0, 0};
                D3DSURFACE_DESC temporaryDesc = {};
                temporary->GetDesc(&temporaryDesc);
                if (temporaryDesc.Width == desc.Width && temporaryDesc.Height == desc.Height)
                    device->CopyRects(temporary, nullptr, 0, surface, nullptr);
                else
                    device->CopyRects(temporary, &whole, 1, surface, &origin);
            }
        } else {
            surface->UnlockRect();
        }
    }
    if (temporary) temporary->Release();
    if (device) device->Release();
    temporary = nullptr;
    device = nullptr;
    surface = nullptr;
    flags = 0;
    return S_OK;
}

HRESULT VolumeLocker::Lock(PixelRegion& out, IDirect3DVolume8* target, const PALETTEENTRY* palette,
                           const D3DBOX* box, D3DCOLOR colorKey, std::uint32_t lockFlags) {
    Unlock();
    if (!target) return D3DERR_INVALIDCALL;
    D3DVOLUME_DESC desc = {};
    HRESULT result = target->GetDesc(&desc);
    if (FAILED(result)) return result;

    D3DBOX area = {0, 0, desc.Width, desc.Height, 0, desc.Depth};
    bool partial = false;
    if (box) {
        if (box->Left > box->Right || box->Right > desc.Width || box->Top > box->Bottom ||
            box->Bottom > desc.Height || box->Front > box->Back || box->Back > desc.Depth)
            return D3DERR_INVALIDCALL;
        area = *box;
        partial = !(area.Left == 0 && area.Top == 0 && area.Front == 0 && area.Right == desc.Width &&
                    area.Bottom == desc.Height && area.Back == desc.Depth);
    }
    const bool readOnly = (lockFlags & LOCK_READ_ONLY) != 0;
    const bool wholeOverwrite = !readOnly && !partial;
    if (desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;

    DWORD platformFlags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
    if (wholeOverwrite && (desc.Usage & D3DUSAGE_DYNAMIC) &&
        ContainerLevelCount<IDirect3DVolume8, IDirect3DVolumeTexture8>(target, IID_IDirect3DVolumeTexture8) == 1)
        platformFlags |= D3DLOCK_DISCARD;

    D3DBOX locked = area;
    bool lockWhole = !partial;
    if (partial && (IsDxt(desc.Format) || IsYuv(desc.Format))) {
        if (IsDxt(desc.Format)) {
            locked.Left &= ~3u;
            locked.Top &= ~3u;
            locked.Right = std::min(AlignUp4(locked.Right), desc.Width);
            locked.Bottom = std::min(AlignUp4(locked.Bottom), desc.Height);
        } else {
            locked.Left &= ~1u;
            locked.Right = std::min(AlignUp2(locked.Right), desc.Width);
        }
        lockWhole = locked.Left == 0 && locked.Top == 0 && locked.Front == 0 && locked.Right == desc.Width &&
                    locked.Bottom == desc.Height && locked.Back == desc.Depth;
    }
    D3DLOCKED_BOX bits = {};
    if (lockWhole) {
        result = target->LockBox(&bits, nullptr, platformFlags);
    } else {
        result = target->LockBox(&bits, &locked, platformFlags);
        area.Left -= locked.Left;
        area.Right -= locked.Left;
        area.Top -= locked.Top;
        area.Bottom -= locked.Top;
        area.Front -= locked.Front;
        area.Back -= locked.Front;
    }
    if (FAILED(result)) return result;

    DescribeLock(out, bits.pBits, desc.Format, bits.RowPitch, bits.SlicePitch,
                 {0, 0, desc.Width, desc.Height, 0, desc.Depth}, area, colorKey, palette);
    volume = target;
    return S_OK;
}

HRESULT VolumeLocker::Unlock() {
    if (volume) volume->UnlockBox();
    volume = nullptr;
    return S_OK;
}
