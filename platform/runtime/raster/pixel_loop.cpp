#include "platform/runtime/raster/pixel_loop.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/raster/stage_blending.h"

namespace {

// ---- Writing the render target -----------------------------------------------------------

struct Argb32 {
    static void Write(BYTE* row, int x, std::uint32_t argb) { std::memcpy(row + 4 * x, &argb, 4); }
    static std::uint32_t Read(const BYTE* row, int x) {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
    }
};

struct Xrgb32 {
    static void Write(BYTE* row, int x, std::uint32_t argb) { Argb32::Write(row, x, argb | 0xFF000000u); }
    static std::uint32_t Read(const BYTE* row, int x) { return Argb32::Read(row, x) | 0xFF000000u; }
};

// Expands an n-bit channel to 8 bits by repeating its high bits.
inline std::uint32_t Expand(std::uint32_t v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); }

struct Rgb565 {
    static void Write(BYTE* row, int x, std::uint32_t argb) {
        std::uint16_t v = static_cast<std::uint16_t>(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) | ((argb >> 3) & 0x001F));
        std::memcpy(row + 2 * x, &v, 2);
    }
    static std::uint32_t Read(const BYTE* row, int x) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        return 0xFF000000u | (Expand(v >> 11, 5) << 16) | (Expand((v >> 5) & 0x3F, 6) << 8) | Expand(v & 0x1F, 5);
    }
};

template <bool hasAlpha>
struct Rgb1555 {
    static void Write(BYTE* row, int x, std::uint32_t argb) {
        std::uint16_t a = hasAlpha ? ((argb >> 16) & 0x8000) : 0x8000;
        std::uint16_t v = static_cast<std::uint16_t>(a | ((argb >> 9) & 0x7C00) | ((argb >> 6) & 0x03E0) | ((argb >> 3) & 0x001F));
        std::memcpy(row + 2 * x, &v, 2);
    }
    static std::uint32_t Read(const BYTE* row, int x) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        std::uint32_t a = (!hasAlpha || (v & 0x8000)) ? 0xFF000000u : 0;
        return a | (Expand((v >> 10) & 0x1F, 5) << 16) | (Expand((v >> 5) & 0x1F, 5) << 8) | Expand(v & 0x1F, 5);
    }
};

inline std::uint32_t ToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<std::uint32_t>(v * 255.0f + 0.5f);
}

inline std::uint32_t PackArgb(const float c[4]) {
    return (ToByte(c[3]) << 24) | (ToByte(c[0]) << 16) | (ToByte(c[1]) << 8) | ToByte(c[2]);
}

inline std::uint32_t QuantizeDepth(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return 65535;
    return static_cast<std::uint32_t>(z * 65535.0f + 0.5f);
}

constexpr float BYTE_TO_UNIT = 1.0f / 255.0f;

// ---- Shading ------------------------------------------------------------------------------
// Each shading kind interpolates what it reads, starting at one pixel of a span and
// stepping one pixel to the right.

inline float At(const TriangleSetup& t, int i, float dx, float dy) {
    return t.attr[i] + t.attrStepX[i] * dx + t.attrStepY[i] * dy;
}

struct DiffuseShading {
    static constexpr bool GENERAL = false;
    float a[5], step[5];  // 1 / w, then diffuse / w
    const PixelContext& pc;

    DiffuseShading(const PixelContext& context, const TriangleSetup& t, float dx, float dy) : pc(context) {
        for (int i = 0; i < 5; ++i) {
            a[i] = At(t, ATTR_INVW + i, dx, dy);
            step[i] = t.attrStepX[ATTR_INVW + i];
        }
    }
    void Step() {
        for (int i = 0; i < 5; ++i) a[i] += step[i];
    }
    bool Shade(float out[4]) const {
        const float w = 1.0f / a[0];
        out[0] = a[1] * w;
        out[1] = a[2] * w;
        out[2] = a[3] * w;
        out[3] = pc.alphaFromDiffuse ? a[4] * w : 1.0f;
        return true;
    }
};

struct TextureModulateShading {
    static constexpr bool GENERAL = false;
    float a[7], step[7];  // 1 / w, diffuse / w, u / w, v / w
    const PixelContext& pc;
    const std::uint32_t* texels;
    int width, height;
    float textureAlphaWeight, diffuseAlphaWeight;

