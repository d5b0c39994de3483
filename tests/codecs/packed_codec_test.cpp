// The packed formats: stored layouts, decoding, round trips, the offset rule, dithering,
// signed truncation, clamping, and the SSE2 kernels against the scalar reference.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "codec_test_support.h"
#include "codecs/packed_layout.h"

using namespace codec_test;

namespace {

struct EncodeCase {
    D3DFORMAT format;
    ColorF color;  // in the format's own domain
    std::uint64_t bits;
};

TEST(PackedEncode, StoresChosenColoursInTheFormatsLayout) {
    const EncodeCase cases[] = {
        {D3DFMT_R8G8B8, {1, 0.5f, 0, 0}, 0xFF8000},
        {D3DFMT_R8G8B8, {0, 0, 1, 1}, 0x0000FF},
        {D3DFMT_A8R8G8B8, {1, 0.5f, 0, 0.25f}, 0x40FF8000},
        {D3DFMT_X8R8G8B8, {1, 0.5f, 0, 1}, 0x00FF8000},
        {D3DFMT_R5G6B5, {1, 0, 0, 1}, 0xF800},
        {D3DFMT_R5G6B5, {0.5f, 0.5f, 0.5f, 0}, 0x8410},  // 15.5 + 0.5 -> 16, 31.5 + 0.5 -> 32
        {D3DFMT_X1R5G5B5, {0, 1, 0, 1}, 0x03E0},
        {D3DFMT_X1R5G5B5, {1, 1, 1, 1}, 0x7FFF},
        {D3DFMT_A1R5G5B5, {0, 0, 1, 0.49f}, 0x001F},
        {D3DFMT_A1R5G5B5, {0, 0, 0, 0.5f}, 0x8000},
        {D3DFMT_A4R4G4B4, {1, 0, 0, 0.5f}, 0x8F00},
        {D3DFMT_X4R4G4B4, {0, 0, 1, 1}, 0x000F},
        {D3DFMT_R3G3B2, {1, 0, 1, 1}, 0xE3},
        {D3DFMT_R3G3B2, {0, 1, 0, 1}, 0x1C},
        {D3DFMT_A8, {1, 1, 1, 0.5f}, 0x80},
        {D3DFMT_A8R3G3B2, {0, 0, 1, 1}, 0xFF03},
        {D3DFMT_A2B10G10R10, {1, 0, 0, 1}, 0xC00003FF},
        {D3DFMT_A2B10G10R10, {0, 0, 1, 0}, 0x3FF00000},
        {D3DFMT_G16R16, {1, 0, 0, 0}, 0x0000FFFF},
        {D3DFMT_G16R16, {0, 1, 1, 1}, 0xFFFF0000},
        {D3DFMT_L8, {0, 1, 0, 0}, 182},    // 0.7154 x 255 + 0.5
        {D3DFMT_A8L8, {1, 0, 0, 1}, 0xFF36},  // 0.2125 x 255 + 0.5 -> 54
        {D3DFMT_A4L4, {0, 0, 1, 0}, 0x01},
        {D3DFMT_A4L4, {1, 1, 1, 1}, 0xFF},
        {D3DFMT_V8U8, {-1, 0.5f, 0, 0}, 0x4081},
        {D3DFMT_L6V5U5, {0.5f, -0.5f, 0, 1}, 0xFF28},
        {D3DFMT_X8L8V8U8, {0.25f, -0.25f, 0, 0.5f}, 0x0080E120},
        {D3DFMT_Q8W8V8U8, {-1, 0.5f, 0, -0.5f}, 0xC1004081},
        {D3DFMT_V16U16, {0.5f, -1, 0, 0}, 0x80014000},
        {D3DFMT_W11V11U10, {-1, 0.5f, -0.5f, 0}, 0xC0280201},
        {D3DFMT_A2W10V10U10, {0, 0, -1, 1}, 0xE0100000},
        {D3DFMT_D16_LOCKABLE, {0, 0, 1, 0}, 4725},  // 0.0721 x 65535 + 0.5
        {D3DFMT_L16_PRIVATE, {0, 0, 1, 0}, 4725},
        {D3DFMT_AL16_PRIVATE, {1, 1, 1, 0.5f}, 0x8000FFFF},
        {D3DFMT_R16_PRIVATE, {1, 0, 0.5f, 0}, 0xFFFF00008000},
        {D3DFMT_AR16_PRIVATE, {0, 1, 0, 1}, 0xFFFF0000FFFF0000},
    };
    for (const EncodeCase& c : cases) {
        EXPECT_EQ(EncodePixel(c.format, c.color), c.bits) << c.format << " " << std::hex << c.bits;
    }
}

struct DecodeCase {
    D3DFORMAT format;
    std::uint64_t bits;
    ColorF expected;
};

TEST(PackedDecode, ReadsChosenBitPatterns) {
    const float r31 = 0.032258064f, r63 = 0.015873017f, r255 = 0.003921569f, r15 = 0.06666667f;
    const float r7 = 0.14285715f, r3 = 0.33333334f, r1023 = 0.0009775171f, r65535 = 0.000015259022f;
    const DecodeCase cases[] = {
        {D3DFMT_R5G6B5, 0x8410, {16 * r31, 32 * r63, 16 * r31, 1}},  // 16 -> 0.516129
        {D3DFMT_R8G8B8, 0x102030, {0x10 * r255, 0x20 * r255, 0x30 * r255, 1}},
        {D3DFMT_A8R8G8B8, 0x80FF0001, {1, 0, r255, 128 * r255}},
        {D3DFMT_X8R8G8B8, 0xFF000000, {0, 0, 0, 1}},
        {D3DFMT_X1R5G5B5, 0x8000 | (3 << 10), {3 * r31, 0, 0, 1}},
        {D3DFMT_A1R5G5B5, 0x8000 | 7, {0, 0, 7 * r31, 1}},
        {D3DFMT_A4R4G4B4, 0x1234, {2 * r15, 3 * r15, 4 * r15, 1 * r15}},
        {D3DFMT_X4R4G4B4, 0xF00A, {0, 0, 10 * r15, 1}},
        {D3DFMT_R3G3B2, 0b10101110, {5 * r7, 3 * r7, 2 * r3, 1}},
        {D3DFMT_A8, 0x80, {0, 0, 0, 128 * r255}},  // black with the stored alpha
        {D3DFMT_A8R3G3B2, 0x4001, {0, 0, r3, 64 * r255}},
        {D3DFMT_A2B10G10R10, 0xC00003FF, {1, 0, 0, 1}},
        {D3DFMT_A2B10G10R10, 0x40000000 | (5 << 10), {0, 5 * r1023, 0, r3}},
        {D3DFMT_G16R16, 0xFFFF0000, {0, 1, 1, 1}},  // blue decodes as 1
        {D3DFMT_L8, 0x40, {64 * r255, 64 * r255, 64 * r255, 1}},  // grey, opaque
        {D3DFMT_A8L8, 0x8040, {64 * r255, 64 * r255, 64 * r255, 128 * r255}},
        {D3DFMT_A4L4, 0x3C, {12 * r15, 12 * r15, 12 * r15, 3 * r15}},
        {D3DFMT_V8U8, 0x7F80, {-1, 127 / 128.0f, 0, 1}},  // -128 reads back as exactly -1
        {D3DFMT_L6V5U5, 0xFC10, {-1, 0, 0, 1}},
        {D3DFMT_X8L8V8U8, 0xAB40FF01, {1 / 128.0f, -1 / 128.0f, 0, 64 * r255}},
        {D3DFMT_Q8W8V8U8, 0x80FF7F01, {1 / 128.0f, 127 / 128.0f, -1 / 128.0f, -1}},
        {D3DFMT_V16U16, 0x80007FFF, {32767 / 32768.0f, -1, 0, 1}},
        {D3DFMT_W11V11U10, 0x800FFE00, {-1, 1023 / 1024.0f, -1, 1}},
        {D3DFMT_A2W10V10U10, 0x80000000 | (0x1FFu << 10) | 0x200, {-1, 511 / 512.0f, 0, 2 * r3}},
        {D3DFMT_D16_LOCKABLE, 0x8000, {32768 * r65535, 32768 * r65535, 32768 * r65535, 1}},
        {D3DFMT_L16_PRIVATE, 0x8000, {32768 * r65535, 32768 * r65535, 32768 * r65535, 1}},
        {D3DFMT_AL16_PRIVATE, 0xFFFF0001, {r65535, r65535, r65535, 1}},
        {D3DFMT_R16_PRIVATE, 0x000100020003, {1 * r65535, 2 * r65535, 3 * r65535, 1}},
        {D3DFMT_AR16_PRIVATE, 0xFFFF000100020003, {1 * r65535, 2 * r65535, 3 * r65535, 1}},
    };
    for (const DecodeCase& c : cases) {
        const ColorF got = DecodePixel(c.format, c.bits);
        EXPECT_TRUE(Same(got, c.expected)) << c.format << " " << std::hex << c.bits << std::dec << ": " << got.r
                                           << " " << got.g << " " << got.b << " " << got.a;
    }
}

TEST(PackedDecode, ReciprocalConstantsAreTheSinglePrecisionOnes) {
    EXPECT_EQ(DecodePixel(D3DFMT_R5G6B5, 1 << 11).r, 0.032258064f);
    EXPECT_EQ(DecodePixel(D3DFMT_R5G6B5, 1 << 5).g, 0.015873017f);
    EXPECT_NEAR(DecodePixel(D3DFMT_R5G6B5, 16 << 11).r, 0.516129f, 1e-6f);
    EXPECT_EQ(DecodePixel(D3DFMT_A2B10G10R10, 1).r, 0.0009775171f);
    EXPECT_EQ(DecodePixel(D3DFMT_G16R16, 1).r, 0.000015259022f);
    EXPECT_EQ(DecodePixel(D3DFMT_R3G3B2, 1).b, 0.33333334f);
}

// Every representable pixel of the unsigned 8- and 16-bit formats survives decode and
// encode without dithering; `used` masks bits the format does not keep.
struct RoundTripCase {
    D3DFORMAT format;
    std::uint32_t used;
};

TEST(PackedRoundTrip, EveryNarrowPixelValueSurvives) {
    const RoundTripCase cases[] = {
        {D3DFMT_R5G6B5, 0xFFFF},   {D3DFMT_X1R5G5B5, 0x7FFF}, {D3DFMT_A1R5G5B5, 0xFFFF},
        {D3DFMT_A4R4G4B4, 0xFFFF}, {D3DFMT_X4R4G4B4, 0x0FFF}, {D3DFMT_A8R3G3B2, 0xFFFF},
        {D3DFMT_A8L8, 0xFFFF},     {D3DFMT_D16_LOCKABLE, 0xFFFF}, {D3DFMT_L16_PRIVATE, 0xFFFF},
        {D3DFMT_R3G3B2, 0xFF},     {D3DFMT_A8, 0xFF},         {D3DFMT_L8, 0xFF},
        {D3DFMT_A4L4, 0xFF},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.format);
        const std::uint32_t bytes = BytesPerPixel(c.format);
        const std::uint32_t count = bytes == 1 ? 256 : 65536;
        std::vector<BYTE> stored(count * bytes);
        for (std::uint32_t v = 0; v < count; ++v) std::memcpy(&stored[v * bytes], &v, bytes);
        std::vector<BYTE> written(stored.size(), 0xAA);
        std::vector<ColorF> row(count);
        CodecPtr reader = Make(Region(stored.data(), c.format, count, 1, count * bytes));
        CodecPtr writer = Make(Region(written.data(), c.format, count, 1, count * bytes));
        reader->DecodeRow(0, 0, row.data());
        writer->EncodeRow(0, 0, row.data());
        std::uint32_t failures = 0;
        for (std::uint32_t v = 0; v < count; ++v) {
            std::uint32_t got = 0;
            std::memcpy(&got, &written[v * bytes], bytes);
            if (got != (v & c.used) && ++failures < 5) ADD_FAILURE() << std::hex << v << " -> " << got;
        }
        EXPECT_EQ(failures, 0u);
    }
}

