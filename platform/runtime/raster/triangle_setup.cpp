#include "platform/runtime/raster/triangle_setup.h"

#include <algorithm>
#include <cmath>

namespace {

// Snapped coordinates stay far inside this so that edge products fit in 64 bits.
constexpr float MAX_SCREEN_COORDINATE = 1 << 20;

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {  // b > 0
    std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::int64_t CeilDivide(std::int64_t a, std::int64_t b) { return -FloorDivide(-a, b); }

// 1 / w, and every other attribute divided by w.
void CarryAttributes(const ClipVertex& v, float invW, ScreenVertex* out) {
    out->attr[ATTR_INVW] = invW;
    for (int c = 0; c < 4; ++c) out->attr[ATTR_DIFFUSE + c] = v.diffuse[c] * invW;
    for (int c = 0; c < 3; ++c) out->attr[ATTR_SPECULAR + c] = v.specular[c] * invW;
    for (UINT set = 0; set < TEXCOORD_SET_COUNT; ++set) {
        out->attr[ATTR_TEXCOORD + 2 * set] = v.texcoord[set][0] * invW;
        out->attr[ATTR_TEXCOORD + 2 * set + 1] = v.texcoord[set][1] * invW;
    }
}

}  // namespace

ViewportMapping MakeViewportMapping(const D3DVIEWPORT8& viewport) {
    ViewportMapping m;
    m.halfWidth = static_cast<float>(viewport.Width) * 0.5f;
    m.halfHeight = static_cast<float>(viewport.Height) * 0.5f;
    m.x = static_cast<float>(viewport.X) + m.halfWidth;
    m.y = static_cast<float>(viewport.Y) + m.halfHeight;
    m.minZ = viewport.MinZ;
    m.zScale = viewport.MaxZ - viewport.MinZ;
    return m;
}

void ProjectVertex(const ClipVertex& v, const ViewportMapping& mapping, ScreenVertex* out) {
    const float invW = 1.0f / v.position[3];
    out->x = mapping.x + v.position[0] * invW * mapping.halfWidth;
    out->y = mapping.y - v.position[1] * invW * mapping.halfHeight;
    out->attr[ATTR_Z] = mapping.minZ + v.position[2] * invW * mapping.zScale;
    CarryAttributes(v, invW, out);
}

void ScreenVertexFromPretransformed(const ClipVertex& v, ScreenVertex* out) {
    const float invW = v.position[3];
    out->x = v.position[0];
    out->y = v.position[1];
    out->attr[ATTR_Z] = v.position[2];
    CarryAttributes(v, invW, out);
}

bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, DWORD cullMode,
                   const ScissorRect& scissor, int attrCount, bool flat, TriangleSetup* out) {
    const ScreenVertex* v[3] = {&v0, &v1, &v2};
    std::int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(v[i]->x) < MAX_SCREEN_COORDINATE) || !(std::fabs(v[i]->y) < MAX_SCREEN_COORDINATE))
            return false;
        X[i] = std::lround(v[i]->x * SUBPIXEL_ONE);
        Y[i] = std::lround(v[i]->y * SUBPIXEL_ONE);
    }

    // Positive area: clockwise on the screen (y grows downwards).
    std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    if (cullMode == D3DCULL_CW && area > 0) return false;
    if (cullMode == D3DCULL_CCW && area < 0) return false;
    if (area < 0) {
        // Make the inside positive for all three edges.
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    std::int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    std::int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    // Pixel centres lie on integer coordinates.
    out->minX = static_cast<int>(std::max<std::int64_t>(CeilDivide(minX, SUBPIXEL_ONE), scissor.left));
    out->maxX = static_cast<int>(std::min<std::int64_t>(FloorDivide(maxX, SUBPIXEL_ONE), scissor.right - 1));
    out->minY = static_cast<int>(std::max<std::int64_t>(CeilDivide(minY, SUBPIXEL_ONE), scissor.top));
    out->maxY = static_cast<int>(std::min<std::int64_t>(FloorDivide(maxY, SUBPIXEL_ONE), scissor.bottom - 1));
    if (out->minX > out->maxX || out->minY > out->maxY) return false;

    const std::int64_t px = static_cast<std::int64_t>(out->minX) * SUBPIXEL_ONE;
    const std::int64_t py = static_cast<std::int64_t>(out->minY) * SUBPIXEL_ONE;
    for (int e = 0; e < 3; ++e) {
        // Edge e runs from vertex a to vertex b, opposite vertex e.
        int a = (e + 1) % 3, b = (e + 2) % 3;
        std::int64_t dx = X[b] - X[a], dy = Y[b] - Y[a];
        std::int64_t value = dx * (py - Y[a]) - dy * (px - X[a]);
        // Top edges (horizontal, inside below) and left edges own the pixels on them.
        bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        out->edge[e] = topLeft ? value : value - 1;
        out->edgeStepX[e] = -dy * SUBPIXEL_ONE;
        out->edgeStepY[e] = dx * SUBPIXEL_ONE;
    }

    // Plane equations through the snapped positions.
    const float x0 = static_cast<float>(X[0]) / SUBPIXEL_ONE, y0 = static_cast<float>(Y[0]) / SUBPIXEL_ONE;
    const float x10 = static_cast<float>(X[1] - X[0]) / SUBPIXEL_ONE, y10 = static_cast<float>(Y[1] - Y[0]) / SUBPIXEL_ONE;
    const float x20 = static_cast<float>(X[2] - X[0]) / SUBPIXEL_ONE, y20 = static_cast<float>(Y[2] - Y[0]) / SUBPIXEL_ONE;
    const float inverseArea = 1.0f / (x10 * y20 - x20 * y10);
    const float startX = static_cast<float>(out->minX) - x0, startY = static_cast<float>(out->minY) - y0;
    for (int i = 0; i < attrCount; ++i) {
        float a0 = v[0]->attr[i], a1 = v[1]->attr[i], a2 = v[2]->attr[i];
        bool isColor = i >= ATTR_DIFFUSE && i < ATTR_TEXCOORD;
        if (flat && isColor) {
            // Flat shading takes the first vertex's colour, carried with each vertex's 1 / w.
            float color = v0.attr[i] / v0.attr[ATTR_INVW];
            a0 = color * v[0]->attr[ATTR_INVW];
            a1 = color * v[1]->attr[ATTR_INVW];
            a2 = color * v[2]->attr[ATTR_INVW];
        }
        float d10 = a1 - a0, d20 = a2 - a0;
        float dadx = (d10 * y20 - d20 * y10) * inverseArea;
        float dady = (d20 * x10 - d10 * x20) * inverseArea;
        out->attrStepX[i] = dadx;
        out->attrStepY[i] = dady;
        out->attr[i] = a0 + dadx * startX + dady * startY;
    }
    return true;
}