    TextureModulateShading(const PixelContext& context, const TriangleSetup& t, float dx, float dy)
        : pc(context), texels(context.texture.texels), width(context.texture.width), height(context.texture.height) {
        for (int i = 0; i < 5; ++i) {
            a[i] = At(t, ATTR_INVW + i, dx, dy);
            step[i] = t.attrStepX[ATTR_INVW + i];
        }
        const int u = ATTR_TEXCOORD + 2 * context.texcoordSet;
        for (int i = 0; i < 2; ++i) {
            a[5 + i] = At(t, u + i, dx, dy);
            step[5 + i] = t.attrStepX[u + i];
        }
        textureAlphaWeight = context.alphaFromTexture ? 1.0f : 0.0f;
        diffuseAlphaWeight = context.alphaFromDiffuse ? 1.0f : 0.0f;
    }
    void Step() {
        for (int i = 0; i < 7; ++i) a[i] += step[i];
    }
    bool Shade(float out[4]) const {
        const float w = 1.0f / a[0];
        int x = AddressTexel(TexelIndex(a[5] * w, width), width, D3DTADDRESS_WRAP);
        int y = AddressTexel(TexelIndex(a[6] * w, height), height, D3DTADDRESS_WRAP);
        std::uint32_t texel = texels[y * width + x];
        const float scale = w * BYTE_TO_UNIT;
        out[0] = static_cast<float>((texel >> 16) & 0xFF) * a[1] * scale;
        out[1] = static_cast<float>((texel >> 8) & 0xFF) * a[2] * scale;
        out[2] = static_cast<float>(texel & 0xFF) * a[3] * scale;
        float textureAlpha = static_cast<float>(texel >> 24) * BYTE_TO_UNIT;
        float diffuseAlpha = a[4] * w;
        out[3] = (textureAlpha * textureAlphaWeight + (1.0f - textureAlphaWeight)) *
                 (diffuseAlpha * diffuseAlphaWeight + (1.0f - diffuseAlphaWeight));
        return true;
    }
};

struct GeneralShading {
    static constexpr bool GENERAL = true;
    float a[ATTR_COUNT], step[ATTR_COUNT];
    const PixelContext& pc;

    GeneralShading(const PixelContext& context, const TriangleSetup& t, float dx, float dy) : pc(context) {
        for (int i = ATTR_INVW; i < ATTR_COUNT; ++i) {
            a[i] = At(t, i, dx, dy);
            step[i] = t.attrStepX[i];
        }
    }
    void Step() {
        for (int i = ATTR_INVW; i < ATTR_COUNT; ++i) a[i] += step[i];
    }
    bool Shade(float out[4]) const {
        const float w = 1.0f / a[ATTR_INVW];
        StageInputs in;
        for (int c = 0; c < 4; ++c) in.diffuse[c] = a[ATTR_DIFFUSE + c] * w;
        for (int c = 0; c < 3; ++c) in.specular[c] = a[ATTR_SPECULAR + c] * w;
        in.specular[3] = 1.0f;
        float texcoords[TEXCOORD_SET_COUNT][2];
        for (UINT s = 0; s < TEXCOORD_SET_COUNT; ++s) {
            texcoords[s][0] = a[ATTR_TEXCOORD + 2 * s] * w;
            texcoords[s][1] = a[ATTR_TEXCOORD + 2 * s + 1] * w;
        }
        RunStages(pc, in, texcoords, out);
        if (pc.addSpecular)
            for (int c = 0; c < 3; ++c) out[c] = std::min(1.0f, out[c] + in.specular[c]);
        return !pc.alphaTest || PassesAlphaTest(pc, out[3]);
    }
};

