// The blitter on regions in memory: filter checks, which strategy takes each job, and what
// the non-resampling, box, linear and triangle strategies write.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codecs/pixel_codec.h"
#include "transfer/pixel_blitter.h"
#include "transfer_support.h"

namespace {

struct Outcome {
    HRESULT result;
    std::string strategy;
    bool fast;
};

Outcome Blit(PixelRegion destination, PixelRegion source, std::uint32_t filter) {
    PixelBlitter blitter;
    const HRESULT result = blitter.Transfer(destination, source, filter);
    return {result, blitter.CompletedStrategy() ? blitter.CompletedStrategy() : "", blitter.UsedFastBoxRoutine()};
}

Outcome Blit(MemoryImage& destination, MemoryImage& source, std::uint32_t filter) {
    return Blit(destination.Region(), source.Region(), filter);
}

TEST(BlitterFilters, InvalidSelectorsAndBitsAreRefused) {
    for (std::uint32_t filter : {0u, 6u, 0xFFFFu, FILTER_NONE | 0x100000u, FILTER_BOX | 0x80000000u}) {
        MemoryImage to(D3DFMT_A8R8G8B8, 4, 2, 2), from(D3DFMT_A8R8G8B8, 4, 2, 2);
        EXPECT_EQ(Blit(to, from, filter).result, D3DERR_INVALIDCALL) << std::hex << filter;
    }
    for (std::uint32_t filter : {FILTER_BOX | FILTER_DITHER, FILTER_NONE | FILTER_MIRROR, FILTER_POINT,
                                 FILTER_TRIANGLE | FILTER_MIRROR_U | FILTER_DITHER}) {
        MemoryImage to(D3DFMT_A8R8G8B8, 4, 2, 2), from(D3DFMT_A8R8G8B8, 4, 4, 4);
        EXPECT_EQ(Blit(to, from, filter).result, S_OK) << std::hex << filter;
    }
}

TEST(BlitterChain, EachJobGoesToItsStrategy) {
    struct Case {
        const char* what;
        D3DFORMAT destinationFormat;
        UINT bytes, width, height, depth;
        D3DFORMAT sourceFormat;
        UINT sourceBytes, sourceWidth, sourceHeight, sourceDepth;
        std::uint32_t filter;
        const char* strategy;
    };
    const Case cases[] = {
        {"same format and size", D3DFMT_A8R8G8B8, 4, 4, 4, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_TRIANGLE, "SameFormatCopy"},
        {"equal sizes never resample", D3DFMT_R5G6B5, 2, 4, 4, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_POINT, "RowConversion"},
        {"equal sizes with box", D3DFMT_R5G6B5, 2, 4, 4, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_BOX, "RowConversion"},
        {"none", D3DFMT_A8R8G8B8, 4, 8, 2, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_NONE, "UnfilteredPlacement"},
        {"point", D3DFMT_A8R8G8B8, 4, 3, 5, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_POINT, "PointResample"},
        {"box halving", D3DFMT_A8R8G8B8, 4, 4, 4, 1, D3DFMT_A8R8G8B8, 4, 8, 8, 1, FILTER_BOX, "BoxHalve2D"},
        {"box halving of odd sizes", D3DFMT_A8R8G8B8, 4, 2, 2, 1, D3DFMT_A8R8G8B8, 4, 5, 5, 1, FILTER_BOX, "BoxHalve2D"},
        {"box 3D", D3DFMT_A8R8G8B8, 4, 2, 2, 2, D3DFMT_A8R8G8B8, 4, 4, 4, 4, FILTER_BOX, "BoxHalve3D"},
        {"box that is no halving", D3DFMT_A8R8G8B8, 4, 3, 3, 1, D3DFMT_A8R8G8B8, 4, 8, 8, 1, FILTER_BOX, "TriangleResample2D"},
        {"box 6 to 4", D3DFMT_A8R8G8B8, 4, 4, 4, 1, D3DFMT_A8R8G8B8, 4, 6, 6, 1, FILTER_BOX, "TriangleResample2D"},
        {"box 3D no halving", D3DFMT_A8R8G8B8, 4, 2, 2, 3, D3DFMT_A8R8G8B8, 4, 4, 4, 4, FILTER_BOX, "TriangleResample3D"},
        {"linear", D3DFMT_A8R8G8B8, 4, 6, 3, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_LINEAR, "LinearResample2D"},
        {"linear 3D", D3DFMT_A8R8G8B8, 4, 2, 2, 2, D3DFMT_A8R8G8B8, 4, 2, 2, 4, FILTER_LINEAR, "LinearResample3D"},
        {"triangle", D3DFMT_A8R8G8B8, 4, 5, 3, 1, D3DFMT_A8R8G8B8, 4, 4, 4, 1, FILTER_TRIANGLE, "TriangleResample2D"},
        {"triangle 3D", D3DFMT_A8R8G8B8, 4, 3, 3, 3, D3DFMT_A8R8G8B8, 4, 4, 4, 2, FILTER_TRIANGLE, "TriangleResample3D"},
    };
    for (const Case& c : cases) {
        MemoryImage to(c.destinationFormat, c.bytes, c.width, c.height, c.depth);
        MemoryImage from(c.sourceFormat, c.sourceBytes, c.sourceWidth, c.sourceHeight, c.sourceDepth);
        FillPattern(from);
        const Outcome outcome = Blit(to, from, c.filter);
        EXPECT_EQ(outcome.result, S_OK) << c.what;
        EXPECT_EQ(outcome.strategy, c.strategy) << c.what;
    }
}

TEST(BlitterChain, FormatsWithoutCodecFail) {
    MemoryImage depth(D3DFMT_D16, 2, 4, 4), argb(D3DFMT_A8R8G8B8, 4, 4, 4);
    EXPECT_EQ(Blit(depth, argb, FILTER_POINT).result, E_FAIL);
    EXPECT_EQ(Blit(argb, depth, FILTER_POINT).result, E_FAIL);
}

TEST(SameFormatCopy, KeyedSourceIsConvertedAndKeyedPixelsBecomeTransparentBlack) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 3, 2), to(D3DFMT_A8R8G8B8, 4, 3, 2, 1, 0x77);
    FillPattern(from);
    from.Set(1, 1, 0xFFFF00FF);
    const Outcome outcome = Blit(to.Region(), from.Region(nullptr, 0xFFFF00FF), FILTER_POINT);
    EXPECT_EQ(outcome.strategy, "RowConversion");
    EXPECT_EQ(to.Get(1, 1), 0u);
    EXPECT_EQ(to.Get(0, 0), from.Get(0, 0));
}

