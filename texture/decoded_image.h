// A decoded image file: one image in one pixel format, with its size, pitches, optional
// palette and links to further mip levels and cube faces; and the recognition of the
// seven image kinds.
#pragma once

#include <cstdint>

#include "codecs/private_formats.h"
#include "platform/d3d8.h"

// Result of a file that cannot be opened, mapped or decoded.
constexpr HRESULT ERR_INVALID_DATA = MakeResult(0x88760B59u);

enum ImageFileKind : std::uint32_t {
    IMAGE_FILE_BMP = 0,
    IMAGE_FILE_JPG = 1,
    IMAGE_FILE_TGA = 2,
    IMAGE_FILE_PNG = 3,
    IMAGE_FILE_DDS = 4,
    IMAGE_FILE_PPM = 5,
    IMAGE_FILE_DIB = 6,
};

struct ImageInfo {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t depth;
    std::uint32_t mipLevels;
    std::uint32_t format;
    std::uint32_t resourceType;
    std::uint32_t fileKind;
};

class DecodedImage {
public:
    DecodedImage() { Clear(); }
    ~DecodedImage() { ReleaseImageData(); }
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    // Empties the pointers, ownership flags and links; other fields are left for a decoder.
    void Clear();
    // Frees what the record owns, and the whole nextMip and nextFace chains.
    void ReleaseImageData();

    // Recognises and decodes `size` bytes at `data`, trying the decoders in their fixed
    // order. Fills `info` (optional) on success. ERR_INVALID_DATA when no decoder accepts.
    HRESULT DecodeImageFile(const void* data, UINT size, ImageInfo* info, BOOL loadPixels);

    // The decoders, each filling this record from the whole file image.
    HRESULT DecodeBmp(const void* data, UINT size);
    HRESULT DecodeDib(const void* data, UINT size);
    HRESULT DecodePpm(const void* data, UINT size);
    HRESULT DecodeDds(const void* data, UINT size);
    HRESULT DecodeJpeg(const void* data, UINT size);
    HRESULT DecodePng(const void* data, UINT size);
    HRESULT DecodeTga(const void* data, UINT size);

    D3DFORMAT format;
    BYTE* pixels;
    PALETTEENTRY* palette;
    UINT width;
    UINT height;
    UINT depth;
    D3DBOX box;
    UINT rowPitch;
    UINT slicePitch;
    BOOL ownsPixels;
    BOOL ownsPalette;
    BOOL loadPixels;
    D3DRESOURCETYPE resourceType;
    ImageFileKind fileKind;
    DecodedImage* nextMip;
    DecodedImage* nextFace;
};
