#include "texture/decoded_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "texture_test_support.h"

namespace {

using texture_test::MakeTga;
using texture_test::ReadFixture;
using texture_test::TgaHeaderFields;

ImageInfo Untouched() {
    ImageInfo info;
    std::memset(&info, 0xAB, sizeof(info));
    return info;
}

TEST(DecodeImageFile, EmptyAndTinyBuffersAreNoKnownKind) {
    const BYTE bytes[4] = {'B', 'M', 0, 0};
    for (UINT size : {0u, 1u, 2u, 4u}) {
        DecodedImage image;
        ImageInfo info = Untouched();
        EXPECT_EQ(image.DecodeImageFile(bytes, size, &info, TRUE), ERR_INVALID_DATA) << size;
        EXPECT_EQ(info.width, Untouched().width);
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.palette, nullptr);
    }
}

TEST(DecodeImageFile, FillsTheInfoAndBoxOfADecodedTarga) {
    const std::vector<BYTE> file = ReadFixture("palette8_rle_top.tga");
    DecodedImage image;
    image.box = D3DBOX{7, 7, 7, 7, 7, 7};
    ImageInfo info = Untouched();
    ASSERT_EQ(image.DecodeImageFile(file.data(), static_cast<UINT>(file.size()), &info, TRUE), S_OK);
    EXPECT_EQ(info.width, 5u);
    EXPECT_EQ(info.height, 3u);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_EQ(info.mipLevels, 1u);
    EXPECT_EQ(info.format, static_cast<std::uint32_t>(D3DFMT_P8));
    EXPECT_EQ(info.resourceType, static_cast<std::uint32_t>(D3DRTYPE_TEXTURE));
    EXPECT_EQ(info.fileKind, static_cast<std::uint32_t>(IMAGE_FILE_TGA));
    EXPECT_EQ(image.fileKind, IMAGE_FILE_TGA);
    EXPECT_EQ(image.box.Left, 0u);
    EXPECT_EQ(image.box.Top, 0u);
    EXPECT_EQ(image.box.Right, 5u);
    EXPECT_EQ(image.box.Bottom, 3u);
    EXPECT_EQ(image.box.Front, 0u);
    EXPECT_EQ(image.box.Back, 1u);
    ASSERT_NE(image.palette, nullptr);

    DecodedImage withoutInfo;
    EXPECT_EQ(withoutInfo.DecodeImageFile(file.data(), static_cast<UINT>(file.size()), nullptr, FALSE), S_OK);
    EXPECT_EQ(withoutInfo.palette, nullptr);
}

TEST(DecodeImageFile, AFailedAttemptLeavesNothingBehind) {
    // The Targa decoder allocates the palette and the pixel buffer, then runs out of run-length
    // data; the DIB decoder after it refuses too. The leak checker of the sanitizer build
    // reports anything the clean-up missed.
    TgaHeaderFields fields;
    fields.imageType = 9;
    fields.colorMapType = 1;
    fields.colorMapLength = 2;
    fields.colorMapEntryBits = 24;
    fields.width = 8;
    fields.height = 8;
    fields.pixelDepth = 8;
    const std::vector<BYTE> file = MakeTga(fields, {1, 2, 3, 4, 5, 6, 0x83, 1});
    DecodedImage image;
    EXPECT_EQ(image.DecodeImageFile(file.data(), static_cast<UINT>(file.size()), nullptr, TRUE), ERR_INVALID_DATA);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_FALSE(image.ownsPixels);
    EXPECT_FALSE(image.ownsPalette);
    EXPECT_EQ(image.nextMip, nullptr);
    EXPECT_EQ(image.nextFace, nullptr);
}

TEST(DecodedImageRecord, ReleaseFreesOwnedDataAndBothChains) {
    // Records built the way the decoders build them; the sanitizer build checks the frees.
    DecodedImage image;
    image.pixels = static_cast<BYTE*>(std::malloc(16));
    image.ownsPixels = TRUE;
    BYTE borrowed[4] = {};
    image.nextMip = new DecodedImage;
    image.nextMip->pixels = borrowed;
    image.nextMip->nextMip = new DecodedImage;
    image.nextMip->nextMip->palette = static_cast<PALETTEENTRY*>(std::malloc(1024));
    image.nextMip->nextMip->ownsPalette = TRUE;
    image.nextFace = new DecodedImage;
    image.nextFace->nextMip = new DecodedImage;
    image.ReleaseImageData();
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.nextMip, nullptr);
    EXPECT_EQ(image.nextFace, nullptr);
    image.ReleaseImageData();  // twice is harmless
}

TEST(DecodeImageFile, ACubeMapReportsItsFirstFaceAndEveryBoxCoversItsLevel) {
    const std::vector<BYTE> file = texture_test::MakeCubeDds();
    DecodedImage image;
    ImageInfo info = Untouched();
    ASSERT_EQ(image.DecodeImageFile(file.data(), static_cast<UINT>(file.size()), &info, TRUE), S_OK);
    EXPECT_EQ(info.fileKind, static_cast<std::uint32_t>(IMAGE_FILE_DDS));
    EXPECT_EQ(info.resourceType, static_cast<std::uint32_t>(D3DRTYPE_CUBETEXTURE));
    EXPECT_EQ(info.mipLevels, 3u);
    EXPECT_EQ(info.format, static_cast<std::uint32_t>(D3DFMT_A8R8G8B8));
    int faces = 0;
    for (const DecodedImage* face = &image; face != nullptr; face = face->nextFace, ++faces) {
        UINT edge = 4;
        for (const DecodedImage* level = face; level != nullptr; level = level->nextMip, edge /= 2) {
            EXPECT_EQ(level->width, edge);
            EXPECT_EQ(level->box.Right, edge);
            EXPECT_EQ(level->box.Bottom, edge);
            EXPECT_EQ(level->box.Back, 1u);
            EXPECT_EQ(level->box.Left + level->box.Top + level->box.Front, 0u);
        }
    }
    EXPECT_EQ(faces, 6);
}

}  // namespace
