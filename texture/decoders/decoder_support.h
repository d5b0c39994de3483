// Small helpers shared by the image decoders: little-endian reads from a file image,
// size arithmetic that refuses anything beyond 32 bits, and the allocations a decoded
// record owns.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/windows_api.h"
#include "texture/decoded_image.h"

namespace decoder_support {

inline std::uint16_t ReadLe16(const BYTE* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t ReadLe32(const BYTE* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Every size a record carries (pitches, buffer sizes) must fit in 32 bits.
constexpr std::uint64_t MAX_RECORD_BYTES = 0xFFFFFFFFull;

// a * b when the product fits in 32 bits; false otherwise. The operands may be any 32-bit
// values, so the product is formed in 64 bits where it cannot overflow.
inline bool MultiplyFits(std::uint64_t a, std::uint64_t b, std::uint64_t* product) {
    if (a > MAX_RECORD_BYTES || b > MAX_RECORD_BYTES) {
        return false;
    }
    const std::uint64_t p = a * b;
    if (p > MAX_RECORD_BYTES) {
        return false;
    }
    *product = p;
    return true;
}

// Pixel buffers and palettes that a record owns come from the C allocator, and the record
// frees them with std::free. Buffers are zeroed, so that pixels a file never sets (run-length
// skips, bytes of row padding) read as 0 rather than as leftover memory.
inline BYTE* AllocateImageBytes(std::uint64_t bytes) {
    if (bytes == 0 || bytes > MAX_RECORD_BYTES) {
        return nullptr;
    }
    return static_cast<BYTE*>(std::calloc(static_cast<std::size_t>(bytes), 1));
}

inline PALETTEENTRY* AllocatePalette() {
    return static_cast<PALETTEENTRY*>(std::calloc(256, sizeof(PALETTEENTRY)));
}

inline void SetOpaqueWhite(PALETTEENTRY* entries, unsigned from) {
    for (unsigned i = from; i < 256; ++i) {
        entries[i] = PALETTEENTRY{0xFF, 0xFF, 0xFF, 0xFF};
    }
}

// The description of a flat image: one slice, depth 1.
inline void DescribeFlatImage(DecodedImage& image, D3DFORMAT format, UINT width, UINT height, UINT rowPitch) {
    image.format = format;
    image.width = width;
    image.height = height;
    image.depth = 1;
    image.rowPitch = rowPitch;
    image.slicePitch = 0;
}

// A zeroed pixel buffer that the record owns; false when it cannot be had.
inline bool AllocateOwnedPixels(DecodedImage& image, std::uint64_t bytes) {
    image.pixels = AllocateImageBytes(bytes);
    if (!image.pixels) {
        return false;
    }
    image.ownsPixels = TRUE;
    return true;
}

}  // namespace decoder_support
