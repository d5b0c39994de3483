// Windows bitmap and bare DIB decoding: tool-written files and hand-built headers.
#include <cstring>

#include <gtest/gtest.h>

#include "decoder_fixtures.h"

using namespace fixtures;

namespace {

// A bare DIB: the info header, the masks of a short bit-field header, the colour table and
// the pixel bytes.
struct DibShape {
    std::uint32_t headerSize = 40;
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint32_t planes = 1;
    std::uint32_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    Bytes table;                            // blue, green, red, reserved per entry
    Bytes pixels;
};

Bytes BuildDib(const DibShape& shape) {
    Bytes out;
    PutLe32(out, shape.headerSize);
    PutLe32(out, std::uint32_t(shape.width));
    PutLe32(out, std::uint32_t(shape.height));
    PutLe16(out, shape.planes);
    PutLe16(out, shape.bitCount);
    PutLe32(out, shape.compression);
    for (int i = 0; i < 3; ++i) PutLe32(out, 0);  // image size, resolution
    PutLe32(out, shape.colorsUsed);
    PutLe32(out, 0);  // colours important
    if (shape.headerSize >= 108) {
        for (std::uint32_t mask : shape.masks) PutLe32(out, mask);
    }
    out.resize(shape.headerSize, 0);
    if (shape.compression == 3 && shape.headerSize < 108) {
        for (int i = 0; i < 3; ++i) PutLe32(out, shape.masks[i]);
    }
    out.insert(out.end(), shape.table.begin(), shape.table.end());
    out.insert(out.end(), shape.pixels.begin(), shape.pixels.end());
    return out;
}

Bytes WithFileHeader(const Bytes& dib) {
    Bytes out = {'B', 'M'};
    PutLe32(out, std::uint32_t(dib.size() + 14));
    PutLe32(out, 0);
    PutLe32(out, 0);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

HRESULT Dib(DecodedImage& image, const Bytes& bytes, BOOL loadPixels = TRUE) {
    Prepare(image, loadPixels);
    return image.DecodeDib(bytes.data(), UINT(bytes.size()));
}

HRESULT Bmp(DecodedImage& image, const Bytes& bytes, BOOL loadPixels = TRUE) {
    Prepare(image, loadPixels);
    return image.DecodeBmp(bytes.data(), UINT(bytes.size()));
}

Rgb PaletteColour(const DecodedImage& image, unsigned x, unsigned y) {
    const PALETTEENTRY& e = image.palette[Row(image, y)[x]];
    return {e.peRed, e.peGreen, e.peBlue};
}

void ExpectRgb(Rgb want, Rgb got, unsigned x, unsigned y) {
    EXPECT_EQ(want.r, got.r) << "at " << x << "," << y;
    EXPECT_EQ(want.g, got.g) << "at " << x << "," << y;
    EXPECT_EQ(want.b, got.b) << "at " << x << "," << y;
}

void ExpectOpaqueWhiteFrom(const DecodedImage& image, unsigned first) {
    for (unsigned i = first; i < 256; ++i) {
        const PALETTEENTRY& e = image.palette[i];
        ASSERT_TRUE(e.peRed == 255 && e.peGreen == 255 && e.peBlue == 255 && e.peFlags == 255) << "entry " << i;
    }
}

}  // namespace

TEST(BmpDecoder, PalettisedFilesBecomeP8WithTheirColours) {
    struct Case {
        const char* file;
        unsigned tableEntries;
    };
    for (const Case& c : {Case{"bmp_pal4.bmp", 16}, Case{"bmp_pal8_16colours.bmp", 16}, Case{"bmp_rle8.bmp", 256}}) {
        SCOPED_TRACE(c.file);
        const Bytes file = ReadFixture(c.file);
        DecodedImage image;
        ASSERT_EQ(S_OK, Bmp(image, file));
        EXPECT_EQ(D3DFMT_P8, image.format);
        EXPECT_EQ(9u, image.width);
        EXPECT_EQ(3u, image.height);
        EXPECT_EQ(1u, image.depth);
        EXPECT_EQ(12u, image.rowPitch);
        EXPECT_EQ(0u, image.slicePitch);
        EXPECT_TRUE(image.ownsPixels);
        ASSERT_TRUE(image.palette && image.ownsPalette);
        for (unsigned y = 0; y < 3; ++y)
            for (unsigned x = 0; x < 9; ++x) ExpectRgb(Sixteen(SixteenIndex(x, y)), PaletteColour(image, x, y), x, y);
        for (unsigned i = 0; i < c.tableEntries; ++i) EXPECT_EQ(255, image.palette[i].peFlags);
        ExpectOpaqueWhiteFrom(image, c.tableEntries);
    }
}

TEST(BmpDecoder, SixteenColoursUsedFillTheRestOfThePaletteWithOpaqueWhite) {
    const Bytes file = ReadFixture("bmp_pal8_16colours.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file));
    for (unsigned i = 0; i < 16; ++i) ExpectRgb(Sixteen(i), {image.palette[i].peRed, image.palette[i].peGreen, image.palette[i].peBlue}, i, 0);
    ExpectOpaqueWhiteFrom(image, 16);
}

TEST(BmpDecoder, OneBitFileGivesIndicesZeroAndOne) {
    const Bytes file = ReadFixture("bmp_pal1.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file));
    EXPECT_EQ(D3DFMT_P8, image.format);
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 9; ++x) {
            const BYTE index = Row(image, y)[x];
            ASSERT_LE(index, 1);
            const BYTE want = (x + y) % 3 == 0 ? 255 : 0;
            EXPECT_EQ(want, image.palette[index].peRed) << x << "," << y;
        }
    EXPECT_EQ(0, image.palette[0].peRed);
    EXPECT_EQ(255, image.palette[1].peRed);
    ExpectOpaqueWhiteFrom(image, 2);
}

TEST(BmpDecoder, TwentyFourBitBottomUpRowsArePaddedToTwelveBytesAndReversed) {
    const Bytes file = ReadFixture("bmp_rgb24_w3.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file));
    EXPECT_EQ(D3DFMT_R8G8B8, image.format);
    EXPECT_EQ(12u, image.rowPitch);
    ASSERT_EQ(4u, image.height);
    EXPECT_TRUE(image.ownsPixels);
    for (unsigned y = 0; y < 4; ++y)
        for (unsigned x = 0; x < 3; ++x) {
            const BYTE* p = Row(image, y) + 3 * x;
            ExpectRgb(SourceRgb(x, y), {p[2], p[1], p[0]}, x, y);
        }
    // The first file row (at the pixel-data offset) is the bottom row of the image.
    EXPECT_EQ(0, std::memcmp(file.data() + 54, Row(image, 3), 12));
}

TEST(BmpDecoder, ThirtyTwoBitFileKeepsItsBytesAsX8R8G8B8) {
    const Bytes file = ReadFixture("bmp_rgb32.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file));
    EXPECT_EQ(D3DFMT_X8R8G8B8, image.format);
    EXPECT_EQ(20u, image.rowPitch);
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 5; ++x) {
            const BYTE* p = Row(image, y) + 4 * x;
            ExpectRgb(SourceRgb(x, y), {p[2], p[1], p[0]}, x, y);
        }
}

TEST(BmpDecoder, ToolWrittenR5G6B5BitFieldsInAV5Header) {
    const Bytes file = ReadFixture("bmp_rgb565_v5.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file));
    EXPECT_EQ(D3DFMT_R5G6B5, image.format);
    EXPECT_EQ(12u, image.rowPitch);  // 5 pixels of 2 bytes, padded to 4
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 5; ++x) {
            const BYTE* p = Row(image, y) + 2 * x;
            const unsigned v = p[0] | p[1] << 8;
            const Rgb s = SourceRgb(x, y);
            // The writer may round to the nearest step; allow one step either way.
            EXPECT_NEAR(s.r * 31.0 / 255, (v >> 11) & 31, 1.0) << x << "," << y;
            EXPECT_NEAR(s.g * 63.0 / 255, (v >> 5) & 63, 1.0) << x << "," << y;
            EXPECT_NEAR(s.b * 31.0 / 255, v & 31, 1.0) << x << "," << y;
        }
}

TEST(BmpDecoder, EveryBitFieldRowWithShortAndLongHeaders) {
    struct MaskRow {
        std::uint32_t bitCount, red, green, blue, alpha;
        D3DFORMAT format;
    };
    const MaskRow rows[] = {
        {16, 0xFF, 0xFF, 0xFF, 0xFF00, D3DFMT_A8L8},
        {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
        {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
        {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
        {16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
        {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2B10G10R10},
        {32, 0xFFFF, 0xFFFF0000, 0, 0, D3DFMT_G16R16},
    };
    for (const MaskRow& row : rows) {
        for (std::uint32_t headerSize : {40u, 108u}) {
            SCOPED_TRACE(testing::Message() << "format " << row.format << ", header " << headerSize);
            DibShape shape;
            shape.headerSize = headerSize;
            shape.width = 3;
            shape.height = 2;
            shape.bitCount = row.bitCount;
            shape.compression = 3;
            shape.masks[0] = row.red;
            shape.masks[1] = row.green;
            shape.masks[2] = row.blue;
            shape.masks[3] = row.alpha;
            const unsigned stride = (row.bitCount / 8 * 3 + 3) & ~3u;
            for (unsigned i = 0; i < stride * 2; ++i) shape.pixels.push_back(BYTE(i * 7 + 1));
            const Bytes dib = BuildDib(shape);
            DecodedImage image;
            const HRESULT hr = Dib(image, dib);
            // A 40-byte header carries no alpha mask: the masks then read as the row with the
            // same colour masks and no alpha, if there is one.
            D3DFORMAT want = row.format;
            if (headerSize == 40 && row.alpha != 0) {
                want = D3DFMT_UNKNOWN;
                for (const MaskRow& other : rows) {
                    if (other.bitCount == row.bitCount && other.red == row.red && other.green == row.green &&
                        other.blue == row.blue && other.alpha == 0) {
                        want = other.format;
                    }
                }
            }
            if (want == D3DFMT_UNKNOWN) {
                EXPECT_EQ(E_FAIL, hr);
                continue;
            }
            ASSERT_EQ(S_OK, hr);
            EXPECT_EQ(want, image.format);
            EXPECT_EQ(stride, image.rowPitch);
            // Bottom-up: the bottom buffer row holds the first stored row, which begins right
            // after the header (and after the three masks of the short header).
            const std::size_t pixelsAt = headerSize + (headerSize < 108 ? 12 : 0);
            EXPECT_EQ(0, std::memcmp(dib.data() + pixelsAt, Row(image, 1), row.bitCount / 8 * 3));
            EXPECT_EQ(0, std::memcmp(dib.data() + pixelsAt + stride, Row(image, 0), row.bitCount / 8 * 3));
        }
    }
    // Masks of no row, and a bit count that does not belong to the masks.
    for (std::uint32_t bitCount : {16u, 32u}) {
        DibShape shape;
        shape.headerSize = 108;
        shape.bitCount = bitCount;
        shape.compression = 3;
        shape.masks[0] = 0xFF0000;
        shape.masks[1] = 0xFF00;
        shape.masks[2] = 0xFF;
        shape.masks[3] = bitCount == 16 ? 0 : 0xFF;
        shape.pixels.assign(64, 0);
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Dib(image, BuildDib(shape))) << bitCount;
    }
}

TEST(BmpDecoder, SixteenBitUncompressedIsX1R5G5B5) {
    DibShape shape;
    shape.bitCount = 16;
    shape.width = 3;
    shape.height = 1;
    shape.pixels = {0x1F, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0};
    const Bytes dib = BuildDib(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, dib));
    EXPECT_EQ(D3DFMT_X1R5G5B5, image.format);
    EXPECT_EQ(8u, image.rowPitch);
    EXPECT_EQ(0, std::memcmp(shape.pixels.data(), image.pixels, 6));
}

TEST(BmpDecoder, TopDownRowsOfWholeBytesAreUsedInPlace) {
    DibShape shape;
    shape.bitCount = 24;
    shape.width = 3;
    shape.height = -2;
    for (unsigned i = 0; i < 24; ++i) shape.pixels.push_back(BYTE(i));
    const Bytes dib = BuildDib(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, dib));
    EXPECT_EQ(2u, image.height);
    EXPECT_EQ(dib.data() + 40, image.pixels);
    EXPECT_FALSE(image.ownsPixels);
    EXPECT_EQ(12u, image.rowPitch);
}

TEST(BmpDecoder, TopDownOneAndFourBitRowsAreExpandedTopRowFirst) {
    DibShape one;
    one.bitCount = 1;
    one.width = 10;
    one.height = -2;
    one.table = {0, 0, 0, 0, 255, 255, 255, 0};
    one.pixels = {0xA0, 0x40, 0, 0, 0x01, 0x80, 0, 0};
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, BuildDib(one)));
    const BYTE want1[2][10] = {{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 1, 1, 0}};
    EXPECT_EQ(12u, image.rowPitch);
    for (unsigned y = 0; y < 2; ++y) EXPECT_EQ(0, std::memcmp(want1[y], Row(image, y), 10)) << y;

    DibShape four;
    four.bitCount = 4;
    four.width = 3;
    four.height = -2;
    four.colorsUsed = 6;
    four.table.assign(24, 0);
    four.pixels = {0x12, 0x30, 0, 0, 0x45, 0x50, 0, 0};
    DecodedImage image4;
    ASSERT_EQ(S_OK, Dib(image4, BuildDib(four)));
    const BYTE want4[2][3] = {{1, 2, 3}, {4, 5, 5}};
    for (unsigned y = 0; y < 2; ++y) EXPECT_EQ(0, std::memcmp(want4[y], Row(image4, y), 3)) << y;
    ExpectOpaqueWhiteFrom(image4, 6);
}

TEST(BmpDecoder, RunLengthEightBitCodes) {
    // 03 41: three pixels of 0x41 on the bottom row; 00 00: end of line; 00 01: end of bitmap.
    DibShape shape;
    shape.compression = 1;
    shape.width = 4;
    shape.height = 2;
    shape.colorsUsed = 1;
    shape.table = {1, 2, 3, 0};
    shape.pixels = {0x03, 0x41, 0x00, 0x00, 0x00, 0x01, 0x05, 0x77};
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, BuildDib(shape)));
    const BYTE bottom[4] = {0x41, 0x41, 0x41, 0};
    const BYTE top[4] = {0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bottom, Row(image, 1), 4));
    EXPECT_EQ(0, std::memcmp(top, Row(image, 0), 4));
}

