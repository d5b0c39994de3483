// Portable pixmap decoding: netpbm-written P3 and P6 files and hand-written headers.
#include <gtest/gtest.h>

#include "decoder_fixtures.h"

using namespace fixtures;

namespace {

HRESULT Ppm(DecodedImage& image, const Bytes& bytes) {
    Prepare(image);
    image.fileKind = IMAGE_FILE_PPM;
    return image.DecodePpm(bytes.data(), UINT(bytes.size()));
}

std::vector<std::uint32_t> AllPixels(const DecodedImage& image) {
    std::vector<std::uint32_t> out;
    for (unsigned y = 0; y < image.height; ++y)
        for (unsigned x = 0; x < image.width; ++x) out.push_back(Pixel32(image, x, y));
    return out;
}

}  // namespace

TEST(PpmDecoder, PlainAndRawFilesFromNetpbm) {
    for (const char* name : {"ppm_rgb_p3.ppm", "ppm_rgb_p6.ppm"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadFixture(name);
        DecodedImage image;
        ASSERT_EQ(S_OK, Ppm(image, file));
        EXPECT_EQ(D3DFMT_X8R8G8B8, image.format);
        EXPECT_EQ(5u, image.width);
        EXPECT_EQ(3u, image.height);
        EXPECT_EQ(1u, image.depth);
        EXPECT_EQ(20u, image.rowPitch);
        EXPECT_EQ(0u, image.slicePitch);
        EXPECT_TRUE(image.ownsPixels);
        for (unsigned y = 0; y < 3; ++y)
            for (unsigned x = 0; x < 5; ++x) {
                const Rgb c = SourceRgb(x, y);
                EXPECT_EQ(0xFF000000u | c.r << 16 | c.g << 8 | c.b, Pixel32(image, x, y)) << x << "," << y;
            }
    }
}

TEST(PpmDecoder, GreymapsAreRefused) {
    for (const char* name : {"ppm_grey_p2.pgm", "ppm_grey_p5.pgm"}) {
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Ppm(image, ReadFixture(name))) << name;
    }
}

TEST(PpmDecoder, HeaderAndBodyCases) {
    struct Case {
        const char* name;
        std::string text;
        HRESULT want;
        std::vector<std::uint32_t> pixels;
    };
    const std::string big = "P6 30000 30000 255\n" + std::string(100, '\0');
    const Case cases[] = {
        {"two-pixel P3", "P3 2 1 255 255 0 0 0 0 255", S_OK, {0xFFFF0000, 0xFF0000FF}},
        {"maximum 1000", "P3\n3 1\n1000\n1000 500 0 0 0 1000 999 1 0\n", S_OK, {0xFFFF7F00, 0xFF0000FF, 0xFFFE0000}},
        {"comments and every kind of white space", "P3#c\n1\t1\v#size done\n\f\r255 1 2 3", S_OK, {0xFF010203}},
        {"comment between height and maximum", "P6 1 1\n# max follows\n255\n\x01\x02\x03", S_OK, {0xFF010203}},
        {"CR LF before binary data", "P6\n1 1\n255\r\n\x0A\x0D\x20", S_OK, {0xFF0A0D20}},
        {"binary data starting with a newline byte", "P6 1 1 255 \n\x02\x03", S_OK, {0xFF0A0203}},
        {"raw maximum below 255 scales", "P6 1 1 15\n\x0F\x07\x01", S_OK, {0xFFFF7711}},
        {"extra bytes after the raw pixels", "P6 1 1 255\n\x01\x02\x03\x04\x05", S_OK, {0xFF010203}},
        {"anything after the last plain pixel", "P3 1 1 255 1 2 3 junk", S_OK, {0xFF010203}},
        {"leading zeros", "P3 0000000000000000000001 1 255 1 2 3", S_OK, {0xFF010203}},
        {"sample above the maximum is clamped", "P3 2 1 100 300 0 0 0 4294967295 0", S_OK, {0xFFFF0000, 0xFF00FF00}},
        {"raw maximum 65535", std::string("P6 1 1 65535\n") + std::string(6, '\x01'), E_FAIL, {}},
        {"raw maximum 256", "P6 1 1 256\n\x01\x02\x03", E_FAIL, {}},
        {"raw data one byte short", "P6 2 1 255\n\x01\x02\x03\x04\x05", E_FAIL, {}},
        {"raw data ends after the maximum", "P6 1 1 255", E_FAIL, {}},
        {"width 0", "P3 0 1 255 1 2 3", E_FAIL, {}},
        {"height 0", "P3 1 0 255 1 2 3", E_FAIL, {}},
        {"maximum 0", "P3 1 1 0 1 2 3", E_FAIL, {}},
        {"letter in a token", "P3 2x 1 255 1 2 3 4 5 6", E_FAIL, {}},
        {"comment glued to a token", "P3 1#c\n 1 255 1 2 3", E_FAIL, {}},
        {"plain body cut short", "P3 2 1 255 1 2 3 4 5", E_FAIL, {}},
        {"comment running to the end of the data", "P3 1 1 255 1 2 # 3", E_FAIL, {}},
        {"magic alone", "P3", E_FAIL, {}},
        {"magic and a space", "P6 ", E_FAIL, {}},
        {"one byte", "P", E_FAIL, {}},
        {"other magic", "P7 1 1 255 1 2 3", E_FAIL, {}},
        {"digits past 32 bits", "P3 99999999999999999999999999 1 255 1 2 3", E_FAIL, {}},
        {"2^32", "P3 4294967296 1 255 1 2 3", E_FAIL, {}},
        {"width x height x 4 beyond 32 bits", "P6 65536 16384 255\n", E_FAIL, {}},
        {"pixels the data cannot hold", big, E_FAIL, {}},
        {"plain body one sample short", "P3 3 1 255 1 2 3 4 5 6 7 8", E_FAIL, {}},
        {"plain pixels the data cannot hold", "P3 3000 3000 255 1 2 3", E_FAIL, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedImage image;
        ASSERT_EQ(c.want, Ppm(image, FromText(c.text)));
        if (c.want == S_OK) {
            EXPECT_EQ(c.pixels, AllPixels(image));
        }
    }
}

TEST(PpmDecoder, DispatcherFreesTheBufferOfARefusedFile) {
    // The pixel buffer is allocated at the height; the dispatcher frees it when the body fails.
    const Bytes cut = FromText("P3 2 2 255 1 2 3 4 5 6 7 8 9 10 11");
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Ppm(image, cut));
    EXPECT_TRUE(image.ownsPixels);
    DecodedImage dispatched;
    ImageInfo info;
    const Bytes good = FromText("P3 1 1 255 1 2 3");
    ASSERT_EQ(S_OK, dispatched.DecodeImageFile(good.data(), UINT(good.size()), &info, FALSE));
    EXPECT_EQ(std::uint32_t(IMAGE_FILE_PPM), info.fileKind);
    EXPECT_TRUE(dispatched.ownsPixels);  // the decoder ignores loadPixels
}