TEST(SameFormatCopy, PalettisedIndicesAreCopiedRawOnlyWithEqualPalettes) {
    PALETTEENTRY palette[256], other[256];
    for (int i = 0; i < 256; ++i) palette[i] = other[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 255};
    other[200].peGreen ^= 1;  // an entry no pixel uses
    MemoryImage from(D3DFMT_P8, 1, 4, 2);
    for (UINT x = 0; x < 4; ++x) from.Set(x, 0, x * 10), from.Set(x, 1, 40 + x);

    MemoryImage same(D3DFMT_P8, 1, 4, 2);
    EXPECT_EQ(Blit(same.Region(palette), from.Region(palette), FILTER_POINT).strategy, "SameFormatCopy");
    EXPECT_EQ(same.Get(3, 1), 43u);

    MemoryImage differing(D3DFMT_P8, 1, 4, 2);
    const Outcome outcome = Blit(differing.Region(other), from.Region(palette), FILTER_POINT);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.strategy, "RowConversion");
}

TEST(SameFormatCopy, YuvOfEqualSizeGoesThroughRowConversion) {
    MemoryImage from(D3DFMT_YUY2, 2, 4, 2), to(D3DFMT_YUY2, 2, 4, 2);
    for (UINT x = 0; x < 4; ++x) from.Set(x, 0, 0x8040 + x), from.Set(x, 1, 0x80C0 - x);
    const Outcome outcome = Blit(to, from, FILTER_POINT);
    ASSERT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.strategy, "RowConversion");
}

