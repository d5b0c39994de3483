// UYVY and YUY2: sample conversion, pair-aligned held rows, write-back and byte order.
#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "codecs/yuv_codec.h"

using namespace codec_test;

namespace {

struct Samples {
    std::uint32_t y0, u, y1, v;
};

Samples Encode(const ColorF& p0, const ColorF& p1) {
    Samples s{};
    EncodeYuvPair(p0, p1, s.y0, s.u, s.y1, s.v);
    return s;
}

TEST(YuvSamples, BlackWhiteAndRedEncodeToStudioRange) {
    const Samples black = Encode({0, 0, 0, 1}, {0, 0, 0, 1});
    EXPECT_EQ(black.y0, 16u);
    EXPECT_EQ(black.u, 128u);
    EXPECT_EQ(black.v, 128u);
    const Samples white = Encode({1, 1, 1, 1}, {1, 1, 1, 0});
    EXPECT_EQ(white.y0, 235u);
    EXPECT_EQ(white.y1, 235u);
    EXPECT_EQ(white.u, 128u);
    EXPECT_EQ(white.v, 128u);
    const Samples red = Encode({1, 0, 0, 1}, {0, 0, 0, 1});
    EXPECT_EQ(red.y0, 81u);
    EXPECT_EQ(red.u, 91u);
    EXPECT_EQ(red.v, 240u);
    EXPECT_EQ(red.y1, 16u);  // the odd pixel gives only its luma
    // Out-of-range colours clamp the samples to a byte.
    const Samples bright = Encode({4, 4, 4, 1}, {-4, -4, -4, 1});
    EXPECT_EQ(bright.y0, 255u);
    EXPECT_EQ(bright.y1, 0u);
}

TEST(YuvSamples, DecodeClampsToTheUnitRange) {
    ColorF p0, p1;
    DecodeYuvPair(16, 128, 235, 128, p0, p1);
    EXPECT_TRUE(Same(p0, ColorF{0, 0, 0, 1}));
    EXPECT_NEAR(p1.r, 1.0f, 1e-6f);
    EXPECT_EQ(p1.r, p1.g);
    EXPECT_EQ(p1.r, p1.b);
    DecodeYuvPair(255, 255, 0, 0, p0, p1);  // far outside the colour cube
    for (const ColorF& p : {p0, p1}) {
        for (float c : {p.r, p.g, p.b}) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LE(c, 1.0f);
        }
        EXPECT_EQ(p.a, 1.0f);
    }
    EXPECT_EQ(p0.b, 1.0f);
    EXPECT_EQ(p1.r, 0.0f);
}

// A one-row image of `pairs` pairs; each pair's words are (Y0, U) and (Y1, V).
std::vector<BYTE> YuvImage(D3DFORMAT format, const std::vector<Samples>& pairs) {
    std::vector<BYTE> bytes;
    for (const Samples& s : pairs) {
        if (format == D3DFMT_YUY2) {
            bytes.insert(bytes.end(), {BYTE(s.y0), BYTE(s.u), BYTE(s.y1), BYTE(s.v)});
        } else {
            bytes.insert(bytes.end(), {BYTE(s.u), BYTE(s.y0), BYTE(s.v), BYTE(s.y1)});
        }
    }
    return bytes;
}

PixelRegion YuvRegion(std::vector<BYTE>& image, D3DFORMAT format, UINT left, UINT right, UINT rows = 1) {
    const UINT width = static_cast<UINT>(image.size() / 2 / rows);
    PixelRegion region = Region(image.data(), format, width, rows, width * 2);
    region.box.Left = left;
    region.box.Right = right;
    return region;
}

TEST(YuvCodec, UyvyAndYuy2DifferOnlyByByteOrderInEachWord) {
    const ColorF colours[4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0.2f, 0.4f, 0.9f, 1}, {1, 1, 1, 1}};
    std::vector<BYTE> uyvy(8, 0), yuy2(8, 0);
    {
        CodecPtr a = Make(YuvRegion(uyvy, D3DFMT_UYVY, 0, 4));
        CodecPtr b = Make(YuvRegion(yuy2, D3DFMT_YUY2, 0, 4));
        a->EncodeRow(0, 0, colours);
        b->EncodeRow(0, 0, colours);
    }
    for (int i = 0; i < 8; i += 2) {
        EXPECT_EQ(uyvy[i], yuy2[i + 1]);
        EXPECT_EQ(uyvy[i + 1], yuy2[i]);
    }
    EXPECT_EQ(yuy2[0], 81);  // red's luma first in YUY2
    EXPECT_EQ(uyvy[0], 91);  // red's U first in UYVY

    ColorF fromUyvy[4], fromYuy2[4];
    Make(YuvRegion(uyvy, D3DFMT_UYVY, 0, 4))->DecodeRow(0, 0, fromUyvy);
    Make(YuvRegion(yuy2, D3DFMT_YUY2, 0, 4))->DecodeRow(0, 0, fromYuy2);
    EXPECT_EQ(0, std::memcmp(fromUyvy, fromYuy2, sizeof fromUyvy));
}

