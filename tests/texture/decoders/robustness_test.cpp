// Damaged files: every prefix and many single-byte corruptions of small fixtures, fed to every
// decoder of this folder. Each buffer is exactly the damaged file's size, so the sanitizer
// build reports any read past it; every decode must end in a result code, and a success must
// describe pixels that lie inside what the decoder owns or the buffer it was given.
#include <random>

#include <gtest/gtest.h>

#include "decoder_fixtures.h"

using namespace fixtures;

namespace {

using Decoder = HRESULT (DecodedImage::*)(const void*, UINT);
constexpr Decoder DECODERS[] = {&DecodedImage::DecodeBmp, &DecodedImage::DecodeDib, &DecodedImage::DecodePpm,
                                &DecodedImage::DecodeDds, &DecodedImage::DecodeJpeg, &DecodedImage::DecodePng};

// Reads every byte a successful record claims, so the sanitizers see any pixel outside it.
unsigned TouchEveryByte(const DecodedImage& image) {
    unsigned sum = 0;
    if (!image.pixels) return sum;
    const std::size_t bytes = std::size_t{image.slicePitch ? image.slicePitch : image.rowPitch * image.height} *
                              (image.depth ? image.depth : 1);
    // A damaged header may claim a large image that is still valid; its first 16 MB will do.
    for (std::size_t i = 0; i < std::min<std::size_t>(bytes, 1 << 24); ++i) sum += image.pixels[i];
    if (image.palette) {
        for (int i = 0; i < 256; ++i) sum += image.palette[i].peFlags;
    }
    return sum;
}

void DecodeWithEveryDecoder(const Bytes& bytes) {
    for (Decoder decoder : DECODERS) {
        DecodedImage image;
        Prepare(image);
        const HRESULT hr = (image.*decoder)(bytes.data(), UINT(bytes.size()));
        ASSERT_TRUE(hr == S_OK || hr == E_FAIL || hr == E_NOTIMPL || hr == E_OUTOFMEMORY) << std::hex << hr;
        if (hr == S_OK) {
            volatile unsigned sink = TouchEveryByte(image);
            (void)sink;
        }
    }
}

}  // namespace

TEST(DamagedFiles, EveryPrefixAndSingleByteCorruptions) {
    std::mt19937 random(7);
    for (const char* name : {"bmp_rle8.bmp", "bmp_pal4.bmp", "bmp_rgb565_v5.bmp", "png_pal2_trns.png",
                             "png_rgb16_trns.png", "jpeg_grey_w5.jpg", "jpeg_progressive.jpg", "ppm_rgb_p3.ppm",
                             "ppm_rgb_p6.ppm"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadFixture(name);
        for (std::size_t size = 0; size <= file.size(); size += (size < 200 ? 1 : 7)) {
            DecodeWithEveryDecoder(Prefix(file, size));
        }
        for (int i = 0; i < 150; ++i) {
            Bytes damaged = file;
            damaged[random() % damaged.size()] = BYTE(random());
            DecodeWithEveryDecoder(damaged);
        }
    }
}
