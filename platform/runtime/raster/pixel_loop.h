// The pixel loop: walks the covered pixels of one set-up triangle, tests and writes
// depth, shades and writes colour. One loop is chosen per draw from the draw's state;
// nothing inside it allocates, calls virtually or re-decides the state per pixel.
#pragma once

#include <cstdint>

#include "platform/runtime/raster/texture_stages.h"
#include "platform/runtime/raster/triangle_setup.h"

// The stage state of the general shading path, copied per draw.
struct StageProgram {
    DWORD colorOp, colorArg[3];   // arg[0] is ARG0, then ARG1, ARG2
    DWORD alphaOp, alphaArg[3];
    DWORD resultArg;
    int texcoordSet;
    bool hasTexture;
    SampledTexture texture;
};

enum class ShadingKind {
    Diffuse,          // the interpolated diffuse colour
    TextureModulate,  // stage 0: point-sampled, wrapped texture times diffuse
    General,          // every stage, filtering, specular, alpha test and blending
};

enum class DepthMode { None, Test, TestWrite };

enum class TargetKind { Argb32, Xrgb32, Rgb565, Xrgb1555, Argb1555 };

struct PixelContext {
    BYTE* color = nullptr;
    UINT colorPitch = 0;
    BYTE* depth = nullptr;
    UINT depthPitch = 0;
    unsigned depthPass = 0;   // bit 0: passes when less, bit 1: equal, bit 2: greater

    // Diffuse and TextureModulate: alpha = (ta if alphaFromTexture else 1) x (da if
    // alphaFromDiffuse else 1).
    bool alphaFromTexture = false;
    bool alphaFromDiffuse = false;
    SampledTexture texture;   // TextureModulate
    int texcoordSet = 0;      // TextureModulate

    // General.
    StageProgram stages[TEXTURE_STAGE_COUNT];
    int stageCount = 0;
    D3DCOLOR textureFactor = 0;
    bool addSpecular = false;
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    int alphaRef = 0;
    bool alphaBlend = false;
    DWORD sourceBlend = D3DBLEND_ONE;
    DWORD destBlend = D3DBLEND_ZERO;
};

using TriangleRasterizer = void (*)(const TriangleSetup& triangle, const PixelContext& context);

// The loop for one draw; null for a target kind it cannot write.
TriangleRasterizer ChooseTriangleRasterizer(ShadingKind shading, DepthMode depth, TargetKind target);

// How many attributes a shading kind reads (the rest need no plane equations).
int AttributesUsed(ShadingKind shading, int texcoordSets);