TEST(SameFormatCopy, DxtBlocksAreCopiedRawOnlyWhenAligned) {
    PixelRegion probe;
    probe.format = D3DFMT_DXT1;
    probe.box = probe.extent = {0, 0, 4, 4, 0, 1};
    std::vector<BYTE> blocks(8 * 4 * 4, 0);
    probe.pixels = blocks.data();
    probe.rowPitch = 32;
    PixelCodec* codec = MakePixelCodec(probe);
    if (!codec) GTEST_SKIP() << "no DXT1 codec in this build yet";
    delete codec;

    std::vector<BYTE> source(32 * 4), destination(32 * 4, 0);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = BYTE(i * 7);
    PixelRegion from = probe, to = probe;
    from.pixels = source.data();
    to.pixels = destination.data();
    from.extent = to.extent = {0, 0, 16, 16, 0, 1};
    from.box = to.box = {0, 0, 8, 8, 0, 1};
    EXPECT_EQ(Blit(to, from, FILTER_POINT).strategy, "SameFormatCopy");
    EXPECT_EQ(std::memcmp(destination.data(), source.data(), 16), 0);
    EXPECT_EQ(std::memcmp(destination.data() + 32, source.data() + 32, 16), 0);
    from.box = to.box = {0, 0, 2, 2, 0, 1};
    EXPECT_EQ(Blit(to, from, FILTER_POINT).strategy, "RowConversion");
}

TEST(UnfilteredPlacement, SourceAtTheOriginAndTransparentBlackBeyond) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4), to(D3DFMT_A8R8G8B8, 4, 8, 2, 1, 0x55);
    FillPattern(from);
    ASSERT_EQ(Blit(to, from, FILTER_NONE).result, S_OK);
    for (UINT y = 0; y < 2; ++y) {
        for (UINT x = 0; x < 8; ++x) EXPECT_EQ(to.Get(x, y), x < 4 ? from.Get(x, y) : 0u) << x << ", " << y;
    }
}

TEST(UnfilteredPlacement, MissingRowsAndSlicesAreTransparentBlack) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 2, 1, 1), to(D3DFMT_A8R8G8B8, 4, 2, 2, 2, 0x55);
    FillPattern(from);
    ASSERT_EQ(Blit(to, from, FILTER_NONE).result, S_OK);
    EXPECT_EQ(to.Get(1, 0, 0), from.Get(1, 0));
    EXPECT_EQ(to.Get(1, 1, 0), 0u);
    EXPECT_EQ(to.Get(0, 0, 1), 0u);
    EXPECT_EQ(to.Get(1, 1, 1), 0u);
}

// The source columns a point-resampled row took, read back from distinct pixels.
std::vector<UINT> PointColumns(UINT sourceWidth, UINT destinationWidth) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, sourceWidth, 1), to(D3DFMT_A8R8G8B8, 4, destinationWidth, 1);
    for (UINT x = 0; x < sourceWidth; ++x) from.Set(x, 0, 0xFF000000u | x);
    EXPECT_EQ(Blit(to, from, FILTER_POINT).strategy, "PointResample");
    std::vector<UINT> columns;
    for (UINT x = 0; x < destinationWidth; ++x) columns.push_back(to.Get(x, 0) & 0xFFFFFF);
    return columns;
}

TEST(PointResample, SamplesSitAtTheStartOfEachDestinationPixel) {
    EXPECT_EQ(PointColumns(3, 4), (std::vector<UINT>{0, 0, 1, 2}));
    EXPECT_EQ(PointColumns(3, 2), (std::vector<UINT>{0, 1}));
    EXPECT_EQ(PointColumns(4, 2), (std::vector<UINT>{0, 2}));
}

TEST(PointResample, SizesOf65536AndMoreStayInsideTheSource) {
    // 70000 x 65536 does not fit in 32 bits: positions are held in 64.
    EXPECT_EQ(PointColumns(70000, 3), (std::vector<UINT>{0, 23333, 46666}));
    const std::vector<UINT> up = PointColumns(3, 70000);
    EXPECT_EQ(up.front(), 0u);
    EXPECT_EQ(up.back(), 2u);
}

TEST(PointResample, RowsAndSlicesAreSampledLikeColumns) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 1, 3, 3), to(D3DFMT_A8R8G8B8, 4, 1, 4, 2);
    FillPattern(from);
    ASSERT_EQ(Blit(to, from, FILTER_POINT).strategy, "PointResample");
    const UINT rows[] = {0, 0, 1, 2};
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 4; ++y) EXPECT_EQ(to.Get(0, y, z), from.Get(0, rows[y], z == 0 ? 0 : 1));
}

