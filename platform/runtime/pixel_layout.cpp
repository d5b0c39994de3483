#include "platform/runtime/pixel_layout.h"

#include <cmath>
#include <cstring>

namespace {

struct LayoutRow {
    D3DFORMAT format;
    FormatLayout layout;
};

constexpr LayoutRow LAYOUTS[] = {
    {D3DFMT_R8G8B8, {StorageKind::PACKED, 3}},      {D3DFMT_A8R8G8B8, {StorageKind::PACKED, 4}},
    {D3DFMT_X8R8G8B8, {StorageKind::PACKED, 4}},    {D3DFMT_R5G6B5, {StorageKind::PACKED, 2}},
    {D3DFMT_X1R5G5B5, {StorageKind::PACKED, 2}},    {D3DFMT_A1R5G5B5, {StorageKind::PACKED, 2}},
    {D3DFMT_A4R4G4B4, {StorageKind::PACKED, 2}},    {D3DFMT_R3G3B2, {StorageKind::PACKED, 1}},
    {D3DFMT_A8, {StorageKind::PACKED, 1}},          {D3DFMT_A8R3G3B2, {StorageKind::PACKED, 2}},
    {D3DFMT_X4R4G4B4, {StorageKind::PACKED, 2}},    {D3DFMT_A2B10G10R10, {StorageKind::PACKED, 4}},
    {D3DFMT_G16R16, {StorageKind::PACKED, 4}},      {D3DFMT_A8P8, {StorageKind::PACKED, 2}},
    {D3DFMT_P8, {StorageKind::PACKED, 1}},          {D3DFMT_L8, {StorageKind::PACKED, 1}},
    {D3DFMT_A8L8, {StorageKind::PACKED, 2}},        {D3DFMT_A4L4, {StorageKind::PACKED, 1}},
    {D3DFMT_V8U8, {StorageKind::PACKED, 2}},        {D3DFMT_L6V5U5, {StorageKind::PACKED, 2}},
    {D3DFMT_X8L8V8U8, {StorageKind::PACKED, 4}},    {D3DFMT_Q8W8V8U8, {StorageKind::PACKED, 4}},
    {D3DFMT_V16U16, {StorageKind::PACKED, 4}},      {D3DFMT_W11V11U10, {StorageKind::PACKED, 4}},
    {D3DFMT_A2W10V10U10, {StorageKind::PACKED, 4}}, {D3DFMT_UYVY, {StorageKind::PAIR, 4}},
    {D3DFMT_YUY2, {StorageKind::PAIR, 4}},          {D3DFMT_DXT1, {StorageKind::BLOCK, 8}},
    {D3DFMT_DXT2, {StorageKind::BLOCK, 16}},        {D3DFMT_DXT3, {StorageKind::BLOCK, 16}},
    {D3DFMT_DXT4, {StorageKind::BLOCK, 16}},        {D3DFMT_DXT5, {StorageKind::BLOCK, 16}},
    {D3DFMT_D16_LOCKABLE, {StorageKind::PACKED, 2}}, {D3DFMT_D32, {StorageKind::PACKED, 4}},
    {D3DFMT_D15S1, {StorageKind::PACKED, 2}},       {D3DFMT_D24S8, {StorageKind::PACKED, 4}},
    {D3DFMT_D24X8, {StorageKind::PACKED, 4}},       {D3DFMT_D24X4S4, {StorageKind::PACKED, 4}},
    {D3DFMT_D16, {StorageKind::PACKED, 2}},
};

// An ARGB colour format: bit count and shift of each channel (no alpha: 0 bits).
struct ColorLayout {
    D3DFORMAT format;
    UINT bytes;
    UINT aBits, aShift, rBits, rShift, gBits, gShift, bBits, bShift;
};

constexpr ColorLayout COLOR_LAYOUTS[] = {
    {D3DFMT_A8R8G8B8, 4, 8, 24, 8, 16, 8, 8, 8, 0},   {D3DFMT_X8R8G8B8, 4, 0, 0, 8, 16, 8, 8, 8, 0},
    {D3DFMT_R8G8B8, 3, 0, 0, 8, 16, 8, 8, 8, 0},      {D3DFMT_R5G6B5, 2, 0, 0, 5, 11, 6, 5, 5, 0},
    {D3DFMT_X1R5G5B5, 2, 0, 0, 5, 10, 5, 5, 5, 0},    {D3DFMT_A1R5G5B5, 2, 1, 15, 5, 10, 5, 5, 5, 0},
    {D3DFMT_A4R4G4B4, 2, 4, 12, 4, 8, 4, 4, 4, 0},    {D3DFMT_X4R4G4B4, 2, 0, 0, 4, 8, 4, 4, 4, 0},
    {D3DFMT_R3G3B2, 1, 0, 0, 3, 5, 3, 2, 2, 0},       {D3DFMT_A8R3G3B2, 2, 8, 8, 3, 5, 3, 2, 2, 0},
    {D3DFMT_A2B10G10R10, 4, 2, 30, 10, 0, 10, 10, 10, 20},
};

const ColorLayout* FindColorLayout(D3DFORMAT format) {
    for (const ColorLayout& row : COLOR_LAYOUTS)
        if (row.format == format) return &row;
    return nullptr;
}

// An 8-bit channel rounded to `bits` bits.
DWORD NarrowChannel(DWORD value8, UINT bits) {
    DWORD maximum = (1u << bits) - 1;
    return (value8 * maximum + 127) / 255;
}

// A `bits`-bit channel widened to 8 bits by repeating its bits.
DWORD WidenChannel(DWORD value, UINT bits) {
    if (bits >= 8) return value >> (bits - 8);
    DWORD result = 0;
    int filled = 0;
    while (filled < 8) {
        result = (result << bits) | value;
        filled += static_cast<int>(bits);
    }
    return result >> (filled - 8);
}

DWORD ReadPixel(const BYTE* pixel, UINT bytes) {
    DWORD value = 0;
    for (UINT i = 0; i < bytes; ++i) value |= static_cast<DWORD>(pixel[i]) << (8 * i);
    return value;
}

void WritePixel(BYTE* pixel, UINT bytes, DWORD value) {
    for (UINT i = 0; i < bytes; ++i) pixel[i] = static_cast<BYTE>(value >> (8 * i));
}

}  // namespace

