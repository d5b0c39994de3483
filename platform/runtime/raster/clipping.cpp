#include "platform/runtime/raster/clipping.h"

namespace {

constexpr int PLANE_COUNT = 7;
// Vertices with w below this are behind the eye for any projection.
constexpr float MIN_W = 1e-6f;

// Signed distance to each plane: inside when >= 0.
float PlaneDistance(int plane, const ClipVertex& v, const ClipBounds& bounds) {
    const float x = v.position[0], y = v.position[1], z = v.position[2], w = v.position[3];
    switch (plane) {
    case 0: return z;                       // near: z >= 0
    case 1: return w - z;                   // far: z <= w
    case 2: return w - MIN_W;               // in front of the eye
    case 3: return bounds.guardX * w + x;   // left
    case 4: return bounds.guardX * w - x;   // right
    case 5: return bounds.guardY * w + y;   // bottom
    default: return bounds.guardY * w - y;  // top
    }
}

void Lerp(const ClipVertex& a, const ClipVertex& b, float t, ClipVertex* out) {
    const float* pa = &a.position[0];
    const float* pb = &b.position[0];
    float* po = &out->position[0];
    for (int i = 0; i < CLIP_VERTEX_FLOATS; ++i) po[i] = pa[i] + (pb[i] - pa[i]) * t;
}

}  // namespace

unsigned ClipOutcode(const ClipVertex& v, const ClipBounds& bounds) {
    unsigned code = 0;
    for (int plane = 0; plane < PLANE_COUNT; ++plane)
        if (!(PlaneDistance(plane, v, bounds) >= 0.0f)) code |= 1u << plane;
    return code;
}

int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipBounds& bounds,
                 ClipVertex out[MAX_CLIPPED_VERTICES]) {
    ClipVertex buffers[2][MAX_CLIPPED_VERTICES];
    ClipVertex* input = buffers[0];
    ClipVertex* output = buffers[1];
    input[0] = a;
    input[1] = b;
    input[2] = c;
    int count = 3;
    for (int plane = 0; plane < PLANE_COUNT && count > 0; ++plane) {
        int written = 0;
        for (int i = 0; i < count; ++i) {
            const ClipVertex& current = input[i];
            const ClipVertex& next = input[(i + 1) % count];
            float dc = PlaneDistance(plane, current, bounds);
            float dn = PlaneDistance(plane, next, bounds);
            bool currentInside = dc >= 0.0f;
            bool nextInside = dn >= 0.0f;
            // Rounding can make a nearly degenerate polygon cross a plane more than twice;
            // what does not fit is dropped rather than overrunning the buffer.
            if (written + 2 > MAX_CLIPPED_VERTICES) break;
            if (currentInside) output[written++] = current;
            if (currentInside != nextInside) {
                // Interpolate from the inside vertex so that shared edges of neighbouring
                // triangles are cut at exactly the same point.
                if (currentInside)
                    Lerp(current, next, dc / (dc - dn), &output[written++]);
                else
                    Lerp(next, current, dn / (dn - dc), &output[written++]);
            }
        }
        count = written;
        ClipVertex* swap = input;
        input = output;
        output = swap;
    }
    for (int i = 0; i < count; ++i) out[i] = input[i];
    return count;
}
