// P8 and A8P8: decoding looks the index up; encoding searches all 256 entries per pixel.
#include "codecs/palette_codec.h"

#include <cstring>
#include <limits>

#include "codecs/packed_layout.h"

namespace {

constexpr float ONE_OVER_255 = 1.0f / 255.0f;

float Square(float v) { return v * v; }

// Chooses the SSE2 search when the build has it, the scalar one otherwise.
class PaletteSearch {
public:
    PaletteSearch(const ColorF* palette, bool withAlpha) : entries(palette), alpha(withAlpha) {
        if (FindNearestPaletteEntrySse2) MakePlanarPalette(palette, planar);
    }
    std::uint32_t Nearest(const ColorF& color) const {
        return FindNearestPaletteEntrySse2 ? FindNearestPaletteEntrySse2(planar, color, alpha)
                                           : FindNearestPaletteEntryScalar(entries, color, alpha);
    }

private:
    const ColorF* entries;
    bool alpha;
    PlanarPalette planar;
};

}  // namespace

std::uint32_t FindNearestPaletteEntryScalar(const ColorF* palette, const ColorF& color, bool withAlpha) {
    float best = std::numeric_limits<float>::max();
    std::uint32_t bestIndex = 0;
    for (std::uint32_t i = 0; i < 256; ++i) {
        const ColorF& e = palette[i];
        float distance = Square(e.r - color.r) + Square(e.g - color.g) + Square(e.b - color.b);
        if (withAlpha) distance = distance + Square(e.a - color.a);
        if (distance < best) {
            best = distance;
            bestIndex = i;
        }
    }
    return bestIndex;
}

void MakePlanarPalette(const ColorF* palette, PlanarPalette& planar) {
    for (int i = 0; i < 256; ++i) {
        planar.r[i] = palette[i].r;
        planar.g[i] = palette[i].g;
        planar.b[i] = palette[i].b;
        planar.a[i] = palette[i].a;
    }
}

P8Codec::P8Codec(const PixelRegion& region) : PixelCodec(region, 8, DOMAIN_UNSIGNED) {}

void P8Codec::DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) {
    const BYTE* row = pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch;
    for (std::uint32_t x = 0; x < width; ++x) out[x] = palette[row[x]];
    if (colorKey != 0) ApplyColorKey(out);
}

void P8Codec::EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) {
    if (sourceDomain != 0) in = ConvertDomain(in);
    BYTE* row = pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch;
    // The palette is read afresh for every row: nothing about it is cached between calls.
    const PaletteSearch search(palette, true);
    for (std::uint32_t x = 0; x < width; ++x) row[x] = static_cast<BYTE>(search.Nearest(in[x]));
}

A8P8Codec::A8P8Codec(const PixelRegion& region) : PixelCodec(region, 16, DOMAIN_UNSIGNED) {}

void A8P8Codec::DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) {
    const BYTE* row = pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch;
    for (std::uint32_t x = 0; x < width; ++x) {
        const ColorF& entry = palette[row[2 * x]];
        out[x] = ColorF{entry.r, entry.g, entry.b, row[2 * x + 1] * ONE_OVER_255};
    }
    if (colorKey != 0) ApplyColorKey(out);
}

void A8P8Codec::EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) {
    if (sourceDomain != 0) in = ConvertDomain(in);
    BYTE* row = pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch;
    const float* offsets = ditherTable + (y & 3) * 8 + (z & 3);
    const PaletteSearch search(palette, false);
    for (std::uint32_t x = 0; x < width; ++x) {
        row[2 * x] = static_cast<BYTE>(search.Nearest(in[x]));
        row[2 * x + 1] = static_cast<BYTE>(TruncateClamped(in[x].a * 255.0f + offsets[x & 3], 0.0f, 255.0f));
    }
}
