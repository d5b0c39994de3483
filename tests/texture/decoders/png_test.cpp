// PNG decoding through libpng, on files written by netpbm's pnmtopng and pamtopng.
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "decoder_fixtures.h"
#include "texture/decoders/decoder_test_controls.h"

using namespace fixtures;

namespace {

HRESULT Png(DecodedImage& image, const Bytes& bytes, BOOL loadPixels = TRUE) {
    Prepare(image, loadPixels);
    image.fileKind = IMAGE_FILE_PNG;
    return image.DecodePng(bytes.data(), UINT(bytes.size()));
}

void Put16(Bytes& out, unsigned v) {
    out.push_back(BYTE(v));
    out.push_back(BYTE(v >> 8));
}

// The bytes the decoder must produce for pixel (x, y) of a 5 x 3 fixture.
using Expected = std::function<Bytes(unsigned x, unsigned y)>;

Expected Grey(unsigned bits, bool transparent) {
    return [=](unsigned x, unsigned y) {
        const unsigned m = (1u << bits) - 1;
        const unsigned raw = SourceGrey(x, y) & m;
        Bytes out = {BYTE(raw * 255 / m)};
        if (transparent) out.push_back(raw == (SourceGrey(0, 0) & m) ? 0 : 255);
        return out;
    };
}

Expected Grey16(bool transparent) {
    return [=](unsigned x, unsigned y) {
        Bytes out;
        const unsigned v = Wide(SourceGrey(x, y), x, y);
        Put16(out, v);
        if (transparent) Put16(out, v == Wide(SourceGrey(0, 0), 0, 0) ? 0 : 0xFFFF);
        return out;
    };
}

Expected Rgb8(int alphaKind) {  // 0 filler 0xFF, 1 tRNS of pixel (0, 0), 2 alpha channel
    return [=](unsigned x, unsigned y) {
        const Rgb c = SourceRgb(x, y);
        const bool clear = x == 0 && y == 0;
        const BYTE alpha = alphaKind == 0 ? 255 : alphaKind == 1 ? (clear ? 0 : 255) : SourceAlpha(x, y);
        return Bytes{c.b, c.g, c.r, alpha};
    };
}

Expected Rgb16(int alphaKind) {  // 0 none, 1 tRNS of pixel (0, 0), 2 alpha channel
    return [=](unsigned x, unsigned y) {
        const Rgb c = SourceRgb(x, y);
        Bytes out;
        Put16(out, Wide(c.b, x, y));
        Put16(out, Wide(c.g, x, y));
        Put16(out, Wide(c.r, x, y));
        if (alphaKind == 1) Put16(out, x == 0 && y == 0 ? 0 : 0xFFFF);
        if (alphaKind == 2) Put16(out, Wide(SourceAlpha(x, y), x, y));
        return out;
    };
}

Expected GreyAlpha8() {
    return [](unsigned x, unsigned y) { return Bytes{SourceGrey(x, y), SourceAlpha(x, y)}; };
}

Expected GreyAlpha16() {
    return [](unsigned x, unsigned y) {
        Bytes out;
        Put16(out, Wide(SourceGrey(x, y), x, y));
        Put16(out, Wide(SourceAlpha(x, y), y, x));
        return out;
    };
}

// Palette entry of value v through the decoder's gamma table for file gamma g.
BYTE Corrected(BYTE v, double g) {
    const double e = 1.0 / (g * 2.2);
    return BYTE(std::pow(v * (1.0 / 255), e) * 255 + 0.5);
}

}  // namespace

