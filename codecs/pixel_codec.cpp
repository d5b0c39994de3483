// The codec base: construction from a region, domain conversion, the colour key and the
// encoding offset tables. The per-format classes live beside it; the factory that picks
// one is in codec_factory.cpp.
#include "codecs/pixel_codec.h"

#include <new>

namespace {

constexpr float ONE_OVER_255 = 1.0f / 255.0f;

// Four values per table row, repeated so that a row index plus up to 6 stays in the row.
constexpr float DitherEntry(int k) { return (static_cast<float>(k) + 0.5f) / 16.0f; }

ColorF PaletteColor(const PALETTEENTRY& entry) {
    return ColorF{entry.peRed * ONE_OVER_255, entry.peGreen * ONE_OVER_255, entry.peBlue * ONE_OVER_255,
                  entry.peFlags * ONE_OVER_255};
}

bool HasSignedColor(std::uint32_t domain) { return domain == DOMAIN_SIGNED_RGB || domain == DOMAIN_SIGNED; }
bool HasSignedAlpha(std::uint32_t domain) { return domain == DOMAIN_SIGNED; }

// What one group of channels (r, g, b together, or a) goes through between two domains.
enum class DomainStep { Copy, ToUnsigned, ToSigned };

DomainStep StepBetween(bool sourceSigned, bool ownSigned) {
    if (sourceSigned == ownSigned) return DomainStep::Copy;
    return ownSigned ? DomainStep::ToSigned : DomainStep::ToUnsigned;
}

float ApplyStep(DomainStep step, float x) {
    switch (step) {
    case DomainStep::ToUnsigned: return (x + 1.0f) * 0.5f;
    case DomainStep::ToSigned: return x * 2.0f - 1.0f;
    case DomainStep::Copy: break;
    }
    return x;
}

}  // namespace

const float RoundingTable[32] = {
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,  //
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,  //
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,  //
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
};

const float OrderedDitherTable[32] = {
    DitherEntry(15), DitherEntry(7),  DitherEntry(13), DitherEntry(5),
    DitherEntry(15), DitherEntry(7),  DitherEntry(13), DitherEntry(5),
    DitherEntry(3),  DitherEntry(11), DitherEntry(1),  DitherEntry(9),
    DitherEntry(3),  DitherEntry(11), DitherEntry(1),  DitherEntry(9),
    DitherEntry(12), DitherEntry(4),  DitherEntry(14), DitherEntry(6),
    DitherEntry(12), DitherEntry(4),  DitherEntry(14), DitherEntry(6),
    DitherEntry(0),  DitherEntry(8),  DitherEntry(2),  DitherEntry(10),
    DitherEntry(0),  DitherEntry(8),  DitherEntry(2),  DitherEntry(10),
};

PixelCodec::PixelCodec(const PixelRegion& region, std::uint32_t bitsPerPixel, std::uint32_t codecDomain)
    : format(region.format),
      domain(codecDomain),
      isPacked(bitsPerPixel != 0 ? 1u : 0u),
      colorKey(region.colorKey),
      isPalettised(0),
      pixels(region.pixels),
      keyColor{0.0f, 0.0f, 0.0f, 0.0f},
      ditherTable(region.dither != 0 ? OrderedDitherTable : RoundingTable),
      palette{},
      box(region.box),
      sourceDomain(0),
      conversionRow(nullptr),
      rowPitch(region.rowPitch),
      slicePitch(region.slicePitch),
      width(region.box.Right - region.box.Left),
      height(region.box.Bottom - region.box.Top),
      depth(region.box.Back - region.box.Front),
      rowBytes(0),
      bytesPerPixel(bitsPerPixel / 8) {
    if (colorKey != 0) {
        keyColor = ColorF{((colorKey >> 16) & 0xFF) * ONE_OVER_255, ((colorKey >> 8) & 0xFF) * ONE_OVER_255,
                          (colorKey & 0xFF) * ONE_OVER_255, (colorKey >> 24) * ONE_OVER_255};
    }
    if (format == D3DFMT_P8 || format == D3DFMT_A8P8) {
        isPalettised = 1;
        for (int i = 0; i < 256; ++i) {
            palette[i] = region.palette ? PaletteColor(region.palette[i]) : ColorF{1.0f, 1.0f, 1.0f, 1.0f};
        }
    }
    rowBytes = bytesPerPixel * width;
    if (isPacked) {
        pixels += static_cast<std::size_t>(bytesPerPixel) * box.Left + static_cast<std::size_t>(rowPitch) * box.Top +
                  static_cast<std::size_t>(slicePitch) * box.Front;
        box = D3DBOX{0, 0, width, height, 0, depth};
    }
}

