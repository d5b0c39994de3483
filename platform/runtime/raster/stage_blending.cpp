#include "platform/runtime/raster/stage_blending.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float BYTE_TO_UNIT = 1.0f / 255.0f;

void Unpack(std::uint32_t argb, float out[4]) {
    out[0] = static_cast<float>((argb >> 16) & 0xFF) * BYTE_TO_UNIT;
    out[1] = static_cast<float>((argb >> 8) & 0xFF) * BYTE_TO_UNIT;
    out[2] = static_cast<float>(argb & 0xFF) * BYTE_TO_UNIT;
    out[3] = static_cast<float>(argb >> 24) * BYTE_TO_UNIT;
}

void FetchTexel(const SampledTexture& t, int x, int y, float out[4]) {
    x = AddressTexel(x, t.width, t.addressU);
    y = AddressTexel(y, t.height, t.addressV);
    if (x < 0 || y < 0)
        Unpack(t.borderColor, out);
    else
        Unpack(t.texels[y * t.width + x], out);
}

float Saturate(float v) { return std::min(1.0f, std::max(0.0f, v)); }

struct StageRegisters {
    const StageInputs& in;
    float current[4];
    float temp[4];
    float texture[4];
    float factor[4];
};

// One argument with its modifiers.
void ReadArgument(DWORD argument, const StageRegisters& r, float out[4]) {
    const float* source;
    switch (argument & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: source = r.in.diffuse; break;
    case D3DTA_CURRENT: source = r.current; break;
    case D3DTA_TEXTURE: source = r.texture; break;
    case D3DTA_TFACTOR: source = r.factor; break;
    case D3DTA_SPECULAR: source = r.in.specular; break;
    case D3DTA_TEMP: source = r.temp; break;
    default: source = r.current; break;
    }
    for (int c = 0; c < 4; ++c) out[c] = source[c];
    if (argument & D3DTA_ALPHAREPLICATE) out[0] = out[1] = out[2] = out[3];
    if (argument & D3DTA_COMPLEMENT)
        for (int c = 0; c < 4; ++c) out[c] = 1.0f - out[c];
}

// Applies one operation to channels [first, last) of the arguments; a0 is ARG0.
void Operate(DWORD op, const float a0[4], const float a1[4], const float a2[4], const StageRegisters& r, int first,
             int last, float out[4]) {
    for (int c = first; c < last; ++c) {
        float x = a1[c], y = a2[c], v;
        switch (op) {
        case D3DTOP_SELECTARG1: v = x; break;
        case D3DTOP_SELECTARG2: v = y; break;
        case D3DTOP_MODULATE: v = x * y; break;
        case D3DTOP_MODULATE2X: v = 2.0f * x * y; break;
        case D3DTOP_MODULATE4X: v = 4.0f * x * y; break;
        case D3DTOP_ADD: v = x + y; break;
        case D3DTOP_ADDSIGNED: v = x + y - 0.5f; break;
        case D3DTOP_ADDSIGNED2X: v = 2.0f * (x + y - 0.5f); break;
        case D3DTOP_SUBTRACT: v = x - y; break;
        case D3DTOP_ADDSMOOTH: v = x + y - x * y; break;
        case D3DTOP_BLENDDIFFUSEALPHA: v = x * r.in.diffuse[3] + y * (1.0f - r.in.diffuse[3]); break;
        case D3DTOP_BLENDTEXTUREALPHA: v = x * r.texture[3] + y * (1.0f - r.texture[3]); break;
        case D3DTOP_BLENDFACTORALPHA: v = x * r.factor[3] + y * (1.0f - r.factor[3]); break;
        case D3DTOP_BLENDCURRENTALPHA: v = x * r.current[3] + y * (1.0f - r.current[3]); break;
        case D3DTOP_BLENDTEXTUREALPHAPM: v = x + y * (1.0f - r.texture[3]); break;
        case D3DTOP_MODULATEALPHA_ADDCOLOR: v = c < 3 ? x + a1[3] * y : x; break;
        case D3DTOP_MODULATECOLOR_ADDALPHA: v = c < 3 ? x * y + a1[3] : x; break;
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR: v = c < 3 ? (1.0f - a1[3]) * y + x : x; break;
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA: v = c < 3 ? (1.0f - x) * y + a1[3] : x; break;
        case D3DTOP_DOTPRODUCT3: {
            float dot = 0.0f;
            for (int k = 0; k < 3; ++k) dot += (a1[k] - 0.5f) * (a2[k] - 0.5f) * 4.0f;
            v = dot;
            break;
        }
        case D3DTOP_MULTIPLYADD: v = a0[c] + x * y; break;
        case D3DTOP_LERP: v = a0[c] * x + (1.0f - a0[c]) * y; break;
        default: v = x; break;  // premodulation and bump mapping are not modelled
        }
        out[c] = Saturate(v);
    }
}