bool FindFormatLayout(D3DFORMAT format, FormatLayout* layout) {
    for (const LayoutRow& row : LAYOUTS) {
        if (row.format == format) {
            if (layout) *layout = row.layout;
            return true;
        }
    }
    return false;
}

bool IsDepthFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D32:
        case D3DFMT_D15S1:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D16:
            return true;
        default:
            return false;
    }
}

bool IsBlockFormat(D3DFORMAT format) {
    FormatLayout layout;
    return FindFormatLayout(format, &layout) && layout.kind == StorageKind::BLOCK;
}

bool IsPairFormat(D3DFORMAT format) {
    FormatLayout layout;
    return FindFormatLayout(format, &layout) && layout.kind == StorageKind::PAIR;
}

LevelLayout ComputeLevelLayout(const FormatLayout& layout, UINT width, UINT height, UINT depth) {
    LevelLayout level;
    switch (layout.kind) {
        case StorageKind::PACKED:
            // Rows start on 4-byte boundaries.
            level.rowPitch = (width * layout.bytes + 3) & ~3u;
            level.rows = height;
            break;
        case StorageKind::BLOCK:
            level.rowPitch = ((width + 3) / 4) * layout.bytes;
            level.rows = (height + 3) / 4;
            break;
        case StorageKind::PAIR:
            level.rowPitch = ((width + 1) / 2) * layout.bytes;
            level.rows = height;
            break;
    }
    level.slicePitch = level.rowPitch * level.rows;
    level.bytes = static_cast<std::size_t>(level.slicePitch) * depth;
    return level;
}

std::size_t PixelOffset(const FormatLayout& layout, UINT rowPitch, UINT x, UINT y) {
    switch (layout.kind) {
        case StorageKind::BLOCK:
            return static_cast<std::size_t>(y / 4) * rowPitch + static_cast<std::size_t>(x / 4) * layout.bytes;
        case StorageKind::PAIR:
            return static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(x / 2) * layout.bytes;
        case StorageKind::PACKED:
            break;
    }
    return static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(x) * layout.bytes;
}

UINT FullChainLength(UINT width, UINT height, UINT depth) {
    UINT largest = width;
    if (height > largest) largest = height;
    if (depth > largest) largest = depth;
    UINT levels = 0;
    while (largest != 0) {
        ++levels;
        largest >>= 1;
    }
    return levels;
}

