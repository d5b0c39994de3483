// The packed 4:2:2 formats UYVY and YUY2. Two neighbouring pixels share one pair of chroma
// samples, so the codec holds one pair-aligned row as colours and converts it back to
// memory when another row is needed or when the codec is destroyed.
#pragma once

#include <cstdint>

#include "codecs/pixel_codec.h"

class YuvCodec final : public PixelCodec {
public:
    explicit YuvCodec(const PixelRegion& region);
    ~YuvCodec() override;

    void DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) override;
    void EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) override;
    // The key is compared as read from colorKey, unsnapped.
    void SnapColorKey() override;

    // Makes (row, slice) of the image the held row, writing back the one held before;
    // with `read`, fills lineBuffer from memory. E_OUTOFMEMORY when lineBuffer is absent.
    HRESULT FetchLine(std::uint32_t row, std::uint32_t slice, bool read);
    // Writes the held row back when it has unwritten pixels.
    HRESULT FlushLine();

    ColorF* lineBuffer;
    std::uint32_t lineStart;      // box left rounded down to an even column
    std::uint32_t heldRowFirst;   // the held row and slice, as [first, end) ranges;
    std::uint32_t lineEnd;        // all four 0 at first, which holds nothing
    std::uint32_t heldRowEnd;
    std::uint32_t heldSliceFirst;
    std::uint32_t heldSliceEnd;
    std::uint32_t lineWidth;      // lineEnd - lineStart
    std::uint32_t lineDirty;
    std::uint32_t lineValid;
    std::uint32_t lumaShift;
    std::uint32_t chromaShift;

private:
    BYTE* HeldPairs() const;
};

// One pair of stored samples and its two colours; exposed for tests and benchmarks.
void DecodeYuvPair(std::uint32_t y0, std::uint32_t u, std::uint32_t y1, std::uint32_t v, ColorF& p0, ColorF& p1);
// The stored samples of a pair; the chroma comes from p0 alone.
void EncodeYuvPair(const ColorF& p0, const ColorF& p1, std::uint32_t& y0, std::uint32_t& u, std::uint32_t& y1,
                   std::uint32_t& v);
