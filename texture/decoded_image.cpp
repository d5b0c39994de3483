#include "texture/decoded_image.h"

#include <cstdlib>

#include "texture/pixel_format.h"

namespace {

struct ImageDecoder {
    HRESULT (DecodedImage::*decode)(const void* data, UINT size);
    ImageFileKind kind;
};

// Kinds with a magic number first; Targa and the bare DIB, which have none, last.
constexpr ImageDecoder DETECTION_ORDER[] = {
    {&DecodedImage::DecodeBmp, IMAGE_FILE_BMP},  {&DecodedImage::DecodePpm, IMAGE_FILE_PPM},
    {&DecodedImage::DecodeDds, IMAGE_FILE_DDS},  {&DecodedImage::DecodeJpeg, IMAGE_FILE_JPG},
    {&DecodedImage::DecodePng, IMAGE_FILE_PNG},  {&DecodedImage::DecodeTga, IMAGE_FILE_TGA},
    {&DecodedImage::DecodeDib, IMAGE_FILE_DIB},
};

void FreeChain(DecodedImage*& link) {
    if (link == nullptr) return;
    // Chain records are heap records built by the decoders; their destructor releases
    // what they own, recursively.
    delete link;
    link = nullptr;
}

}  // namespace

void DecodedImage::Clear() {
    format = D3DFMT_UNKNOWN;
    pixels = nullptr;
    palette = nullptr;
    ownsPixels = FALSE;
    ownsPalette = FALSE;
    nextMip = nullptr;
    nextFace = nullptr;
}

void DecodedImage::ReleaseImageData() {
    if (ownsPixels) std::free(pixels);
    if (ownsPalette) std::free(palette);
    pixels = nullptr;
    palette = nullptr;
    ownsPixels = FALSE;
    ownsPalette = FALSE;
    FreeChain(nextMip);
    FreeChain(nextFace);
}

HRESULT DecodedImage::DecodeImageFile(const void* data, UINT size, ImageInfo* info, BOOL loadPixelsWanted) {
    bool decoded = false;
    for (const ImageDecoder& decoder : DETECTION_ORDER) {
        loadPixels = loadPixelsWanted;
        fileKind = decoder.kind;
        resourceType = D3DRTYPE_TEXTURE;
        if (SUCCEEDED((this->*decoder.decode)(data, size))) {
            decoded = true;
            break;
        }
        // A refusing decoder may leave allocations behind; none may reach the next one.
        ReleaseImageData();
    }
    if (!decoded) return ERR_INVALID_DATA;

    if (info != nullptr) {
        *info = ImageInfo{};
        info->width = width;
        info->height = height;
        info->depth = depth;
        info->mipLevels = 1;
        for (const DecodedImage* level = nextMip; level != nullptr; level = level->nextMip) ++info->mipLevels;
        info->format = PickStorageFormat(format);
        info->resourceType = resourceType;
        info->fileKind = fileKind;
    }

    for (DecodedImage* face = this; face != nullptr; face = face->nextFace) {
        for (DecodedImage* level = face; level != nullptr; level = level->nextMip) {
            level->box = D3DBOX{0, 0, level->width, level->height, 0, level->depth};
        }
    }
    return S_OK;
}
