// P8 and A8P8: palette lookup, the nearest-entry search and its ties, the colour key.
#include <gtest/gtest.h>

#include <random>

#include "codec_test_support.h"
#include "codecs/palette_codec.h"

using namespace codec_test;

namespace {

// Entry i is a dull colour far from the test colours, except those that a test sets.
std::vector<PALETTEENTRY> FarPalette() {
    std::vector<PALETTEENTRY> palette(256, PALETTEENTRY{0, 255, 255, 0});
    return palette;
}

PixelRegion PaletteRegion(BYTE* pixels, D3DFORMAT format, UINT width, const std::vector<PALETTEENTRY>* palette) {
    const UINT bytes = format == D3DFMT_P8 ? 1 : 2;
    PixelRegion region = Region(pixels, format, width, 1, width * bytes);
    region.palette = palette ? palette->data() : nullptr;
    return region;
}

TEST(PaletteDecode, LooksUpTheEntryWithAlphaFromItsFlags) {
    std::vector<PALETTEENTRY> palette = FarPalette();
    palette[5] = PALETTEENTRY{255, 0, 51, 102};
    BYTE p8[2] = {5, 6};
    CodecPtr codec = Make(PaletteRegion(p8, D3DFMT_P8, 2, &palette));
    ColorF row[2];
    codec->DecodeRow(0, 0, row);
    const float r255 = 0.003921569f;
    EXPECT_TRUE(Same(row[0], ColorF{1, 0, 51 * r255, 102 * r255}));
    EXPECT_TRUE(Same(row[1], ColorF{0, 1, 1, 0}));

    // A8P8 takes the colour from the entry and the alpha from its own byte.
    BYTE a8p8[2] = {5, 0x80};
    codec = Make(PaletteRegion(a8p8, D3DFMT_A8P8, 1, &palette));
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{1, 0, 51 * r255, 128 * r255}));
}

TEST(PaletteDecode, WithoutAPaletteEveryIndexIsOpaqueWhite) {
    for (D3DFORMAT format : {D3DFMT_P8, D3DFMT_A8P8}) {
        BYTE pixels[6] = {0, 0xFF, 17, 0xFF, 255, 0xFF};
        CodecPtr codec = Make(PaletteRegion(pixels, format, format == D3DFMT_P8 ? 6 : 3, nullptr));
        ColorF row[6];
        codec->DecodeRow(0, 0, row);
        for (std::uint32_t i = 0; i < codec->width; ++i) EXPECT_TRUE(Same(row[i], ColorF{1, 1, 1, 1})) << i;
    }
}

TEST(PaletteEncode, ChoosesTheNearestEntryAndTheLowestIndexOnTies) {
    std::vector<PALETTEENTRY> palette = FarPalette();
    palette[3] = PALETTEENTRY{0, 0, 0, 255};
    palette[7] = PALETTEENTRY{255, 0, 0, 255};
    palette[9] = PALETTEENTRY{0, 0, 200, 255};
    palette[12] = PALETTEENTRY{0, 0, 200, 255};  // a duplicate of 9
    palette[200] = PALETTEENTRY{0, 0, 0, 0};
    const float r255 = 0.003921569f;
    // Row 0 lies exactly halfway between entries 3 and 7.
    const ColorF row[5] = {{0.5f, 0, 0, 1}, {190 * r255, 0, 0, 1}, {0, 0, 0.8f, 1}, {0, 0, 0, 0}, {0, 0.9f, 1, 0}};
    BYTE p8[5] = {};
    CodecPtr codec = Make(PaletteRegion(p8, D3DFMT_P8, 5, &palette));
    codec->EncodeRow(0, 0, row);
    EXPECT_EQ(p8[0], 3);
    EXPECT_EQ(p8[1], 7);
    EXPECT_EQ(p8[2], 9);
    EXPECT_EQ(p8[3], 200);
    EXPECT_EQ(p8[4], 0);  // the far colour itself: entry 0 is the first of its many copies
}