TEST(PackedRoundTrip, WideFormatsSurviveFieldByField) {
    // 8-, 10- and 16-bit fields of the wider unsigned formats: every value of each field,
    // with the other fields holding a varying pattern.
    const D3DFORMAT formats[] = {D3DFMT_R8G8B8,       D3DFMT_A8R8G8B8,      D3DFMT_X8R8G8B8,
                                 D3DFMT_A2B10G10R10,  D3DFMT_G16R16,        D3DFMT_AL16_PRIVATE,
                                 D3DFMT_R16_PRIVATE,  D3DFMT_AR16_PRIVATE};
    std::mt19937_64 random(7);
    for (D3DFORMAT format : formats) {
        SCOPED_TRACE(format);
        const PackedLayout& layout = *FindPackedLayout(format);
        std::uint64_t used = 0;
        for (const PackedField& f : layout.field) used |= ((std::uint64_t{1} << f.bits) - 1) << f.shift;
        const std::uint32_t bytes = layout.bitsPerPixel / 8;
        for (const PackedField& f : layout.field) {
            if (f.bits == 0) continue;
            const std::uint32_t count = 1u << f.bits;
            std::vector<BYTE> stored(count * bytes), written(count * bytes);
            for (std::uint32_t v = 0; v < count; ++v) {
                const std::uint64_t fieldMask = ((std::uint64_t{1} << f.bits) - 1) << f.shift;
                const std::uint64_t pixel = (random() & used & ~fieldMask) | (std::uint64_t{v} << f.shift);
                std::memcpy(&stored[v * bytes], &pixel, bytes);
            }
            std::vector<ColorF> row(count);
            Make(Region(stored.data(), format, count, 1, count * bytes))->DecodeRow(0, 0, row.data());
            Make(Region(written.data(), format, count, 1, count * bytes))->EncodeRow(0, 0, row.data());
            EXPECT_EQ(stored, written);
        }
    }
}

