// The four copies into surfaces and volumes: lock, describe both sides, hand to the blitter.
#include "transfer/copy.h"

#include <cstring>

#include "platform/debug_mute.h"
#include "transfer/pixel_blitter.h"
#include "transfer/surface_lockers.h"

namespace {

constexpr std::uint32_t DEFAULT_COPY_FILTER = FILTER_TRIANGLE | FILTER_DITHER;

bool SamePalettes(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    if (a == b) return true;
    return a && b && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0;
}

RECT WholeRect(IDirect3DSurface8* surface) {
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    return {0, 0, LONG(desc.Width), LONG(desc.Height)};
}

// The platform's own copy, for equal-sized rectangles without conversion. Muted, since
// copies between formats are expected to fail.
bool TryDeviceCopy(IDirect3DSurface8* destination, const RECT* destinationRect, IDirect3DSurface8* source,
                   const RECT* sourceRect) {
    const RECT to = destinationRect ? *destinationRect : WholeRect(destination);
    const RECT from = sourceRect ? *sourceRect : WholeRect(source);
    if (to.right - to.left != from.right - from.left || to.bottom - to.top != from.bottom - from.top) return false;
    IDirect3DDevice8* device = nullptr;
    if (FAILED(source->GetDevice(&device)) || !device) return false;
    MuteDebugRuntime(1);
    const POINT origin = {to.left, to.top};
    const HRESULT result = device->CopyRects(source, &from, 1, destination, &origin);
    MuteDebugRuntime(0);
    device->Release();
    return SUCCEEDED(result);
}

PixelRegion MemoryRegion(const void* bits, D3DFORMAT format, UINT rowPitch, UINT slicePitch, const D3DBOX& box,
                         D3DCOLOR colorKey, const PALETTEENTRY* palette) {
    PixelRegion region;
    region.pixels = static_cast<BYTE*>(const_cast<void*>(bits));
    region.format = format;
    region.rowPitch = rowPitch;
    region.slicePitch = slicePitch;
    region.extent = box;
    region.box = box;
    region.colorKey = colorKey;
    region.palette = palette;
    return region;
}

// Locks the destination for writing, runs the blitter and unlocks, on every path.
template <typename Locker, typename Resource, typename Area>
HRESULT TransferIntoLocked(Resource* destination, const PALETTEENTRY* palette, const Area* area, PixelRegion& from,
                           std::uint32_t filter) {
    if (filter == FILTER_DEFAULT) filter = DEFAULT_COPY_FILTER;
    Locker locker;
    PixelRegion to;
    HRESULT result = locker.Lock(to, destination, palette, area, 0, 0);
    if (FAILED(result)) return result;
    PixelBlitter blitter;
    result = blitter.Transfer(to, from, filter);
    locker.Unlock();
    return FAILED(result) ? result : S_OK;
}

}  // namespace

HRESULT CopyMemoryToSurface(IDirect3DSurface8* destination, const PALETTEENTRY* destinationPalette,
                            const RECT* destinationRect, const void* sourceBits, D3DFORMAT sourceFormat,
                            UINT sourcePitch, const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                            std::uint32_t filter, D3DCOLOR colorKey) {
    if (!destination || !sourceBits || !sourceRect) return D3DERR_INVALIDCALL;
    // The source rectangle is taken as given: memory has no bounds to check it against.
    const D3DBOX box = {UINT(sourceRect->left), UINT(sourceRect->top), UINT(sourceRect->right),
                        UINT(sourceRect->bottom), 0, 1};
    PixelRegion from = MemoryRegion(sourceBits, sourceFormat, sourcePitch, 0, box, colorKey, sourcePalette);
    return TransferIntoLocked<SurfaceLocker>(destination, destinationPalette, destinationRect, from, filter);
}

HRESULT CopyMemoryToVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, const void* sourceBits, D3DFORMAT sourceFormat,
                           UINT sourceRowPitch, UINT sourceSlicePitch, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, std::uint32_t filter, D3DCOLOR colorKey) {
    if (!destination || !sourceBits || !sourceBox) return D3DERR_INVALIDCALL;
    PixelRegion from =
        MemoryRegion(sourceBits, sourceFormat, sourceRowPitch, sourceSlicePitch, *sourceBox, colorKey, sourcePalette);
    return TransferIntoLocked<VolumeLocker>(destination, destinationPalette, destinationBox, from, filter);
}

HRESULT CopySurfaceToSurface(IDirect3DSurface8* destination, const PALETTEENTRY* destinationPalette,
                             const RECT* destinationRect, IDirect3DSurface8* source,
                             const PALETTEENTRY* sourcePalette, const RECT* sourceRect, std::uint32_t filter,
                             D3DCOLOR colorKey) {
    if (!destination || !source) return D3DERR_INVALIDCALL;

    if ((filter & 0xFFFF) != FILTER_BOX && colorKey == 0 && SamePalettes(destinationPalette, sourcePalette) &&
        TryDeviceCopy(destination, destinationRect, source, sourceRect))
        return S_OK;

    SurfaceLocker locker;
    PixelRegion from;
    const std::uint32_t flags = LOCK_READ_ONLY | (source == destination ? LOCK_FORCE_COPY : 0);
    HRESULT result = locker.Lock(from, source, sourcePalette, sourceRect, 0, flags);
    if (FAILED(result)) return result;
    const RECT box = {LONG(from.box.Left), LONG(from.box.Top), LONG(from.box.Right), LONG(from.box.Bottom)};
    result = CopyMemoryToSurface(destination, destinationPalette, destinationRect, from.pixels, from.format,
                                 from.rowPitch, sourcePalette, &box, filter, colorKey);
    locker.Unlock();
    return FAILED(result) ? result : S_OK;
}

HRESULT CopyVolumeToVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, IDirect3DVolume8* source, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, std::uint32_t filter, D3DCOLOR colorKey) {
    if (!destination || !source) return D3DERR_INVALIDCALL;

    VolumeLocker locker;
    PixelRegion from;
    const std::uint32_t flags = LOCK_READ_ONLY | (source == destination ? LOCK_FORCE_COPY : 0);
    HRESULT result = locker.Lock(from, source, sourcePalette, sourceBox, 0, flags);
    if (FAILED(result)) return result;
    result = CopyMemoryToVolume(destination, destinationPalette, destinationBox, from.pixels, from.format,
                                from.rowPitch, from.slicePitch, sourcePalette, &from.box, filter, colorKey);
    locker.Unlock();
    return FAILED(result) ? result : S_OK;
}