TEST(PngDecoder, EveryRowOfTheFormatTable) {
    struct Case {
        const char* file;
        D3DFORMAT format;
        unsigned bytesPerPixel;
        Expected expected;
    };
    const Case cases[] = {
        {"png_grey1.png", D3DFMT_L8, 1, Grey(1, false)},
        {"png_grey2.png", D3DFMT_L8, 1, Grey(2, false)},
        {"png_grey4.png", D3DFMT_L8, 1, Grey(4, false)},
        {"png_grey8.png", D3DFMT_L8, 1, Grey(8, false)},
        {"png_grey1_trns.png", D3DFMT_A8L8, 2, Grey(1, true)},
        {"png_grey2_trns.png", D3DFMT_A8L8, 2, Grey(2, true)},
        {"png_grey4_trns.png", D3DFMT_A8L8, 2, Grey(4, true)},
        {"png_grey8_trns.png", D3DFMT_A8L8, 2, Grey(8, true)},
        {"png_grey16.png", D3DFMT_L16_PRIVATE, 2, Grey16(false)},
        {"png_grey16_trns.png", D3DFMT_AL16_PRIVATE, 4, Grey16(true)},
        {"png_rgb8.png", D3DFMT_X8R8G8B8, 4, Rgb8(0)},
        {"png_rgb8_interlaced.png", D3DFMT_X8R8G8B8, 4, Rgb8(0)},
        {"png_rgb8_trns.png", D3DFMT_A8R8G8B8, 4, Rgb8(1)},
        {"png_rgb16.png", D3DFMT_R16_PRIVATE, 6, Rgb16(0)},
        {"png_rgb16_trns.png", D3DFMT_AR16_PRIVATE, 8, Rgb16(1)},
        {"png_ga8.png", D3DFMT_A8L8, 2, GreyAlpha8()},
        {"png_ga16.png", D3DFMT_AL16_PRIVATE, 4, GreyAlpha16()},
        {"png_rgba8.png", D3DFMT_A8R8G8B8, 4, Rgb8(2)},
        {"png_rgba16.png", D3DFMT_AR16_PRIVATE, 8, Rgb16(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = ReadFixture(c.file);
        DecodedImage image;
        ASSERT_EQ(S_OK, Png(image, file));
        EXPECT_EQ(c.format, image.format);
        EXPECT_EQ(5u, image.width);
        EXPECT_EQ(3u, image.height);
        EXPECT_EQ(1u, image.depth);
        EXPECT_EQ(5 * c.bytesPerPixel, image.rowPitch);
        EXPECT_EQ(0u, image.slicePitch);
        EXPECT_EQ(nullptr, image.palette);
        ASSERT_TRUE(image.ownsPixels);
        for (unsigned y = 0; y < 3; ++y)
            for (unsigned x = 0; x < 5; ++x) {
                const Bytes want = c.expected(x, y);
                ASSERT_EQ(c.bytesPerPixel, want.size());
                const Bytes got(Row(image, y) + x * c.bytesPerPixel, Row(image, y) + (x + 1) * c.bytesPerPixel);
                EXPECT_EQ(want, got) << "pixel " << x << "," << y;
            }
    }
}

TEST(PngDecoder, SixteenBitFormatsAreReportedAsTheirStorageFormats) {
    struct Case {
        const char* file;
        D3DFORMAT record;
        D3DFORMAT reported;
    };
    const Case cases[] = {
        {"png_grey16.png", D3DFMT_L16_PRIVATE, D3DFMT_L8},
        {"png_ga16.png", D3DFMT_AL16_PRIVATE, D3DFMT_A8L8},
        {"png_rgb16.png", D3DFMT_R16_PRIVATE, D3DFMT_R8G8B8},
        {"png_rgba16.png", D3DFMT_AR16_PRIVATE, D3DFMT_A8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = ReadFixture(c.file);
        DecodedImage image;
        ImageInfo info;
        ASSERT_EQ(S_OK, image.DecodeImageFile(file.data(), UINT(file.size()), &info, TRUE));
        EXPECT_EQ(c.record, image.format);
        EXPECT_EQ(std::uint32_t(c.reported), info.format);
        EXPECT_EQ(std::uint32_t(IMAGE_FILE_PNG), info.fileKind);
        EXPECT_EQ(1u, info.mipLevels);
    }
}

TEST(PngDecoder, PaletteTakesItsTransparencyAndEndsInOpaqueWhite) {
    const Bytes file = ReadFixture("png_pal2_trns.png");
    DecodedImage image;
    ASSERT_EQ(S_OK, Png(image, file));
    EXPECT_EQ(D3DFMT_P8, image.format);
    EXPECT_EQ(5u, image.rowPitch);
    ASSERT_TRUE(image.palette && image.ownsPalette);
    const Rgb four[4] = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}, {250, 250, 250}};
    // No gamma chunk: the colours are the file's; entry 0 is the one tRNS entry.
    const PALETTEENTRY& clear = image.palette[0];
    EXPECT_TRUE(clear.peRed == 10 && clear.peGreen == 20 && clear.peBlue == 30 && clear.peFlags == 0);
    for (unsigned i = 1; i < 4; ++i) EXPECT_EQ(255, image.palette[i].peFlags) << i;
    for (unsigned i = 4; i < 256; ++i) {
        const PALETTEENTRY& e = image.palette[i];
        ASSERT_TRUE(e.peRed == 255 && e.peGreen == 255 && e.peBlue == 255 && e.peFlags == 255) << i;
    }
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 5; ++x) {
            const PALETTEENTRY& e = image.palette[Row(image, y)[x]];
            const Rgb want = four[(x + y) % 4];
            EXPECT_TRUE(e.peRed == want.r && e.peGreen == want.g && e.peBlue == want.b) << x << "," << y;
        }
}

