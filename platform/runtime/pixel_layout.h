// How the runtime stores pixels of each format: bytes per pixel, 4 x 4 blocks or pixel
// pairs, the pitches of a level, and the few conversions the device itself needs (Clear
// into a colour or depth buffer, Present from the back buffer).
#pragma once

#include <cstddef>

#include "platform/d3d8.h"

enum class StorageKind { PACKED, BLOCK, PAIR };

struct FormatLayout {
    StorageKind kind;
    UINT bytes;  // per pixel (PACKED), per 4 x 4 block (BLOCK) or per 2 x 1 pair (PAIR)
};

// False for formats the runtime cannot store (D3DFMT_UNKNOWN, index and vertex formats,
// anything undeclared).
bool FindFormatLayout(D3DFORMAT format, FormatLayout* layout);
bool IsDepthFormat(D3DFORMAT format);
bool IsBlockFormat(D3DFORMAT format);  // DXT1 to DXT5
bool IsPairFormat(D3DFORMAT format);   // UYVY and YUY2

// The storage of one level: rows are pixel rows, or block rows for DXT.
struct LevelLayout {
    UINT rowPitch = 0;
    UINT rows = 0;
    UINT slicePitch = 0;
    std::size_t bytes = 0;  // slicePitch x depth
};
LevelLayout ComputeLevelLayout(const FormatLayout& layout, UINT width, UINT height, UINT depth);

// Byte offset of pixel (x, y) in a level, for a position that lock validation accepted
// (block-aligned for DXT, even x for YUV).
std::size_t PixelOffset(const FormatLayout& layout, UINT rowPitch, UINT x, UINT y);

// The size of the next level down: halved, never below 1.
constexpr UINT HalveLevelSize(UINT size) { return size > 1 ? size / 2 : 1; }
// Levels of a full chain down to 1 x 1 (x 1): the bit length of the largest side.
UINT FullChainLength(UINT width, UINT height, UINT depth);
constexpr bool IsPowerOfTwo(UINT value) { return value != 0 && (value & (value - 1)) == 0; }

// Whether `rect` (left, top, right, bottom) is a valid part of a width x height image for
// the format: inside, not inverted, block-aligned for DXT unless an edge is reached,
// pair-aligned in x for YUV.
bool IsValidImageRect(D3DFORMAT format, UINT width, UINT height, LONG left, LONG top, LONG right,
                      LONG bottom);

// Colour buffers: the ARGB formats the device can clear and present from.
bool CanEncodeColor(D3DFORMAT format);
// Writes `count` pixels of `color` (A8R8G8B8) in the format.
void FillColor(BYTE* pixels, D3DFORMAT format, UINT count, D3DCOLOR color);
// Converts `count` pixels of the format into X8R8G8B8 (the top byte is 0xFF).
void ConvertToX8R8G8B8(const BYTE* pixels, D3DFORMAT format, UINT count, DWORD* out);

// Depth buffers: writes `count` depth values of z (0..1), keeping stencil bits as they are.
bool CanClearDepth(D3DFORMAT format);
void FillDepth(BYTE* pixels, D3DFORMAT format, UINT count, float z);
