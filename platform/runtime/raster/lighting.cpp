#include "platform/runtime/raster/lighting.h"

#include <algorithm>
#include <cmath>

namespace {

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalize(float v[3]) {
    float length = std::sqrt(Dot(v, v));
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

void TransformPoint(const float p[3], const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = p[0] * m.m[0][c] + p[1] * m.m[1][c] + p[2] * m.m[2][c] + m.m[3][c];
}

void TransformDirection(const float d[3], const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = d[0] * m.m[0][c] + d[1] * m.m[1][c] + d[2] * m.m[2][c];
}

void CopyRgb(const D3DCOLORVALUE& color, float out[3]) {
    out[0] = color.r;
    out[1] = color.g;
    out[2] = color.b;
}

// The material colour a source selects: the vertex's first or second colour when the
// vertex has it, the material's own otherwise.
const float* SourceColor(DWORD source, const float* materialColor, const float* vertexDiffuse,
                         const float* vertexSpecular) {
    if (source == D3DMCS_COLOR1 && vertexDiffuse) return vertexDiffuse;
    if (source == D3DMCS_COLOR2 && vertexSpecular) return vertexSpecular;
    return materialColor;
}

float Saturate(float v) { return std::min(1.0f, std::max(0.0f, v)); }

}  // namespace

void PrepareLighting(DeviceContext& context, const D3DMATRIX& view, LightingState* state) {
    state->lights.clear();
    for (UINT i = 0; i < context.LightCount(); ++i) {
        BOOL enabled = FALSE;
        const D3DLIGHT8& light = context.Light(i, &enabled);
        if (!enabled) continue;
        if (light.Type != D3DLIGHT_DIRECTIONAL && light.Type != D3DLIGHT_POINT && light.Type != D3DLIGHT_SPOT)
            continue;
        PreparedLight prepared = {};
        prepared.type = light.Type;
        CopyRgb(light.Diffuse, prepared.diffuse);
        CopyRgb(light.Specular, prepared.specular);
        CopyRgb(light.Ambient, prepared.ambient);
        float position[3] = {light.Position.x, light.Position.y, light.Position.z};
        TransformPoint(position, view, prepared.position);
        float direction[3] = {-light.Direction.x, -light.Direction.y, -light.Direction.z};
        TransformDirection(direction, view, prepared.toLight);
        Normalize(prepared.toLight);
        prepared.range = light.Range;
        prepared.attenuation[0] = light.Attenuation0;
        prepared.attenuation[1] = light.Attenuation1;
        prepared.attenuation[2] = light.Attenuation2;
        prepared.cosHalfTheta = std::cos(light.Theta * 0.5f);
        prepared.cosHalfPhi = std::cos(light.Phi * 0.5f);
        prepared.falloff = light.Falloff;
        state->lights.push_back(prepared);
    }
    D3DCOLOR ambient = context.RenderState(D3DRS_AMBIENT);
    state->globalAmbient[0] = static_cast<float>((ambient >> 16) & 0xFF) / 255.0f;
    state->globalAmbient[1] = static_cast<float>((ambient >> 8) & 0xFF) / 255.0f;
    state->globalAmbient[2] = static_cast<float>(ambient & 0xFF) / 255.0f;
    const D3DMATERIAL8& material = context.Material();
    auto copy = [](const D3DCOLORVALUE& color, float out[4]) {
        out[0] = color.r;
        out[1] = color.g;
        out[2] = color.b;
        out[3] = color.a;
    };
    copy(material.Diffuse, state->materialDiffuse);
    copy(material.Ambient, state->materialAmbient);
    copy(material.Specular, state->materialSpecular);
    copy(material.Emissive, state->materialEmissive);
    state->power = material.Power;
    bool colorVertex = context.RenderState(D3DRS_COLORVERTEX) != 0;
    auto source = [&](D3DRENDERSTATETYPE rs) { return colorVertex ? context.RenderState(rs) : DWORD(D3DMCS_MATERIAL); };
    state->diffuseSource = source(D3DRS_DIFFUSEMATERIALSOURCE);
    state->ambientSource = source(D3DRS_AMBIENTMATERIALSOURCE);
    state->specularSource = source(D3DRS_SPECULARMATERIALSOURCE);
    state->emissiveSource = source(D3DRS_EMISSIVEMATERIALSOURCE);
    state->localViewer = context.RenderState(D3DRS_LOCALVIEWER) != 0;
    state->normalizeNormals = context.RenderState(D3DRS_NORMALIZENORMALS) != 0;
}

void LightVertex(const LightingState& state, const float position[3], const float* normal,
                 const float* vertexDiffuse, const float* vertexSpecular, float diffuseOut[4], float specularOut[4]) {
    const float* materialDiffuse = SourceColor(state.diffuseSource, state.materialDiffuse, vertexDiffuse, vertexSpecular);
    const float* materialAmbient = SourceColor(state.ambientSource, state.materialAmbient, vertexDiffuse, vertexSpecular);
    const float* materialSpecular =
        SourceColor(state.specularSource, state.materialSpecular, vertexDiffuse, vertexSpecular);
    const float* materialEmissive =
        SourceColor(state.emissiveSource, state.materialEmissive, vertexDiffuse, vertexSpecular);

    float ambient[3] = {state.globalAmbient[0], state.globalAmbient[1], state.globalAmbient[2]};
    float diffuse[3] = {0.0f, 0.0f, 0.0f};
    float specular[3] = {0.0f, 0.0f, 0.0f};

    float n[3] = {0.0f, 0.0f, 0.0f};
    if (normal) {
        n[0] = normal[0];
        n[1] = normal[1];
        n[2] = normal[2];
        if (state.normalizeNormals) Normalize(n);
    }
    float toViewer[3] = {0.0f, 0.0f, -1.0f};
    if (state.localViewer) {
        toViewer[0] = -position[0];
        toViewer[1] = -position[1];
        toViewer[2] = -position[2];
        Normalize(toViewer);
    }

    for (const PreparedLight& light : state.lights) {
        float toLight[3];
        float attenuation = 1.0f;
        if (light.type == D3DLIGHT_DIRECTIONAL) {
            toLight[0] = light.toLight[0];
            toLight[1] = light.toLight[1];
            toLight[2] = light.toLight[2];
        } else {
            for (int c = 0; c < 3; ++c) toLight[c] = light.position[c] - position[c];
            float distance = std::sqrt(Dot(toLight, toLight));
            if (distance > light.range) continue;
            Normalize(toLight);
            float denominator =
                light.attenuation[0] + light.attenuation[1] * distance + light.attenuation[2] * distance * distance;
            attenuation = denominator > 0.0f ? 1.0f / denominator : 1.0f;
            if (light.type == D3DLIGHT_SPOT) {
                float rho = Dot(toLight, light.toLight);
                if (rho <= light.cosHalfPhi) {
                    attenuation = 0.0f;
                } else if (rho < light.cosHalfTheta) {
                    float t = (rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi);
                    attenuation *= light.falloff == 1.0f ? t : std::pow(t, light.falloff);
                }
            }
        }
        for (int c = 0; c < 3; ++c) ambient[c] += light.ambient[c] * attenuation;
        if (!normal) continue;
        float lambert = Dot(n, toLight);
        if (lambert <= 0.0f) continue;
        for (int c = 0; c < 3; ++c) diffuse[c] += light.diffuse[c] * lambert * attenuation;
        float halfway[3] = {toLight[0] + toViewer[0], toLight[1] + toViewer[1], toLight[2] + toViewer[2]};
        Normalize(halfway);
        float highlight = Dot(n, halfway);
        if (highlight > 0.0f) {
            float power = state.power > 0.0f ? std::pow(highlight, state.power) : 1.0f;
            for (int c = 0; c < 3; ++c) specular[c] += light.specular[c] * power * attenuation;
        }
    }

    for (int c = 0; c < 3; ++c) {
        diffuseOut[c] = Saturate(materialEmissive[c] + materialAmbient[c] * ambient[c] + materialDiffuse[c] * diffuse[c]);
        specularOut[c] = Saturate(materialSpecular[c] * specular[c]);
    }
    diffuseOut[3] = Saturate(materialDiffuse[3]);
    specularOut[3] = 0.0f;
}