// ---- The offset rule -------------------------------------------------------------------

struct FullCase {
    D3DFORMAT format;
    std::uint64_t full;  // every stored field at its maximum
};

TEST(PackedEncode, ZeroAndOneStoreZeroAndTheMaximumWithAndWithoutDither) {
    const FullCase cases[] = {
        {D3DFMT_R8G8B8, 0xFFFFFF},       {D3DFMT_A8R8G8B8, 0xFFFFFFFF},   {D3DFMT_X8R8G8B8, 0x00FFFFFF},
        {D3DFMT_R5G6B5, 0xFFFF},         {D3DFMT_X1R5G5B5, 0x7FFF},       {D3DFMT_A1R5G5B5, 0xFFFF},
        {D3DFMT_A4R4G4B4, 0xFFFF},       {D3DFMT_R3G3B2, 0xFF},           {D3DFMT_A8, 0xFF},
        {D3DFMT_A8R3G3B2, 0xFFFF},       {D3DFMT_X4R4G4B4, 0x0FFF},       {D3DFMT_A2B10G10R10, 0xFFFFFFFF},
        {D3DFMT_G16R16, 0xFFFFFFFF},     {D3DFMT_L8, 0xFF},               {D3DFMT_A8L8, 0xFFFF},
        {D3DFMT_A4L4, 0xFF},             {D3DFMT_D16_LOCKABLE, 0xFFFF},   {D3DFMT_L16_PRIVATE, 0xFFFF},
        {D3DFMT_AL16_PRIVATE, 0xFFFFFFFF}, {D3DFMT_R16_PRIVATE, 0xFFFFFFFFFFFF},
        {D3DFMT_AR16_PRIVATE, 0xFFFFFFFFFFFFFFFF},
    };
    // A 4 x 4 x 4 volume visits every dither offset.
    for (const FullCase& c : cases) {
        for (int dither = 0; dither < 2; ++dither) {
            for (float value : {0.0f, 1.0f}) {
                SCOPED_TRACE(testing::Message() << c.format << " dither " << dither << " value " << value);
                const std::uint32_t bytes = BytesPerPixel(c.format);
                std::vector<BYTE> image(64 * bytes, 0x5A);
                PixelRegion region = Region(image.data(), c.format, 4, 4, 4 * bytes, 4, 16 * bytes);
                region.dither = dither;
                CodecPtr codec = Make(region);
                const ColorF row[4] = {{value, value, value, value}, {value, value, value, value},
                                       {value, value, value, value}, {value, value, value, value}};
                for (std::uint32_t z = 0; z < 4; ++z) {
                    for (std::uint32_t y = 0; y < 4; ++y) codec->EncodeRow(y, z, row);
                }
                for (int i = 0; i < 64; ++i) {
                    std::uint64_t got = 0;
                    std::memcpy(&got, &image[i * bytes], bytes);
                    ASSERT_EQ(got, value == 0.0f ? 0 : c.full) << "pixel " << i;
                }
            }
        }
    }
}

