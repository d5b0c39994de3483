// Studio-range Y'CbCr with the ITU-R BT.601 coefficients, two pixels per chroma pair.
#include "codecs/yuv_codec.h"

#include <cstring>
#include <new>

namespace {

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// trunc(f) clamped to 0..255 after adding `base`; f is clamped first so that the
// conversion is defined for any input, which gives the same result for every f in range.
std::uint32_t StoreSample(float f, std::int32_t base) {
    f = f < 512.0f ? f : 512.0f;
    f = f > -512.0f ? f : -512.0f;
    const std::int32_t sample = static_cast<std::int32_t>(f) + base;
    return static_cast<std::uint32_t>(sample < 0 ? 0 : (sample > 255 ? 255 : sample));
}

ColorF DecodeSample(std::uint32_t y, float uTerm, float vTerm, float blueTerm, float redTerm) {
    const float l = static_cast<float>(static_cast<std::int32_t>(y) - 16) * 0.0045662099f;
    return ColorF{Clamp01(l + redTerm), Clamp01(l - uTerm - vTerm), Clamp01(l + blueTerm), 1.0f};
}

}  // namespace

void DecodeYuvPair(std::uint32_t y0, std::uint32_t u, std::uint32_t y1, std::uint32_t v, ColorF& p0, ColorF& p1) {
    const float cb = static_cast<float>(static_cast<std::int32_t>(u) - 128);
    const float cr = static_cast<float>(static_cast<std::int32_t>(v) - 128);
    const float redTerm = cr * 0.0062589301f;
    const float greenFromU = cb * 0.00153632f;
    const float greenFromV = cr * 0.00318811f;
    const float blueTerm = cb * 0.0079107098f;
    p0 = DecodeSample(y0, greenFromU, greenFromV, blueTerm, redTerm);
    p1 = DecodeSample(y1, greenFromU, greenFromV, blueTerm, redTerm);
}

void EncodeYuvPair(const ColorF& p0, const ColorF& p1, std::uint32_t& y0, std::uint32_t& u, std::uint32_t& y1,
                   std::uint32_t& v) {
    y0 = StoreSample(65.481f * p0.r + 128.553f * p0.g + 24.966f * p0.b + 0.5f, 16);
    y1 = StoreSample(65.481f * p1.r + 128.553f * p1.g + 24.966f * p1.b + 0.5f, 16);
    u = StoreSample(112.0f * p0.b - 74.203f * p0.g - 37.797f * p0.r + 0.5f, 128);
    v = StoreSample(112.0f * p0.r - (93.786f * p0.g + 18.214f * p0.b) + 0.5f, 128);
}

YuvCodec::YuvCodec(const PixelRegion& region)
    : PixelCodec(region, 0, DOMAIN_UNSIGNED),
      lineBuffer(nullptr),
      lineStart(box.Left & ~1u),
      heldRowFirst(0),
      lineEnd((box.Right + 1) & ~1u),
      heldRowEnd(0),
      heldSliceFirst(0),
      heldSliceEnd(0),
      lineWidth(lineEnd - lineStart),
      lineDirty(0),
      lineValid(0),
      lumaShift(format == D3DFMT_UYVY ? 8 : 0),
      chromaShift(format == D3DFMT_UYVY ? 0 : 8) {
    lineBuffer = new (std::nothrow) ColorF[lineWidth];
    lineValid = lineBuffer != nullptr ? 1 : 0;
}

YuvCodec::~YuvCodec() {
    FlushLine();
    delete[] lineBuffer;
}

void YuvCodec::SnapColorKey() {}

BYTE* YuvCodec::HeldPairs() const {
    return pixels + static_cast<std::size_t>(heldRowFirst) * rowPitch +
           static_cast<std::size_t>(heldSliceFirst) * slicePitch + 2 * static_cast<std::size_t>(lineStart);
}

HRESULT YuvCodec::FetchLine(std::uint32_t row, std::uint32_t slice, bool read) {
    if (!lineValid) return E_OUTOFMEMORY;
    if (heldRowFirst == row && heldRowEnd == row + 1 && heldSliceFirst == slice && heldSliceEnd == slice + 1) {
        return S_OK;
    }
    FlushLine();
    heldRowFirst = row;
    heldRowEnd = row + 1;
    heldSliceFirst = slice;
    heldSliceEnd = slice + 1;
    if (read) {
        const BYTE* pairs = HeldPairs();
        for (std::uint32_t x = 0; x < lineWidth; x += 2) {
            std::uint16_t w0;
            std::uint16_t w1;
            std::memcpy(&w0, pairs + 2 * x, 2);
            std::memcpy(&w1, pairs + 2 * x + 2, 2);
            DecodeYuvPair((w0 >> lumaShift) & 0xFF, (w0 >> chromaShift) & 0xFF, (w1 >> lumaShift) & 0xFF,
                          (w1 >> chromaShift) & 0xFF, lineBuffer[x], lineBuffer[x + 1]);
        }
    }
    return S_OK;
}

HRESULT YuvCodec::FlushLine() {
    if (!lineDirty || !lineValid) return S_OK;
    BYTE* pairs = HeldPairs();
    for (std::uint32_t x = 0; x < lineWidth; x += 2) {
        std::uint32_t y0, u, y1, v;
        EncodeYuvPair(lineBuffer[x], lineBuffer[x + 1], y0, u, y1, v);
        const std::uint16_t w0 = static_cast<std::uint16_t>((y0 << lumaShift) | (u << chromaShift));
        const std::uint16_t w1 = static_cast<std::uint16_t>((y1 << lumaShift) | (v << chromaShift));
        std::memcpy(pairs + 2 * x, &w0, 2);
        std::memcpy(pairs + 2 * x + 2, &w1, 2);
    }
    lineDirty = 0;
    return S_OK;
}

void YuvCodec::DecodeRow(std::uint32_t y, std::uint32_t z, ColorF* out) {
    if (FetchLine(y + box.Top, z + box.Front, true) != S_OK) return;
    std::memcpy(out, lineBuffer + (box.Left - lineStart), sizeof(ColorF) * width);
    if (colorKey != 0) ApplyColorKey(out);
}

void YuvCodec::EncodeRow(std::uint32_t y, std::uint32_t z, const ColorF* in) {
    if (sourceDomain != 0) in = ConvertDomain(in);
    if (FetchLine(y + box.Top, z + box.Front, lineWidth != width) != S_OK) return;
    std::memcpy(lineBuffer + (box.Left - lineStart), in, sizeof(ColorF) * width);
    lineDirty = 1;
}
