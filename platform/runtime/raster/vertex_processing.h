// Vertex processing: fetching the registers a layout names from the streams, tweening,
// the world / view / projection transform for row vectors, and lighting.
#pragma once

#include "platform/runtime/raster/lighting.h"
#include "platform/runtime/raster/raster_types.h"

struct VertexProcessingState {
    D3DMATRIX worldViewProjection;
    D3DMATRIX worldView;
    float normalMatrix[3][3];  // inverse transpose of worldView's upper 3 x 3
    bool tween;                // blend POSITION with POSITION2 (and NORMAL with NORMAL2)
    float tweenFactor;
    bool lighting;
    LightingState lightingState;
};

// Reads the transforms and render states of one draw.
void PrepareVertexProcessing(DeviceContext& context, const VertexLayout& layout, VertexProcessingState* state);

// Processes one vertex; `streams[s]` points at the vertex's bytes in stream s (only the
// streams the layout reads need be set).
void ProcessVertex(const VertexProcessingState& state, const VertexLayout& layout, const BYTE* const* streams,
                   ClipVertex* out);
