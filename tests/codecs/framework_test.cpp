// The codec base: offset tables, construction, the factory, domain pairing and the colour key.
#include <gtest/gtest.h>

#include "codec_test_support.h"

using namespace codec_test;

namespace {

constexpr D3DFORMAT FOURCC_ABCD = static_cast<D3DFORMAT>(MAKEFOURCC('A', 'B', 'C', 'D'));

TEST(OffsetTables, RoundingIsOneHalfAndDitherFollowsTheOrderedPattern) {
    for (float entry : RoundingTable) EXPECT_EQ(entry, 0.5f);
    const int k[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};
    for (int row = 0; row < 4; ++row) {
        for (int i = 0; i < 8; ++i) EXPECT_EQ(OrderedDitherTable[row * 8 + i], (k[row][i & 3] + 0.5f) / 16.0f);
    }
    EXPECT_EQ(OrderedDitherTable[0], 0.96875f);
    EXPECT_EQ(OrderedDitherTable[27], 0.65625f);
}

struct FactoryCase {
    D3DFORMAT format;
    std::uint32_t bytesPerPixel;
    std::uint32_t domain;
};

TEST(MakePixelCodec, BuildsEveryFormatWithItsSizeAndDomain) {
    const FactoryCase cases[] = {
        {D3DFMT_R8G8B8, 3, 1},      {D3DFMT_A8R8G8B8, 4, 1},     {D3DFMT_X8R8G8B8, 4, 1},
        {D3DFMT_R5G6B5, 2, 1},      {D3DFMT_X1R5G5B5, 2, 1},     {D3DFMT_A1R5G5B5, 2, 1},
        {D3DFMT_A4R4G4B4, 2, 1},    {D3DFMT_R3G3B2, 1, 1},       {D3DFMT_A8, 1, 1},
        {D3DFMT_A8R3G3B2, 2, 1},    {D3DFMT_X4R4G4B4, 2, 1},     {D3DFMT_A2B10G10R10, 4, 1},
        {D3DFMT_G16R16, 4, 1},      {D3DFMT_A8P8, 2, 1},         {D3DFMT_P8, 1, 1},
        {D3DFMT_L8, 1, 1},          {D3DFMT_A8L8, 2, 1},         {D3DFMT_A4L4, 1, 1},
        {D3DFMT_V8U8, 2, 2},        {D3DFMT_L6V5U5, 2, 2},       {D3DFMT_X8L8V8U8, 4, 2},
        {D3DFMT_Q8W8V8U8, 4, 3},    {D3DFMT_V16U16, 4, 2},       {D3DFMT_W11V11U10, 4, 2},
        {D3DFMT_A2W10V10U10, 4, 2}, {D3DFMT_D16_LOCKABLE, 2, 1}, {D3DFMT_L16_PRIVATE, 2, 1},
        {D3DFMT_AL16_PRIVATE, 4, 1}, {D3DFMT_R16_PRIVATE, 6, 1}, {D3DFMT_AR16_PRIVATE, 8, 1},
        {D3DFMT_UYVY, 0, 1},        {D3DFMT_YUY2, 0, 1},
    };
    BYTE pixels[64] = {};
    for (const FactoryCase& c : cases) {
        SCOPED_TRACE(c.format);
        CodecPtr codec = Make(Region(pixels, c.format, 2, 2, 16));
        ASSERT_TRUE(codec);
        EXPECT_EQ(codec->format, static_cast<std::uint32_t>(c.format));
        EXPECT_EQ(codec->bytesPerPixel, c.bytesPerPixel);
        EXPECT_EQ(codec->isPacked, c.bytesPerPixel != 0 ? 1u : 0u);
        EXPECT_EQ(codec->domain, c.domain);
        EXPECT_EQ(codec->isPalettised, (c.format == D3DFMT_P8 || c.format == D3DFMT_A8P8) ? 1u : 0u);
        EXPECT_EQ(codec->rowBytes, 2 * c.bytesPerPixel);
        EXPECT_EQ(codec->sourceDomain, 0u);
        EXPECT_EQ(codec->conversionRow, nullptr);
    }
}

TEST(MakePixelCodec, FormatsWithoutCodecGiveNull) {
    // The block formats get their codec separately; until then they have none here.
    const D3DFORMAT none[] = {D3DFMT_UNKNOWN, D3DFMT_D16,   D3DFMT_D24S8, D3DFMT_D32,   D3DFMT_D15S1,
                              D3DFMT_D24X8,   D3DFMT_D24X4S4, D3DFMT_VERTEXDATA, D3DFMT_INDEX16,
                              D3DFMT_INDEX32, D3DFMT_DXT1,  D3DFMT_DXT2,  D3DFMT_DXT3,  D3DFMT_DXT4,
                              D3DFMT_DXT5,    FOURCC_ABCD};
    BYTE pixels[16] = {};
    for (D3DFORMAT format : none) EXPECT_FALSE(Make(Region(pixels, format, 1, 1, 16))) << format;
}

TEST(PixelCodecConstruction, PackedCodecsMoveToTheBoxAndNormaliseIt) {
    std::vector<BYTE> image(3 * 64, 0);
    PixelRegion region = Region(image.data(), D3DFMT_R5G6B5, 8, 4, 16, 3, 64);
    region.box = D3DBOX{1, 2, 4, 4, 1, 3};
    region.dither = 1;
    CodecPtr codec = Make(region);
    EXPECT_EQ(codec->pixels, image.data() + 2 * 1 + 16 * 2 + 64 * 1);
    EXPECT_EQ(codec->box.Left, 0u);
    EXPECT_EQ(codec->box.Top, 0u);
    EXPECT_EQ(codec->box.Right, 3u);
    EXPECT_EQ(codec->box.Bottom, 2u);
    EXPECT_EQ(codec->box.Front, 0u);
    EXPECT_EQ(codec->box.Back, 2u);
    EXPECT_EQ(codec->width, 3u);
    EXPECT_EQ(codec->height, 2u);
    EXPECT_EQ(codec->depth, 2u);
    EXPECT_EQ(codec->rowBytes, 6u);
    EXPECT_EQ(codec->ditherTable, OrderedDitherTable);

    // Row 1 of slice 1 of the box is image row 3 of slice 2, from column 1.
    const ColorF white[3] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
    codec->EncodeRow(1, 1, white);
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool inside = i >= 2 * 64 + 3 * 16 + 2 && i < 2 * 64 + 3 * 16 + 8;
        EXPECT_EQ(image[i], inside ? 0xFF : 0) << i;
    }
}

