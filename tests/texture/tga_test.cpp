#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "texture/decoded_image.h"
#include "texture_test_support.h"

namespace {

using texture_test::FixtureColor;
using texture_test::FixtureGrey;
using texture_test::MakeTga;
using texture_test::ReadFixture;
using texture_test::TgaHeaderFields;
using texture_test::FIXTURE_HEIGHT;
using texture_test::FIXTURE_WIDTH;

// Pillow ends every Targa file with a 26-byte footer, which the decoder never reads.
constexpr std::size_t PILLOW_FOOTER = 26;
const PALETTEENTRY FIXTURE_PALETTE[6] = {{255, 0, 0, 255}, {0, 255, 0, 255},  {0, 0, 255, 255},
                                         {17, 34, 51, 255}, {0, 0, 0, 255}, {250, 128, 6, 255}};

HRESULT Decode(DecodedImage& image, const std::vector<BYTE>& file, BOOL loadPixels = TRUE) {
    image.loadPixels = loadPixels;
    return image.DecodeTga(file.data(), static_cast<UINT>(file.size()));
}

// The bytes of the fixture pixel (x, y) in the layout of `format`.
std::vector<BYTE> ExpectedPixel(D3DFORMAT format, UINT x, UINT y) {
    const texture_test::Rgba c = FixtureColor(x, y);
    switch (format) {
        case D3DFMT_A8R8G8B8: return {c.b, c.g, c.r, c.a};
        case D3DFMT_R8G8B8: return {c.b, c.g, c.r};
        case D3DFMT_L8: return {FixtureGrey(x, y)};
        case D3DFMT_P8: return {static_cast<BYTE>((x + 2 * y) % 6)};
        default: return {};
    }
}

void ExpectFixturePicture(const DecodedImage& image, D3DFORMAT format, UINT bytesPerPixel) {
    ASSERT_EQ(image.format, format);
    ASSERT_EQ(image.width, FIXTURE_WIDTH);
    ASSERT_EQ(image.height, FIXTURE_HEIGHT);
    EXPECT_EQ(image.depth, 1u);
    EXPECT_EQ(image.rowPitch, FIXTURE_WIDTH * bytesPerPixel);
    EXPECT_EQ(image.slicePitch, 0u);
    for (UINT y = 0; y < FIXTURE_HEIGHT; ++y) {
        for (UINT x = 0; x < FIXTURE_WIDTH; ++x) {
            const std::vector<BYTE> expected = ExpectedPixel(format, x, y);
            const BYTE* actual = image.pixels + y * image.rowPitch + x * bytesPerPixel;
            ASSERT_EQ(std::vector<BYTE>(actual, actual + bytesPerPixel), expected) << "pixel " << x << ", " << y;
        }
    }
}

struct FixtureCase {
    const char* name;
    D3DFORMAT format;
    UINT bytesPerPixel;
    bool zeroCopy;
};

const FixtureCase FIXTURES[] = {
    {"rgba32_top.tga", D3DFMT_A8R8G8B8, 4, true},
    {"rgba32_bottom.tga", D3DFMT_A8R8G8B8, 4, false},
    {"rgba32_rle_bottom.tga", D3DFMT_A8R8G8B8, 4, false},
    {"rgb24_bottom.tga", D3DFMT_R8G8B8, 3, false},
    {"rgb24_rle_top.tga", D3DFMT_R8G8B8, 3, false},
    {"grey8_top.tga", D3DFMT_L8, 1, true},
    {"grey8_rle_bottom.tga", D3DFMT_L8, 1, false},
    {"palette8_bottom.tga", D3DFMT_P8, 1, false},
    {"palette8_rle_top.tga", D3DFMT_P8, 1, false},
};

TEST(DecodeTga, DecodesEveryFixtureTypeAndOrder) {
    for (const FixtureCase& fixture : FIXTURES) {
        SCOPED_TRACE(fixture.name);
        const std::vector<BYTE> file = ReadFixture(fixture.name);
        DecodedImage image;
        ASSERT_EQ(Decode(image, file), S_OK);
        ExpectFixturePicture(image, fixture.format, fixture.bytesPerPixel);
        if (fixture.zeroCopy) {
            EXPECT_EQ(image.pixels, file.data() + 18);
            EXPECT_FALSE(image.ownsPixels);
        } else {
            EXPECT_TRUE(image.ownsPixels);
        }
        if (fixture.format == D3DFMT_P8) {
            ASSERT_NE(image.palette, nullptr);
            EXPECT_TRUE(image.ownsPalette);
            for (UINT i = 0; i < 256; ++i) {
                const PALETTEENTRY expected = i < 6 ? FIXTURE_PALETTE[i] : PALETTEENTRY{255, 255, 255, 255};
                EXPECT_EQ(std::memcmp(&image.palette[i], &expected, 4), 0) << "entry " << i;
            }
        } else {
            EXPECT_EQ(image.palette, nullptr);
        }
    }
}

TEST(DecodeTga, WithoutLoadingPixelsOnlyTheDescriptionIsFilled) {
    const std::vector<BYTE> file = ReadFixture("palette8_bottom.tga");
    DecodedImage image;
    ASSERT_EQ(Decode(image, file, FALSE), S_OK);
    EXPECT_EQ(image.format, D3DFMT_P8);
    EXPECT_EQ(image.width, FIXTURE_WIDTH);
    EXPECT_EQ(image.rowPitch, FIXTURE_WIDTH);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_FALSE(image.ownsPixels);
}

TEST(DecodeTga, RightToLeftRowsAreReversed) {
    // The same picture with descriptor bit 4 set, top-down and bottom-up.
    for (const char* name : {"rgba32_top.tga", "rgba32_bottom.tga", "rgba32_rle_bottom.tga"}) {
        SCOPED_TRACE(name);
        std::vector<BYTE> file = ReadFixture(name);
        file[17] |= 0x10;
        DecodedImage image;
        ASSERT_EQ(Decode(image, file), S_OK);
        EXPECT_TRUE(image.ownsPixels);
        for (UINT y = 0; y < FIXTURE_HEIGHT; ++y) {
            for (UINT x = 0; x < FIXTURE_WIDTH; ++x) {
                const BYTE* actual = image.pixels + y * image.rowPitch + x * 4;
                EXPECT_EQ(std::vector<BYTE>(actual, actual + 4),
                          ExpectedPixel(D3DFMT_A8R8G8B8, FIXTURE_WIDTH - 1 - x, y));
            }
        }
    }
}

TEST(DecodeTga, SixteenAndFifteenBitPixelsKeepTheirBits) {
    // Attribute bits 0 do not turn bit 15 into anything but alpha.
    struct Case {
        BYTE depth;
        D3DFORMAT format;
    };
    for (const Case c : {Case{16, D3DFMT_A1R5G5B5}, Case{15, D3DFMT_X1R5G5B5}}) {
        TgaHeaderFields fields;
        fields.width = 2;
        fields.pixelDepth = c.depth;
        fields.descriptor = 0x20;
        const std::vector<BYTE> file = MakeTga(fields, {0x1F, 0x80, 0xE0, 0x03});
        DecodedImage image;
        ASSERT_EQ(Decode(image, file), S_OK);
        EXPECT_EQ(image.format, c.format);
        EXPECT_EQ(image.rowPitch, 4u);
        EXPECT_EQ(std::memcmp(image.pixels, file.data() + 18, 4), 0);
    }
}

TEST(DecodeTga, ColorMapsFillTheirEntriesAndLeaveTheRestWhite) {
    struct Case {
        BYTE entryBits;
        std::vector<BYTE> entry;  // the bytes of one entry in the file
        PALETTEENTRY expected;
    };
    const Case cases[] = {
        {24, {0x10, 0x20, 0x30}, {0x30, 0x20, 0x10, 255}},
        {32, {0x10, 0x20, 0x30, 0x40}, {0x30, 0x20, 0x10, 0x40}},
        // red 31, green 1, blue 2: 5 bits widen to (v << 3) | (v >> 2)
        {15, {0x22, 0x7C}, {255, 8, 16, 255}},
        {16, {0x22, 0x7C}, {255, 8, 16, 0}},
        {16, {0x22, 0xFC}, {255, 8, 16, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.entryBits));
        TgaHeaderFields fields;
        fields.colorMapType = 1;
        fields.imageType = 1;
        fields.colorMapFirst = 2;
        fields.colorMapLength = 4;
        fields.colorMapEntryBits = c.entryBits;
        fields.width = 4;
        fields.pixelDepth = 8;
        std::vector<BYTE> body;
        for (int i = 0; i < 4; ++i) body.insert(body.end(), c.entry.begin(), c.entry.end());
        body.insert(body.end(), {2, 3, 4, 5});
        const std::vector<BYTE> file = MakeTga(fields, body);  // the pixels stay in the file
        DecodedImage image;
        ASSERT_EQ(Decode(image, file), S_OK);
        ASSERT_NE(image.palette, nullptr);
        for (UINT i = 0; i < 256; ++i) {
            const PALETTEENTRY expected = i >= 2 && i <= 5 ? c.expected : PALETTEENTRY{255, 255, 255, 255};
            ASSERT_EQ(std::memcmp(&image.palette[i], &expected, 4), 0) << "entry " << i;
        }
        EXPECT_EQ(image.pixels[0], 2);
        EXPECT_EQ(image.pixels[3], 5);
    }
}

TEST(DecodeTga, ColorMapsOfTrueColorImagesAreSkipped) {
    TgaHeaderFields fields;
    fields.idLength = 3;
    fields.colorMapType = 1;
    fields.colorMapLength = 2;
    fields.colorMapEntryBits = 24;
    fields.pixelDepth = 32;
    const std::vector<BYTE> file = MakeTga(fields, {'i', 'd', '!', 1, 2, 3, 4, 5, 6, 0xAA, 0xBB, 0xCC, 0xDD});
    DecodedImage image;
    ASSERT_EQ(Decode(image, file), S_OK);
    EXPECT_EQ(image.pixels, file.data() + 18 + 3 + 6);
    EXPECT_EQ(image.palette, nullptr);

    // A colour map the header describes but says is absent is skipped all the same.
    fields.colorMapType = 0;
    const std::vector<BYTE> absent = MakeTga(fields, {'i', 'd', '!', 1, 2, 3, 4, 5, 6, 0xAA, 0xBB, 0xCC, 0xDD});
    DecodedImage skipped;
    ASSERT_EQ(Decode(skipped, absent), S_OK);
    EXPECT_EQ(skipped.pixels, absent.data() + 18 + 3 + 6);
}

TEST(DecodeTga, RefusesMalformedAndUnsupportedHeaders) {
    struct Case {
        const char* what;
        TgaHeaderFields fields;
        std::vector<BYTE> body;
    };
    auto with = [](auto change) {
        TgaHeaderFields fields;
        fields.width = 1;
        fields.height = 1;
        change(fields);
        return fields;
    };
    const std::vector<BYTE> pixel = {1, 2, 3, 4};
    const Case cases[] = {
        {"colour-map type 2", with([](TgaHeaderFields& f) { f.colorMapType = 2; }), pixel},
        {"image type 0", with([](TgaHeaderFields& f) { f.imageType = 0; }), pixel},
        {"image type 8", with([](TgaHeaderFields& f) { f.imageType = 8; }), pixel},
        {"image type 4", with([](TgaHeaderFields& f) { f.imageType = 4; }), pixel},
        {"image type 32", with([](TgaHeaderFields& f) { f.imageType = 32; }), pixel},
        {"width 0", with([](TgaHeaderFields& f) { f.width = 0; }), pixel},
        {"height 0", with([](TgaHeaderFields& f) { f.height = 0; }), pixel},
        {"true colour of 8 bits", with([](TgaHeaderFields& f) { f.pixelDepth = 8; }), pixel},
        {"greyscale of 16 bits", with([](TgaHeaderFields& f) { f.imageType = 3; f.pixelDepth = 16; }), pixel},
        {"colour-mapped without a colour map", with([](TgaHeaderFields& f) { f.imageType = 1; f.pixelDepth = 8; }),
         pixel},
        {"colour-mapped of 16 bits",
         with([](TgaHeaderFields& f) {
             f.imageType = 1;
             f.colorMapType = 1;
             f.colorMapLength = 1;
             f.colorMapEntryBits = 24;
             f.pixelDepth = 16;
         }),
         {1, 2, 3, 0, 0}},
        {"colour-map entries of 8 bits on a true-colour image",
         with([](TgaHeaderFields& f) {
             f.colorMapType = 1;
             f.colorMapLength = 1;
             f.colorMapEntryBits = 8;
         }),
         {9, 1, 2, 3, 4}},
        {"colour map from entry 250 with 10 entries",
         with([](TgaHeaderFields& f) {
             f.imageType = 1;
             f.colorMapType = 1;
             f.colorMapFirst = 250;
             f.colorMapLength = 10;
             f.colorMapEntryBits = 24;
             f.pixelDepth = 8;
         }),
         std::vector<BYTE>(31, 0)},
        {"image ID past the end", with([](TgaHeaderFields& f) { f.idLength = 5; }), pixel},
        {"colour map past the end",
         with([](TgaHeaderFields& f) {
             f.colorMapType = 1;
             f.colorMapLength = 3;
             f.colorMapEntryBits = 32;
         }),
         std::vector<BYTE>(11, 0)},
    };
    for (const Case& c : cases) {
        DecodedImage image;
        EXPECT_EQ(Decode(image, MakeTga(c.fields, c.body)), E_FAIL) << c.what;
    }
    const std::vector<BYTE> header = MakeTga(TgaHeaderFields{}, {});
    DecodedImage tooShort;
    EXPECT_EQ(tooShort.DecodeTga(header.data(), 17), E_FAIL);
    DecodedImage greyscale16;
    EXPECT_EQ(Decode(greyscale16, ReadFixture("grey16_bottom.tga")), E_FAIL);
}

TEST(DecodeTga, RunPacketsRepeatTheirPixelAndCarryIntoTheNextRow) {
    TgaHeaderFields fields;
    fields.imageType = 10;
    fields.width = 4;
    fields.height = 1;
    const std::vector<BYTE> four = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4};
    {
        DecodedImage image;
        ASSERT_EQ(Decode(image, MakeTga(fields, {0x83, 1, 2, 3, 4})), S_OK);
        EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + 16), four);
    }
    // 3 x 2 grey, bottom-up: a run of 4 crosses from the first stored row (the bottom
    // row) into the second, then a raw packet of 2 finishes it.
    fields.imageType = 11;
    fields.width = 3;
    fields.height = 2;
    fields.pixelDepth = 8;
    fields.descriptor = 0;
    {
        DecodedImage image;
        ASSERT_EQ(Decode(image, MakeTga(fields, {0x83, 7, 0x01, 8, 9})), S_OK);
        EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + 6), (std::vector<BYTE>{7, 8, 9, 7, 7, 7}));
    }
    // A raw packet crossing rows, right to left.
    fields.descriptor = 0x30;
    {
        DecodedImage image;
        ASSERT_EQ(Decode(image, MakeTga(fields, {0x04, 1, 2, 3, 4, 5, 0x80, 6})), S_OK);
        EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + 6), (std::vector<BYTE>{3, 2, 1, 6, 5, 4}));
    }
    // A packet running past the last pixel writes nothing outside the image.
    fields.descriptor = 0x20;
    {
        DecodedImage image;
        ASSERT_EQ(Decode(image, MakeTga(fields, {0xFF, 5})), S_OK);
        EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + 6), std::vector<BYTE>(6, 5));
        DecodedImage raw;
        ASSERT_EQ(Decode(raw, MakeTga(fields, {0x7F, 1, 2, 3, 4, 5, 6, 7, 8, 9})), S_OK);
        EXPECT_EQ(std::vector<BYTE>(raw.pixels, raw.pixels + 6), (std::vector<BYTE>{1, 2, 3, 4, 5, 6}));
    }
}