bool IsValidImageRect(D3DFORMAT format, UINT width, UINT height, LONG left, LONG top, LONG right,
                      LONG bottom) {
    if (left < 0 || top < 0 || left > right || top > bottom) return false;
    if (static_cast<UINT>(right) > width || static_cast<UINT>(bottom) > height) return false;
    FormatLayout layout;
    if (!FindFormatLayout(format, &layout)) return false;
    if (layout.kind == StorageKind::BLOCK) {
        if (left % 4 != 0 || top % 4 != 0) return false;
        if (right % 4 != 0 && static_cast<UINT>(right) != width) return false;
        if (bottom % 4 != 0 && static_cast<UINT>(bottom) != height) return false;
    } else if (layout.kind == StorageKind::PAIR) {
        if (left % 2 != 0) return false;
        if (right % 2 != 0 && static_cast<UINT>(right) != width) return false;
    }
    return true;
}

bool CanEncodeColor(D3DFORMAT format) { return FindColorLayout(format) != nullptr; }

namespace {

// Writes `count` copies of a pixel of `bytes` bytes: the first by hand, the rest by
// doubling the filled span, so a whole row costs a few block copies.
void FillRepeated(BYTE* pixels, const void* pixel, std::size_t bytes, UINT count) {
    if (count == 0) return;
    std::memcpy(pixels, pixel, bytes);
    std::size_t filled = bytes;
    const std::size_t total = bytes * count;
    while (filled < total) {
        std::size_t chunk = filled < total - filled ? filled : total - filled;
        std::memcpy(pixels + filled, pixels, chunk);
        filled += chunk;
    }
}

}  // namespace

void FillColor(BYTE* pixels, D3DFORMAT format, UINT count, D3DCOLOR color) {
    const ColorLayout* c = FindColorLayout(format);
    if (!c) return;
    DWORD value = 0;
    if (c->aBits) value |= NarrowChannel(color >> 24, c->aBits) << c->aShift;
    value |= NarrowChannel((color >> 16) & 0xFF, c->rBits) << c->rShift;
    value |= NarrowChannel((color >> 8) & 0xFF, c->gBits) << c->gShift;
    value |= NarrowChannel(color & 0xFF, c->bBits) << c->bShift;
    BYTE pixel[8] = {};
    WritePixel(pixel, c->bytes, value);
    FillRepeated(pixels, pixel, c->bytes, count);
}

void ConvertToX8R8G8B8(const BYTE* pixels, D3DFORMAT format, UINT count, DWORD* out) {
    const ColorLayout* c = FindColorLayout(format);
    if (!c) {
        std::memset(out, 0, static_cast<std::size_t>(count) * sizeof(DWORD));
        return;
    }
    auto channel = [](DWORD value, UINT bits, UINT shift) {
        return WidenChannel((value >> shift) & ((1u << bits) - 1), bits);
    };
    for (UINT i = 0; i < count; ++i) {
        DWORD value = ReadPixel(pixels + static_cast<std::size_t>(i) * c->bytes, c->bytes);
        out[i] = 0xFF000000u | (channel(value, c->rBits, c->rShift) << 16) |
                 (channel(value, c->gBits, c->gShift) << 8) | channel(value, c->bBits, c->bShift);
    }
}

bool CanClearDepth(D3DFORMAT format) { return IsDepthFormat(format); }

void FillDepth(BYTE* pixels, D3DFORMAT format, UINT count, float z) {
    double depth = z < 0.0f ? 0.0 : (z > 1.0f ? 1.0 : static_cast<double>(z));
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE: {
            WORD value = static_cast<WORD>(std::floor(depth * 65535.0 + 0.5));
            FillRepeated(pixels, &value, 2, count);
            return;
        }
        case D3DFMT_D32: {
            DWORD value = static_cast<DWORD>(std::floor(depth * 4294967295.0 + 0.5));
            FillRepeated(pixels, &value, 4, count);
            return;
        }
        case D3DFMT_D15S1: {
            // The stencil bit of each pixel is kept.
            const WORD value = static_cast<WORD>(static_cast<WORD>(std::floor(depth * 32767.0 + 0.5)) << 1);
            for (UINT i = 0; i < count; ++i) {
                BYTE* p = pixels + 2 * static_cast<std::size_t>(i);
                WORD old;
                std::memcpy(&old, p, 2);
                WORD stored = static_cast<WORD>(value | (old & 1));
                std::memcpy(p, &stored, 2);
            }
            return;
        }
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4: {
            // The low byte (stencil or padding) of each pixel is kept.
            const DWORD value = static_cast<DWORD>(std::floor(depth * 16777215.0 + 0.5)) << 8;
            for (UINT i = 0; i < count; ++i) {
                BYTE* p = pixels + 4 * static_cast<std::size_t>(i);
                DWORD old;
                std::memcpy(&old, p, 4);
                DWORD stored = value | (old & 0xFF);
                std::memcpy(p, &stored, 4);
            }
            return;
        }
        default:
            return;
    }
}
