// The pixel format catalogue: every format the library knows, described by kind, storage
// bits and channel bit counts; and the choice of a device format that loses least.
#pragma once

#include <cstdint>

#include "platform/d3d8.h"

enum PixelKind : std::uint32_t {
    PIXEL_KIND_RGB = 0,
    PIXEL_KIND_PALETTE = 1,
    PIXEL_KIND_LUMINANCE = 2,
    PIXEL_KIND_SIGNED = 3,
    PIXEL_KIND_DEPTH = 4,
};

// One catalogue row. The five channel counts are compared position by position: colour
// formats use alpha, red, green, blue; luminance repeats its size in red, green and blue;
// palettes give 8 in all four; signed formats put W, V, U in red, green, blue (Q in
// alpha; L, or the 2-bit A of A2W10V10U10, in other); depth formats put stencil in green
// and depth in blue.
struct PixelFormatDesc {
    std::uint32_t format;
    std::uint32_t kind;
    std::uint32_t bitsPerPixel;
    std::uint32_t otherBits;
    std::uint32_t alphaBits;
    std::uint32_t redBits;
    std::uint32_t greenBits;
    std::uint32_t blueBits;
    std::uint32_t selectable;  // may approximate another format; else exact matches only
};

constexpr std::uint32_t PIXEL_FORMAT_COUNT = 43;
// The catalogue rows, in the order that breaks ties.
extern const PixelFormatDesc PIXEL_FORMATS[PIXEL_FORMAT_COUNT];
// The row for formats the catalogue lacks: an unspecified 8:8:8:8 colour format.
extern const PixelFormatDesc FALLBACK_PIXEL_FORMAT;
// [kind wanted][kind of candidate]: 1 where the conversion is allowed.
extern const std::uint8_t KindCompatibility[5][5];

constexpr std::uint32_t FORMAT_COST_IMPOSSIBLE = 0xFFFFFFFFu;

// The row of `format`, or the fall-back row; never null.
const PixelFormatDesc* FindPixelFormatDesc(D3DFORMAT format);
// What converting `wanted` into `candidate` loses; FORMAT_COST_IMPOSSIBLE when not allowed.
std::uint32_t FormatConversionCost(const PixelFormatDesc* wanted, const PixelFormatDesc* candidate);
// The supported catalogue format nearest to `wanted`, or D3DFMT_UNKNOWN. Without a device
// every format counts as supported.
D3DFORMAT PickDeviceFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE resourceType,
                           const PixelFormatDesc* wanted);
// The Direct3D format that stands in for a private 16-bit-per-channel format.
D3DFORMAT PickStorageFormat(D3DFORMAT format);