TEST(PixelCodecConstruction, YuvCodecsKeepTheBoxAsGiven) {
    BYTE pixels[64] = {};
    PixelRegion region = Region(pixels, D3DFMT_YUY2, 8, 4, 16);
    region.box = D3DBOX{2, 1, 6, 3, 0, 1};
    CodecPtr codec = Make(region);
    EXPECT_EQ(codec->pixels, pixels);
    EXPECT_EQ(codec->box.Left, 2u);
    EXPECT_EQ(codec->box.Top, 1u);
    EXPECT_EQ(codec->width, 4u);
    EXPECT_EQ(codec->rowBytes, 0u);
    EXPECT_EQ(codec->ditherTable, RoundingTable);
}

// ---- Domains ---------------------------------------------------------------------------

struct DomainCase {
    D3DFORMAT dest;    // its domain is the "own" domain
    D3DFORMAT source;  // its domain is the one converted from
    ColorF in;
    ColorF expected;
};

TEST(ConvertDomain, MapsEachPairOfDomains) {
    // Domain 1: A8R8G8B8; domain 2: V8U8; domain 3: Q8W8V8U8.
    const DomainCase cases[] = {
        {D3DFMT_A8R8G8B8, D3DFMT_V8U8, {-1, 0, 1, 0.25f}, {0, 0.5f, 1, 0.25f}},
        {D3DFMT_A8R8G8B8, D3DFMT_Q8W8V8U8, {-1, 0, 1, 0}, {0, 0.5f, 1, 0.5f}},
        {D3DFMT_V8U8, D3DFMT_A8R8G8B8, {0, 0.5f, 1, 0.25f}, {-1, 0, 1, 0.25f}},
        {D3DFMT_V8U8, D3DFMT_Q8W8V8U8, {-1, 0.5f, 1, -1}, {-1, 0.5f, 1, 0}},
        {D3DFMT_Q8W8V8U8, D3DFMT_A8R8G8B8, {0, 0.5f, 1, 0.75f}, {-1, 0, 1, 0.5f}},
        {D3DFMT_Q8W8V8U8, D3DFMT_V8U8, {-1, 0.25f, 1, 0.25f}, {-1, 0.25f, 1, -0.5f}},
    };
    BYTE destPixels[8] = {};
    BYTE sourcePixels[8] = {};
    for (const DomainCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dest << " from " << c.source);
        CodecPtr dest = Make(Region(destPixels, c.dest, 1, 1, 8));
        CodecPtr source = Make(Region(sourcePixels, c.source, 1, 1, 8));
        ASSERT_EQ(PairCodecs(*dest, *source), S_OK);
        ASSERT_NE(dest->conversionRow, nullptr);
        EXPECT_EQ(dest->sourceDomain, source->domain);
        const ColorF* out = dest->ConvertDomain(&c.in);
        EXPECT_EQ(out, dest->conversionRow);
        EXPECT_TRUE(Same(*out, c.expected))
            << out->r << " " << out->g << " " << out->b << " " << out->a;
    }
}

