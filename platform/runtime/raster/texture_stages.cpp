#include "platform/runtime/raster/texture_stages.h"

#include <memory>

#include "codecs/pixel_codec.h"

namespace {

std::uint32_t PackColor(const ColorF& c) {
    auto channel = [](float v) -> std::uint32_t {
        if (!(v > 0.0f)) return 0;
        if (v >= 1.0f) return 255;
        return static_cast<std::uint32_t>(v * 255.0f + 0.5f);
    };
    return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

}  // namespace

TextureStageStates::TextureStageStates() {
    for (DWORD stage = 0; stage < TEXTURE_STAGE_COUNT; ++stage) {
        DWORD* v = values_[stage];
        for (DWORD type = 0; type < TEXTURE_STAGE_STATE_COUNT; ++type) v[type] = 0;
        v[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        v[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        v[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        v[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        v[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        v[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        v[D3DTSS_TEXCOORDINDEX] = stage;
        v[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        v[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        v[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        v[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        v[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        v[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        v[D3DTSS_MAXANISOTROPY] = 1;
        v[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        v[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        v[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        v[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
}

bool TextureStageStates::Get(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const {
    if (!value || stage >= TEXTURE_STAGE_COUNT || type == 0 || type == 12 || type >= TEXTURE_STAGE_STATE_COUNT)
        return false;
    *value = values_[stage][type];
    return true;
}

bool TextureStageStates::Set(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= TEXTURE_STAGE_COUNT || type == 0 || type == 12 || type >= TEXTURE_STAGE_STATE_COUNT) return false;
    values_[stage][type] = value;
    return true;
}

bool DecodeTextureLevel(DeviceContext& context, IDirect3DBaseTexture8* texture, const TextureStageStates& states,
                        DWORD stage, std::vector<std::uint32_t>* storage, SampledTexture* sampled) {
    *sampled = SampledTexture{};
    if (!texture || texture->GetType() != D3DRTYPE_TEXTURE) return false;
    StorageView view;
    if (!context.TextureLevel(texture, 0, &view) || !view.bits || view.width == 0 || view.height == 0) return false;

    PixelRegion region;
    region.pixels = view.bits;
    region.format = view.format;
    region.rowPitch = view.pitch;
    region.extent = D3DBOX{0, 0, view.width, view.height, 0, 1};
    region.box = region.extent;
    std::unique_ptr<PixelCodec> codec(MakePixelCodec(region));
    if (!codec) return false;

    std::vector<ColorF> row(view.width);
    storage->resize(static_cast<size_t>(view.width) * view.height);
    for (UINT y = 0; y < view.height; ++y) {
        codec->DecodeRow(y, 0, row.data());
        std::uint32_t* out = storage->data() + static_cast<size_t>(y) * view.width;
        for (UINT x = 0; x < view.width; ++x) out[x] = PackColor(row[x]);
    }

    sampled->texels = storage->data();
    sampled->width = static_cast<int>(view.width);
    sampled->height = static_cast<int>(view.height);
    sampled->addressU = states(stage, D3DTSS_ADDRESSU);
    sampled->addressV = states(stage, D3DTSS_ADDRESSV);
    sampled->borderColor = states(stage, D3DTSS_BORDERCOLOR);
    // Without level-of-detail selection one filter serves both magnification and
    // minification: linear when either asks for it.
    auto linear = [](DWORD filter) { return filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC; };
    sampled->linear = linear(states(stage, D3DTSS_MAGFILTER)) || linear(states(stage, D3DTSS_MINFILTER));
    return true;
}