TEST(EmptyBoxes, NothingIsReadOrWrittenOutsideTheBuffers) {
    // An empty destination: nothing to do, whatever the filter.
    for (std::uint32_t filter : {FILTER_NONE, FILTER_POINT, FILTER_LINEAR, FILTER_TRIANGLE, FILTER_BOX}) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4), to(D3DFMT_A8R8G8B8, 4, 4, 4, 1, 0x55);
        PixelRegion empty = to.Region();
        empty.box = {1, 1, 1, 3, 0, 1};
        EXPECT_EQ(Blit(empty, from.Region(), filter).result, S_OK);
        EXPECT_EQ(to.Get(1, 1), 0x55555555u);
    }
    // An empty source into a real destination: only FILTER_NONE has something to write.
    for (std::uint32_t filter : {FILTER_POINT, FILTER_LINEAR, FILTER_TRIANGLE, FILTER_BOX}) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4), to(D3DFMT_A8R8G8B8, 4, 4, 4);
        PixelRegion empty = from.Region();
        empty.box = {0, 0, 0, 4, 0, 1};
        EXPECT_EQ(Blit(to.Region(), empty, filter).result, E_FAIL) << filter;
    }
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4), to(D3DFMT_A8R8G8B8, 4, 2, 2, 1, 0x55);
    PixelRegion empty = from.Region();
    empty.box = {0, 0, 4, 0, 0, 1};
    EXPECT_EQ(Blit(to.Region(), empty, FILTER_NONE).result, S_OK);
    EXPECT_EQ(to.Get(1, 1), 0u);
}

// Sources with every channel a multiple of 4 give exact box means in the float path too.
std::uint32_t Quad(UINT x, UINT y) { return 0xFF000000u | (x * 16 & 0xFF) << 16 | (y * 20 & 0xFF) << 8 | ((x + y) * 4 & 0xFF); }

std::uint32_t MeanOf(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t sum = (a >> shift & 0xFF) + (b >> shift & 0xFF) + (c >> shift & 0xFF) + (d >> shift & 0xFF);
        out |= ((sum + 2) >> 2) << shift;
    }
    return out;
}

TEST(BoxHalve2D, OddSizesDropTheLastColumnAndRowOnBothPaths) {
    // X8R8G8B8 from A8R8G8B8 takes the float path; A8R8G8B8 from itself the fast routine.
    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 5, 5), to(format, 4, 2, 2);
        for (UINT y = 0; y < 5; ++y)
            for (UINT x = 0; x < 5; ++x) from.Set(x, y, x == 4 || y == 4 ? 0xFFFFFFFF : Quad(x, y));
        const Outcome outcome = Blit(to, from, FILTER_BOX);
        ASSERT_EQ(outcome.strategy, "BoxHalve2D");
        EXPECT_EQ(outcome.fast, format == D3DFMT_A8R8G8B8);
        for (UINT y = 0; y < 2; ++y) {
            for (UINT x = 0; x < 2; ++x) {
                const std::uint32_t mean = MeanOf(Quad(2 * x, 2 * y), Quad(2 * x + 1, 2 * y), Quad(2 * x, 2 * y + 1),
                                                  Quad(2 * x + 1, 2 * y + 1));
                EXPECT_EQ(to.Get(x, y) & 0xFFFFFF, mean & 0xFFFFFF) << x << ", " << y;
            }
        }
    }
}

TEST(BoxHalve2D, OneWideSourcesAverageTheOtherAxisOnly) {
    MemoryImage tall(D3DFMT_A8R8G8B8, 4, 1, 4), column(D3DFMT_A8R8G8B8, 4, 1, 2);
    MemoryImage wide(D3DFMT_A8R8G8B8, 4, 4, 1), row(D3DFMT_A8R8G8B8, 4, 2, 1);
    for (UINT i = 0; i < 4; ++i) tall.Set(0, i, Quad(i, i)), wide.Set(i, 0, Quad(i, 2 * i));
    const Outcome vertical = Blit(column, tall, FILTER_BOX);
    EXPECT_EQ(vertical.strategy, "BoxHalve2D");
    EXPECT_FALSE(vertical.fast);
    EXPECT_EQ(Blit(row, wide, FILTER_BOX).strategy, "BoxHalve2D");
    for (UINT i = 0; i < 2; ++i) {
        EXPECT_EQ(column.Get(0, i), MeanOf(Quad(2 * i, 2 * i), Quad(2 * i, 2 * i), Quad(2 * i + 1, 2 * i + 1),
                                           Quad(2 * i + 1, 2 * i + 1)));
        EXPECT_EQ(row.Get(i, 0), MeanOf(Quad(2 * i, 4 * i), Quad(2 * i + 1, 4 * i + 2), Quad(2 * i, 4 * i),
                                        Quad(2 * i + 1, 4 * i + 2)));
    }
}

