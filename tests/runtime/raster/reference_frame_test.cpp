// The viewer's frame drawn by this runtime and by Mesa's OSMesa (legacy OpenGL) from the
// same matrices, textures and lit colour: the two images must agree.
#include <gtest/gtest.h>

#include <GL/osmesa.h>
#include <GL/gl.h>

#include <cstdio>

#include "platform/runtime/machine_profile.h"
#include "scene_frame.h"

namespace {

constexpr UINT WIDTH = 1024;
constexpr UINT HEIGHT = 768;
constexpr float ANGLE = 0.7f;
constexpr float TWEEN = 0.6f;

std::vector<std::uint32_t> RenderWithRuntime() {
    std::vector<std::uint32_t> image;
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d) return image;
    HWND window = scene::CreateSceneWindow(WIDTH, HEIGHT);
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(scene::CreateSceneDevice(d3d, window, WIDTH, HEIGHT, &device), S_OK);
    if (device) {
        scene::SetFixedState(device);
        scene::Resources resources;
        HRESULT created = scene::CreateResources(device, &resources);
        EXPECT_EQ(created, S_OK) << "resources";
        HRESULT drawn = SUCCEEDED(created) ? scene::DrawFrame(device, resources, ANGLE, TWEEN) : created;
        EXPECT_EQ(drawn, S_OK) << "frame";
        if (SUCCEEDED(drawn)) {
            IDirect3DSurface8* back = nullptr;
            if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
                D3DLOCKED_RECT locked;
                if (SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                    image.resize(WIDTH * HEIGHT);
                    for (UINT y = 0; y < HEIGHT; ++y)
                        std::memcpy(&image[y * WIDTH], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, WIDTH * 4);
                    back->UnlockRect();
                }
                back->Release();
            }
        }
        resources.Release();
        device->Release();
    }
    d3d->Release();
    if (window) DestroyWindow(window);
    return image;
}

// Direct3D's projection made OpenGL's: depth from 0..w to -w..w, and the image moved by
// half a pixel right and down so that OpenGL's pixel centres (at half-integers) sample
// where Direct3D's (at integers) do.
D3DMATRIX ReferenceProjection() {
    D3DMATRIX adjust = scene::Identity();
    adjust._33 = 2.0f;
    adjust._43 = -1.0f;
    adjust._41 = 1.0f / WIDTH;
    adjust._42 = -1.0f / HEIGHT;
    return scene::Multiply(scene::Projection(), adjust);
}

std::vector<std::uint32_t> RenderWithOsmesa() {
    std::vector<std::uint32_t> image(WIDTH * HEIGHT);
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, 16, 0, 0, nullptr);
    if (!context) return {};
    if (!OSMesaMakeCurrent(context, image.data(), GL_UNSIGNED_BYTE, WIDTH, HEIGHT)) {
        OSMesaDestroyContext(context);
        return {};
    }
    OSMesaPixelStore(OSMESA_Y_UP, 0);  // row 0 at the top, as Direct3D stores it
    glViewport(0, 0, WIDTH, HEIGHT);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DITHER);

    // Loading a row-major Direct3D matrix as OpenGL's column-major one transposes it,
    // which turns v x M into M^T v: the same transform.
    D3DMATRIX projection = ReferenceProjection();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&projection.m[0][0]);
    D3DMATRIX modelView = scene::Multiply(scene::World(ANGLE), scene::View());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&modelView.m[0][0]);

    GLuint textures[2];
    glGenTextures(2, textures);
    for (int t = 0; t < 2; ++t) {
        std::vector<std::uint32_t> texels = scene::TexturePattern(t * 101);
        glBindTexture(GL_TEXTURE_2D, textures[t]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The lit colour: the vertices have no normal, so only the global ambient lights them.
    const GLubyte lit = scene::AMBIENT & 0xFF;
    glColor4ub(lit, lit, lit, 255);
    const std::uint16_t* halves[2] = {scene::INDICES_A, scene::INDICES_B};
    for (int h = 0; h < 2; ++h) {
        glBindTexture(GL_TEXTURE_2D, textures[h]);
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 18; ++i) {
            const scene::CubeVertex& v = scene::VERTICES[halves[h][i]];
            glTexCoord2f(v.u, v.v);
            glVertex3f(v.x * (1 - TWEEN) + v.x2 * TWEEN, v.y * (1 - TWEEN) + v.y2 * TWEEN,
                       v.z * (1 - TWEEN) + v.z2 * TWEEN);
        }
        glEnd();
    }
    glFinish();
    glDeleteTextures(2, textures);
    OSMesaDestroyContext(context);
    return image;
}

bool Close(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

TEST(ReferenceFrame, RuntimeAgreesWithOsmesaOnTheViewersFrame) {
    ResetMachineProfile();
    std::vector<std::uint32_t> ours = RenderWithRuntime();
    std::vector<std::uint32_t> reference = RenderWithOsmesa();
    ASSERT_EQ(ours.size(), WIDTH * HEIGHT);
    ASSERT_EQ(reference.size(), WIDTH * HEIGHT);
    const std::uint32_t blue = 0x0000FF;
    size_t agree = 0, cube = 0, cubeAgree = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        bool close = Close(ours[i], reference[i], 3);
        agree += close;
        if ((ours[i] & 0xFFFFFF) != blue || (reference[i] & 0xFFFFFF) != blue) {
            ++cube;
            cubeAgree += close;
        }
    }
    const double all = static_cast<double>(agree) / ours.size();
    const double onCube = static_cast<double>(cubeAgree) / cube;
    std::printf("pixels within 3/255: %.4f%% of the frame, %.4f%% of the %zu cube pixels\n", 100.0 * all,
                100.0 * onCube, cube);
    EXPECT_GE(all, 0.995);
    // The background alone would pass the frame-wide figure: the cube must agree too.
    EXPECT_GT(cube, 15000u);
    EXPECT_GE(onCube, 0.97);
}

}  // namespace