float BlendFactor(DWORD blend, const float source[4], const float destination[4], int c) {
    switch (blend) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return source[c];
    case D3DBLEND_INVSRCCOLOR: return 1.0f - source[c];
    case D3DBLEND_SRCALPHA: return source[3];
    case D3DBLEND_INVSRCALPHA: return 1.0f - source[3];
    case D3DBLEND_DESTALPHA: return destination[3];
    case D3DBLEND_INVDESTALPHA: return 1.0f - destination[3];
    case D3DBLEND_DESTCOLOR: return destination[c];
    case D3DBLEND_INVDESTCOLOR: return 1.0f - destination[c];
    case D3DBLEND_SRCALPHASAT: return c < 3 ? std::min(source[3], 1.0f - destination[3]) : 1.0f;
    default: return 1.0f;
    }
}

}  // namespace

void SampleTexture(const SampledTexture& t, float u, float v, float out[4]) {
    if (!t.linear) {
        FetchTexel(t, TexelIndex(u, t.width), TexelIndex(v, t.height), out);
        return;
    }
    // Texel centres lie at half-integer positions of u * width.
    float s = u * static_cast<float>(t.width) - 0.5f;
    float r = v * static_cast<float>(t.height) - 0.5f;
    s = std::min(1073741824.0f, std::max(-1073741824.0f, std::isnan(s) ? 0.0f : s));
    r = std::min(1073741824.0f, std::max(-1073741824.0f, std::isnan(r) ? 0.0f : r));
    float fs = std::floor(s), fr = std::floor(r);
    int x = static_cast<int>(fs), y = static_cast<int>(fr);
    float wx = s - fs, wy = r - fr;
    float t00[4], t10[4], t01[4], t11[4];
    FetchTexel(t, x, y, t00);
    FetchTexel(t, x + 1, y, t10);
    FetchTexel(t, x, y + 1, t01);
    FetchTexel(t, x + 1, y + 1, t11);
    for (int c = 0; c < 4; ++c) {
        float top = t00[c] + (t10[c] - t00[c]) * wx;
        float bottom = t01[c] + (t11[c] - t01[c]) * wx;
        out[c] = top + (bottom - top) * wy;
    }
}

void RunStages(const PixelContext& pc, const StageInputs& in, const float texcoords[][2], float out[4]) {
    StageRegisters r{in, {}, {}, {}, {}};
    for (int c = 0; c < 4; ++c) {
        r.current[c] = in.diffuse[c];
        r.temp[c] = 0.0f;
    }
    Unpack(pc.textureFactor, r.factor);
    for (int s = 0; s < pc.stageCount; ++s) {
        const StageProgram& stage = pc.stages[s];
        if (stage.hasTexture) {
            SampleTexture(stage.texture, texcoords[stage.texcoordSet][0], texcoords[stage.texcoordSet][1], r.texture);
        } else {
            // A stage without a texture reads it as opaque white.
            r.texture[0] = r.texture[1] = r.texture[2] = r.texture[3] = 1.0f;
        }
        float c0[4], c1[4], c2[4], a0[4], a1[4], a2[4], result[4];
        ReadArgument(stage.colorArg[0], r, c0);
        ReadArgument(stage.colorArg[1], r, c1);
        ReadArgument(stage.colorArg[2], r, c2);
        Operate(stage.colorOp, c0, c1, c2, r, 0, 3, result);
        if (stage.colorOp == D3DTOP_DOTPRODUCT3) {
            result[3] = result[0];
        } else if (stage.alphaOp == D3DTOP_DISABLE) {
            result[3] = r.current[3];
        } else {
            ReadArgument(stage.alphaArg[0], r, a0);
            ReadArgument(stage.alphaArg[1], r, a1);
            ReadArgument(stage.alphaArg[2], r, a2);
            Operate(stage.alphaOp, a0, a1, a2, r, 3, 4, result);
        }
        float* destination = (stage.resultArg & D3DTA_SELECTMASK) == D3DTA_TEMP ? r.temp : r.current;
        for (int c = 0; c < 4; ++c) destination[c] = result[c];
    }
    for (int c = 0; c < 4; ++c) out[c] = r.current[c];
}

bool PassesAlphaTest(const PixelContext& pc, float alpha) {
    int value = static_cast<int>(Saturate(alpha) * 255.0f + 0.5f);
    int reference = pc.alphaRef;
    switch (pc.alphaFunc) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < reference;
    case D3DCMP_EQUAL: return value == reference;
    case D3DCMP_LESSEQUAL: return value <= reference;
    case D3DCMP_GREATER: return value > reference;
    case D3DCMP_NOTEQUAL: return value != reference;
    case D3DCMP_GREATEREQUAL: return value >= reference;
    default: return true;
    }
}

void BlendWithTarget(const PixelContext& pc, std::uint32_t destination, float color[4]) {
    float d[4], s[4];
    Unpack(destination, d);
    for (int c = 0; c < 4; ++c) s[c] = Saturate(color[c]);
    for (int c = 0; c < 4; ++c)
        color[c] = Saturate(s[c] * BlendFactor(pc.sourceBlend, s, d, c) + d[c] * BlendFactor(pc.destBlend, s, d, c));
}
