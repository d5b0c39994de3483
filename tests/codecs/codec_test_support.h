// Small helpers for the codec tests: regions over plain byte buffers, and one-pixel
// encode and decode through MakePixelCodec.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/pixel_codec.h"

namespace codec_test {

using CodecPtr = std::unique_ptr<PixelCodec>;

inline PixelRegion Region(BYTE* pixels, D3DFORMAT format, UINT width, UINT height, UINT rowPitch, UINT depth = 1,
                          UINT slicePitch = 0) {
    PixelRegion region;
    region.pixels = pixels;
    region.format = format;
    region.rowPitch = rowPitch;
    region.slicePitch = slicePitch;
    region.extent = D3DBOX{0, 0, width, height, 0, depth};
    region.box = region.extent;
    return region;
}

inline CodecPtr Make(const PixelRegion& region) { return CodecPtr(MakePixelCodec(region)); }

// The bytes per pixel of a packed format, from its codec.
inline std::uint32_t BytesPerPixel(D3DFORMAT format) {
    BYTE scratch[8] = {};
    CodecPtr codec = Make(Region(scratch, format, 1, 1, 8));
    return codec ? codec->bytesPerPixel : 0;
}

// Encodes one pixel into a 1 x 1 region and returns the stored bits.
inline std::uint64_t EncodePixel(D3DFORMAT format, const ColorF& color, bool dither = false) {
    BYTE pixel[8] = {};
    PixelRegion region = Region(pixel, format, 1, 1, 8);
    region.dither = dither ? 1 : 0;
    CodecPtr codec = Make(region);
    codec->EncodeRow(0, 0, &color);
    std::uint64_t bits = 0;
    std::memcpy(&bits, pixel, codec->bytesPerPixel);
    return bits;
}

// Decodes one pixel of the given stored bits.
inline ColorF DecodePixel(D3DFORMAT format, std::uint64_t bits) {
    BYTE pixel[8] = {};
    std::memcpy(pixel, &bits, 8);
    CodecPtr codec = Make(Region(pixel, format, 1, 1, 8));
    ColorF color{-9, -9, -9, -9};
    codec->DecodeRow(0, 0, &color);
    return color;
}

inline bool Same(const ColorF& a, const ColorF& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

}  // namespace codec_test