// The ordered pattern, k by row and column; an offset (k + 0.5) / 16 lifts 15.5 to 16
// exactly when k >= 8.
const int DITHER_K[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};

TEST(PackedEncode, DitherFollowsThe4x4PatternShiftedOneColumnPerSlice) {
    std::uint16_t image[4][4][4] = {};
    PixelRegion region = Region(reinterpret_cast<BYTE*>(image), D3DFMT_X1R5G5B5, 4, 4, 8, 4, 32);
    region.dither = 1;
    CodecPtr codec = Make(region);
    const ColorF grey{0.5f, 0.5f, 0.5f, 1};
    const ColorF row[4] = {grey, grey, grey, grey};
    for (std::uint32_t z = 0; z < 4; ++z) {
        for (std::uint32_t y = 0; y < 4; ++y) codec->EncodeRow(y, z, row);
    }
    for (int z = 0; z < 4; ++z) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const std::uint16_t level = DITHER_K[y][(x + z) & 3] >= 8 ? 16 : 15;
                EXPECT_EQ(image[z][y][x], (level << 10) | (level << 5) | level) << z << y << x;
            }
        }
    }

    // Without dithering the same area is flat.
    region.dither = 0;
    codec = Make(region);
    for (std::uint32_t z = 0; z < 4; ++z) {
        for (std::uint32_t y = 0; y < 4; ++y) codec->EncodeRow(y, z, row);
    }
    for (int z = 0; z < 4; ++z) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) EXPECT_EQ(image[z][y][x], 0x4210);
        }
    }
}

