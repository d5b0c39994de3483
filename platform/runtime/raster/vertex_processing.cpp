#include "platform/runtime/raster/vertex_processing.h"

#include <cmath>
#include <cstring>

namespace {

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// n' = n x (M^-1)^T: the cofactor matrix over the determinant. A singular matrix keeps
// its own upper 3 x 3.
void MakeNormalMatrix(const D3DMATRIX& m, float out[3][3]) {
    float cofactor[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cofactor[i][j] = m.m[i1][j1] * m.m[i2][j2] - m.m[i1][j2] * m.m[i2][j1];
        }
    }
    float determinant = m.m[0][0] * cofactor[0][0] + m.m[0][1] * cofactor[0][1] + m.m[0][2] * cofactor[0][2];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i][j] = std::fabs(determinant) > 1e-20f ? cofactor[i][j] / determinant : m.m[i][j];
}

float FloatFromBits(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool Read(const VertexLayout& layout, const BYTE* const* streams, DWORD reg, float out[4]) {
    if (!layout.present[reg]) return false;
    const VertexElement& element = layout.elements[reg];
    ReadVertexElement(streams[element.stream] + element.offset, element.type, out);
    return true;
}

}  // namespace

void PrepareVertexProcessing(DeviceContext& context, const VertexLayout& layout, VertexProcessingState* state) {
    const D3DMATRIX& world = context.Transform(D3DTS_WORLD);
    const D3DMATRIX& view = context.Transform(D3DTS_VIEW);
    const D3DMATRIX& projection = context.Transform(D3DTS_PROJECTION);
    state->worldView = Multiply(world, view);
    state->worldViewProjection = Multiply(state->worldView, projection);
    MakeNormalMatrix(state->worldView, state->normalMatrix);
    state->tween = context.RenderState(D3DRS_VERTEXBLEND) == D3DVBF_TWEENING && layout.present[D3DVSDE_POSITION2];
    state->tweenFactor = FloatFromBits(context.RenderState(D3DRS_TWEENFACTOR));
    state->lighting = !layout.pretransformed && context.RenderState(D3DRS_LIGHTING) != 0;
    if (state->lighting) PrepareLighting(context, view, &state->lightingState);
}

void ProcessVertex(const VertexProcessingState& state, const VertexLayout& layout, const BYTE* const* streams,
                   ClipVertex* out) {
    float position[4];
    Read(layout, streams, D3DVSDE_POSITION, position);
    float diffuse[4];
    float specular[4];
    bool hasDiffuse = Read(layout, streams, D3DVSDE_DIFFUSE, diffuse);
    bool hasSpecular = Read(layout, streams, D3DVSDE_SPECULAR, specular);
    for (UINT set = 0; set < TEXCOORD_SET_COUNT; ++set) {
        float texcoord[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        Read(layout, streams, D3DVSDE_TEXCOORD0 + set, texcoord);
        out->texcoord[set][0] = texcoord[0];
        out->texcoord[set][1] = texcoord[1];
    }

    if (layout.pretransformed) {
        std::memcpy(out->position, position, sizeof position);
        for (int c = 0; c < 4; ++c) {
            out->diffuse[c] = hasDiffuse ? diffuse[c] : 1.0f;
            out->specular[c] = hasSpecular ? specular[c] : 0.0f;
        }
        return;
    }

    float normal[4];
    bool hasNormal = Read(layout, streams, D3DVSDE_NORMAL, normal);
    if (state.tween) {
        const float f = state.tweenFactor;
        float second[4];
        Read(layout, streams, D3DVSDE_POSITION2, second);
        for (int c = 0; c < 3; ++c) position[c] = position[c] * (1.0f - f) + second[c] * f;
        if (hasNormal && Read(layout, streams, D3DVSDE_NORMAL2, second))
            for (int c = 0; c < 3; ++c) normal[c] = normal[c] * (1.0f - f) + second[c] * f;
    }

    // Positions are points: w = 1 whatever the declaration gave.
    const D3DMATRIX& m = state.worldViewProjection;
    for (int c = 0; c < 4; ++c)
        out->position[c] = position[0] * m.m[0][c] + position[1] * m.m[1][c] + position[2] * m.m[2][c] + m.m[3][c];

    if (!state.lighting) {
        for (int c = 0; c < 4; ++c) {
            out->diffuse[c] = hasDiffuse ? diffuse[c] : 1.0f;
            out->specular[c] = hasSpecular ? specular[c] : 0.0f;
        }
        return;
    }
    const D3DMATRIX& wv = state.worldView;
    float cameraPosition[3];
    for (int c = 0; c < 3; ++c)
        cameraPosition[c] = position[0] * wv.m[0][c] + position[1] * wv.m[1][c] + position[2] * wv.m[2][c] + wv.m[3][c];
    float cameraNormal[3];
    if (hasNormal) {
        const auto& n = state.normalMatrix;
        for (int c = 0; c < 3; ++c) cameraNormal[c] = normal[0] * n[0][c] + normal[1] * n[1][c] + normal[2] * n[2][c];
    }
    LightVertex(state.lightingState, cameraPosition, hasNormal ? cameraNormal : nullptr,
                hasDiffuse ? diffuse : nullptr, hasSpecular ? specular : nullptr, out->diffuse, out->specular);
}
