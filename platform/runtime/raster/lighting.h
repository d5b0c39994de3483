// Fixed-function vertex lighting in camera space: material and its colour sources,
// global ambient, directional, point and spot lights.
#pragma once

#include <vector>

#include "platform/runtime/draw_pipeline.h"

struct PreparedLight {
    D3DLIGHTTYPE type;
    float diffuse[3];
    float specular[3];
    float ambient[3];
    float position[3];     // camera space (point and spot)
    float toLight[3];      // camera space, unit length (directional and spot: -direction)
    float range;
    float attenuation[3];
    float cosHalfTheta;    // spot inner cone
    float cosHalfPhi;      // spot outer cone
    float falloff;
};

struct LightingState {
    std::vector<PreparedLight> lights;
    float globalAmbient[3];
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float power;
    DWORD diffuseSource;   // D3DMCS_*
    DWORD ambientSource;
    DWORD specularSource;
    DWORD emissiveSource;
    bool localViewer;
    bool normalizeNormals;
};

// Reads lights, material and the lighting render states; `view` turns world-space light
// positions and directions into camera space.
void PrepareLighting(DeviceContext& context, const D3DMATRIX& view, LightingState* state);

// The lit diffuse (r, g, b, a) and specular (r, g, b) of one vertex. `normal` is null for a
// vertex without one: it gets no diffuse or specular light from the lights, only ambient
// and emissive. `vertexDiffuse` / `vertexSpecular` are null when the vertex has no colour.
void LightVertex(const LightingState& state, const float position[3], const float* normal,
                 const float* vertexDiffuse, const float* vertexSpecular, float diffuseOut[4], float specularOut[4]);
