// SSE2 forms of the packed row kernels. Four pixels at a time, one vector per channel:
// the same single-precision operations in the same order as the scalar forms, so the
// stored integers and decoded floats are identical (tests compare the two).
#include "codecs/packed_layout.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstring>

namespace {

template <std::uint32_t Bytes>
__m128i LoadFour(const BYTE* p) {
    const __m128i zero = _mm_setzero_si128();
    if constexpr (Bytes == 4) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    } else if constexpr (Bytes == 2) {
        return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    } else {
        std::int32_t bytes;
        std::memcpy(&bytes, p, 4);
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
    }
}

template <std::uint32_t Bytes>
void StoreFour(BYTE* p, __m128i v) {
    if constexpr (Bytes == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    } else if constexpr (Bytes == 2) {
        // Sign-extend the low 16 bits so that the saturating pack keeps them unchanged.
        v = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packs_epi32(v, v));
    } else {
        // One-byte pixels hold values below 256, which both packs keep unchanged.
        v = _mm_packs_epi32(v, v);
        v = _mm_packus_epi16(v, v);
        const std::int32_t bytes = _mm_cvtsi128_si32(v);
        std::memcpy(p, &bytes, 4);
    }
}

struct DecodeLanes {
    __m128i shift[4];
    __m128i mask[4];
    __m128i signFix[4];
    __m128 scale[4];
    __m128 bias[4];
};

struct EncodeLanes {
    bool stored[4];
    __m128i shift[4];
    __m128i mask[4];
    __m128 scale[4];
    __m128 low[4];
    __m128 high[4];
};

template <std::uint32_t Bytes>
void DecodeRowOf(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out) {
    DecodeLanes lanes;
    for (int c = 0; c < 4; ++c) {
        const PackedChannel& ch = plan.channel[c];
        lanes.shift[c] = _mm_cvtsi32_si128(static_cast<int>(ch.fieldShift));
        lanes.mask[c] = _mm_set1_epi32(static_cast<int>(ch.fieldMask));
        lanes.signFix[c] = _mm_set1_epi32(static_cast<int>(ch.signFix));
        lanes.scale[c] = _mm_set1_ps(ch.decodeScale);
        lanes.bias[c] = _mm_set1_ps(ch.decodeBias);
    }
    std::uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i p = LoadFour<Bytes>(source + x * Bytes);
        __m128 v[4];
        for (int c = 0; c < 4; ++c) {
            __m128i field = _mm_and_si128(_mm_srl_epi32(p, lanes.shift[c]), lanes.mask[c]);
            field = _mm_sub_epi32(_mm_xor_si128(field, lanes.signFix[c]), lanes.signFix[c]);
            v[c] = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(field), lanes.scale[c]), lanes.bias[c]);
        }
        _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
        float* o = &out[x].r;
        _mm_storeu_ps(o, v[0]);
        _mm_storeu_ps(o + 4, v[1]);
        _mm_storeu_ps(o + 8, v[2]);
        _mm_storeu_ps(o + 12, v[3]);
    }
    if (x < width) DecodePackedRowScalar(plan, source + x * Bytes, width - x, out + x);
}

template <std::uint32_t Bytes>
void EncodeRowOf(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in, const float* offsets) {
    EncodeLanes lanes;
    for (int c = 0; c < 4; ++c) {
        const PackedChannel& ch = plan.channel[c];
        lanes.stored[c] = ch.fieldMask != 0 && !(plan.luminance && (c == 1 || c == 2));
        lanes.shift[c] = _mm_cvtsi32_si128(static_cast<int>(ch.fieldShift));
        lanes.mask[c] = _mm_set1_epi32(static_cast<int>(ch.fieldMask));
        lanes.scale[c] = _mm_set1_ps(ch.encodeScale);
        lanes.low[c] = _mm_set1_ps(ch.low);
        lanes.high[c] = _mm_set1_ps(ch.high);
    }
    // Pixels x .. x + 3 with x a multiple of 4 take offsets[0 .. 3].
    const __m128 d = _mm_loadu_ps(offsets);
    const __m128 lumaB = _mm_set1_ps(0.0721f);
    const __m128 lumaG = _mm_set1_ps(0.7154f);
    const __m128 lumaR = _mm_set1_ps(0.2125f);
    std::uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const float* i = &in[x].r;
        __m128 v[4] = {_mm_loadu_ps(i), _mm_loadu_ps(i + 4), _mm_loadu_ps(i + 8), _mm_loadu_ps(i + 12)};
        _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
        if (plan.luminance) {
            v[0] = _mm_add_ps(_mm_add_ps(_mm_mul_ps(lumaB, v[2]), _mm_mul_ps(lumaG, v[1])), _mm_mul_ps(lumaR, v[0]));
        }
        __m128i pixel = _mm_setzero_si128();
        for (int c = 0; c < 4; ++c) {
            if (!lanes.stored[c]) continue;
            __m128 f = _mm_add_ps(_mm_mul_ps(v[c], lanes.scale[c]), d);
            f = _mm_max_ps(_mm_min_ps(f, lanes.high[c]), lanes.low[c]);
            const __m128i field = _mm_and_si128(_mm_cvttps_epi32(f), lanes.mask[c]);
            pixel = _mm_or_si128(pixel, _mm_sll_epi32(field, lanes.shift[c]));
        }
        StoreFour<Bytes>(dest + x * Bytes, pixel);
    }
    if (x < width) EncodePackedRowScalar(plan, dest + x * Bytes, width - x, in + x, offsets);
}

void DecodeRowSse2(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out) {
    switch (plan.bytesPerPixel) {
    case 1: DecodeRowOf<1>(plan, source, width, out); break;
    case 2: DecodeRowOf<2>(plan, source, width, out); break;
    case 4: DecodeRowOf<4>(plan, source, width, out); break;
    default: DecodePackedRowScalar(plan, source, width, out); break;
    }
}

void EncodeRowSse2(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in, const float* offsets) {
    switch (plan.bytesPerPixel) {
    case 1: EncodeRowOf<1>(plan, dest, width, in, offsets); break;
    case 2: EncodeRowOf<2>(plan, dest, width, in, offsets); break;
    case 4: EncodeRowOf<4>(plan, dest, width, in, offsets); break;
    default: EncodePackedRowScalar(plan, dest, width, in, offsets); break;
    }
}

}  // namespace

const DecodePackedRowFn DecodePackedRowSse2 = DecodeRowSse2;
const EncodePackedRowFn EncodePackedRowSse2 = EncodeRowSse2;

#else

const DecodePackedRowFn DecodePackedRowSse2 = nullptr;
const EncodePackedRowFn EncodePackedRowSse2 = nullptr;

#endif
