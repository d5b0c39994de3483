// The viewer's frame drawn by Mesa's OSMesa through legacy OpenGL, from the same
// matrices, textures and lit colour as the runtime's: an independent reference.
#pragma once

#include <GL/gl.h>
#include <GL/osmesa.h>

#include "scene_frame.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace scene {

// While one lives, the leak checker of sanitized builds ignores new allocations.
struct LeakCheckPause {
#if defined(__SANITIZE_ADDRESS__)
    LeakCheckPause() { __lsan_disable(); }
    ~LeakCheckPause() { __lsan_enable(); }
#endif
};

// Direct3D's projection made OpenGL's: depth from 0..w to -w..w, and the image moved by
// half a pixel right and down so that OpenGL's pixel centres (at half-integers) sample
// where Direct3D's (at integers) do.
inline D3DMATRIX ReferenceProjection(UINT width, UINT height) {
    D3DMATRIX adjust = Identity();
    adjust._33 = 2.0f;
    adjust._43 = -1.0f;
    adjust._41 = 1.0f / static_cast<float>(width);
    adjust._42 = -1.0f / static_cast<float>(height);
    return Multiply(Projection(), adjust);
}

class OsmesaFrame {
public:
    OsmesaFrame(UINT width, UINT height) : width_(width), height_(height), image_(width * height) {
        context_ = OSMesaCreateContextExt(OSMESA_BGRA, 16, 0, 0, nullptr);
        if (!context_ || !OSMesaMakeCurrent(context_, image_.data(), GL_UNSIGNED_BYTE, width, height)) return;
        OSMesaPixelStore(OSMESA_Y_UP, 0);  // row 0 at the top, as Direct3D stores it
        glViewport(0, 0, width, height);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glDisable(GL_DITHER);
        glGenTextures(2, textures_);
        for (int t = 0; t < 2; ++t) {
            std::vector<std::uint32_t> texels = TexturePattern(t * 101);
            glBindTexture(GL_TEXTURE_2D, textures_[t]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        ready_ = true;
    }
    ~OsmesaFrame() {
        if (ready_) glDeleteTextures(2, textures_);
        if (context_) {
            // Unbind first so that Mesa frees the framebuffer it made for our image.
            OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
            OSMesaDestroyContext(context_);
        }
    }
    OsmesaFrame(const OsmesaFrame&) = delete;
    OsmesaFrame& operator=(const OsmesaFrame&) = delete;

    bool Ready() const { return ready_; }
    const std::vector<std::uint32_t>& Image() const { return image_; }

    void Draw(float angle, float tween) {
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // Loading a row-major Direct3D matrix as OpenGL's column-major one transposes it,
        // which turns v x M into M^T v: the same transform.
        D3DMATRIX projection = ReferenceProjection(width_, height_);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(&projection.m[0][0]);
        D3DMATRIX modelView = Multiply(World(angle), View());
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(&modelView.m[0][0]);
        // The lit colour: the vertices have no normal, so only the global ambient lights them.
        const GLubyte lit = AMBIENT & 0xFF;
        glColor4ub(lit, lit, lit, 255);
        const std::uint16_t* halves[2] = {INDICES_A, INDICES_B};
        for (int h = 0; h < 2; ++h) {
            glBindTexture(GL_TEXTURE_2D, textures_[h]);
            glBegin(GL_TRIANGLES);
            for (int i = 0; i < 18; ++i) {
                const CubeVertex& v = VERTICES[halves[h][i]];
                glTexCoord2f(v.u, v.v);
                glVertex3f(v.x * (1 - tween) + v.x2 * tween, v.y * (1 - tween) + v.y2 * tween,
                           v.z * (1 - tween) + v.z2 * tween);
            }
            glEnd();
        }
        glFinish();
    }

private:
    UINT width_, height_;
    std::vector<std::uint32_t> image_;
    OSMesaContext context_ = nullptr;
    GLuint textures_[2] = {};
    bool ready_ = false;
};

}  // namespace scene
