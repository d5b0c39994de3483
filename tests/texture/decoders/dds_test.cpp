// DDS reading: every pixel format row, level sizes, cube maps, volumes and palettes, all
// built in the test (no tool at hand writes these layouts).
#include <gtest/gtest.h>

#include "decoder_fixtures.h"

using namespace fixtures;

namespace {

struct PixelFormat {
    std::uint32_t flags, fourCC, bitCount, red, green, blue, alpha;
};

struct DdsShape {
    std::uint32_t width = 4, height = 4, depth = 0;
    std::uint32_t mipCount = 1;
    std::uint32_t headerFlags = 0;
    std::uint32_t caps2 = 0;
    std::uint32_t pixelFormatSize = 32;
    PixelFormat pf = {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    bool palette = false;
    std::size_t dataBytes = 64;
};

Bytes BuildDds(const DdsShape& s) {
    Bytes out = {'D', 'D', 'S', ' '};
    PutLe32(out, 124);
    PutLe32(out, s.headerFlags);
    PutLe32(out, s.height);
    PutLe32(out, s.width);
    PutLe32(out, 0);  // pitch or linear size
    PutLe32(out, s.depth);
    PutLe32(out, s.mipCount);
    out.resize(76, 0);
    PutLe32(out, s.pixelFormatSize);
    for (std::uint32_t v : {s.pf.flags, s.pf.fourCC, s.pf.bitCount, s.pf.red, s.pf.green, s.pf.blue, s.pf.alpha})
        PutLe32(out, v);
    PutLe32(out, 0x1000);  // caps
    PutLe32(out, s.caps2);
    out.resize(128, 0);
    if (s.palette) {
        for (unsigned i = 0; i < 1024; ++i) out.push_back(BYTE(i * 3));
    }
    for (std::size_t i = 0; i < s.dataBytes; ++i) out.push_back(BYTE(i));
    return out;
}

HRESULT Dds(DecodedImage& image, const Bytes& bytes) {
    Prepare(image);
    image.fileKind = IMAGE_FILE_DDS;
    return image.DecodeDds(bytes.data(), UINT(bytes.size()));
}

constexpr std::uint32_t DEPTH_FLAG = 0x800000;
constexpr std::uint32_t ALL_FACES = 0xFE00;  // DDSCAPS2_CUBEMAP and its six face bits

std::vector<const DecodedImage*> Levels(const DecodedImage& top) {
    std::vector<const DecodedImage*> levels;
    for (const DecodedImage* level = &top; level; level = level->nextMip) levels.push_back(level);
    return levels;
}

}  // namespace

TEST(DdsReader, EveryRowOfTheFormatTable) {
    struct Row {
        D3DFORMAT format;
        PixelFormat pf;
        std::uint32_t pitch4, slice4;  // row pitch and slice size of a 4 x 4 level
    };
    const Row rows[] = {
        {D3DFMT_R8G8B8, {0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0}, 12, 48},
        {D3DFMT_A8R8G8B8, {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 16, 64},
        {D3DFMT_X8R8G8B8, {0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0}, 16, 64},
        {D3DFMT_R5G6B5, {0x40, 0, 16, 0xF800, 0x7E0, 0x1F, 0}, 8, 32},
        {D3DFMT_X1R5G5B5, {0x40, 0, 16, 0x7C00, 0x3E0, 0x1F, 0}, 8, 32},
        {D3DFMT_A8P8, {0x21, 0, 16, 0, 0, 0, 0xFF00}, 8, 32},
        {D3DFMT_P8, {0x20, 0, 8, 0, 0, 0, 0}, 4, 16},
        {D3DFMT_A1R5G5B5, {0x41, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000}, 8, 32},
        {D3DFMT_A4R4G4B4, {0x41, 0, 16, 0xF00, 0xF0, 0xF, 0xF000}, 8, 32},
        {D3DFMT_R3G3B2, {0x40, 0, 8, 0xE0, 0x1C, 0x3, 0}, 4, 16},
        {D3DFMT_A8, {0x2, 0, 8, 0, 0, 0, 0xFF}, 4, 16},
        {D3DFMT_A8R3G3B2, {0x41, 0, 16, 0xE0, 0x1C, 0x3, 0xFF00}, 8, 32},
        {D3DFMT_X4R4G4B4, {0x40, 0, 16, 0xF00, 0xF0, 0xF, 0}, 8, 32},
        {D3DFMT_A2B10G10R10, {0x41, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 16, 64},
        {D3DFMT_G16R16, {0x40, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}, 16, 64},
        {D3DFMT_L8, {0x20000, 0, 8, 0xFF, 0, 0, 0}, 4, 16},
        {D3DFMT_A8L8, {0x20001, 0, 16, 0xFF, 0, 0, 0xFF00}, 8, 32},
        {D3DFMT_A4L4, {0x20001, 0, 8, 0xF, 0, 0, 0xF0}, 4, 16},
        {D3DFMT_V8U8, {0x80000, 0, 16, 0xFF, 0xFF00, 0, 0}, 8, 32},
        {D3DFMT_L6V5U5, {0x40000, 0, 16, 0x1F, 0x3E0, 0xFC00, 0}, 8, 32},
        {D3DFMT_X8L8V8U8, {0x40000, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0}, 16, 64},
        {D3DFMT_Q8W8V8U8, {0x80000, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 16, 64},
        {D3DFMT_V16U16, {0x80000, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}, 16, 64},
        {D3DFMT_W11V11U10, {0x80000, 0, 32, 0x3FF, 0x1FFC00, 0xFFE00000, 0}, 16, 64},
        {D3DFMT_A2W10V10U10, {0x80001, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 16, 64},
        {D3DFMT_UYVY, {0x4, D3DFMT_UYVY, 0, 0, 0, 0, 0}, 8, 32},
        {D3DFMT_YUY2, {0x4, D3DFMT_YUY2, 0, 0, 0, 0, 0}, 8, 32},
        {D3DFMT_DXT1, {0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0}, 8, 8},
        {D3DFMT_DXT2, {0x4, D3DFMT_DXT2, 0, 0, 0, 0, 0}, 16, 16},
        {D3DFMT_DXT3, {0x4, D3DFMT_DXT3, 0, 0, 0, 0, 0}, 16, 16},
        {D3DFMT_DXT4, {0x4, D3DFMT_DXT4, 0, 0, 0, 0, 0}, 16, 16},
        {D3DFMT_DXT5, {0x4, D3DFMT_DXT5, 0, 0, 0, 0, 0}, 16, 16},
        {D3DFMT_D16_LOCKABLE, {0x400, 0, 16, 0, 0xFFFF, 0, 0}, 8, 32},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << row.format);
        DdsShape shape;
        shape.pf = row.pf;
        const bool palettised = row.format == D3DFMT_P8 || row.format == D3DFMT_A8P8;
        shape.palette = palettised;
        shape.dataBytes = row.slice4;
        const Bytes file = BuildDds(shape);
        DecodedImage image;
        ASSERT_EQ(S_OK, Dds(image, file));
        EXPECT_EQ(row.format, image.format);
        EXPECT_EQ(row.pitch4, image.rowPitch);
        EXPECT_EQ(row.slice4, image.slicePitch);
        EXPECT_EQ(file.data() + (palettised ? 1152 : 128), image.pixels);
        EXPECT_EQ(palettised ? reinterpret_cast<const PALETTEENTRY*>(file.data() + 128) : nullptr, image.palette);
        EXPECT_FALSE(image.ownsPixels);
        EXPECT_FALSE(image.ownsPalette);
        EXPECT_EQ(std::uint32_t(D3DRTYPE_TEXTURE), std::uint32_t(image.resourceType));
        EXPECT_EQ(nullptr, image.nextMip);

        // One byte less than the level needs is refused.
        const Bytes cut = Prefix(file, file.size() - 1);
        DecodedImage refused;
        EXPECT_EQ(E_FAIL, Dds(refused, cut));
    }
}

TEST(DdsReader, PixelFormatsThatMatchNoRow) {
    struct Case {
        const char* name;
        std::uint32_t pixelFormatSize;
        PixelFormat pf;
    };
    const Case cases[] = {
        {"alpha flag with the X8R8G8B8 masks", 32, {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0}},
        {"pixel format size 31", 31, {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {"pixel format size 0", 0, {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {"unknown FOURCC", 32, {0x4, MAKEFOURCC('A', 'T', 'I', '2'), 0, 0, 0, 0, 0}},
        {"RGB bit count that belongs to no row", 32, {0x40, 0, 24, 0xF800, 0x7E0, 0x1F, 0}},
        {"no flags", 32, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DdsShape shape;
        shape.pixelFormatSize = c.pixelFormatSize;
        shape.pf = c.pf;
        shape.dataBytes = 1024;
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Dds(image, BuildDds(shape)));
    }
}

TEST(DdsReader, LuminanceRowsIgnoreTheBitCount) {
    for (std::uint32_t bitCount : {0u, 8u, 24u, 77u}) {
        DdsShape shape;
        shape.pf = {0x20000, 0, bitCount, 0xFF, 0, 0, 0x12345678};
        DecodedImage image;
        ASSERT_EQ(S_OK, Dds(image, BuildDds(shape))) << bitCount;
        EXPECT_EQ(D3DFMT_L8, image.format);
        EXPECT_EQ(4u, image.rowPitch);  // from the format, not from the file's bit count
    }
}

TEST(DdsReader, Dxt1LevelsDownToOneByOneTakeOneBlockEach) {
    DdsShape shape;
    shape.width = shape.height = 256;
    shape.mipCount = 9;
    shape.pf = {0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0};
    shape.dataBytes = 32768 + 8192 + 2048 + 512 + 128 + 32 + 8 + 8 + 8;
    const Bytes file = BuildDds(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, file));
    const auto levels = Levels(image);
    ASSERT_EQ(9u, levels.size());
    const std::uint32_t sizes[9] = {32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    std::size_t offset = 128;
    for (unsigned i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(256u >> i, levels[i]->width);
        EXPECT_EQ(256u >> i, levels[i]->height);
        EXPECT_EQ(sizes[i], levels[i]->slicePitch);
        EXPECT_EQ(std::max(1u, (256u >> i) / 4) * 8, levels[i]->rowPitch);
        EXPECT_EQ(file.data() + offset, levels[i]->pixels);
        EXPECT_EQ(D3DFMT_DXT1, levels[i]->format);
        EXPECT_EQ(nullptr, levels[i]->nextFace);
        offset += sizes[i];
    }
    EXPECT_EQ(file.size(), offset);

    // Every byte short of the last level is refused.
    DecodedImage cut;
    EXPECT_EQ(E_FAIL, Dds(cut, Prefix(file, file.size() - 1)));
}

TEST(DdsReader, CubeMapWithSixFacesOfThreeLevels) {
    DdsShape shape;
    shape.width = shape.height = 4;
    shape.mipCount = 3;
    shape.caps2 = ALL_FACES;
    shape.pf = {0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
    shape.dataBytes = 6 * (64 + 16 + 4);
    const Bytes file = BuildDds(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, file));
    EXPECT_EQ(std::uint32_t(D3DRTYPE_CUBETEXTURE), std::uint32_t(image.resourceType));
    std::size_t offset = 128;
    int faces = 0;
    for (const DecodedImage* face = &image; face; face = face->nextFace, ++faces) {
        SCOPED_TRACE(faces);
        const auto levels = Levels(*face);
        ASSERT_EQ(3u, levels.size());
        for (unsigned i = 0; i < 3; ++i) {
            EXPECT_EQ(4u >> i, levels[i]->width);
            EXPECT_EQ(file.data() + offset, levels[i]->pixels);
            EXPECT_EQ(std::uint32_t(D3DRTYPE_CUBETEXTURE), std::uint32_t(levels[i]->resourceType));
            if (i > 0) {
                EXPECT_EQ(nullptr, levels[i]->nextFace);
            }
            offset += levels[i]->slicePitch;
        }
    }
    EXPECT_EQ(6, faces);
    EXPECT_EQ(file.size(), offset);

    // A face short is refused, and the partial chain goes with the record.
    DecodedImage cut;
    EXPECT_EQ(E_FAIL, Dds(cut, Prefix(file, file.size() - 4)));

    // Through the dispatcher: the first face's mip count, resource type 5, whole-image boxes.
    DecodedImage dispatched;
    ImageInfo info;
    ASSERT_EQ(S_OK, dispatched.DecodeImageFile(file.data(), UINT(file.size()), &info, TRUE));
    EXPECT_EQ(3u, info.mipLevels);
    EXPECT_EQ(5u, info.resourceType);
    EXPECT_EQ(std::uint32_t(IMAGE_FILE_DDS), info.fileKind);
    for (const DecodedImage* face = &dispatched; face; face = face->nextFace)
        for (const DecodedImage* level = face; level; level = level->nextMip) {
            EXPECT_EQ(level->width, level->box.Right);
            EXPECT_EQ(level->height, level->box.Bottom);
            EXPECT_EQ(1u, level->box.Back);
        }
}

TEST(DdsReader, PartialCubeFaceBitsAreRefused) {
    for (std::uint32_t caps2 : {0x600u, 0x200u | 0xF800u, 0xFC00u & ~0x2000u}) {
        DdsShape shape;
        shape.caps2 = caps2;
        shape.dataBytes = 6 * 64;
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Dds(image, BuildDds(shape))) << std::hex << caps2;
    }
    // Other caps 2 bits alone (the cube-map flag without faces) mean a plain texture.
    DdsShape shape;
    shape.caps2 = 0x200;
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, BuildDds(shape)));
    EXPECT_EQ(std::uint32_t(D3DRTYPE_TEXTURE), std::uint32_t(image.resourceType));
}

TEST(DdsReader, VolumeLevelsHalveTheirDepth) {
    DdsShape shape;
    shape.width = shape.height = 16;
    shape.depth = 4;
    shape.headerFlags = DEPTH_FLAG;
    shape.mipCount = 3;
    shape.dataBytes = 4096 + 512 + 64;
    const Bytes file = BuildDds(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, file));
    EXPECT_EQ(std::uint32_t(D3DRTYPE_VOLUMETEXTURE), std::uint32_t(image.resourceType));
    const auto levels = Levels(image);
    ASSERT_EQ(3u, levels.size());
    const std::uint32_t sides[3] = {16, 8, 4}, depths[3] = {4, 2, 1}, slices[3] = {1024, 256, 64};
    std::size_t offset = 128;
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(sides[i], levels[i]->width);
        EXPECT_EQ(depths[i], levels[i]->depth);
        EXPECT_EQ(slices[i], levels[i]->slicePitch);
        EXPECT_EQ(file.data() + offset, levels[i]->pixels);
        offset += std::size_t{slices[i]} * depths[i];
    }
    EXPECT_EQ(file.size(), offset);

    // A depth of 0 counts as 1; without the depth flag the depth field is not read.
    shape.depth = 0;
    shape.mipCount = 1;
    shape.dataBytes = 1024;
    DecodedImage flat;
    ASSERT_EQ(S_OK, Dds(flat, BuildDds(shape)));
    EXPECT_EQ(1u, flat.depth);
    EXPECT_EQ(std::uint32_t(D3DRTYPE_VOLUMETEXTURE), std::uint32_t(flat.resourceType));
    shape.headerFlags = 0;
    shape.depth = 9;
    DecodedImage plain;
    ASSERT_EQ(S_OK, Dds(plain, BuildDds(shape)));
    EXPECT_EQ(1u, plain.depth);
    EXPECT_EQ(std::uint32_t(D3DRTYPE_TEXTURE), std::uint32_t(plain.resourceType));
}

TEST(DdsReader, MipCountZeroCountsAsOne) {
    DdsShape shape;
    shape.mipCount = 0;
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, BuildDds(shape)));
    EXPECT_EQ(nullptr, image.nextMip);
}

TEST(DdsReader, PaletteIsUsedInPlaceByEveryLevel) {
    DdsShape shape;
    shape.pf = {0x20, 0, 8, 0, 0, 0, 0};
    shape.palette = true;
    shape.mipCount = 2;
    shape.dataBytes = 16 + 4;
    const Bytes file = BuildDds(shape);
    DecodedImage image;
    ASSERT_EQ(S_OK, Dds(image, file));
    for (const DecodedImage* level : Levels(image)) {
        EXPECT_EQ(reinterpret_cast<const PALETTEENTRY*>(file.data() + 128), level->palette);
        EXPECT_FALSE(level->ownsPalette);
    }
    // Shorter than header and palette together.
    shape.dataBytes = 0;
    const Bytes headerAndPalette = BuildDds(shape);
    DecodedImage cut;
    EXPECT_EQ(E_FAIL, Dds(cut, Prefix(headerAndPalette, 128 + 1023)));
}

TEST(DdsReader, HeadersThatClaimTooMuchAreRefused) {
    struct Case {
        const char* name;
        DdsShape shape;
    };
    std::vector<Case> cases;
    {
        DdsShape s;
        s.mipCount = 0xFFFFFFFF;
        cases.push_back({"four billion levels", s});
    }
    {
        DdsShape s;
        s.mipCount = 4;  // a 4 x 4 chain has 3 levels
        s.dataBytes = 4096;
        cases.push_back({"one level more than the full chain", s});
    }
    {
        DdsShape s;
        s.width = s.height = 65535;
        cases.push_back({"65535 x 65535 in a small file", s});
    }
    {
        DdsShape s;
        s.width = s.height = 0xFFFFFFFF;
        s.pf = {0x4, D3DFMT_DXT5, 0, 0, 0, 0, 0};
        cases.push_back({"sizes near 2^32", s});
    }
    {
        DdsShape s;
        s.width = s.height = 0xFFFFFFFF;
        s.depth = 0xFFFFFFFF;
        s.headerFlags = DEPTH_FLAG;
        cases.push_back({"a volume near 2^32 on every side", s});
    }
    {
        DdsShape s;
        s.width = 0;
        cases.push_back({"width 0", s});
    }
    {
        DdsShape s;
        s.height = 0;
        cases.push_back({"height 0", s});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Dds(image, BuildDds(c.shape)));
    }
}

TEST(DdsReader, ShortOrForeignHeadersAreRefused) {
    DdsShape shape;
    const Bytes file = BuildDds(shape);
    for (std::size_t size : {0u, 3u, 4u, 127u}) {
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Dds(image, Prefix(file, size))) << size;
    }
    Bytes foreign = file;
    foreign[3] = 'X';
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Dds(image, foreign));
    // Exactly the header and one level: accepted; bytes after the last level are ignored.
    DecodedImage exact;
    EXPECT_EQ(S_OK, Dds(exact, file));
    Bytes longer = file;
    longer.resize(file.size() + 100, 0xEE);
    DecodedImage extra;
    EXPECT_EQ(S_OK, Dds(extra, longer));
}
