// JPEG decoding through libjpeg, on files written by cjpeg and compared with djpeg's output.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <jpeglib.h>

#include <gtest/gtest.h>

#include "decoder_fixtures.h"
#include "math/processor_features.h"
#include "platform/test_seams.h"
#include "texture/decoders/decoder_test_controls.h"

using namespace fixtures;

namespace {

HRESULT Jpeg(DecodedImage& image, const Bytes& bytes, BOOL loadPixels = TRUE) {
    Prepare(image, loadPixels);
    image.fileKind = IMAGE_FILE_JPG;
    return image.DecodeJpeg(bytes.data(), UINT(bytes.size()));
}

// True when every X8R8G8B8 pixel equals djpeg's RGB triple and has a top byte of 0.
::testing::AssertionResult SameAsDjpeg(const DecodedImage& image, const Pnm& reference) {
    if (image.width != reference.width || image.height != reference.height)
        return ::testing::AssertionFailure() << "size " << image.width << "x" << image.height;
    for (unsigned y = 0; y < image.height; ++y)
        for (unsigned x = 0; x < image.width; ++x) {
            const BYTE* s = &reference.samples[(std::size_t{y} * reference.width + x) * 3];
            const std::uint32_t want = std::uint32_t(s[0]) << 16 | std::uint32_t(s[1]) << 8 | s[2];
            const std::uint32_t got = Pixel32(image, x, y);
            if (got != want)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << got << " != " << want;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(JpegDecoder, GreyscaleRowsAreNotPadded) {
    const Bytes file = ReadFixture("jpeg_grey_w5.jpg");
    const Pnm reference = ReadPnm("jpeg_grey_w5.pgm");
    DecodedImage image;
    ASSERT_EQ(S_OK, Jpeg(image, file));
    EXPECT_EQ(D3DFMT_L8, image.format);
    EXPECT_EQ(5u, image.width);
    EXPECT_EQ(4u, image.height);
    EXPECT_EQ(5u, image.rowPitch);
    EXPECT_EQ(0u, image.slicePitch);
    EXPECT_EQ(1u, image.depth);
    ASSERT_EQ(20u, reference.samples.size());
    EXPECT_EQ(reference.samples, Bytes(image.pixels, image.pixels + 20));
}

TEST(JpegDecoder, ColourBaselineAndProgressiveMatchDjpegWithTopBytesZero) {
    struct Case {
        const char* file;
        const char* reference;
    };
    for (const Case& c : {Case{"jpeg_colour.jpg", "jpeg_colour_islow.ppm"},
                          Case{"jpeg_progressive.jpg", "jpeg_progressive.ppm"}}) {
        SCOPED_TRACE(c.file);
        const Bytes file = ReadFixture(c.file);
        DecodedImage image;
        ASSERT_EQ(S_OK, Jpeg(image, file));
        EXPECT_EQ(D3DFMT_X8R8G8B8, image.format);
        EXPECT_EQ(37u * 4, image.rowPitch);
        ASSERT_EQ(1, IsMmxEnabled()) << "MMX is on where the processor has it";
        EXPECT_EQ(JDCT_ISLOW, decoder_test::LastJpegDctMethod());
        EXPECT_TRUE(SameAsDjpeg(image, ReadPnm(c.reference)));
    }
}

TEST(JpegDecoder, AdobeCmykIsRefusedAndTheOtherDecodersRun) {
    const Bytes file = ReadFixture("jpeg_cmyk_adobe.jpg");
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Jpeg(image, file));
    DecodedImage dispatched;
    EXPECT_EQ(ERR_INVALID_DATA, dispatched.DecodeImageFile(file.data(), UINT(file.size()), nullptr, TRUE));
}

TEST(JpegDecoder, DisableMmxSelectsTheFastIntegerTransform) {
    const Pnm fast = ReadPnm("jpeg_colour_ifast.ppm");
    ASSERT_NE(ReadPnm("jpeg_colour_islow.ppm").samples, fast.samples) << "the references must differ";
    // The switch turns MMX off for the rest of the process, so the decode runs in a child.
    EXPECT_EXIT(
        {
            const std::string path = testing::TempDir() + "decoders_disable_mmx.reg";
            std::ofstream(path) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Velquist\\Direct3D]\n"
                                   "\"DisableMMX\"=dword:00000001\n";
            platform_test::SetRegistryFile(path);
            const Bytes file = ReadFixture("jpeg_colour.jpg");
            DecodedImage image;
            const bool ok = Jpeg(image, file) == S_OK && decoder_test::LastJpegDctMethod() == JDCT_IFAST &&
                            SameAsDjpeg(image, fast);
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(JpegDecoder, TruncatedFilesNeverReadPastTheData) {
    const Bytes file = ReadFixture("jpeg_colour.jpg");
    const Bytes progressive = ReadFixture("jpeg_progressive.jpg");
    // Cut inside the scan: libjpeg meets the end-of-image marker the source supplies and
    // finishes a short image with a warning.
    for (const Bytes* whole : {&file, &progressive}) {
        const Bytes cut = Prefix(*whole, whole->size() * 3 / 4);
        DecodedImage image;
        EXPECT_EQ(S_OK, Jpeg(image, cut));
        EXPECT_EQ(37u, image.width);
    }
    // Cut inside the headers: no image, so an error.
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{40}, std::size_t{150}}) {
        DecodedImage image;
        EXPECT_EQ(E_FAIL, Jpeg(image, Prefix(file, size))) << size;
    }
}

TEST(JpegDecoder, SkipPastTheEndIsTheEnd) {
    // Start of image, then an APP1 segment whose length runs far beyond the data.
    const Bytes bytes = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 'E', 'x', 'i', 'f'};
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Jpeg(image, bytes));
}

TEST(JpegDecoder, NotAJpegFailsInTheHeader) {
    const Bytes png = ReadFixture("png_rgb8.png");
    DecodedImage image;
    EXPECT_EQ(E_FAIL, Jpeg(image, png));
}

TEST(JpegDecoder, WithoutLoadPixelsOnlyTheDescriptionIsFilled) {
    const Bytes file = ReadFixture("jpeg_colour.jpg");
    DecodedImage image;
    ASSERT_EQ(S_OK, Jpeg(image, file, FALSE));
    EXPECT_EQ(D3DFMT_X8R8G8B8, image.format);
    EXPECT_EQ(37u, image.width);
    EXPECT_EQ(21u, image.height);
    EXPECT_EQ(148u, image.rowPitch);
    EXPECT_EQ(nullptr, image.pixels);
}