TEST(PaletteEncode, P8WeighsAlphaAndA8P8StoresItApart) {
    std::vector<PALETTEENTRY> palette = FarPalette();
    palette[10] = PALETTEENTRY{255, 0, 0, 255};
    palette[20] = PALETTEENTRY{255, 0, 0, 0};
    const ColorF row[2] = {{1, 0, 0, 0.1f}, {1, 0, 0, 0.75f}};
    BYTE p8[2] = {};
    Make(PaletteRegion(p8, D3DFMT_P8, 2, &palette))->EncodeRow(0, 0, row);
    EXPECT_EQ(p8[0], 20);
    EXPECT_EQ(p8[1], 10);

    // A8P8 ignores alpha in the search (so ties to index 10) and stores trunc(a x 255 + d).
    BYTE a8p8[4] = {};
    Make(PaletteRegion(a8p8, D3DFMT_A8P8, 2, &palette))->EncodeRow(0, 0, row);
    EXPECT_EQ(a8p8[0], 10);
    EXPECT_EQ(a8p8[1], 26);   // 25.5 + 0.5
    EXPECT_EQ(a8p8[2], 10);
    EXPECT_EQ(a8p8[3], 191);  // 191.25 + 0.5
}

TEST(PaletteEncode, P8UsesNoOffsetEvenWhenDithering) {
    // Entries 1 and 2 sit either side of the colour; a dither offset must not move it.
    std::vector<PALETTEENTRY> palette = FarPalette();
    palette[1] = PALETTEENTRY{100, 100, 100, 255};
    palette[2] = PALETTEENTRY{110, 110, 110, 255};
    const float r255 = 0.003921569f;
    std::vector<ColorF> row(4, ColorF{103 * r255, 103 * r255, 103 * r255, 1});
    BYTE p8[4][4] = {};
    PixelRegion region = Region(&p8[0][0], D3DFMT_P8, 4, 4, 4);
    region.palette = palette.data();
    region.dither = 1;
    CodecPtr codec = Make(region);
    for (std::uint32_t y = 0; y < 4; ++y) codec->EncodeRow(y, 0, row.data());
    for (auto& line : p8) {
        for (BYTE index : line) EXPECT_EQ(index, 1);
    }
}

TEST(PaletteColorKey, SnapsToTheNearestPaletteColour) {
    std::vector<PALETTEENTRY> palette = FarPalette();
    palette[4] = PALETTEENTRY{250, 0, 250, 255};
    BYTE p8[2] = {4, 5};
    PixelRegion region = PaletteRegion(p8, D3DFMT_P8, 2, &palette);
    region.colorKey = 0xFFFF00FF;
    CodecPtr codec = Make(region);
    const float r255 = 0.003921569f;
    EXPECT_TRUE(Same(codec->keyColor, ColorF{250 * r255, 0, 250 * r255, 1}));
    ColorF row[2];
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_TRUE(Same(row[1], ColorF{0, 1, 1, 0}));

    // A8P8 snaps the colour to the palette and keeps the key's own alpha byte.
    BYTE a8p8[2] = {4, 0x40};
    region = PaletteRegion(a8p8, D3DFMT_A8P8, 1, &palette);
    region.colorKey = 0x40FF00FF;
    codec = Make(region);
    EXPECT_TRUE(Same(codec->keyColor, ColorF{250 * r255, 0, 250 * r255, 64 * r255}));
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
}

TEST(PaletteSearch, Sse2FindsTheSameEntryAsTheScalarScan) {
    if (!FindNearestPaletteEntrySse2) GTEST_SKIP() << "built without SSE2";
    std::mt19937 random(3);
    std::uniform_int_distribution<int> level(0, 7);  // few levels: many exact ties
    for (int trial = 0; trial < 40; ++trial) {
        ColorF palette[256];
        for (ColorF& entry : palette) {
            entry = ColorF{level(random) / 7.0f, level(random) / 7.0f, level(random) / 7.0f, level(random) / 7.0f};
        }
        PlanarPalette planar;
        MakePlanarPalette(palette, planar);
        for (int i = 0; i < 200; ++i) {
            const ColorF color{level(random) / 7.0f, level(random) / 7.0f, level(random) / 7.0f,
                               level(random) / 7.0f};
            for (bool withAlpha : {false, true}) {
                ASSERT_EQ(FindNearestPaletteEntryScalar(palette, color, withAlpha),
                          FindNearestPaletteEntrySse2(planar, color, withAlpha));
            }
        }
    }
}

}  // namespace
