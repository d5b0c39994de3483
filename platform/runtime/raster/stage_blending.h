// The general shading path's per-pixel work: texture sampling with every addressing
// mode and bilinear filtering, the texture stage operations, the alpha test and alpha
// blending with the render target.
#pragma once

#include "platform/runtime/raster/pixel_loop.h"

struct StageInputs {
    float diffuse[4];
    float specular[4];
};

// Samples a texture at (u, v) into r, g, b, a.
void SampleTexture(const SampledTexture& texture, float u, float v, float out[4]);

// Runs the enabled stages in order and writes the final colour.
void RunStages(const PixelContext& pc, const StageInputs& in, const float texcoords[][2], float out[4]);

bool PassesAlphaTest(const PixelContext& pc, float alpha);

// Replaces `color` with its blend with the target pixel `destination` (A8R8G8B8).
void BlendWithTarget(const PixelContext& pc, std::uint32_t destination, float color[4]);
