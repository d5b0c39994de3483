// The per-format converter between packed pixels and rows of ColorF, and what every codec
// shares: value domains, the colour key, the palette and the encoding offsets.
#pragma once

#include <cstdint>

#include "codecs/pixel_region.h"
#include "codecs/private_formats.h"

struct ColorF {
    float r;
    float g;
    float b;
    float a;
};

// Value domains of a row of ColorF.
constexpr std::uint32_t DOMAIN_UNSIGNED = 1;    // r, g, b, a in 0..1
constexpr std::uint32_t DOMAIN_SIGNED_RGB = 2;  // r, g, b in -1..1, a in 0..1
constexpr std::uint32_t DOMAIN_SIGNED = 3;      // all four in -1..1

// Encoding offsets, 4 rows of 8: each row holds its four values twice.
extern const float RoundingTable[32];
extern const float OrderedDitherTable[32];

class PixelCodec {
public:
    // Slot 0. Frees conversionRow.
    virtual ~PixelCodec();
    // Slot 1: decodes row y of slice z (counted from the box's top and front), `width` pixels.
    virtual void DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out);
    // Slot 2: encodes `width` pixels into row y of slice z.
    virtual void EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in);
    // Slot 3: makes keyColor what DecodeRow yields for a pixel written with the key.
    virtual void SnapColorKey();

    // Writes `width` pixels of `row`, mapped from sourceDomain into domain, into
    // conversionRow and returns it.
    ColorF* ConvertDomain(const ColorF* row);
    // Turns each pixel equal to keyColor into (0, 0, 0, 0).
    void ApplyColorKey(ColorF* row) const;

    // State, in this order; the blitter reads several fields directly.
    std::uint32_t format;
    std::uint32_t domain;
    std::uint32_t isPacked;
    std::uint32_t colorKey;
    std::uint32_t isPalettised;
    BYTE* pixels;
    ColorF keyColor;
    const float* ditherTable;
    ColorF palette[256];
    D3DBOX box;
    std::uint32_t sourceDomain;
    ColorF* conversionRow;
    std::uint32_t rowPitch;
    std::uint32_t slicePitch;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t depth;
    std::uint32_t rowBytes;
    std::uint32_t bytesPerPixel;

protected:
    // The construction shared by every codec class: the class passes its bits per pixel
    // (0 for YUV and DXT) and its domain.
    PixelCodec(const PixelRegion& region, std::uint32_t bitsPerPixel, std::uint32_t domain);

    PixelCodec(const PixelCodec&) = delete;
    PixelCodec& operator=(const PixelCodec&) = delete;
};

// A new codec for the region's format, or null when the format has no codec or memory
// runs out. Calls SnapColorKey once when the region has a colour key.
PixelCodec* MakePixelCodec(const PixelRegion& region);

// Prepares `dest` to receive rows in the source's domain. S_OK or E_OUTOFMEMORY.
HRESULT PairCodecs(PixelCodec& dest, const PixelCodec& source);
