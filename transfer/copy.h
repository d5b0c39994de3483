// Converting pixels from memory, or from another surface or volume, into a rectangle of a
// surface or a box of a volume, with format conversion, resampling, dithering, colour
// keys and palettes; and filling the lower mip levels of a texture.
#pragma once

#include <cstdint>

#include "platform/d3d8.h"
#include "transfer/filters.h"

HRESULT CopyMemoryToSurface(IDirect3DSurface8* destination, const PALETTEENTRY* destinationPalette,
                            const RECT* destinationRect, const void* sourceBits, D3DFORMAT sourceFormat,
                            UINT sourcePitch, const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                            std::uint32_t filter, D3DCOLOR colorKey);

HRESULT CopyMemoryToVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, const void* sourceBits, D3DFORMAT sourceFormat,
                           UINT sourceRowPitch, UINT sourceSlicePitch, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, std::uint32_t filter, D3DCOLOR colorKey);

HRESULT CopySurfaceToSurface(IDirect3DSurface8* destination, const PALETTEENTRY* destinationPalette,
                             const RECT* destinationRect, IDirect3DSurface8* source,
                             const PALETTEENTRY* sourcePalette, const RECT* sourceRect, std::uint32_t filter,
                             D3DCOLOR colorKey);

HRESULT CopyVolumeToVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, IDirect3DVolume8* source,
                           const PALETTEENTRY* sourcePalette, const D3DBOX* sourceBox, std::uint32_t filter,
                           D3DCOLOR colorKey);

// Fills every level below `sourceLevel` of a plain, volume or cube texture (all faces).
HRESULT GenerateMipLevels(IDirect3DBaseTexture8* texture, const PALETTEENTRY* palette, UINT sourceLevel,
                          std::uint32_t filter);
