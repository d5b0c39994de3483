// SSE2 palette search: four entries per step, each lane keeping its own first minimum;
// the lanes are then merged by smallest distance and, among equals, lowest index, which is
// exactly the first minimum of the sequential scan.
#include "codecs/palette_codec.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <limits>

namespace {

__m128 SquaredDifference(const float* entries, __m128 value) {
    const __m128 difference = _mm_sub_ps(_mm_load_ps(entries), value);
    return _mm_mul_ps(difference, difference);
}

std::uint32_t FindNearestSse2(const PlanarPalette& palette, const ColorF& color, bool withAlpha) {
    const __m128 r = _mm_set1_ps(color.r);
    const __m128 g = _mm_set1_ps(color.g);
    const __m128 b = _mm_set1_ps(color.b);
    const __m128 a = _mm_set1_ps(color.a);
    __m128 best = _mm_set1_ps(std::numeric_limits<float>::max());
    __m128i bestIndex = _mm_setzero_si128();
    __m128i index = _mm_set_epi32(3, 2, 1, 0);
    const __m128i step = _mm_set1_epi32(4);
    for (int i = 0; i < 256; i += 4) {
        __m128 distance = _mm_add_ps(
            _mm_add_ps(SquaredDifference(palette.r + i, r), SquaredDifference(palette.g + i, g)),
            SquaredDifference(palette.b + i, b));
        if (withAlpha) distance = _mm_add_ps(distance, SquaredDifference(palette.a + i, a));
        const __m128 closer = _mm_cmplt_ps(distance, best);
        best = _mm_or_ps(_mm_and_ps(closer, distance), _mm_andnot_ps(closer, best));
        const __m128i closerBits = _mm_castps_si128(closer);
        bestIndex = _mm_or_si128(_mm_and_si128(closerBits, index), _mm_andnot_si128(closerBits, bestIndex));
        index = _mm_add_epi32(index, step);
    }
    alignas(16) float laneBest[4];
    alignas(16) std::int32_t laneIndex[4];
    _mm_store_ps(laneBest, best);
    _mm_store_si128(reinterpret_cast<__m128i*>(laneIndex), bestIndex);
    float chosen = laneBest[0];
    std::int32_t chosenIndex = laneIndex[0];
    for (int lane = 1; lane < 4; ++lane) {
        if (laneBest[lane] < chosen || (laneBest[lane] == chosen && laneIndex[lane] < chosenIndex)) {
            chosen = laneBest[lane];
            chosenIndex = laneIndex[lane];
        }
    }
    return static_cast<std::uint32_t>(chosenIndex);
}

}  // namespace

const FindNearestPaletteEntryFn FindNearestPaletteEntrySse2 = FindNearestSse2;

#else

const FindNearestPaletteEntryFn FindNearestPaletteEntrySse2 = nullptr;

#endif
