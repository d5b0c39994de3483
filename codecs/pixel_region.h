// One side of a pixel conversion: a rectangle or box of pixels in memory.
#pragma once

#include "platform/d3d8.h"

struct PixelRegion {
    BYTE* pixels = nullptr;       // byte 0 of the image that `box` refers to
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT rowPitch = 0;            // bytes per row (for DXT: per row of 4 x 4 blocks)
    UINT slicePitch = 0;          // bytes per depth slice; 0 for 2D images
    D3DBOX extent = {};           // bounds of the whole image the region lies in
    D3DBOX box = {};              // the part to convert, relative to `pixels`
    DWORD dither = 0;             // nonzero: dither when encoding into this region
    D3DCOLOR colorKey = 0;        // 0: no colour key
    const PALETTEENTRY* palette = nullptr;  // 256 entries for P8 / A8P8, or null
};