TEST(PackedEncode, DitheredHalfAlphaSetsTheBitOnHalfThePattern) {
    for (int dither = 0; dither < 2; ++dither) {
        std::uint16_t image[4][8] = {};
        PixelRegion region = Region(reinterpret_cast<BYTE*>(image), D3DFMT_A1R5G5B5, 8, 4, 16);
        region.dither = dither;
        CodecPtr codec = Make(region);
        std::vector<ColorF> row(8, ColorF{0, 0, 0, 0.5f});
        for (std::uint32_t y = 0; y < 4; ++y) codec->EncodeRow(y, 0, row.data());
        int set = 0;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) set += image[y][x] >> 15;
        }
        EXPECT_EQ(set, dither ? 16 : 32);
    }
}

TEST(PackedEncode, SignedFormatsTruncateTowardZeroAfterTheOffset) {
    EXPECT_EQ(EncodePixel(D3DFMT_V8U8, {-1, 0, 0, 0}), 0x0081u);  // -127, not -128
    EXPECT_EQ(EncodePixel(D3DFMT_V8U8, {-1 / 128.0f, -1 / 128.0f, 0, 0}), 0x0000u);
    EXPECT_EQ(EncodePixel(D3DFMT_V8U8, {0.25f, -0.25f, 0, 0}), 0xE120u);  // 32, -31
    EXPECT_EQ(DecodePixel(D3DFMT_V8U8, 0x0080).r, -1.0f);
    EXPECT_EQ(EncodePixel(D3DFMT_V16U16, {-1, 0, 0, 0}), 0x8001u);
    EXPECT_EQ(EncodePixel(D3DFMT_L6V5U5, {-1, 0, 0, 0}), 0x0011u);  // -15 in 5 bits
}