TEST(BoxHalve2D, FastRoutinesServeOnlyUndithered2DSameFormatUnkeyedJobs) {
    struct Case {
        std::uint32_t filter;
        D3DFORMAT destinationFormat;
        D3DCOLOR key;
        bool fast;
    };
    const Case cases[] = {
        {FILTER_BOX, D3DFMT_A8R8G8B8, 0, true},
        {FILTER_BOX | FILTER_DITHER, D3DFMT_A8R8G8B8, 0, false},
        {FILTER_BOX, D3DFMT_X8R8G8B8, 0, false},
        {FILTER_BOX, D3DFMT_A8R8G8B8, 0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4), to(c.destinationFormat, 4, 2, 2);
        FillPattern(from);
        from.Set(0, 0, 0xFFFFFFFF);
        const Outcome outcome = Blit(to.Region(), from.Region(nullptr, c.key), c.filter);
        EXPECT_EQ(outcome.strategy, "BoxHalve2D");
        EXPECT_EQ(outcome.fast, c.fast) << std::hex << c.filter << " " << c.key;
        if (c.key) {
            // The keyed pixel counts as transparent black in the mean.
            EXPECT_EQ(to.Get(0, 0) >> 24, (0 + 3 * 255 + 2) / 4u);
        }
    }
}

TEST(BoxHalve2D, FastAndFloatPathsAgreeWithinOneStep) {
    // The float path is reached through a colour key that no pixel carries.
    std::mt19937 random(5);
    struct Format {
        D3DFORMAT format;
        UINT bytes;
        D3DCOLOR key;
        std::uint32_t keyedValue;  // what the key snaps to, kept out of the image
        std::vector<std::pair<int, int>> channels;
    };
    const Format formats[] = {
        {D3DFMT_A8R8G8B8, 4, 0x01010101, 0x01010101, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}},
        {D3DFMT_R5G6B5, 2, 0xFF000000, 0x0000, {{0, 5}, {5, 6}, {11, 5}}},
        {D3DFMT_A4R4G4B4, 2, 0x01000000, 0x0000, {{0, 4}, {4, 4}, {8, 4}, {12, 4}}},
    };
    for (const Format& f : formats) {
        MemoryImage from(f.format, f.bytes, 16, 8), fast(f.format, f.bytes, 8, 4), slow(f.format, f.bytes, 8, 4);
        for (UINT y = 0; y < 8; ++y) {
            for (UINT x = 0; x < 16; ++x) {
                std::uint32_t value;
                do value = random() & (f.bytes == 4 ? 0xFFFFFFFFu : 0xFFFFu);
                while (value == f.keyedValue);
                from.Set(x, y, value);
            }
        }
        ASSERT_TRUE(Blit(fast.Region(), from.Region(), FILTER_BOX).fast);
        ASSERT_FALSE(Blit(slow.Region(), from.Region(nullptr, f.key), FILTER_BOX).fast);
        for (UINT y = 0; y < 4; ++y) {
            for (UINT x = 0; x < 8; ++x) {
                for (auto [shift, bits] : f.channels) {
                    const int a = int(fast.Get(x, y) >> shift & ((1u << bits) - 1));
                    const int b = int(slow.Get(x, y) >> shift & ((1u << bits) - 1));
                    EXPECT_LE(std::abs(a - b), 1) << f.format << " channel at " << shift;
                }
            }
        }
    }
}

