// The two box strategies: exact 2:1 reductions in 2D (with the packed fast routines) and 3D.
#include "transfer/box_routines.h"
#include "transfer/color_rows.h"
#include "transfer/pixel_blitter.h"

namespace {

// The destination size is half the source's, rounded down, or both are 1.
bool Halves(std::uint32_t destination, std::uint32_t source) {
    return destination == source / 2 || (destination == 1 && source == 1);
}

// Drops the last column, row or slice of an odd size above 1.
void EvenOut(PixelCodec& codec, bool depthToo) {
    if (codec.width > 1 && codec.width % 2 == 1) {
        --codec.width;
        codec.rowBytes -= codec.bytesPerPixel;
    }
    if (codec.height > 1 && codec.height % 2 == 1) --codec.height;
    if (depthToo && codec.depth > 1 && codec.depth % 2 == 1) --codec.depth;
}

inline ColorF Sum(const ColorF& a, const ColorF& b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a}; }
inline ColorF Scale(const ColorF& c, float s) { return {c.r * s, c.g * s, c.b * s, c.a * s}; }

}  // namespace

HRESULT PixelBlitter::BoxHalve2D() {
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    if (Selector() != FILTER_BOX || !Halves(dst.width, src.width) || !Halves(dst.height, src.height) ||
        dst.depth != 1 || src.depth != 1)
        return E_FAIL;
    EvenOut(src, false);

    // The packed routines average raw values and know nothing of colour keys, so a keyed
    // source takes the float path, where keyed pixels decode as transparent black.
    if (!(filter & FILTER_DITHER) && dst.format == src.format && src.colorKey == 0 && src.width > 1 &&
        src.height > 1 && src.isPacked && dst.isPacked) {
        if (BoxRoutine routine = FindBoxRoutine(D3DFORMAT(src.format))) {
            if (routine(dst.pixels, dst.rowPitch, src.pixels, src.rowPitch, src.width, src.height) >= 0) {
                usedFastBoxRoutine = true;
                return S_OK;
            }
        }
    }

    ColorRow out = AllocateColorRow(dst.width);
    ColorRow upper = AllocateColorRow(src.width);
    ColorRow lowerStorage = src.height > 1 ? AllocateColorRow(src.width) : nullptr;
    if (!out || !upper || (src.height > 1 && !lowerStorage)) return E_OUTOFMEMORY;
    ColorF* lower = src.height > 1 ? lowerStorage.get() : upper.get();
    const std::uint32_t nextColumn = src.width > 1 ? 1 : 0;

    for (std::uint32_t i = 0; i < dst.height; ++i) {
        src.DecodeRow(src.height > 1 ? 2 * i : 0, 0, upper.get());
        if (src.height > 1) src.DecodeRow(2 * i + 1, 0, lower);
        for (std::uint32_t j = 0; j < dst.width; ++j) {
            const std::uint32_t x = src.width > 1 ? 2 * j : 0;
            out[j] = Scale(Sum(Sum(Sum(upper[x], upper[x + nextColumn]), lower[x]), lower[x + nextColumn]), 0.25f);
        }
        dst.EncodeRow(i, 0, out.get());
    }
    return S_OK;
}

HRESULT PixelBlitter::BoxHalve3D() {
    PixelCodec& dst = *destinationCodec;
    PixelCodec& src = *sourceCodec;
    if (Selector() != FILTER_BOX || !Halves(dst.width, src.width) || !Halves(dst.height, src.height) ||
        dst.depth != src.depth / 2)
        return E_FAIL;
    EvenOut(src, true);

    const bool twoRows = src.height > 1;
    const bool twoSlices = src.depth > 1;
    ColorRow out = AllocateColorRow(dst.width);
    ColorRow r00 = AllocateColorRow(src.width);
    ColorRow r01 = twoSlices ? AllocateColorRow(src.width) : nullptr;
    ColorRow r10 = twoRows ? AllocateColorRow(src.width) : nullptr;
    ColorRow r11 = twoRows && twoSlices ? AllocateColorRow(src.width) : nullptr;
    if (!out || !r00 || (twoSlices && !r01) || (twoRows && !r10) || (twoRows && twoSlices && !r11))
        return E_OUTOFMEMORY;
    // A single row or slice stands in for its missing partner.
    ColorF* row00 = r00.get();
    ColorF* row01 = twoSlices ? r01.get() : row00;
    ColorF* row10 = twoRows ? r10.get() : row00;
    ColorF* row11 = twoRows ? (twoSlices ? r11.get() : row10) : row01;
    const std::uint32_t nextColumn = src.width > 1 ? 1 : 0;

    for (std::uint32_t i = 0; i < dst.depth; ++i) {
        const std::uint32_t z0 = twoSlices ? 2 * i : 0;
        const std::uint32_t z1 = twoSlices ? 2 * i + 1 : 0;
        for (std::uint32_t j = 0; j < dst.height; ++j) {
            const std::uint32_t y0 = twoRows ? 2 * j : 0;
            src.DecodeRow(y0, z0, row00);
            if (twoSlices) src.DecodeRow(y0, z1, row01);
            if (twoRows) {
                src.DecodeRow(y0 + 1, z0, row10);
                if (twoSlices) src.DecodeRow(y0 + 1, z1, row11);
            }
            for (std::uint32_t k = 0; k < dst.width; ++k) {
                const std::uint32_t x = src.width > 1 ? 2 * k : 0;
                ColorF sum = Sum(row00[x], row00[x + nextColumn]);
                sum = Sum(Sum(sum, row01[x]), row01[x + nextColumn]);
                sum = Sum(Sum(sum, row10[x]), row10[x + nextColumn]);
                sum = Sum(Sum(sum, row11[x]), row11[x + nextColumn]);
                out[k] = Scale(sum, 0.125f);
            }
            dst.EncodeRow(j, i, out.get());
        }
    }
    return S_OK;
}
