// Texture stage states with their defaults, and the texture levels a draw samples:
// decoded once per draw through the library's pixel codecs into 32-bit texels.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime/draw_pipeline.h"

constexpr DWORD TEXTURE_STAGE_COUNT = 8;
constexpr DWORD TEXTURE_STAGE_STATE_COUNT = D3DTSS_RESULTARG + 1;

class TextureStageStates {
public:
    TextureStageStates();
    // False for a stage or state type that does not exist.
    bool Get(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    bool Set(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    DWORD operator()(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return values_[stage][type]; }

private:
    DWORD values_[TEXTURE_STAGE_COUNT][TEXTURE_STAGE_STATE_COUNT];
};

// One texture level ready for sampling: A8R8G8B8 texels, row-major, no padding.
struct SampledTexture {
    const std::uint32_t* texels = nullptr;
    int width = 0;
    int height = 0;
    DWORD addressU = D3DTADDRESS_WRAP;
    DWORD addressV = D3DTADDRESS_WRAP;
    D3DCOLOR borderColor = 0;
    bool linear = false;  // bilinear filtering instead of point sampling
};

// Decodes level 0 of `texture` into `storage` and describes it with the stage's
// addressing and filtering. False when the texture is not a 2D texture of this runtime
// or its format has no codec; the stage then samples as if no texture were set.
bool DecodeTextureLevel(DeviceContext& context, IDirect3DBaseTexture8* texture, const TextureStageStates& states,
                        DWORD stage, std::vector<std::uint32_t>* storage, SampledTexture* sampled);

// Maps a texel index onto the texture by an addressing mode; -1 means the border colour.
inline int AddressTexel(int i, int size, DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_CLAMP:
        return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case D3DTADDRESS_MIRROR: {
        int period = 2 * size;
        int m = i % period;
        if (m < 0) m += period;
        return m >= size ? period - 1 - m : m;
    }
    case D3DTADDRESS_BORDER:
        return (i < 0 || i >= size) ? -1 : i;
    case D3DTADDRESS_MIRRORONCE: {
        int m = i < 0 ? -1 - i : i;
        return m >= size ? size - 1 : m;
    }
    default: {  // wrap
        // Texture sizes are mostly powers of two, where a mask replaces the division.
        if ((size & (size - 1)) == 0) return i & (size - 1);
        int m = i % size;
        return m < 0 ? m + size : m;
    }
    }
}

// floor(t * size) as an int, with coordinates far outside the texture held to a range
// where the conversion is defined; addressing gives the same texel there.
inline int TexelIndex(float t, int size) {
    float s = t * static_cast<float>(size);
    if (!(s > -1073741824.0f)) s = -1073741824.0f;  // also catches NaN
    if (s > 1073741824.0f) s = 1073741824.0f;
    int i = static_cast<int>(s);
    return (static_cast<float>(i) > s) ? i - 1 : i;
}