TEST(BmpDecoder, RunLengthFourBitAbsoluteRunOfFiveTakesFourBytes) {
    // 00 05 then 3 data bytes and 1 padding byte; then an encoded run 02 67 and the end.
    DibShape shape;
    shape.compression = 2;
    shape.bitCount = 4;
    shape.width = 8;
    shape.height = 1;
    shape.colorsUsed = 1;
    shape.table = {1, 2, 3, 0};
    shape.pixels = {0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x02, 0x67, 0x00, 0x01};
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, BuildDib(shape)));
    const BYTE want[8] = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(0, std::memcmp(want, Row(image, 0), 8));
}

TEST(BmpDecoder, RunLengthDeltasAndAbsoluteRunsAcrossRows) {
    // RLE8 on 4 x 3: a delta (1, 1) from the bottom-left, an absolute run of 3 (padded), the
    // end of line, and a run on the top row.
    DibShape shape;
    shape.compression = 1;
    shape.width = 4;
    shape.height = 3;
    shape.colorsUsed = 1;
    shape.table = {1, 2, 3, 0};
    shape.pixels = {0x00, 0x02, 0x01, 0x01, 0x00, 0x03, 0x0A, 0x0B, 0x0C, 0x00,
                   0x00, 0x00, 0x02, 0x0D, 0x00, 0x01};
    DecodedImage image;
    ASSERT_EQ(S_OK, Dib(image, BuildDib(shape)));
    const BYTE want[3][4] = {{0x0D, 0x0D, 0, 0}, {0, 0x0A, 0x0B, 0x0C}, {0, 0, 0, 0}};
    for (unsigned y = 0; y < 3; ++y) EXPECT_EQ(0, std::memcmp(want[y], Row(image, y), 4)) << y;
}

