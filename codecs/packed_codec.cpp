// The codec class of the regular packed formats and the scalar row kernels.
#include "codecs/packed_layout.h"
#include "codecs/packed_layout_table.h"

#include <bit>
#include <cmath>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian integers");

namespace {

PackedChannel MakeChannel(const PackedField& field, float constant) {
    PackedChannel channel{};
    channel.decodeBias = field.bits == 0 ? constant : 0.0f;
    if (field.bits == 0) return channel;  // stores nothing, decodes to the constant
    const std::uint32_t mask = (field.bits == 32) ? 0xFFFFFFFFu : ((1u << field.bits) - 1u);
    channel.fieldShift = field.shift;
    channel.fieldMask = mask;
    if (field.isSigned) {
        // s = 2^(n-1); the most negative field decodes to exactly -1.
        const float scale = std::ldexp(1.0f, field.bits - 1);
        channel.signFix = 1u << (field.bits - 1);
        channel.decodeScale = 1.0f / scale;
        channel.encodeScale = scale;
        channel.low = -scale;
        channel.high = scale - 1.0f;
    } else {
        const float scale = static_cast<float>(mask);
        channel.decodeScale = 1.0f / scale;
        channel.encodeScale = scale;
        channel.low = 0.0f;
        channel.high = scale;
    }
    return channel;
}

template <std::uint32_t Bytes>
std::uint64_t LoadPixel(const BYTE* p) {
    std::uint64_t value = 0;
    std::memcpy(&value, p, Bytes);
    return value;
}

template <std::uint32_t Bytes>
void StorePixel(BYTE* p, std::uint64_t value) {
    std::memcpy(p, &value, Bytes);
}

float DecodeChannel(const PackedChannel& c, std::uint64_t pixel) {
    const std::uint32_t field = static_cast<std::uint32_t>(pixel >> c.fieldShift) & c.fieldMask;
    const std::int32_t value = static_cast<std::int32_t>((field ^ c.signFix) - c.signFix);
    return static_cast<float>(value) * c.decodeScale + c.decodeBias;
}

std::uint64_t EncodeChannel(const PackedChannel& c, float v, float offset) {
    const std::int32_t field = TruncateClamped(v * c.encodeScale + offset, c.low, c.high);
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(field) & c.fieldMask) << c.fieldShift;
}

template <std::uint32_t Bytes>
void DecodeRowOf(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint64_t pixel = LoadPixel<Bytes>(source + x * Bytes);
        out[x] = ColorF{DecodeChannel(plan.channel[0], pixel), DecodeChannel(plan.channel[1], pixel),
                        DecodeChannel(plan.channel[2], pixel), DecodeChannel(plan.channel[3], pixel)};
    }
}

template <std::uint32_t Bytes>
void EncodeRowOf(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in, const float* offsets) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const ColorF& c = in[x];
        const float d = offsets[x & 3];
        std::uint64_t pixel;
        if (plan.luminance) {
            pixel = EncodeChannel(plan.channel[0], LuminanceOf(c.r, c.g, c.b), d);
        } else {
            pixel = EncodeChannel(plan.channel[0], c.r, d) | EncodeChannel(plan.channel[1], c.g, d) |
                    EncodeChannel(plan.channel[2], c.b, d);
        }
        pixel |= EncodeChannel(plan.channel[3], c.a, d);
        StorePixel<Bytes>(dest + x * Bytes, pixel);
    }
}

}  // namespace

const PackedLayout* FindPackedLayout(D3DFORMAT format) {
    for (const PackedLayout& layout : PACKED_LAYOUTS) {
        if (layout.format == format) return &layout;
    }
    return nullptr;
}

PackedPlan MakePackedPlan(const PackedLayout& layout) {
    PackedPlan plan{};
    plan.bytesPerPixel = layout.bitsPerPixel / 8;
    plan.luminance = layout.luminance;
    for (int c = 0; c < 4; ++c) plan.channel[c] = MakeChannel(layout.field[c], layout.constant[c]);
    if (layout.luminance) {
        // Decoding spreads the one luminance over r, g and b; encoding stores it once.
        plan.channel[1] = plan.channel[0];
        plan.channel[2] = plan.channel[0];
    }
    return plan;
}

void DecodePackedRowScalar(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out) {
    switch (plan.bytesPerPixel) {
    case 1: DecodeRowOf<1>(plan, source, width, out); break;
    case 2: DecodeRowOf<2>(plan, source, width, out); break;
    case 3: DecodeRowOf<3>(plan, source, width, out); break;
    case 4: DecodeRowOf<4>(plan, source, width, out); break;
    case 6: DecodeRowOf<6>(plan, source, width, out); break;
    case 8: DecodeRowOf<8>(plan, source, width, out); break;
    default: break;
    }
}

void EncodePackedRowScalar(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in,
                           const float* offsets) {
    switch (plan.bytesPerPixel) {
    case 1: EncodeRowOf<1>(plan, dest, width, in, offsets); break;
    case 2: EncodeRowOf<2>(plan, dest, width, in, offsets); break;
    case 3: EncodeRowOf<3>(plan, dest, width, in, offsets); break;
    case 4: EncodeRowOf<4>(plan, dest, width, in, offsets); break;
    case 6: EncodeRowOf<6>(plan, dest, width, in, offsets); break;
    case 8: EncodeRowOf<8>(plan, dest, width, in, offsets); break;
    default: break;
    }
}

PackedCodec::PackedCodec(const PixelRegion& region, const PackedLayout& layout)
    : PixelCodec(region, layout.bitsPerPixel, layout.domain),
      plan(MakePackedPlan(layout)),
      decodeRow(DecodePackedRowScalar),
      encodeRow(EncodePackedRowScalar) {
    const PackedRowKernels sse2 = FindPackedRowKernelsSse2(layout);
    if (sse2.decode && sse2.encode) {
        decodeRow = sse2.decode;
        encodeRow = sse2.encode;
    }
}

void PackedCodec::DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) {
    decodeRow(plan, pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch,
              width, out);
    if (colorKey != 0) ApplyColorKey(out);
}

void PackedCodec::EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) {
    if (sourceDomain != 0) in = ConvertDomain(in);
    encodeRow(plan, pixels + static_cast<std::size_t>(y) * rowPitch + static_cast<std::size_t>(z) * slicePitch,
              width, in, ditherTable + (y & 3) * 8 + (z & 3));
}