TEST(PairCodecs, EqualDomainsNeedNoConversionRow) {
    BYTE a[8] = {};
    BYTE b[8] = {};
    CodecPtr dest = Make(Region(a, D3DFMT_R5G6B5, 1, 1, 8));
    CodecPtr source = Make(Region(b, D3DFMT_L8, 1, 1, 8));
    EXPECT_EQ(PairCodecs(*dest, *source), S_OK);
    EXPECT_EQ(dest->conversionRow, nullptr);
    EXPECT_EQ(dest->sourceDomain, 0u);
}

TEST(PairCodecs, EncodeRowConvertsFromTheSourceDomain) {
    // Unsigned 0, 0.5 and 1 become -1, 0 and 1 in V8U8: -1 stores -127 after truncation.
    BYTE dest[6] = {};
    BYTE source[16] = {};
    CodecPtr v8u8 = Make(Region(dest, D3DFMT_V8U8, 3, 1, 6));
    CodecPtr argb = Make(Region(source, D3DFMT_A8R8G8B8, 3, 1, 16));
    ASSERT_EQ(PairCodecs(*v8u8, *argb), S_OK);
    const ColorF row[3] = {{0, 0.5f, 0, 1}, {0.5f, 1, 0, 1}, {1, 0, 0, 0}};
    v8u8->EncodeRow(0, 0, row);
    const BYTE expected[6] = {0x81, 0x00, 0x00, 0x7F, 0x7F, 0x81};
    EXPECT_EQ(0, std::memcmp(dest, expected, 6));
}

TEST(PairCodecs, SignedLuminanceReachesAlphaThroughConversion) {
    // L6V5U5 (U 15, V -16, L 32) into A8L8: the colour (15/16, -1, 0) becomes
    // (0.96875, 0, 0.5) whose luminance stores 62; the luminance L travels in alpha.
    BYTE source[2];
    const std::uint16_t stored = (32 << 10) | (0x10 << 5) | 15;
    std::memcpy(source, &stored, 2);
    BYTE dest[2] = {};
    CodecPtr l6v5u5 = Make(Region(source, D3DFMT_L6V5U5, 1, 1, 2));
    CodecPtr a8l8 = Make(Region(dest, D3DFMT_A8L8, 1, 1, 2));
    ASSERT_EQ(PairCodecs(*a8l8, *l6v5u5), S_OK);
    ColorF row;
    l6v5u5->DecodeRow(0, 0, &row);
    a8l8->EncodeRow(0, 0, &row);
    EXPECT_EQ(dest[0], 62);
    EXPECT_EQ(dest[1], 130);
}

// ---- Colour key ------------------------------------------------------------------------