TEST(BoxHalve3D, EverySliceIsTheMeanOfEightPixels) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 4, 4, 4), to(D3DFMT_A8R8G8B8, 4, 2, 2, 2, 0x55);
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x) from.Set(x, y, 0xFF000000u | (x * 8 + z * 64) << 16 | (y * 8) << 8 | z * 8, z);
    ASSERT_EQ(Blit(to, from, FILTER_BOX).strategy, "BoxHalve3D");
    for (UINT z = 0; z < 2; ++z) {
        for (UINT y = 0; y < 2; ++y) {
            for (UINT x = 0; x < 2; ++x) {
                const std::uint32_t expected = 0xFF000000u | (16 * x + 4 + 128 * z + 32) << 16 | (16 * y + 4) << 8 |
                                               (16 * z + 4);
                EXPECT_EQ(to.Get(x, y, z), expected) << x << y << z;
            }
        }
    }
}

TEST(LinearResample, HalvingBlendsPairsAndWrapsOrClampsTheFirst) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 8, 1);
    for (UINT x = 0; x < 8; ++x) from.Set(x, 0, 0xFF000000u | (x * 20) << 16);
    MemoryImage wrapped(D3DFMT_A8R8G8B8, 4, 4, 1), clamped(D3DFMT_A8R8G8B8, 4, 4, 1);
    ASSERT_EQ(Blit(wrapped, from, FILTER_LINEAR).strategy, "LinearResample2D");
    ASSERT_EQ(Blit(clamped, from, FILTER_LINEAR | FILTER_MIRROR_U).strategy, "LinearResample2D");
    EXPECT_EQ(wrapped.Get(0, 0) >> 16 & 0xFF, (140u + 0) / 2);
    EXPECT_EQ(clamped.Get(0, 0) >> 16 & 0xFF, 0u);
    for (UINT i = 1; i < 4; ++i) {
        EXPECT_EQ(wrapped.Get(i, 0) >> 16 & 0xFF, ((2 * i - 1) * 20 + 2 * i * 20) / 2);
        EXPECT_EQ(clamped.Get(i, 0), wrapped.Get(i, 0));
    }
}

TEST(LinearResample3D, EveryDestinationSliceIsWritten) {
    MemoryImage from(D3DFMT_A8R8G8B8, 4, 2, 2, 4), to(D3DFMT_A8R8G8B8, 4, 2, 2, 2, 0x55);
    FillPattern(from);
    ASSERT_EQ(Blit(to, from, FILTER_LINEAR | FILTER_MIRROR).strategy, "LinearResample3D");
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 2; ++x) EXPECT_EQ(to.Get(x, y, z) >> 24, 0xFFu) << x << y << z;
}

TEST(TriangleResample, OnePixelSourceFillsEverythingInBothEdgeModes) {
    for (std::uint32_t mirror : {0u, FILTER_MIRROR}) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 1, 1, 1), plane(D3DFMT_A8R8G8B8, 4, 5, 3), volume(D3DFMT_A8R8G8B8, 4, 3, 2, 3);
        from.Set(0, 0, 0xFF4080C0);
        ASSERT_EQ(Blit(plane, from, FILTER_TRIANGLE | mirror).strategy, "TriangleResample2D");
        ASSERT_EQ(Blit(volume, from, FILTER_TRIANGLE | mirror).strategy, "TriangleResample3D");
        for (UINT y = 0; y < 3; ++y)
            for (UINT x = 0; x < 5; ++x) EXPECT_EQ(plane.Get(x, y), 0xFF4080C0u);
        for (UINT z = 0; z < 3; ++z)
            for (UINT y = 0; y < 2; ++y)
                for (UINT x = 0; x < 3; ++x) EXPECT_EQ(volume.Get(x, y, z), 0xFF4080C0u);
    }
}

TEST(TriangleResample, FlatImagesStayFlatAtEverySize) {
    for (auto [w, h] : {std::pair<UINT, UINT>{3, 3}, {7, 2}, {16, 9}, {1, 5}}) {
        MemoryImage from(D3DFMT_A8R8G8B8, 4, 6, 4), to(D3DFMT_A8R8G8B8, 4, w, h);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 6; ++x) from.Set(x, y, 0xFF336699);
        ASSERT_EQ(Blit(to, from, FILTER_TRIANGLE).result, S_OK);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) ASSERT_EQ(to.Get(x, y), 0xFF336699u) << w << "x" << h << " at " << x << "," << y;
    }
}

}  // namespace