// Out-of-range values saturate at the field's limits (a value above 1 never spills into
// the neighbouring field, +1 in a signed field stores the largest positive value, and a
// value that is not a number stores the field's maximum).
TEST(PackedEncode, OutOfRangeValuesSaturate) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const EncodeCase cases[] = {
        {D3DFMT_R5G6B5, {1.5f, -0.5f, 0, 1}, 0xF800},
        {D3DFMT_A8R8G8B8, {2, -1, 0.5f, 7}, 0xFFFF0080},
        {D3DFMT_A8R8G8B8, {inf, -inf, 0, 0}, 0x00FF0000},
        {D3DFMT_A8R8G8B8, {nan, 0, 0, 0}, 0x00FF0000},
        {D3DFMT_A2B10G10R10, {0, 0, 0, 2}, 0xC0000000},
        {D3DFMT_V8U8, {1, -2, 0, 0}, 0x807F},
        {D3DFMT_W11V11U10, {1, 1, 1, 0}, 0x7FEFFDFF},
        {D3DFMT_Q8W8V8U8, {0, 0, 0, 1}, 0x7F000000},
        {D3DFMT_AR16_PRIVATE, {3, 0, 0, 0}, 0x0000FFFF00000000},
    };
    for (const EncodeCase& c : cases) {
        EXPECT_EQ(EncodePixel(c.format, c.color), c.bits) << c.format << " " << std::hex << c.bits;
        EXPECT_EQ(EncodePixel(c.format, c.color, true), c.bits) << c.format << " dithered";
    }
}

// ---- SSE2 against the scalar reference -------------------------------------------------

TEST(PackedKernels, Sse2StoresAndReadsExactlyWhatTheScalarFormDoes) {
    const D3DFORMAT formats[] = {
        D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,     D3DFMT_X1R5G5B5,  D3DFMT_A1R5G5B5,
        D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,         D3DFMT_A8R3G3B2,  D3DFMT_X4R4G4B4,
        D3DFMT_A2B10G10R10, D3DFMT_G16R16, D3DFMT_L8,        D3DFMT_A8L8,      D3DFMT_A4L4,
        D3DFMT_V8U8,     D3DFMT_L6V5U5,   D3DFMT_X8L8V8U8,   D3DFMT_Q8W8V8U8,  D3DFMT_V16U16,
        D3DFMT_W11V11U10, D3DFMT_A2W10V10U10, D3DFMT_D16_LOCKABLE, D3DFMT_L16_PRIVATE, D3DFMT_AL16_PRIVATE,
    };
    std::mt19937 random(11);
    std::uniform_real_distribution<float> inRange(-1.0f, 1.0f);
    std::uniform_real_distribution<float> wide(-3.0f, 3.0f);
    const float specials[] = {0.0f, 1.0f, -1.0f, 0.5f, -0.5f, std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(), 1e20f, -1e20f, 15.5f / 31};
    constexpr std::uint32_t WIDTH = 203;  // not a multiple of 4: the scalar tail runs too
    for (D3DFORMAT format : formats) {
        SCOPED_TRACE(format);
        const PackedLayout& layout = *FindPackedLayout(format);
        const PackedPlan plan = MakePackedPlan(layout);
        const PackedRowKernels sse2 = FindPackedRowKernelsSse2(layout);
        if (!sse2.decode || !sse2.encode) GTEST_SKIP() << "built without SSE2";
        std::vector<BYTE> stored(WIDTH * plan.bytesPerPixel);
        for (BYTE& b : stored) b = static_cast<BYTE>(random());
        std::vector<ColorF> scalarRow(WIDTH), sse2Row(WIDTH);
        DecodePackedRowScalar(plan, stored.data(), WIDTH, scalarRow.data());
        sse2.decode(plan, stored.data(), WIDTH, sse2Row.data());
        EXPECT_EQ(0, std::memcmp(scalarRow.data(), sse2Row.data(), WIDTH * sizeof(ColorF)));

        std::vector<ColorF> colors(WIDTH);
        for (std::uint32_t i = 0; i < WIDTH; ++i) {
            float* c = &colors[i].r;
            for (int k = 0; k < 4; ++k) {
                const std::uint32_t pick = random() % 8;
                c[k] = pick < 5 ? inRange(random) : pick < 7 ? wide(random) : specials[random() % 10];
            }
        }
        for (const float* table : {RoundingTable, OrderedDitherTable}) {
            for (int start : {0, 8 + 1, 16 + 3, 24 + 2}) {
                std::vector<BYTE> scalarOut(stored.size(), 0), sse2Out(stored.size(), 0xFF);
                EncodePackedRowScalar(plan, scalarOut.data(), WIDTH, colors.data(), table + start);
                sse2.encode(plan, sse2Out.data(), WIDTH, colors.data(), table + start);
                EXPECT_EQ(scalarOut, sse2Out) << "offsets from " << start;
            }
        }
    }
}

}  // namespace
