// DirectDraw surface files: a texture already in a Direct3D format, with its mip chain and
// possibly six cube faces or a volume. Nothing is copied: every level of every face is a
// record pointing into the file image.
//
// Safety rules of this reader, beyond the format checks:
// - zero widths and heights are refused;
// - a mip count above the full chain of the top level (1 + log2 of its largest side) is
//   refused, so a header cannot make the reader build billions of records;
// - pitches and sizes are formed in 64 bits and every level must lie inside the file
//   before its record is made.
#include <cstdint>
#include <new>

#include "texture/decoded_image.h"
#include "texture/decoders/decoder_support.h"

using decoder_support::ReadLe32;

namespace {

constexpr std::uint32_t DDS_MAGIC = 0x20534444;  // "DDS "
constexpr std::uint32_t DDS_HEADER_BYTES = 128;   // magic and header
constexpr std::uint32_t DDS_PALETTE_BYTES = 1024;
constexpr std::uint32_t DDSD_DEPTH = 0x800000;
constexpr std::uint32_t DDSCAPS2_CUBEMAP_FACES = 0xFC00;

// Which pixel-format fields a row's flags make significant.
constexpr std::uint32_t DDPF_FOURCC = 0x4;
constexpr std::uint32_t COMPARES_BIT_COUNT = 0xC4462;
constexpr std::uint32_t COMPARES_RED = 0xE4040;
constexpr std::uint32_t COMPARES_GREEN = 0xC4440;
constexpr std::uint32_t COMPARES_BLUE = 0xC4040;
constexpr std::uint32_t COMPARES_ALPHA = 0x80003;

struct DdsPixelFormat {
    std::uint32_t flags;
    std::uint32_t fourCC;
    std::uint32_t bitCount;
    std::uint32_t red, green, blue, alpha;
};

struct DdsFormatRow {
    D3DFORMAT format;
    DdsPixelFormat match;
    std::uint32_t bitsPerPixel;  // storage bits, as the pixel format catalogue gives them
};

// Searched in order; the first row whose flags are equal and whose significant fields are
// equal gives the format. For the depth row the green position holds the depth mask.
constexpr DdsFormatRow DDS_FORMATS[] = {
    {D3DFMT_R8G8B8, {0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0}, 24},
    {D3DFMT_A8R8G8B8, {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 32},
    {D3DFMT_X8R8G8B8, {0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0}, 32},
    {D3DFMT_R5G6B5, {0x40, 0, 16, 0xF800, 0x7E0, 0x1F, 0}, 16},
    {D3DFMT_X1R5G5B5, {0x40, 0, 16, 0x7C00, 0x3E0, 0x1F, 0}, 16},
    {D3DFMT_A8P8, {0x21, 0, 16, 0, 0, 0, 0xFF00}, 16},
    {D3DFMT_P8, {0x20, 0, 8, 0, 0, 0, 0}, 8},
    {D3DFMT_A1R5G5B5, {0x41, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000}, 16},
    {D3DFMT_A4R4G4B4, {0x41, 0, 16, 0xF00, 0xF0, 0xF, 0xF000}, 16},
    {D3DFMT_R3G3B2, {0x40, 0, 8, 0xE0, 0x1C, 0x3, 0}, 8},
    {D3DFMT_A8, {0x2, 0, 8, 0, 0, 0, 0xFF}, 8},
    {D3DFMT_A8R3G3B2, {0x41, 0, 16, 0xE0, 0x1C, 0x3, 0xFF00}, 16},
    {D3DFMT_X4R4G4B4, {0x40, 0, 16, 0xF00, 0xF0, 0xF, 0}, 16},
    {D3DFMT_A2B10G10R10, {0x41, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 32},
    {D3DFMT_G16R16, {0x40, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}, 32},
    {D3DFMT_L8, {0x20000, 0, 8, 0xFF, 0, 0, 0}, 8},
    {D3DFMT_A8L8, {0x20001, 0, 16, 0xFF, 0, 0, 0xFF00}, 16},
    {D3DFMT_A4L4, {0x20001, 0, 8, 0xF, 0, 0, 0xF0}, 8},
    {D3DFMT_V8U8, {0x80000, 0, 16, 0xFF, 0xFF00, 0, 0}, 16},
    {D3DFMT_L6V5U5, {0x40000, 0, 16, 0x1F, 0x3E0, 0xFC00, 0}, 16},
    {D3DFMT_X8L8V8U8, {0x40000, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0}, 32},
    {D3DFMT_Q8W8V8U8, {0x80000, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 32},
    {D3DFMT_V16U16, {0x80000, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}, 32},
    {D3DFMT_W11V11U10, {0x80000, 0, 32, 0x3FF, 0x1FFC00, 0xFFE00000, 0}, 32},
    {D3DFMT_A2W10V10U10, {0x80001, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 32},
    {D3DFMT_UYVY, {0x4, D3DFMT_UYVY, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_YUY2, {0x4, D3DFMT_YUY2, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_DXT1, {0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_DXT2, {0x4, D3DFMT_DXT2, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_DXT3, {0x4, D3DFMT_DXT3, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_DXT4, {0x4, D3DFMT_DXT4, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_DXT5, {0x4, D3DFMT_DXT5, 0, 0, 0, 0, 0}, 16},
    {D3DFMT_D16_LOCKABLE, {0x400, 0, 16, 0, 0xFFFF, 0, 0}, 16},
};

bool Matches(const DdsPixelFormat& row, const DdsPixelFormat& file) {
    const std::uint32_t f = row.flags;
    return file.flags == f && (!(f & DDPF_FOURCC) || file.fourCC == row.fourCC) &&
           (!(f & COMPARES_BIT_COUNT) || file.bitCount == row.bitCount) &&
           (!(f & COMPARES_RED) || file.red == row.red) && (!(f & COMPARES_GREEN) || file.green == row.green) &&
           (!(f & COMPARES_BLUE) || file.blue == row.blue) && (!(f & COMPARES_ALPHA) || file.alpha == row.alpha);
}

const DdsFormatRow* FindDdsFormat(const DdsPixelFormat& file) {
    for (const DdsFormatRow& row : DDS_FORMATS) {
        if (Matches(row.match, file)) {
            return &row;
        }
    }
    return nullptr;
}

// Row pitch and rows per slice of one level (DXT rows are rows of 4 x 4 blocks).
void LevelLayout(const DdsFormatRow& row, std::uint64_t w, std::uint64_t h, std::uint64_t* pitch,
                 std::uint64_t* rows) {
    switch (row.format) {
    case D3DFMT_DXT1:
        *pitch = (w + 3) / 4 * 8;
        *rows = (h + 3) / 4;
        break;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        *pitch = (w + 3) / 4 * 16;
        *rows = (h + 3) / 4;
        break;
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
        *pitch = (w + 1) / 2 * 4;
        *rows = h;
        break;
    default:
        *pitch = row.bitsPerPixel / 8 * w;
        *rows = h;
        break;
    }
}

std::uint32_t FullChainLevels(std::uint32_t w, std::uint32_t h, std::uint32_t d) {
    std::uint32_t largest = w > h ? w : h;
    largest = largest > d ? largest : d;
    std::uint32_t levels = 1;
    while (largest > 1) {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

std::uint32_t Halve(std::uint32_t v) { return v > 1 ? v / 2 : 1; }

}  // namespace

HRESULT DecodedImage::DecodeDds(const void* data, UINT size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    // 1. Magic and the whole header.
    if (size < 4 || ReadLe32(bytes) != DDS_MAGIC || size - 4 < DDS_HEADER_BYTES - 4) {
        return E_FAIL;
    }
    // 2. Sizes.
    const std::uint32_t headerFlags = ReadLe32(bytes + 8);
    const bool volume = (headerFlags & DDSD_DEPTH) != 0;
    const std::uint32_t topHeight = ReadLe32(bytes + 12);
    const std::uint32_t topWidth = ReadLe32(bytes + 16);
    std::uint32_t topDepth = volume ? ReadLe32(bytes + 24) : 1;
    if (topDepth == 0) {
        topDepth = 1;
    }
    if (topWidth == 0 || topHeight == 0) {
        return E_FAIL;
    }
    // 3. Cube faces: all six or none.
    const std::uint32_t faceBits = ReadLe32(bytes + 112) & DDSCAPS2_CUBEMAP_FACES;
    if (faceBits != 0 && faceBits != DDSCAPS2_CUBEMAP_FACES) {
        return E_FAIL;
    }
    const int faces = faceBits ? 6 : 1;
    // 4. Levels.
    std::uint32_t levels = ReadLe32(bytes + 28);
    if (levels == 0) {
        levels = 1;
    }
    if (levels > FullChainLevels(topWidth, topHeight, topDepth)) {
        return E_FAIL;
    }
    // 5. The pixel format.
    if (ReadLe32(bytes + 76) != 32) {
        return E_FAIL;
    }
    const DdsPixelFormat filePixelFormat = {ReadLe32(bytes + 80), ReadLe32(bytes + 84), ReadLe32(bytes + 88),
                                            ReadLe32(bytes + 92), ReadLe32(bytes + 96), ReadLe32(bytes + 100),
                                            ReadLe32(bytes + 104)};
    const DdsFormatRow* row = FindDdsFormat(filePixelFormat);
    if (!row) {
        return E_FAIL;
    }
    // 6. What the file describes.
    const D3DRESOURCETYPE type = volume ? D3DRTYPE_VOLUMETEXTURE
                                 : faces == 6 ? D3DRTYPE_CUBETEXTURE
                                              : D3DRTYPE_TEXTURE;
    resourceType = type;
    // 7. A palette, used in place.
    std::uint64_t offset = DDS_HEADER_BYTES;
    PALETTEENTRY* filePalette = nullptr;
    if (row->format == D3DFMT_P8 || row->format == D3DFMT_A8P8) {
        if (size - offset < DDS_PALETTE_BYTES) {
            return E_FAIL;
        }
        filePalette = reinterpret_cast<PALETTEENTRY*>(const_cast<BYTE*>(bytes + offset));
        offset += DDS_PALETTE_BYTES;
    }

    // 8. Every level of every face, each pointing at its slices in the file.
    DecodedImage* faceTop = this;
    for (int face = 0; face < faces; ++face) {
        std::uint32_t w = topWidth, h = topHeight, d = topDepth;
        DecodedImage* level = faceTop;
        for (std::uint32_t mip = 0; mip < levels; ++mip) {
            std::uint64_t pitch, rows;
            LevelLayout(*row, w, h, &pitch, &rows);
            const std::uint64_t remaining = size - offset;
            // The pitch is checked against the data first, so neither product can pass
            // 64 bits before it is compared.
            if (pitch > remaining || pitch * rows > remaining || pitch * rows * d > remaining) {
                return E_FAIL;
            }
            const std::uint64_t slice = pitch * rows;
            if (mip > 0) {
                DecodedImage* next = new (std::nothrow) DecodedImage;
                if (!next) {
                    return E_OUTOFMEMORY;
                }
                level->nextMip = next;
                level = next;
            }
            level->format = row->format;
            level->width = w;
            level->height = h;
            level->depth = d;
            level->rowPitch = static_cast<UINT>(pitch);
            level->slicePitch = static_cast<UINT>(slice);
            level->pixels = const_cast<BYTE*>(bytes + offset);
            level->palette = filePalette;
            level->ownsPixels = FALSE;
            level->ownsPalette = FALSE;
            level->loadPixels = loadPixels;
            level->resourceType = type;
            level->fileKind = fileKind;
            offset += slice * d;
            w = Halve(w);
            h = Halve(h);
            d = Halve(d);
        }
        if (face + 1 < faces) {
            DecodedImage* next = new (std::nothrow) DecodedImage;
            if (!next) {
                return E_OUTOFMEMORY;
            }
            faceTop->nextFace = next;
            faceTop = next;
        }
    }
    return S_OK;
}
