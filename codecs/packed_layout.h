// The regular packed formats described as data: where each channel lives in the pixel and
// how it is scaled. One row kernel (scalar, with an SSE2 form beside it) serves them all.
#pragma once

#include <cstdint>

#include "codecs/pixel_codec.h"

// One stored field of a pixel, counted from bit 0 of the pixel read as a little-endian
// integer. bits == 0: the channel is not stored.
struct PackedField {
    std::uint8_t shift = 0;
    std::uint8_t bits = 0;
    bool isSigned = false;
};

struct PackedLayout {
    D3DFORMAT format;
    std::uint32_t bitsPerPixel;
    std::uint32_t domain;
    // r, g and b are one stored luminance, held in field[0]; field[1] and field[2] unused.
    bool luminance;
    PackedField field[4];  // r, g, b, a
    float constant[4];     // what a channel without a field decodes to
};

// The layout of a regular packed format, or null for any other format.
const PackedLayout* FindPackedLayout(D3DFORMAT format);

// What the row kernels need per channel, derived once from a layout.
struct PackedChannel {
    // The field is (pixel >> fieldShift) & fieldMask; fieldMask 0: the channel is not stored.
    std::uint32_t fieldShift;
    std::uint32_t fieldMask;
    // Decoding: (field ^ signFix) - signFix sign-extends a signed field;
    // value = float(field) x decodeScale + decodeBias.
    std::uint32_t signFix;
    float decodeScale;
    float decodeBias;
    // Encoding: field = trunc(clamp(v x encodeScale + d, low, high)), stored as
    // (field & fieldMask) << fieldShift.
    float encodeScale;
    float low;
    float high;
};

struct PackedPlan {
    std::uint32_t bytesPerPixel;
    bool luminance;
    PackedChannel channel[4];
};

PackedPlan MakePackedPlan(const PackedLayout& layout);

// Row kernels. `offsets` is the dither table row for the row and slice being written
// (ditherTable + (y & 3) x 8 + (z & 3)); pixel x takes offsets[x & 3].
using DecodePackedRowFn = void (*)(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out);
using EncodePackedRowFn = void (*)(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in,
                                   const float* offsets);

// The reference forms, for every pixel size.
void DecodePackedRowScalar(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out);
void EncodePackedRowScalar(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in,
                           const float* offsets);

struct PackedRowKernels {
    DecodePackedRowFn decode;
    EncodePackedRowFn encode;
};

// The SSE2 forms generated at compile time for one layout of the table, whose pixels have
// 1, 2 or 4 bytes; they store exactly what the scalar forms store. Nulls for other layouts
// and where the build has no SSE2.
PackedRowKernels FindPackedRowKernelsSse2(const PackedLayout& layout);

// Luminance from a colour, summed in this order in single precision.
inline float LuminanceOf(float r, float g, float b) { return 0.0721f * b + 0.7154f * g + 0.2125f * r; }

// trunc(clamp(f, low, high)): f above high (or not a number) stores high, f below low stores low.
inline std::int32_t TruncateClamped(float f, float low, float high) {
    f = f < high ? f : high;
    f = f > low ? f : low;
    return static_cast<std::int32_t>(f);
}

class PackedCodec final : public PixelCodec {
public:
    PackedCodec(const PixelRegion& region, const PackedLayout& layout);

    void DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) override;
    void EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) override;

private:
    PackedPlan plan;
    DecodePackedRowFn decodeRow;
    EncodePackedRowFn encodeRow;
};