PixelCodec::~PixelCodec() { delete[] conversionRow; }

void PixelCodec::DecodeRow(std::uint32_t, std::uint32_t, ColorF*) {}

void PixelCodec::EncodeRow(std::uint32_t, std::uint32_t, const ColorF*) {}

void PixelCodec::SnapColorKey() {
    const std::uint32_t savedWidth = width;
    const std::uint32_t savedRowBytes = rowBytes;
    BYTE* const savedPixels = pixels;
    const float* const savedDitherTable = ditherTable;
    const std::uint32_t savedColorKey = colorKey;
    const std::uint32_t savedSourceDomain = sourceDomain;
    ColorF* const savedConversionRow = conversionRow;

    alignas(8) BYTE scratch[8] = {};
    width = 1;
    rowBytes = bytesPerPixel;
    pixels = scratch;
    ditherTable = RoundingTable;
    colorKey = 0;

    // The key is given as an unsigned colour; express it in the codec's own domain.
    if (domain != DOMAIN_UNSIGNED) {
        sourceDomain = DOMAIN_UNSIGNED;
        conversionRow = &keyColor;
        ConvertDomain(&keyColor);
    }
    // The encode below must take the key as it now stands, whatever pairing came before.
    sourceDomain = 0;
    conversionRow = nullptr;
    EncodeRow(0, 0, &keyColor);
    DecodeRow(0, 0, &keyColor);

    width = savedWidth;
    rowBytes = savedRowBytes;
    pixels = savedPixels;
    ditherTable = savedDitherTable;
    colorKey = savedColorKey;
    sourceDomain = savedSourceDomain;
    conversionRow = savedConversionRow;
}

ColorF* PixelCodec::ConvertDomain(const ColorF* row) {
    const DomainStep colorStep = StepBetween(HasSignedColor(sourceDomain), HasSignedColor(domain));
    const DomainStep alphaStep = StepBetween(HasSignedAlpha(sourceDomain), HasSignedAlpha(domain));
    for (std::uint32_t x = 0; x < width; ++x) {
        const ColorF in = row[x];
        conversionRow[x] = ColorF{ApplyStep(colorStep, in.r), ApplyStep(colorStep, in.g), ApplyStep(colorStep, in.b),
                                  ApplyStep(alphaStep, in.a)};
    }
    return conversionRow;
}

void PixelCodec::ApplyColorKey(ColorF* row) const {
    for (std::uint32_t x = 0; x < width; ++x) {
        ColorF& pixel = row[x];
        if (pixel.r == keyColor.r && pixel.g == keyColor.g && pixel.b == keyColor.b && pixel.a == keyColor.a) {
            pixel = ColorF{0.0f, 0.0f, 0.0f, 0.0f};
        }
    }
}

HRESULT PairCodecs(PixelCodec& dest, const PixelCodec& source) {
    if (dest.domain == source.domain) return S_OK;
    // A second pairing replaces the first row rather than leaking it.
    delete[] dest.conversionRow;
    dest.conversionRow = new (std::nothrow) ColorF[dest.width];
    if (!dest.conversionRow) {
        dest.sourceDomain = 0;
        return E_OUTOFMEMORY;
    }
    dest.sourceDomain = source.domain;
    return S_OK;
}
