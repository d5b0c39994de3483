// The records that pass between the stages of the rasterizer: vertices after vertex
// processing (clip space), vertices after projection (screen space), and the layout of
// the attributes that the pixel loop interpolates.
#pragma once

#include "platform/runtime/raster/vertex_layout.h"

// A processed vertex. Transformed vertices hold clip-space (x, y, z, w); pretransformed
// ones hold screen x, y, z and 1 / w. Colours are in 0..1.
struct ClipVertex {
    float position[4];
    float diffuse[4];
    float specular[4];
    float texcoord[TEXCOORD_SET_COUNT][2];
};
constexpr int CLIP_VERTEX_FLOATS = static_cast<int>(sizeof(ClipVertex) / sizeof(float));

// Interpolated attributes: depth (affine in screen space), 1 / w, then everything else
// divided by w so that it interpolates perspective-correctly.
constexpr int ATTR_Z = 0;
constexpr int ATTR_INVW = 1;
constexpr int ATTR_DIFFUSE = 2;   // r, g, b, a
constexpr int ATTR_SPECULAR = 6;  // r, g, b
constexpr int ATTR_TEXCOORD = 9;  // u, v per set
constexpr int ATTR_COUNT = ATTR_TEXCOORD + 2 * static_cast<int>(TEXCOORD_SET_COUNT);

struct ScreenVertex {
    float x;  // pixels; pixel centres lie on integer coordinates
    float y;
    float attr[ATTR_COUNT];
};

// The pixels a draw may touch: the viewport clipped to the render target, half-open.
struct ScissorRect {
    int left;
    int top;
    int right;
    int bottom;
};
