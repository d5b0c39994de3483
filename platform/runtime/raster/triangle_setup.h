// Triangle setup: projection of clipped vertices to the screen, snapping to sub-pixel
// positions, culling, the three edge functions with the top-left fill rule, and the
// plane equations of the interpolated attributes.
#pragma once

#include <cstdint>

#include "platform/runtime/raster/raster_types.h"

// Screen positions are snapped to 1/16 pixel.
constexpr int SUBPIXEL_BITS = 4;
constexpr int SUBPIXEL_ONE = 1 << SUBPIXEL_BITS;

struct ViewportMapping {
    float x;       // viewport X + Width / 2
    float y;       // viewport Y + Height / 2
    float halfWidth;
    float halfHeight;
    float minZ;
    float zScale;  // MaxZ - MinZ
};

ViewportMapping MakeViewportMapping(const D3DVIEWPORT8& viewport);

// Clip space to screen: divides by w and carries every other attribute over as value / w.
void ProjectVertex(const ClipVertex& v, const ViewportMapping& mapping, ScreenVertex* out);
// A pretransformed vertex (screen x, y, z and 1 / w) as a screen vertex.
void ScreenVertexFromPretransformed(const ClipVertex& v, ScreenVertex* out);

struct TriangleSetup {
    int minX, minY, maxX, maxY;   // pixels that may be covered, inclusive
    // Edge functions at pixel (minX, minY) and their steps per pixel; a pixel is inside
    // when all three are >= 0 (the top-left rule is folded into the start values).
    std::int64_t edge[3];
    std::int64_t edgeStepX[3];
    std::int64_t edgeStepY[3];
    // Attribute values at pixel (minX, minY) and their steps per pixel.
    float attr[ATTR_COUNT];
    float attrStepX[ATTR_COUNT];
    float attrStepY[ATTR_COUNT];
};

// Sets up the triangle for the pixels inside `scissor`. False when it covers none of
// them, is degenerate, lies beyond the range of snapped coordinates, or is culled
// (D3DCULL_CW drops clockwise triangles, D3DCULL_CCW counterclockwise ones, as seen on
// the screen). Only the first `attrCount` attributes get plane equations; `flat` gives
// every pixel the colours of v0.
bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, DWORD cullMode,
                   const ScissorRect& scissor, int attrCount, bool flat, TriangleSetup* out);
