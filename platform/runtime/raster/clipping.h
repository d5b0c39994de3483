// Clipping of triangles in homogeneous clip space: 0 <= z <= w, w > 0, and x, y within
// a guard band of the viewport, so that the rasterizer only ever sees finite screen
// coordinates of bounded size.
#pragma once

#include "platform/runtime/raster/raster_types.h"

// A triangle clipped by seven planes gains at most one vertex per plane.
constexpr int MAX_CLIPPED_VERTICES = 3 + 7;

// |x| <= guardX * w and |y| <= guardY * w bound the guard band.
struct ClipBounds {
    float guardX;
    float guardY;
};

// Bit per plane that the vertex lies outside of; 0 means inside all of them.
unsigned ClipOutcode(const ClipVertex& v, const ClipBounds& bounds);

// Clips the triangle a, b, c into a convex polygon written to `out` in the same winding;
// returns its vertex count (0 when nothing is left). Callers pass triangles whose
// outcodes show they cross a plane; wholly inside or outside triangles need no clipping.
int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipBounds& bounds,
                 ClipVertex out[MAX_CLIPPED_VERTICES]);
