// The MMX form of the 32-bit box halving, x86 only.
#include "transfer/box_routines.h"

#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)

#include <mmintrin.h>

#include <cstring>

HRESULT BoxHalveMmx32(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch, UINT width,
                      UINT height) {
    if (width % 4 != 0) return BoxHalveA8R8G8B8(destination, destinationPitch, source, sourcePitch, width, height);

    _mm_empty();
    const __m64 zero = _mm_setzero_si64();
    const __m64 two = _mm_set1_pi16(2);
    for (UINT i = 0; i < height / 2; ++i) {
        const BYTE* upper = source;
        const BYTE* lower = source + sourcePitch;
        BYTE* out = destination;
        for (UINT j = 0; j < width / 4; ++j) {
            // Four pixels of each row: a and b hold pixels 0-1 and 2-3 of the upper row,
            // c and d those of the lower row.
            __m64 a, b, c, d;
            std::memcpy(&a, upper, 8);
            std::memcpy(&b, upper + 8, 8);
            std::memcpy(&c, lower, 8);
            std::memcpy(&d, lower + 8, 8);
            // Every byte to a 16-bit lane, the four pixels of each square added lane by lane.
            __m64 left = _mm_add_pi16(_mm_add_pi16(_mm_unpacklo_pi8(a, zero), _mm_unpackhi_pi8(a, zero)),
                                      _mm_add_pi16(_mm_unpacklo_pi8(c, zero), _mm_unpackhi_pi8(c, zero)));
            __m64 right = _mm_add_pi16(_mm_add_pi16(_mm_unpacklo_pi8(b, zero), _mm_unpackhi_pi8(b, zero)),
                                       _mm_add_pi16(_mm_unpacklo_pi8(d, zero), _mm_unpackhi_pi8(d, zero)));
            left = _mm_srli_pi16(_mm_add_pi16(left, two), 2);
            right = _mm_srli_pi16(_mm_add_pi16(right, two), 2);
            const __m64 packed = _mm_packs_pu16(left, right);
            std::memcpy(out, &packed, 8);
            upper += 16;
            lower += 16;
            out += 8;
        }
        source += 2 * std::size_t(sourcePitch);
        destination += destinationPitch;
    }
    _mm_empty();
    return S_OK;
}

#endif