TEST(BmpDecoder, RunLengthDataThatWouldLeaveTheImageStaysInside) {
    struct Case {
        const char* name;
        std::uint32_t compression;
        Bytes codes;
        BYTE bottom[4];
        BYTE top[4];
    };
    const Case cases[] = {
        {"run longer than the row is cut at its end", 1, {0xFF, 0x11, 0x02, 0x22}, {0x11, 0x11, 0x11, 0x11}, {}},
        {"absolute run longer than the row", 1, {0x00, 0x06, 1, 2, 3, 4, 5, 6}, {1, 2, 3, 4}, {}},
        {"delta to the right of the row", 1, {0x00, 0x02, 0xFF, 0x00, 0x03, 0x09, 0x00, 0x00, 0x01, 0x05}, {}, {5, 0, 0, 0}},
        {"delta above the top row ends decoding", 1, {0x01, 0x07, 0x00, 0x02, 0x00, 0xFF, 0x04, 0x08}, {7, 0, 0, 0}, {}},
        {"end of line past the top row ends decoding", 1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03}, {}, {}},
        {"absolute run cut short by the end of the data", 1, {0x01, 0x02, 0x00, 0x09, 1, 2}, {2, 0, 0, 0}, {}},
        {"delta cut short by the end of the data", 1, {0x01, 0x03, 0x00, 0x02, 0x01}, {3, 0, 0, 0}, {}},
        {"no end-of-bitmap code", 1, {0x02, 0x04, 0x00}, {4, 4, 0, 0}, {}},
        {"four-bit run past the row", 2, {0x09, 0x12, 0x00, 0x00, 0x00, 0x07, 0x34, 0x56, 0x78, 0x9A}, {1, 2, 1, 2}, {3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibShape shape;
        shape.compression = c.compression;
        shape.bitCount = c.compression == 2 ? 4 : 8;
        shape.width = 4;
        shape.height = 2;
        shape.colorsUsed = 16;
        shape.table.assign(64, 0);
        shape.pixels = c.codes;
        DecodedImage image;
        ASSERT_EQ(S_OK, Dib(image, BuildDib(shape)));
        EXPECT_EQ(0, std::memcmp(c.bottom, Row(image, 1), 4));
        EXPECT_EQ(0, std::memcmp(c.top, Row(image, 0), 4));
    }
}

TEST(BmpDecoder, RejectedHeaders) {
    struct Case {
        const char* name;
        void (*change)(DibShape&);
        HRESULT want;
    };
    const Case cases[] = {
        {"header size below 40", [](DibShape& s) { s.headerSize = 39; }, E_FAIL},
        {"two planes", [](DibShape& s) { s.planes = 2; }, E_FAIL},
        {"colour table beyond the data", [](DibShape& s) { s.colorsUsed = 300; }, E_FAIL},
        {"negative height with RLE8", [](DibShape& s) { s.compression = 1; s.height = -2; }, E_FAIL},
        {"negative height with RLE4",
         [](DibShape& s) { s.compression = 2; s.bitCount = 4; s.height = -2; s.table.resize(64); }, E_FAIL},
        {"embedded JPEG", [](DibShape& s) { s.compression = 4; }, E_NOTIMPL},
        {"embedded PNG", [](DibShape& s) { s.compression = 5; }, E_NOTIMPL},
        {"two bits per pixel", [](DibShape& s) { s.bitCount = 2; }, E_FAIL},
        {"RLE8 codes in a 4-bit bitmap", [](DibShape& s) { s.compression = 1; s.bitCount = 4; s.table.resize(64); }, E_FAIL},
        {"bit fields at 8 bits", [](DibShape& s) { s.compression = 3; s.bitCount = 8; }, E_FAIL},
        {"width 0", [](DibShape& s) { s.width = 0; }, E_FAIL},
        {"height 0", [](DibShape& s) { s.height = 0; }, E_FAIL},
        {"pixel rows cut short", [](DibShape& s) { s.pixels.resize(7); }, E_FAIL},
        {"size beyond 32 bits",
         [](DibShape& s) { s.bitCount = 32; s.table.clear(); s.width = 0x7FFFFFFF; s.height = 0x7FFFFFFF; }, E_FAIL},
        {"top-down rows the data cannot hold",
         [](DibShape& s) { s.bitCount = 24; s.table.clear(); s.width = 20000; s.height = -20000; }, E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibShape shape;
        shape.width = 4;
        shape.height = 2;
        shape.table.assign(1024, 0);
        shape.pixels.assign(8, 0);
        c.change(shape);
        DecodedImage image;
        EXPECT_EQ(c.want, Dib(image, BuildDib(shape)));
    }
    DecodedImage image;
    const Bytes short39(39, 0);
    EXPECT_EQ(E_FAIL, Dib(image, short39));
}

TEST(BmpDecoder, FileHeaderChecks) {
    DibShape shape;
    shape.table.assign(1024, 0);
    shape.pixels.assign(8, 0);
    Bytes file = WithFileHeader(BuildDib(shape));
    {
        DecodedImage image;
        EXPECT_EQ(S_OK, Bmp(image, file));
    }
    Bytes wrongType = file;
    wrongType[1] = 'A';
    Bytes sizeBeyond = file;
    sizeBeyond[2] += 1;
    for (const Bytes& bad : {wrongType, sizeBeyond, Prefix(file, 13)}) {
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Bmp(image, bad));
    }
}

TEST(BmpDecoder, CompressionFourIsNotImplementedAndSoInvalidData) {
    DibShape shape;
    shape.compression = 4;
    shape.table.assign(1024, 0);
    shape.pixels.assign(8, 0);
    const Bytes file = WithFileHeader(BuildDib(shape));
    DecodedImage image;
    EXPECT_EQ(E_NOTIMPL, Bmp(image, file));
    DecodedImage dispatched;
    EXPECT_EQ(ERR_INVALID_DATA, dispatched.DecodeImageFile(file.data(), UINT(file.size()), nullptr, TRUE));
}

TEST(BmpDecoder, WithoutLoadPixelsOnlyTheDescriptionIsFilled) {
    const Bytes file = ReadFixture("bmp_pal8_16colours.bmp");
    DecodedImage image;
    ASSERT_EQ(S_OK, Bmp(image, file, FALSE));
    EXPECT_EQ(D3DFMT_P8, image.format);
    EXPECT_EQ(9u, image.width);
    EXPECT_EQ(12u, image.rowPitch);
    EXPECT_EQ(nullptr, image.pixels);
    EXPECT_EQ(nullptr, image.palette);
}

TEST(BmpDecoder, DispatcherNamesBitmapsAndBareDibs) {
    const Bytes file = ReadFixture("bmp_rgb24_w3.bmp");
    DecodedImage image;
    ImageInfo info;
    ASSERT_EQ(S_OK, image.DecodeImageFile(file.data(), UINT(file.size()), &info, TRUE));
    EXPECT_EQ(std::uint32_t(IMAGE_FILE_BMP), info.fileKind);
    EXPECT_EQ(std::uint32_t(D3DFMT_R8G8B8), info.format);

    const Bytes dib(file.begin() + 14, file.end());
    DecodedImage bare;
    ASSERT_EQ(S_OK, bare.DecodeImageFile(dib.data(), UINT(dib.size()), &info, TRUE));
    EXPECT_EQ(std::uint32_t(IMAGE_FILE_DIB), info.fileKind);
    EXPECT_EQ(3u, info.width);
    EXPECT_EQ(4u, info.height);
}