TEST(YuvCodec, WritesBackOnlyWhenAnotherRowIsFetchedOrOnDestruction) {
    std::vector<BYTE> image = YuvImage(D3DFMT_YUY2, {{50, 60, 70, 80}, {50, 60, 70, 80}});
    image.resize(16);
    std::copy(image.begin(), image.begin() + 8, image.begin() + 8);  // two rows of two pairs
    const std::vector<BYTE> before = image;
    const ColorF black[4] = {{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};
    CodecPtr codec = Make(YuvRegion(image, D3DFMT_YUY2, 0, 4, 2));
    codec->EncodeRow(0, 0, black);
    codec->EncodeRow(0, 0, black);
    EXPECT_EQ(image, before);

    ColorF held[4];
    codec->DecodeRow(0, 0, held);  // the held row serves reads too
    EXPECT_TRUE(Same(held[0], black[0]));
    EXPECT_EQ(image, before);

    codec->EncodeRow(1, 0, black);  // moving to row 1 writes row 0 back
    const BYTE blackPairs[8] = {16, 128, 16, 128, 16, 128, 16, 128};
    EXPECT_EQ(0, std::memcmp(image.data(), blackPairs, 8));
    EXPECT_EQ(0, std::memcmp(image.data() + 8, before.data() + 8, 8));
    codec.reset();
    EXPECT_EQ(0, std::memcmp(image.data() + 8, blackPairs, 8));
}

TEST(YuvCodec, OddLeftEdgeReadsTheRowAndKeepsTheNeighboursChroma) {
    // Pixel 0 (grey, outside the box) shares its pair with pixel 1, the first of the box.
    for (D3DFORMAT format : {D3DFMT_YUY2, D3DFMT_UYVY}) {
        SCOPED_TRACE(format);
        std::vector<BYTE> image = YuvImage(format, {{126, 128, 40, 128}, {40, 128, 40, 128}});
        const ColorF row[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}};
        Make(YuvRegion(image, format, 1, 4))->EncodeRow(0, 0, row);
        const Samples green = Encode({0, 1, 0, 1}, {1, 1, 1, 1});
        // Pair 0: pixel 0 re-encoded from its decoded grey, its chroma kept; red gives luma 81.
        // Pair 1: green at the even column gives the chroma.
        const std::vector<BYTE> expected = YuvImage(format, {{126, 128, 81, 128}, green});
        EXPECT_EQ(image, expected);
    }
}

TEST(YuvCodec, OddRightEdgeTakesTheChromaFromTheLastPixelOfTheBox) {
    std::vector<BYTE> image = YuvImage(D3DFMT_YUY2, {{16, 128, 16, 128}, {16, 128, 235, 128}});
    const ColorF row[3] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 0, 0, 1}};
    CodecPtr codec = Make(YuvRegion(image, D3DFMT_YUY2, 0, 3));
    auto& yuv = static_cast<YuvCodec&>(*codec);
    EXPECT_EQ(yuv.lineStart, 0u);
    EXPECT_EQ(yuv.lineEnd, 4u);
    codec->EncodeRow(0, 0, row);
    codec.reset();
    // Pair 1: red at column 2 (its chroma) and the white pixel 3 outside the box, re-encoded.
    EXPECT_EQ(image, YuvImage(D3DFMT_YUY2, {{235, 128, 235, 128}, {81, 91, 235, 240}}));
}

TEST(YuvCodec, AlignedBoxesDoNotReadBeforeWriting) {
    // With a pair-aligned box the held row is filled entirely by the write.
    std::vector<BYTE> image = YuvImage(D3DFMT_YUY2, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}});
    const ColorF row[2] = {{0, 0, 0, 1}, {1, 1, 1, 1}};
    Make(YuvRegion(image, D3DFMT_YUY2, 2, 4))->EncodeRow(0, 0, row);
    EXPECT_EQ(image, YuvImage(D3DFMT_YUY2, {{1, 2, 3, 4}, {16, 128, 235, 128}, {9, 10, 11, 12}}));
}

TEST(YuvCodec, DecodesTheBoxFromItsLeftEdge) {
    std::vector<BYTE> image = YuvImage(D3DFMT_UYVY, {{16, 128, 235, 128}, {81, 91, 16, 240}});
    ColorF row[3];
    Make(YuvRegion(image, D3DFMT_UYVY, 1, 4))->DecodeRow(0, 0, row);
    ColorF p0, p1, p2, p3;
    DecodeYuvPair(16, 128, 235, 128, p0, p1);
    DecodeYuvPair(81, 91, 16, 240, p2, p3);
    EXPECT_TRUE(Same(row[0], p1));
    EXPECT_TRUE(Same(row[1], p2));
    EXPECT_TRUE(Same(row[2], p3));
    EXPECT_NEAR(p2.r, 1.0f, 0.01f);
    EXPECT_NEAR(p2.g, 0.0f, 0.01f);
}

TEST(YuvCodec, ColourKeyIsComparedUnsnapped) {
    std::vector<BYTE> image = YuvImage(D3DFMT_YUY2, {{16, 128, 17, 128}});
    PixelRegion region = YuvRegion(image, D3DFMT_YUY2, 0, 2);
    region.colorKey = 0xFF000000;  // opaque black: exactly what Y 16, U V 128 decodes to
    CodecPtr codec = Make(region);
    EXPECT_TRUE(Same(codec->keyColor, ColorF{0, 0, 0, 1}));
    ColorF row[2];
    codec->DecodeRow(0, 0, row);
    EXPECT_TRUE(Same(row[0], ColorF{0, 0, 0, 0}));
    EXPECT_EQ(row[1].a, 1.0f);

    region.colorKey = 0xFF010101;  // near black, but no stored sample decodes to 1/255
    codec = Make(region);
    EXPECT_EQ(codec->keyColor.r, 0.003921569f);
    codec->DecodeRow(0, 0, row);
    EXPECT_EQ(row[0].a, 1.0f);
    EXPECT_EQ(row[1].a, 1.0f);
}

}  // namespace
