// Targa files: colour-mapped, true-colour and greyscale, uncompressed or run-length
// encoded. Pixels are never converted (the Targa layout is already the memory layout of
// the chosen format); only the row and column order changes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "texture/decoded_image.h"

namespace {

constexpr UINT TGA_HEADER_SIZE = 18;
constexpr BYTE TGA_TYPE_COLOR_MAPPED = 1;
constexpr BYTE TGA_TYPE_TRUE_COLOR = 2;
constexpr BYTE TGA_TYPE_GREYSCALE = 3;
constexpr BYTE TGA_TYPE_RUN_LENGTH = 8;
constexpr BYTE TGA_DESCRIPTOR_RIGHT_TO_LEFT = 0x10;
constexpr BYTE TGA_DESCRIPTOR_TOP_FIRST = 0x20;
// The longest run-length packet: a header byte and one pixel give 128 pixels.
constexpr std::uint64_t TGA_MAX_PACKET_PIXELS = 128;

struct TgaHeader {
    BYTE idLength;
    BYTE colorMapType;
    BYTE imageType;
    UINT colorMapFirst;
    UINT colorMapLength;
    BYTE colorMapEntryBits;
    UINT width;
    UINT height;
    BYTE pixelDepth;
    BYTE descriptor;
};

UINT ReadWord(const BYTE* bytes) { return static_cast<UINT>(bytes[0]) | (static_cast<UINT>(bytes[1]) << 8); }

TgaHeader ReadHeader(const BYTE* bytes) {
    TgaHeader header;
    header.idLength = bytes[0];
    header.colorMapType = bytes[1];
    header.imageType = bytes[2];
    header.colorMapFirst = ReadWord(bytes + 3);
    header.colorMapLength = ReadWord(bytes + 5);
    header.colorMapEntryBits = bytes[7];
    header.width = ReadWord(bytes + 12);
    header.height = ReadWord(bytes + 14);
    header.pixelDepth = bytes[16];
    header.descriptor = bytes[17];
    return header;
}

D3DFORMAT ImageFormat(const TgaHeader& header) {
    switch (header.imageType & 3) {
        case TGA_TYPE_COLOR_MAPPED:
            return header.colorMapType == 1 && header.pixelDepth == 8 ? D3DFMT_P8 : D3DFMT_UNKNOWN;
        case TGA_TYPE_TRUE_COLOR:
            switch (header.pixelDepth) {
                case 15: return D3DFMT_X1R5G5B5;
                case 16: return D3DFMT_A1R5G5B5;  // bit 15 is alpha, whatever the attribute bits say
                case 24: return D3DFMT_R8G8B8;
                case 32: return D3DFMT_A8R8G8B8;
                default: return D3DFMT_UNKNOWN;
            }
        case TGA_TYPE_GREYSCALE: return header.pixelDepth == 8 ? D3DFMT_L8 : D3DFMT_UNKNOWN;
        default: return D3DFMT_UNKNOWN;
    }
}

BYTE Expand5(UINT v) { return static_cast<BYTE>((v << 3) | (v >> 2)); }

void ReadColorMapEntry(const BYTE* entry, UINT entryBits, PALETTEENTRY* out) {
    if (entryBits == 24 || entryBits == 32) {
        out->peRed = entry[2];
        out->peGreen = entry[1];
        out->peBlue = entry[0];
        out->peFlags = entryBits == 32 ? entry[3] : 255;
        return;
    }
    const UINT word = ReadWord(entry);
    out->peRed = Expand5((word >> 10) & 0x1F);
    out->peGreen = Expand5((word >> 5) & 0x1F);
    out->peBlue = Expand5(word & 0x1F);
    out->peFlags = entryBits == 15 || (word & 0x8000) != 0 ? 255 : 0;
}

// Reads pixels in file order into an image of `width` x `height`, placing file row r at
// buffer row r (top row first) or height - 1 - r, and each row left to right or right to
// left. A run-length packet that runs past the end of a row carries on into the next row;
// pixels beyond the last row are dropped, so nothing is written outside the buffer.
class TgaPixelReader {
public:
    TgaPixelReader(const BYTE* data, std::size_t available, UINT bytesPerPixel)
        : data_(data), available_(available), bytesPerPixel_(bytesPerPixel) {}

    bool ReadRunLengthRow(BYTE* row, UINT width, bool rightToLeft) {
        UINT column = 0;
        while (column < width) {
            if (packetLeft_ == 0 && !StartPacket()) return false;
            if (available_ < bytesPerPixel_) return false;
            UINT count = packetLeft_ < width - column ? packetLeft_ : width - column;
            if (isRun_) {
                for (UINT i = 0; i < count; ++i) PutPixel(row, width, column + i, rightToLeft, data_);
                packetLeft_ -= count;
                // The run's value is consumed after its last copy.
                if (packetLeft_ == 0) Consume(bytesPerPixel_);
            } else {
                const std::size_t whole = available_ / bytesPerPixel_;
                if (whole < count) count = static_cast<UINT>(whole);
                CopyPixels(row, width, column, rightToLeft, count);
                packetLeft_ -= count;
                if (count == 0) return false;
            }
            column += count;
        }
        return true;
    }

    bool ReadRawRow(BYTE* row, UINT width, bool rightToLeft) {
        if (available_ / bytesPerPixel_ < width) return false;
        CopyPixels(row, width, 0, rightToLeft, width);
        return true;
    }

private:
    bool StartPacket() {
        if (available_ < 1) return false;
        const BYTE header = *data_;
        Consume(1);
        isRun_ = (header & 0x80) != 0;
        packetLeft_ = (header & 0x7Fu) + 1;
        return true;
    }

