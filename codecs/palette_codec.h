// The two palettised formats: P8 (an index into a 256-colour palette with alpha) and
// A8P8 (an index for the colour and a separate alpha byte).
#pragma once

#include <cstdint>

#include "codecs/pixel_codec.h"

// The index of the entry nearest to `color` by squared Euclidean distance over r, g, b
// (and a when `withAlpha`); ties go to the lowest index.
std::uint32_t FindNearestPaletteEntryScalar(const ColorF* palette, const ColorF& color, bool withAlpha);

// The palette rearranged channel by channel for the SSE2 search.
struct PlanarPalette {
    alignas(16) float r[256];
    alignas(16) float g[256];
    alignas(16) float b[256];
    alignas(16) float a[256];
};
void MakePlanarPalette(const ColorF* palette, PlanarPalette& planar);

// The SSE2 search: the same distances summed in the same order, so the same index.
// Null where the build has no SSE2.
using FindNearestPaletteEntryFn = std::uint32_t (*)(const PlanarPalette& palette, const ColorF& color,
                                                    bool withAlpha);
extern const FindNearestPaletteEntryFn FindNearestPaletteEntrySse2;

class P8Codec final : public PixelCodec {
public:
    explicit P8Codec(const PixelRegion& region);
    void DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) override;
    void EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) override;
};

class A8P8Codec final : public PixelCodec {
public:
    explicit A8P8Codec(const PixelRegion& region);
    void DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) override;
    void EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) override;
};