TEST(PngDecoder, PaletteGammaIsAppliedOnceByTheDecodersTable) {
    struct Case {
        const char* file;
        double fileGamma;  // 0: identity expected
    };
    const Case cases[] = {
        {"png_pal4_gama045.png", 0.45455},
        {"png_pal4_gama1.png", 1.0},
        {"png_pal4_srgb.png", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = ReadFixture(c.file);
        DecodedImage image;
        ASSERT_EQ(S_OK, Png(image, file));
        ASSERT_EQ(D3DFMT_P8, image.format);
        for (unsigned y = 0; y < 3; ++y)
            for (unsigned x = 0; x < 9; ++x) {
                const PALETTEENTRY& e = image.palette[Row(image, y)[x]];
                const Rgb s = Sixteen(SixteenIndex(x, y));
                const Rgb want = c.fileGamma == 0 ? s
                                                  : Rgb{Corrected(s.r, c.fileGamma), Corrected(s.g, c.fileGamma),
                                                        Corrected(s.b, c.fileGamma)};
                EXPECT_EQ(want.r, e.peRed) << x << "," << y;
                EXPECT_EQ(want.g, e.peGreen) << x << "," << y;
                EXPECT_EQ(want.b, e.peBlue) << x << "," << y;
                EXPECT_EQ(255, e.peFlags);
            }
    }
    // With gAMA 0.45455 the table is nearly the identity; with gAMA 1.0 it brightens.
    EXPECT_EQ(128, Corrected(128, 0.45455));
    EXPECT_GT(Corrected(128, 1.0), 180);
}

TEST(PngDecoder, FileCutShortFailsAndGivesLibpngsMemoryBack) {
    const Bytes file = ReadFixture("png_rgb8.png");
    for (std::size_t size : {std::size_t{8}, std::size_t{20}, std::size_t{40}, file.size() - 20, file.size() - 13}) {
        SCOPED_TRACE(size);
        const auto before = decoder_test::PngAllocations();
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Png(image, Prefix(file, size)));
        const auto after = decoder_test::PngAllocations();
        EXPECT_GT(after.made, before.made);
        EXPECT_EQ(before.live, after.live);
    }
    // The image data ends early, and the record's pixel buffer stays for the dispatcher.
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Png(image, Prefix(file, file.size() - 20)));
    EXPECT_TRUE(image.ownsPixels);
    DecodedImage dispatched;
    const Bytes cut = Prefix(file, file.size() - 20);
    EXPECT_EQ(ERR_INVALID_DATA, dispatched.DecodeImageFile(cut.data(), UINT(cut.size()), nullptr, TRUE));
}

TEST(PngDecoder, WrongSignatureIsRefusedBeforeLibpngAllocates) {
    Bytes notPng = ReadFixture("png_rgb8.png");
    notPng[1] = 'Q';
    const auto before = decoder_test::PngAllocations();
    for (const Bytes& bytes : {notPng, Bytes{}, Bytes{0x89, 'P', 'N', 'X'}}) {
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Png(image, bytes));
    }
    EXPECT_EQ(before.made, decoder_test::PngAllocations().made);

    // A signature prefix passes the comparison, then libpng finds the data too short.
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Png(image, Bytes{0x89, 'P', 'N', 'G'}));
    EXPECT_EQ(before.live, decoder_test::PngAllocations().live);
}

TEST(PngDecoder, WithoutLoadPixelsOnlyTheDescriptionIsFilled) {
    const Bytes file = ReadFixture("png_pal2_trns.png");
    DecodedImage image;
    ASSERT_EQ(S_OK, Png(image, file, FALSE));
    EXPECT_EQ(D3DFMT_P8, image.format);
    EXPECT_EQ(5u, image.width);
    EXPECT_EQ(5u, image.rowPitch);
    EXPECT_EQ(nullptr, image.pixels);
    EXPECT_EQ(nullptr, image.palette);
}