TEST(ColorKey, R5G6B5KeySnapsToTheStoredColourAndMatchesIt) {
    std::uint16_t pixels[4] = {0x8410, 0x8411, 0x8410, 0x0000};
    PixelRegion region = Region(reinterpret_cast<BYTE*>(pixels), D3DFMT_R5G6B5, 4, 1, 8);
    region.colorKey = 0xFF808080;
    region.dither = 1;
    CodecPtr codec = Make(region);
    EXPECT_EQ(codec->keyColor.r, 16 * 0.032258064f);
    EXPECT_EQ(codec->keyColor.g, 32 * 0.015873017f);
    EXPECT_EQ(codec->keyColor.b, 16 * 0.032258064f);
    EXPECT_EQ(codec->keyColor.a, 1.0f);
    // Snapping leaves the codec as it was.
    EXPECT_EQ(codec->pixels, reinterpret_cast<BYTE*>(pixels));
    EXPECT_EQ(codec->width, 4u);
    EXPECT_EQ(codec->rowBytes, 8u);
    EXPECT_EQ(codec->ditherTable, OrderedDitherTable);
    EXPECT_EQ(codec->colorKey, 0xFF808080u);
    EXPECT_EQ(pixels[0], 0x8410);

    ColorF row[4];
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_EQ(row[1].b, 17 * 0.032258064f);
    EXPECT_TRUE(Same(row[2], ColorF{0, 0, 0, 0}));
    EXPECT_TRUE(Same(row[3], ColorF{0, 0, 0, 1}));
}

TEST(ColorKey, AlphaTheFormatCannotHoldSnapsToOpaque) {
    std::uint32_t pixels[3] = {0x00FF00FF, 0xFFFF00FF, 0xFFFF00FE};
    PixelRegion region = Region(reinterpret_cast<BYTE*>(pixels), D3DFMT_X8R8G8B8, 3, 1, 12);
    region.colorKey = 0x00FF00FF;
    CodecPtr codec = Make(region);
    EXPECT_TRUE(Same(codec->keyColor, ColorF{1, 0, 1, 1}));
    ColorF row[3];
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_TRUE(Same(row[1], ColorF{0, 0, 0, 0}));
    EXPECT_EQ(row[2].a, 1.0f);
}

TEST(ColorKey, SignedFormatsSnapInTheirOwnDomain) {
    // Key bytes red 0x80, green 0x00 become U = trunc(0.0039 x 128 + 0.5) = 1 and
    // V = trunc(-1 x 128 + 0.5) = -127: the stored pixel 0x8101 is keyed out.
    std::uint16_t pixels[2] = {0x8101, 0x8102};
    PixelRegion region = Region(reinterpret_cast<BYTE*>(pixels), D3DFMT_V8U8, 2, 1, 4);
    region.colorKey = 0xFF800000;
    CodecPtr codec = Make(region);
    EXPECT_TRUE(Same(codec->keyColor, ColorF{1 / 128.0f, -127 / 128.0f, 0, 1}));
    ColorF row[2];
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_EQ(row[1].r, 2 / 128.0f);
}

TEST(ColorKey, ZeroMeansNoKey) {
    std::uint32_t pixel = 0x00000000;
    PixelRegion region = Region(reinterpret_cast<BYTE*>(&pixel), D3DFMT_X8R8G8B8, 1, 1, 4);
    CodecPtr codec = Make(region);
    EXPECT_EQ(codec->colorKey, 0u);
    ColorF row;
    codec->DecodeRow(0, 0, &row);
    EXPECT_TRUE(Same(row, ColorF{0, 0, 0, 1}));  // opaque black stays, though the key bits match
}

TEST(ColorKey, ApplyColorKeyComparesAllFourChannelsExactly) {
    BYTE pixels[4] = {};
    CodecPtr codec = Make(Region(pixels, D3DFMT_A8, 4, 1, 4));
    codec->keyColor = ColorF{0.25f, 0.5f, 0.75f, 1.0f};
    ColorF row[4] = {{0.25f, 0.5f, 0.75f, 1.0f}, {0.25f, 0.5f, 0.75f, 0.999f}, {0.2500001f, 0.5f, 0.75f, 1.0f},
                     {0.25f, 0.5f, 0.75f, 1.0f}};
    codec->ApplyColorKey(row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_EQ(row[1].a, 0.999f);
    EXPECT_EQ(row[2].r, 0.2500001f);
    EXPECT_TRUE(Same(row[3], ColorF{0, 0, 0, 0}));
}

}  // namespace
