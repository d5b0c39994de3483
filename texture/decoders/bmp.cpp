// Windows bitmap files and bare device-independent bitmaps: palettised images of 1, 4 and 8
// bits (plain or run-length encoded) become D3DFMT_P8 with a 256-entry palette; 16-, 24- and
// 32-bit images and bit-field images keep their pixels in the Direct3D format that matches.
//
// Safety rules of this decoder, beyond the header checks:
// - zero or negative widths and zero heights are refused, and rowPitch x height must fit in
//   32 bits;
// - uncompressed files must hold every row of pixels, or they are refused;
// - compression 1 needs a bit count of 8 and compression 2 a bit count of 4;
// - a colour table longer than 256 entries is skipped whole, and its first 256 entries make
//   the palette;
// - run-length data never writes outside the image: runs and absolute runs are cut at the
//   end of their row, a delta that leaves the row parks the position at the row's end, and
//   decoding stops at the end-of-bitmap code, when the position passes the top row, or when
//   the data ends (a code or absolute run cut short by the end of the data is dropped);
//   pixels the data never sets keep index 0.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "texture/decoded_image.h"
#include "texture/decoders/decoder_support.h"

using decoder_support::ReadLe16;
using decoder_support::ReadLe32;

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t V4_HEADER_SIZE = 108;
constexpr std::uint32_t FILE_HEADER_SIZE = 14;

struct BitFieldFormat {
    std::uint32_t bitCount;
    std::uint32_t red, green, blue, alpha;
    D3DFORMAT format;
};

// The bit-field layouts that have a Direct3D format of their own.
constexpr BitFieldFormat BIT_FIELD_FORMATS[] = {
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

D3DFORMAT FormatForBitCount(std::uint32_t bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8: return D3DFMT_P8;
    case 16: return D3DFMT_X1R5G5B5;
    case 24: return D3DFMT_R8G8B8;
    case 32: return D3DFMT_X8R8G8B8;
    default: return D3DFMT_UNKNOWN;
    }
}

D3DFORMAT FormatForBitFields(std::uint32_t bitCount, const std::uint32_t masks[4]) {
    for (const BitFieldFormat& row : BIT_FIELD_FORMATS) {
        if (row.bitCount == bitCount && row.red == masks[0] && row.green == masks[1] &&
            row.blue == masks[2] && row.alpha == masks[3]) {
            return row.format;
        }
    }
    return D3DFMT_UNKNOWN;
}

// Bytes of one file row, padded to 4 bytes.
std::uint64_t FileStride(std::uint32_t bitCount, std::uint32_t width) {
    std::uint64_t bytes;
    if (bitCount == 1) {
        bytes = (std::uint64_t{width} + 7) / 8;
    } else if (bitCount == 4) {
        bytes = (std::uint64_t{width} + 1) / 2;
    } else {
        bytes = std::uint64_t{bitCount / 8} * width;
    }
    return (bytes + 3) & ~std::uint64_t{3};
}

// The destination of run-length decoding: a position that starts at the left of the bottom
// row and only ever writes inside the image.
class RunWriter {
public:
    RunWriter(BYTE* pixels, UINT rowPitch, UINT width, UINT height)
        : pixels_(pixels), rowPitch_(rowPitch), width_(width), y_(std::int64_t{height} - 1) {}

    bool Done() const { return y_ < 0; }
    void Put(BYTE index) {
        if (x_ < width_) {
            pixels_[static_cast<std::uint64_t>(y_) * rowPitch_ + x_] = index;
            ++x_;
        }
    }
    void EndOfLine() {
        x_ = 0;
        --y_;
    }
    void Delta(BYTE dx, BYTE dy) {
        x_ = std::min<std::uint32_t>(x_ + dx, width_);
        y_ -= dy;
    }

private:
    BYTE* pixels_;
    UINT rowPitch_;
    std::uint32_t width_;
    std::uint32_t x_ = 0;
    std::int64_t y_;
};

// Decodes 8-bit (RLE8) or 4-bit (RLE4) run-length codes from [data, end).
void DecodeRunLength(const BYTE* data, const BYTE* end, bool fourBit, RunWriter& out) {
    while (!out.Done() && end - data >= 2) {
        const BYTE count = data[0];
        const BYTE value = data[1];
        data += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) {
                out.Put(fourBit ? ((i & 1) ? (value & 0xF) : (value >> 4)) : value);
            }
        } else if (value == 0) {
            out.EndOfLine();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (end - data < 2) {
                return;
            }
            out.Delta(data[0], data[1]);
            data += 2;
        } else {
            const unsigned bytes = fourBit ? (value + 1u) / 2 : value;
            const unsigned padded = (bytes + 1) & ~1u;
            if (end - data < static_cast<std::ptrdiff_t>(bytes)) {
                return;
            }
            for (unsigned i = 0; i < value; ++i) {
                out.Put(fourBit ? ((i & 1) ? (data[i / 2] & 0xF) : (data[i / 2] >> 4)) : data[i]);
            }
            data += std::min<std::ptrdiff_t>(padded, end - data);
        }
    }
}

// Expands one uncompressed file row into one byte (or one pixel) per destination position.
void CopyRow(const BYTE* source, BYTE* dest, std::uint32_t bitCount, UINT width) {
    if (bitCount == 1) {
        for (UINT i = 0; i < width; ++i) {
            dest[i] = (source[i / 8] >> (7 - i % 8)) & 1;
        }
    } else if (bitCount == 4) {
        for (UINT i = 0; i < width; ++i) {
            dest[i] = (i & 1) ? (source[i / 2] & 0xF) : (source[i / 2] >> 4);
        }
    } else {
        std::memcpy(dest, source, std::size_t{bitCount / 8} * width);
    }
}

}  // namespace

