// MakePixelCodec: the palettised and YUV formats have classes of their own; every other
// format with a codec is a row of the packed layout table.
#include <new>

#include "codecs/packed_layout.h"
#include "codecs/palette_codec.h"
#include "codecs/pixel_codec.h"
#include "codecs/yuv_codec.h"

namespace {

template <class Codec>
PixelCodec* Make(const PixelRegion& region) {
    return new (std::nothrow) Codec(region);
}

struct CodecCreator {
    D3DFORMAT format;
    PixelCodec* (*create)(const PixelRegion& region);
};

constexpr CodecCreator SPECIAL_CODECS[] = {
    {D3DFMT_P8, Make<P8Codec>},
    {D3DFMT_A8P8, Make<A8P8Codec>},
    {D3DFMT_UYVY, Make<YuvCodec>},
    {D3DFMT_YUY2, Make<YuvCodec>},
};

PixelCodec* Create(const PixelRegion& region) {
    for (const CodecCreator& creator : SPECIAL_CODECS) {
        if (creator.format == region.format) return creator.create(region);
    }
    if (const PackedLayout* layout = FindPackedLayout(region.format)) {
        return new (std::nothrow) PackedCodec(region, *layout);
    }
    return nullptr;  // no codec: depth and stencil formats, vertex and index data, unknown FOURCCs
}

}  // namespace

PixelCodec* MakePixelCodec(const PixelRegion& region) {
    PixelCodec* codec = Create(region);
    if (codec && codec->colorKey != 0) codec->SnapColorKey();
    return codec;
}