    void Consume(std::size_t bytes) {
        data_ += bytes;
        available_ -= bytes;
    }

    void PutPixel(BYTE* row, UINT width, UINT column, bool rightToLeft, const BYTE* value) const {
        const UINT x = rightToLeft ? width - 1 - column : column;
        std::memcpy(row + static_cast<std::size_t>(x) * bytesPerPixel_, value, bytesPerPixel_);
    }

    // Copies `count` pixels from the file into columns column .. column + count - 1.
    void CopyPixels(BYTE* row, UINT width, UINT column, bool rightToLeft, UINT count) {
        if (!rightToLeft) {
            std::memcpy(row + static_cast<std::size_t>(column) * bytesPerPixel_, data_,
                        static_cast<std::size_t>(count) * bytesPerPixel_);
            Consume(static_cast<std::size_t>(count) * bytesPerPixel_);
            return;
        }
        for (UINT i = 0; i < count; ++i) {
            PutPixel(row, width, column + i, true, data_);
            Consume(bytesPerPixel_);
        }
    }

    const BYTE* data_;
    std::size_t available_;
    UINT bytesPerPixel_;
    UINT packetLeft_ = 0;
    bool isRun_ = false;
};

}  // namespace

HRESULT DecodedImage::DecodeTga(const void* data, UINT size) {
    if (data == nullptr || size < TGA_HEADER_SIZE) return E_FAIL;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    const TgaHeader header = ReadHeader(bytes);

    // No magic number: the header is checked strictly.
    if (header.colorMapType > 1) return E_FAIL;
    if ((header.imageType & ~0x0Bu) != 0) return E_FAIL;
    if (header.width == 0 || header.height == 0) return E_FAIL;

    if (header.colorMapType == 1) {
        const BYTE bits = header.colorMapEntryBits;
        if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return E_FAIL;
    }
    const D3DFORMAT imageFormat = ImageFormat(header);
    if (imageFormat == D3DFMT_UNKNOWN) return E_FAIL;
    const UINT bytesPerPixel = (header.pixelDepth + 7u) / 8u;

    // Header, image ID and colour map, in that order. The colour map's size comes from its
    // header fields even when the file says it has none.
    std::size_t offset = TGA_HEADER_SIZE + header.idLength;
    if (size < offset) return E_FAIL;
    const std::size_t colorMapBytes =
        static_cast<std::size_t>(header.colorMapLength) * ((header.colorMapEntryBits + 7u) / 8u);
    if (size - offset < colorMapBytes) return E_FAIL;
    const BYTE* colorMap = bytes + offset;
    offset += colorMapBytes;

    if (loadPixels && imageFormat == D3DFMT_P8) {
        if (header.colorMapFirst + header.colorMapLength > 256) return E_FAIL;
        palette = static_cast<PALETTEENTRY*>(std::malloc(256 * sizeof(PALETTEENTRY)));
        if (palette == nullptr) return E_OUTOFMEMORY;
        ownsPalette = TRUE;
        std::memset(palette, 0xFF, 256 * sizeof(PALETTEENTRY));
        const UINT entryBytes = (header.colorMapEntryBits + 7u) / 8u;
        for (UINT i = 0; i < header.colorMapLength; ++i) {
            ReadColorMapEntry(colorMap + static_cast<std::size_t>(i) * entryBytes, header.colorMapEntryBits,
                              &palette[header.colorMapFirst + i]);
        }
    }

    format = imageFormat;
    pixels = const_cast<BYTE*>(bytes + offset);
    rowPitch = header.width * bytesPerPixel;
    slicePitch = 0;
    width = header.width;
    height = header.height;
    depth = 1;
    if (!loadPixels) return S_OK;

    const std::size_t available = size - offset;
    const bool runLength = (header.imageType & TGA_TYPE_RUN_LENGTH) != 0;
    const bool topFirst = (header.descriptor & TGA_DESCRIPTOR_TOP_FIRST) != 0;
    const bool rightToLeft = (header.descriptor & TGA_DESCRIPTOR_RIGHT_TO_LEFT) != 0;
    // Below 2^36: no overflow in 64 bits.
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(header.width) * header.height;
    const std::uint64_t total = pixelCount * bytesPerPixel;

    // Refuse, before allocating, images the remaining bytes cannot possibly describe.
    if (!runLength && total > available) return E_FAIL;
    if (runLength && pixelCount > (available / (1 + bytesPerPixel) + 1) * TGA_MAX_PACKET_PIXELS) return E_FAIL;

    if (!runLength && topFirst && !rightToLeft) {
        // The file layout is already the memory layout.
        ownsPixels = FALSE;
        return S_OK;
    }

    if (total > SIZE_MAX / 2) return E_OUTOFMEMORY;
    pixels = static_cast<BYTE*>(std::malloc(static_cast<std::size_t>(total)));
    if (pixels == nullptr) return E_OUTOFMEMORY;
    ownsPixels = TRUE;

    TgaPixelReader reader(bytes + offset, available, bytesPerPixel);
    for (UINT r = 0; r < height; ++r) {
        const UINT y = topFirst ? r : height - 1 - r;
        BYTE* row = pixels + static_cast<std::size_t>(y) * rowPitch;
        const bool read = runLength ? reader.ReadRunLengthRow(row, width, rightToLeft)
                                    : reader.ReadRawRow(row, width, rightToLeft);
        if (!read) return E_FAIL;
    }
    return S_OK;
}