HRESULT DecodedImage::DecodeBmp(const void* data, UINT size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    if (size < FILE_HEADER_SIZE || bytes[0] != 'B' || bytes[1] != 'M' || ReadLe32(bytes + 2) > size) {
        return E_FAIL;
    }
    return DecodeDib(bytes + FILE_HEADER_SIZE, size - FILE_HEADER_SIZE);
}

HRESULT DecodedImage::DecodeDib(const void* data, UINT size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    if (size < INFO_HEADER_SIZE) {
        return E_FAIL;
    }
    const std::uint32_t headerSize = ReadLe32(bytes);
    const std::int32_t fileWidth = static_cast<std::int32_t>(ReadLe32(bytes + 4));
    const std::int32_t fileHeight = static_cast<std::int32_t>(ReadLe32(bytes + 8));
    const std::uint32_t planes = ReadLe16(bytes + 12);
    const std::uint32_t bitCount = ReadLe16(bytes + 14);
    const std::uint32_t compression = ReadLe32(bytes + 16);
    std::uint64_t tableEntries = ReadLe32(bytes + 32);
    if (tableEntries == 0 && bitCount <= 8) {
        tableEntries = std::uint64_t{1} << bitCount;
    }
    const bool masksAfterHeader = compression == BI_BITFIELDS && headerSize < V4_HEADER_SIZE;
    const std::uint64_t tableOffset = std::uint64_t{headerSize} + (masksAfterHeader ? 12 : 0);
    const std::uint64_t pixelOffset = tableOffset + 4 * tableEntries;

    // 1. Header consistency.
    const bool topDown = fileHeight < 0;
    if (headerSize < INFO_HEADER_SIZE || pixelOffset > size || planes != 1 ||
        (topDown && compression != BI_RGB && compression != BI_BITFIELDS)) {
        return E_FAIL;
    }
    if (fileWidth <= 0 || fileHeight == 0) {
        return E_FAIL;
    }
    const UINT imageWidth = static_cast<UINT>(fileWidth);
    const UINT imageHeight = static_cast<UINT>(topDown ? -std::int64_t{fileHeight} : fileHeight);

    // 2. The format.
    D3DFORMAT chosen;
    if (compression <= BI_RLE4) {
        chosen = FormatForBitCount(bitCount);
        if ((compression == BI_RLE8 && bitCount != 8) || (compression == BI_RLE4 && bitCount != 4)) {
            chosen = D3DFMT_UNKNOWN;
        }
    } else if (compression == BI_BITFIELDS) {
        std::uint32_t masks[4] = {0, 0, 0, 0};
        const BYTE* at = bytes + (masksAfterHeader ? headerSize : INFO_HEADER_SIZE);
        for (int i = 0; i < (masksAfterHeader ? 3 : 4); ++i) {
            masks[i] = ReadLe32(at + 4 * i);
        }
        chosen = FormatForBitFields(bitCount, masks);
    } else {
        return E_NOTIMPL;
    }
    if (chosen == D3DFMT_UNKNOWN) {
        return E_FAIL;
    }

    const bool palettised = chosen == D3DFMT_P8;
    const std::uint64_t pixelBytes = palettised ? 1 : bitCount / 8;
    const std::uint64_t pitch = (pixelBytes * imageWidth + 3) & ~std::uint64_t{3};
    std::uint64_t bufferBytes;
    if (!decoder_support::MultiplyFits(pitch, imageHeight, &bufferBytes)) {
        return E_FAIL;
    }
    const bool runLength = compression == BI_RLE8 || compression == BI_RLE4;
    const std::uint64_t stride = FileStride(bitCount, imageWidth);
    if (!runLength && stride * imageHeight > size - pixelOffset) {
        return E_FAIL;
    }

    // 3. The palette.
    if (loadPixels && palettised) {
        palette = decoder_support::AllocatePalette();
        if (!palette) {
            return E_OUTOFMEMORY;
        }
        ownsPalette = TRUE;
        const unsigned used = static_cast<unsigned>(std::min<std::uint64_t>(tableEntries, 256));
        for (unsigned i = 0; i < used; ++i) {
            const BYTE* entry = bytes + tableOffset + 4 * i;
            palette[i] = PALETTEENTRY{entry[2], entry[1], entry[0], 0xFF};
        }
        decoder_support::SetOpaqueWhite(palette, used);
    }

    // 4. The description.
    decoder_support::DescribeFlatImage(*this, chosen, imageWidth, imageHeight, static_cast<UINT>(pitch));
    if (!loadPixels) {
        return S_OK;
    }

    // 5. Top-down rows of whole bytes are already the memory layout.
    const BYTE* source = bytes + pixelOffset;
    if (topDown && bitCount >= 8) {
        pixels = const_cast<BYTE*>(source);
        return S_OK;
    }

    // 6. Everything else is decoded into a buffer, top row first.
    if (!decoder_support::AllocateOwnedPixels(*this, bufferBytes)) {
        return E_OUTOFMEMORY;
    }

    if (runLength) {
        // 8. Run-length codes, bottom row first.
        RunWriter writer(pixels, rowPitch, width, height);
        DecodeRunLength(source, bytes + size, compression == BI_RLE4, writer);
        return S_OK;
    }

    // 7. Uncompressed rows.
    for (UINT row = 0; row < height; ++row) {
        const UINT destRow = topDown ? row : height - 1 - row;
        CopyRow(source + stride * row, pixels + std::uint64_t{rowPitch} * destRow, bitCount, width);
    }
    return S_OK;
}