// ---- The loop -----------------------------------------------------------------------------

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {  // b > 0
    std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

template <DepthMode depthMode, class Shading, class Target>
void RasterizeTriangle(const TriangleSetup& t, const PixelContext& pc) {
    for (int y = t.minY; y <= t.maxY; ++y) {
        const std::int64_t rows = y - t.minY;
        // The covered span of this row, exactly, from the three edge functions.
        int first = t.minX, last = t.maxX;
        bool empty = false;
        for (int e = 0; e < 3; ++e) {
            std::int64_t value = t.edge[e] + t.edgeStepY[e] * rows;
            std::int64_t step = t.edgeStepX[e];
            if (step > 0) {
                std::int64_t k = -FloorDivide(value, step);  // ceil(-value / step)
                if (k > 0) first = static_cast<int>(std::max<std::int64_t>(first, t.minX + std::min<std::int64_t>(k, t.maxX - t.minX + 1)));
            } else if (step < 0) {
                std::int64_t k = FloorDivide(value, -step);
                if (k < 0) empty = true;
                else last = static_cast<int>(std::min<std::int64_t>(last, t.minX + std::min<std::int64_t>(k, t.maxX - t.minX)));
            } else if (value < 0) {
                empty = true;
            }
        }
        if (empty || first > last) continue;

        const float dx = static_cast<float>(first - t.minX), dy = static_cast<float>(rows);
        float z = At(t, ATTR_Z, dx, dy);
        const float zStep = t.attrStepX[ATTR_Z];
        Shading shading(pc, t, dx, dy);
        BYTE* colorRow = pc.color + static_cast<size_t>(y) * pc.colorPitch;
        std::uint16_t* depthRow = depthMode == DepthMode::None
                                      ? nullptr
                                      : reinterpret_cast<std::uint16_t*>(pc.depth + static_cast<size_t>(y) * pc.depthPitch);
        for (int x = first; x <= last; ++x, z += zStep, shading.Step()) {
            std::uint32_t depth = 0;
            if constexpr (depthMode != DepthMode::None) {
                depth = QuantizeDepth(z);
                const std::uint32_t stored = depthRow[x];
                const unsigned relation = depth < stored ? 0u : (depth == stored ? 1u : 2u);
                if (!((pc.depthPass >> relation) & 1u)) continue;
            }
            float color[4];
            if (!shading.Shade(color)) continue;
            if constexpr (Shading::GENERAL) {
                if (pc.alphaBlend) BlendWithTarget(pc, Target::Read(colorRow, x), color);
            }
            Target::Write(colorRow, x, PackArgb(color));
            if constexpr (depthMode == DepthMode::TestWrite) depthRow[x] = static_cast<std::uint16_t>(depth);
        }
    }
}

template <DepthMode depthMode, class Shading>
TriangleRasterizer ForTarget(TargetKind target) {
    switch (target) {
    case TargetKind::Argb32: return &RasterizeTriangle<depthMode, Shading, Argb32>;
    case TargetKind::Xrgb32: return &RasterizeTriangle<depthMode, Shading, Xrgb32>;
    case TargetKind::Rgb565: return &RasterizeTriangle<depthMode, Shading, Rgb565>;
    case TargetKind::Xrgb1555: return &RasterizeTriangle<depthMode, Shading, Rgb1555<false>>;
    case TargetKind::Argb1555: return &RasterizeTriangle<depthMode, Shading, Rgb1555<true>>;
    }
    return nullptr;
}

template <DepthMode depthMode>
TriangleRasterizer ForShading(ShadingKind shading, TargetKind target) {
    switch (shading) {
    case ShadingKind::Diffuse: return ForTarget<depthMode, DiffuseShading>(target);
    case ShadingKind::TextureModulate: return ForTarget<depthMode, TextureModulateShading>(target);
    case ShadingKind::General: return ForTarget<depthMode, GeneralShading>(target);
    }
    return nullptr;
}

}  // namespace

TriangleRasterizer ChooseTriangleRasterizer(ShadingKind shading, DepthMode depth, TargetKind target) {
    switch (depth) {
    case DepthMode::None: return ForShading<DepthMode::None>(shading, target);
    case DepthMode::Test: return ForShading<DepthMode::Test>(shading, target);
    case DepthMode::TestWrite: return ForShading<DepthMode::TestWrite>(shading, target);
    }
    return nullptr;
}

int AttributesUsed(ShadingKind shading, int texcoordSets) {
    switch (shading) {
    case ShadingKind::Diffuse: return ATTR_DIFFUSE + 4;
    case ShadingKind::TextureModulate: return ATTR_TEXCOORD + 2 * texcoordSets;
    default: return ATTR_COUNT;
    }
}
