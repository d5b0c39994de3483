// The tween-cube scene's fixed data: the vertex layout and its shader declaration, the
// cube's 14 vertices, the index lists of its two halves, the tween-factor table and the
// process-wide rotation angles.
#pragma once

#include "platform/d3d8.h"

// One vertex: the first position (tween factor 0), the texture coordinate of stage 0 and
// the second position (tween factor 1). No normal, no colour.
struct CubeVertex {
    float x, y, z;
    float u, v;
    float x2, y2, z2;
};
static_assert(sizeof(CubeVertex) == 32);

constexpr int CUBE_VERTEX_COUNT = 14;
constexpr int CUBE_HALF_INDEX_COUNT = 18;
constexpr int TWEEN_STEP_COUNT = 20;
constexpr double TWEEN_STEP_MILLISECONDS = 50.0;

// Stream 0 holds position, texture coordinate and second position, in that order.
constexpr DWORD CubeVertexDeclaration[] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
    D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT2),
    D3DVSD_REG(D3DVSDE_POSITION2, D3DVSDT_FLOAT3),
    D3DVSD_END(),
};
static_assert(CubeVertexDeclaration[1] == 0x40020000u && CubeVertexDeclaration[2] == 0x40010007u &&
              CubeVertexDeclaration[3] == 0x4002000Fu);

extern const CubeVertex CubeVertices[CUBE_VERTEX_COUNT];
// The first half (faces z = 1, x = -1, y = -1) and the second (z = -1, x = 1, y = 1).
extern const WORD CubeIndicesA[CUBE_HALF_INDEX_COUNT];
extern const WORD CubeIndicesB[CUBE_HALF_INDEX_COUNT];
// Rises from 0 to 1 and falls back, one entry per 50 ms step.
extern const float TweenFactors[TWEEN_STEP_COUNT];

// The cube's turn about Y, X and Z, in radians. Kept for the whole process: a device
// recovery does not reset them.
extern float angleA;
extern float angleB;
extern float angleC;
