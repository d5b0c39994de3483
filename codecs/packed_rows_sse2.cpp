// SSE2 forms of the packed row kernels. Four pixels at a time, one vector per channel:
// the same single-precision operations in the same order as the scalar forms, so the
// stored integers and decoded floats are identical (tests compare the two).
#include "codecs/packed_layout.h"
#include "codecs/packed_layout_table.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <array>
#include <cstring>
#include <iterator>
#include <utility>

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

// The row kernels of layout I of the table: every shift, mask and scale is a constant, and
// channels that the layout does not store cost nothing.
template <std::size_t I>
struct Sse2Kernel {
    static constexpr const PackedLayout& LAYOUT = PACKED_LAYOUTS[I];
    static constexpr std::uint32_t BYTES = LAYOUT.bitsPerPixel / 8;

    // The field a channel decodes from: luminance formats spread field 0 over r, g and b.
    static constexpr PackedField DecodedField(int c) {
        return LAYOUT.luminance && (c == 1 || c == 2) ? LAYOUT.field[0] : LAYOUT.field[c];
    }
    static constexpr bool Stored(int c) {
        return LAYOUT.field[c].bits != 0 && !(LAYOUT.luminance && (c == 1 || c == 2));
    }
    // The scales of MakePackedPlan: 2^n - 1 unsigned, 2^(n-1) signed.
    static constexpr float Scale(const PackedField& f) {
        return f.isSigned ? static_cast<float>(1u << (f.bits - 1)) : static_cast<float>((1u << f.bits) - 1u);
    }

    template <int C>
    static __m128 DecodeChannel(__m128i p) {
        constexpr PackedField f = DecodedField(C);
        if constexpr (f.bits == 0) {
            return _mm_set1_ps(LAYOUT.constant[C]);
        } else {
            __m128i field;
            if constexpr (f.isSigned) {
                field = _mm_srai_epi32(_mm_slli_epi32(p, 32 - f.shift - f.bits), 32 - f.bits);
            } else {
                field = _mm_srli_epi32(p, f.shift);
                // Loaded pixels are zero-extended: a field at the top of the pixel needs no mask.
                if constexpr (f.shift + f.bits < 8 * BYTES) {
                    field = _mm_and_si128(field, _mm_set1_epi32(static_cast<int>((1u << f.bits) - 1u)));
                }
            }
            constexpr float decodeScale = 1.0f / Scale(f);
            return _mm_mul_ps(_mm_cvtepi32_ps(field), _mm_set1_ps(decodeScale));
        }
    }

    template <int C>
    static __m128i EncodeChannel(__m128 v, __m128 d) {
        constexpr PackedField f = LAYOUT.field[C];
        constexpr float scale = Scale(f);
        constexpr float low = f.isSigned ? -scale : 0.0f;
        constexpr float high = f.isSigned ? scale - 1.0f : scale;
        __m128 x = _mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(scale)), d);
        x = _mm_max_ps(_mm_min_ps(x, _mm_set1_ps(high)), _mm_set1_ps(low));
        __m128i field = _mm_cvttps_epi32(x);
        // Unsigned fields are already within their mask once clamped.
        if constexpr (f.isSigned) field = _mm_and_si128(field, _mm_set1_epi32(static_cast<int>((1u << f.bits) - 1u)));
        if constexpr (f.shift != 0) field = _mm_slli_epi32(field, f.shift);
        return field;
    }

    template <int C>
    static void AddChannel(__m128i& pixel, const __m128 (&v)[4], __m128 d) {
        if constexpr (Stored(C)) pixel = _mm_or_si128(pixel, EncodeChannel<C>(v[C], d));
    }

    static void Decode(const PackedPlan& plan, const BYTE* source, std::uint32_t width, ColorF* out) {
        std::uint32_t x = 0;
        for (; x + 4 <= width; x += 4) {
            const __m128i p = LoadFour<BYTES>(source + x * BYTES);
            __m128 r = DecodeChannel<0>(p);
            __m128 g = LAYOUT.luminance ? r : DecodeChannel<1>(p);
            __m128 b = LAYOUT.luminance ? r : DecodeChannel<2>(p);
            __m128 a = DecodeChannel<3>(p);
            _MM_TRANSPOSE4_PS(r, g, b, a);
            float* o = &out[x].r;
            _mm_storeu_ps(o, r);
            _mm_storeu_ps(o + 4, g);
            _mm_storeu_ps(o + 8, b);
            _mm_storeu_ps(o + 12, a);
        }
        if (x < width) DecodePackedRowScalar(plan, source + x * BYTES, width - x, out + x);
    }

    static void Encode(const PackedPlan& plan, BYTE* dest, std::uint32_t width, const ColorF* in,
                       const float* offsets) {
        // Pixels x .. x + 3 with x a multiple of 4 take offsets[0 .. 3].
        const __m128 d = _mm_loadu_ps(offsets);
        std::uint32_t x = 0;
        for (; x + 4 <= width; x += 4) {
            const float* i = &in[x].r;
            __m128 v[4] = {_mm_loadu_ps(i), _mm_loadu_ps(i + 4), _mm_loadu_ps(i + 8), _mm_loadu_ps(i + 12)};
            _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
            if constexpr (LAYOUT.luminance) {
                v[0] = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.0721f), v[2]), _mm_mul_ps(_mm_set1_ps(0.7154f), v[1])),
                                  _mm_mul_ps(_mm_set1_ps(0.2125f), v[0]));
            }
            __m128i pixel = _mm_setzero_si128();
            AddChannel<0>(pixel, v, d);
            AddChannel<1>(pixel, v, d);
            AddChannel<2>(pixel, v, d);
            AddChannel<3>(pixel, v, d);
            StoreFour<BYTES>(dest + x * BYTES, pixel);
        }
        if (x < width) EncodePackedRowScalar(plan, dest + x * BYTES, width - x, in + x, offsets);
    }
};

template <std::size_t I>
constexpr PackedRowKernels KernelsOf() {
    constexpr std::uint32_t bytes = PACKED_LAYOUTS[I].bitsPerPixel / 8;
    if constexpr (bytes == 1 || bytes == 2 || bytes == 4) {
        return PackedRowKernels{&Sse2Kernel<I>::Decode, &Sse2Kernel<I>::Encode};
    } else {
        return PackedRowKernels{nullptr, nullptr};
    }
}

template <std::size_t... I>
constexpr std::array<PackedRowKernels, sizeof...(I)> MakeKernelTable(std::index_sequence<I...>) {
    return {KernelsOf<I>()...};
}

constexpr auto SSE2_KERNELS = MakeKernelTable(std::make_index_sequence<std::size(PACKED_LAYOUTS)>{});

}  // namespace

PackedRowKernels FindPackedRowKernelsSse2(const PackedLayout& layout) {
    for (std::size_t i = 0; i < SSE2_KERNELS.size(); ++i) {
        if (&PACKED_LAYOUTS[i] == &layout) return SSE2_KERNELS[i];
    }
    return PackedRowKernels{nullptr, nullptr};
}

#else

PackedRowKernels FindPackedRowKernelsSse2(const PackedLayout&) { return PackedRowKernels{nullptr, nullptr}; }

#endif