TEST(DecodeTga, EveryTruncationOfThePixelDataIsRefused) {
    // Each prefix is decoded from a buffer of exactly its length, so that a read past the
    // end shows up under the address sanitizer.
    for (const FixtureCase& fixture : FIXTURES) {
        SCOPED_TRACE(fixture.name);
        const std::vector<BYTE> file = ReadFixture(fixture.name);
        const std::size_t dataEnd = file.size() - PILLOW_FOOTER;
        for (std::size_t length = 0; length <= dataEnd; ++length) {
            std::unique_ptr<BYTE[]> prefix(new BYTE[length == 0 ? 1 : length]);
            std::memcpy(prefix.get(), file.data(), length);
            DecodedImage image;
            image.loadPixels = TRUE;
            const HRESULT hr = image.DecodeTga(prefix.get(), static_cast<UINT>(length));
            if (length < dataEnd) {
                EXPECT_EQ(hr, E_FAIL) << "length " << length;
            } else {
                EXPECT_EQ(hr, S_OK);
            }
        }
    }
}

TEST(DecodeTga, ImagesTooLargeForTheirDataAreRefusedBeforeAllocating) {
    TgaHeaderFields fields;
    fields.width = 65535;
    fields.height = 65535;
    fields.pixelDepth = 32;
    for (BYTE type : {BYTE{2}, BYTE{10}}) {
        for (BYTE descriptor : {BYTE{0}, BYTE{0x20}}) {
            fields.imageType = type;
            fields.descriptor = descriptor;
            DecodedImage image;
            EXPECT_EQ(Decode(image, MakeTga(fields, {0xFF, 1, 2, 3, 4, 0xFF, 1, 2, 3, 4})), E_FAIL);
            DecodedImage described;
            ASSERT_EQ(Decode(described, MakeTga(fields, {0xFF, 1, 2, 3, 4}), FALSE), S_OK);
            EXPECT_EQ(described.rowPitch, 65535u * 4u);
            EXPECT_EQ(described.height, 65535u);
        }
    }
}

}  // namespace
