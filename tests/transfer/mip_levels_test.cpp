// Mip-level generation on textures of our runtime: the default filter, chaining against
// direct filtering, cube faces, level checks, and that every reference is given back.
#include <gtest/gtest.h>

#include "transfer/copy.h"
#include "transfer_support.h"

namespace {

class MipLevelsTest : public RuntimeDeviceTest {
protected:
    // A plain managed texture with a full chain and a pattern in its top level.
    IDirect3DTexture8* PatternTexture(UINT width, UINT height, UINT levels = 0) {
        IDirect3DTexture8* texture = Texture(width, height, levels, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
        if (!texture) return nullptr;
        MemoryImage image(D3DFMT_A8R8G8B8, 4, width, height);
        FillPattern(image);
        IDirect3DSurface8* top = Level(texture, 0);
        Write(top, image);
        top->Release();
        return texture;
    }
    MemoryImage ReadLevel(IDirect3DTexture8* texture, UINT level) {
        IDirect3DSurface8* surface = Level(texture, level);
        MemoryImage image = Read(surface, 4);
        surface->Release();
        return image;
    }
    // What filtering `sourceLevel` of `texture` into a fresh surface of `level`'s size gives.
    MemoryImage Filtered(IDirect3DTexture8* texture, UINT sourceLevel, UINT level, std::uint32_t filter) {
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(level, &desc);
        IDirect3DTexture8* scratch = Texture(desc.Width, desc.Height, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
        IDirect3DSurface8* target = Level(scratch, 0);
        IDirect3DSurface8* source = Level(texture, sourceLevel);
        EXPECT_EQ(CopySurfaceToSurface(target, nullptr, nullptr, source, nullptr, nullptr, filter, 0), S_OK);
        MemoryImage image = Read(target, 4);
        source->Release();
        target->Release();
        scratch->Release();
        return image;
    }
};

TEST_F(MipLevelsTest, PowerOfTwoTexturesChainTheBoxFilter) {
    IDirect3DTexture8* texture = PatternTexture(256, 256);
    ASSERT_EQ(texture->GetLevelCount(), 9u);
    ASSERT_EQ(GenerateMipLevels(texture, nullptr, FILTER_DEFAULT, FILTER_DEFAULT), S_OK);
    // Every level is the 2 x 2 mean of the level above it, as that level now stands.
    for (UINT level = 1; level < 9; ++level) {
        MemoryImage above = ReadLevel(texture, level - 1);
        MemoryImage here = ReadLevel(texture, level);
        for (UINT y = 0; y < here.height; ++y) {
            for (UINT x = 0; x < here.width; ++x) {
                const std::uint32_t p[4] = {above.Get(2 * x, 2 * y), above.Get(2 * x + 1, 2 * y),
                                            above.Get(2 * x, 2 * y + 1), above.Get(2 * x + 1, 2 * y + 1)};
                std::uint32_t mean = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    std::uint32_t sum = 2;
                    for (std::uint32_t v : p) sum += v >> shift & 0xFF;
                    mean |= (sum >> 2) << shift;
                }
                ASSERT_EQ(here.Get(x, y), mean) << "level " << level << " at " << x << ", " << y;
            }
        }
    }
    texture->Release();
}

TEST_F(MipLevelsTest, OtherSizesFilterEveryLevelDirectlyFromTheSource) {
    IDirect3DTexture8* texture = PatternTexture(100, 60);
    ASSERT_EQ(GenerateMipLevels(texture, nullptr, FILTER_DEFAULT, FILTER_DEFAULT), S_OK);
    for (UINT level : {1u, 3u}) {
        EXPECT_EQ(ReadLevel(texture, level).bytes, Filtered(texture, 0, level, FILTER_TRIANGLE | FILTER_DITHER).bytes)
            << level;
    }
    texture->Release();
}

TEST_F(MipLevelsTest, PointAndBoxChainWhileLinearAndTriangleGoDirect) {
    struct Case {
        std::uint32_t filter;
        bool chained;
    };
    for (const Case c : {Case{FILTER_POINT, true}, Case{FILTER_BOX | FILTER_DITHER, true}, Case{FILTER_LINEAR, false},
                         Case{FILTER_TRIANGLE, false}}) {
        IDirect3DTexture8* texture = PatternTexture(32, 16, 4);
        ASSERT_EQ(GenerateMipLevels(texture, nullptr, 0, c.filter), S_OK);
        const UINT sourceLevel = c.chained ? 2 : 0;
        EXPECT_EQ(ReadLevel(texture, 3).bytes, Filtered(texture, sourceLevel, 3, c.filter).bytes) << c.filter;
        texture->Release();
    }
}

TEST_F(MipLevelsTest, VolumesChooseTheirDefaultFromAllThreeSizes) {
    for (UINT depth : {48u, 32u}) {
        IDirect3DVolumeTexture8* texture = VolumeTexture(16, 16, depth, 2, D3DPOOL_MANAGED);
        ASSERT_NE(texture, nullptr);
        MemoryImage image(D3DFMT_A8R8G8B8, 4, 16, 16, depth);
        FillPattern(image);
        const D3DBOX box = {0, 0, 16, 16, 0, depth};
        IDirect3DVolume8* top = VolumeLevel(texture, 0);
        IDirect3DVolume8* next = VolumeLevel(texture, 1);
        ASSERT_EQ(CopyMemoryToVolume(top, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch,
                                     image.slicePitch, nullptr, &box, FILTER_POINT, 0),
                  S_OK);
        ASSERT_EQ(GenerateMipLevels(texture, nullptr, FILTER_DEFAULT, FILTER_DEFAULT), S_OK);

        // The expected level, filtered by hand into a scratch volume.
        IDirect3DVolumeTexture8* scratch = VolumeTexture(8, 8, depth / 2, 1, D3DPOOL_MANAGED);
        IDirect3DVolume8* expected = VolumeLevel(scratch, 0);
        const std::uint32_t filter = depth == 48 ? FILTER_TRIANGLE | FILTER_DITHER : FILTER_BOX;
        ASSERT_EQ(CopyVolumeToVolume(expected, nullptr, nullptr, top, nullptr, nullptr, filter, 0), S_OK);
        D3DLOCKED_BOX a = {}, b = {};
        ASSERT_EQ(next->LockBox(&a, nullptr, D3DLOCK_READONLY), S_OK);
        ASSERT_EQ(expected->LockBox(&b, nullptr, D3DLOCK_READONLY), S_OK);
        for (UINT z = 0; z < depth / 2; ++z)
            for (UINT y = 0; y < 8; ++y)
                ASSERT_EQ(std::memcmp(static_cast<BYTE*>(a.pBits) + z * a.SlicePitch + y * a.RowPitch,
                                      static_cast<BYTE*>(b.pBits) + z * b.SlicePitch + y * b.RowPitch, 32),
                          0)
                    << "depth " << depth << " slice " << z << " row " << y;
        next->UnlockBox();
        expected->UnlockBox();
        expected->Release();
        scratch->Release();
        next->Release();
        top->Release();
        texture->Release();
    }
}

TEST_F(MipLevelsTest, CubeFacesAreFilteredWithClampedEdges) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), S_OK);
    for (DWORD face = 0; face < 6; ++face) {
        MemoryImage image(D3DFMT_A8R8G8B8, 4, 8, 8);
        FillPattern(image);
        image.Set(0, 0, 0xFF000000u | face * 40);
        IDirect3DSurface8* top = nullptr;
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &top), S_OK);
        Write(top, image);
        top->Release();
    }
    ASSERT_EQ(GenerateMipLevels(cube, nullptr, FILTER_DEFAULT, FILTER_LINEAR), S_OK);
    IDirect3DTexture8* scratch = Texture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    IDirect3DSurface8* target = Level(scratch, 0);
    for (DWORD face = 0; face < 6; ++face) {
        IDirect3DSurface8* top = nullptr;
        IDirect3DSurface8* next = nullptr;
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &top), S_OK);
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 1, &next), S_OK);
        ASSERT_EQ(CopySurfaceToSurface(target, nullptr, nullptr, top, nullptr, nullptr, FILTER_LINEAR | FILTER_MIRROR, 0), S_OK);
        EXPECT_EQ(Read(next, 4).bytes, Read(target, 4).bytes) << "face " << face;
        ASSERT_EQ(CopySurfaceToSurface(target, nullptr, nullptr, top, nullptr, nullptr, FILTER_LINEAR, 0), S_OK);
        EXPECT_NE(Read(next, 4).bytes, Read(target, 4).bytes) << "face " << face << " must not wrap";
        top->Release();
        next->Release();
    }
    target->Release();
    scratch->Release();
    cube->Release();
}

TEST_F(MipLevelsTest, SourceLevelAndResourceChecks) {
    IDirect3DTexture8* texture = PatternTexture(8, 8);
    ASSERT_EQ(texture->GetLevelCount(), 4u);
    MemoryImage before = ReadLevel(texture, 3);
    EXPECT_EQ(GenerateMipLevels(texture, nullptr, 3, FILTER_BOX), S_OK);
    EXPECT_EQ(ReadLevel(texture, 3).bytes, before.bytes);
    EXPECT_EQ(GenerateMipLevels(texture, nullptr, 4, FILTER_BOX), D3DERR_INVALIDCALL);
    EXPECT_EQ(GenerateMipLevels(nullptr, nullptr, 0, FILTER_BOX), D3DERR_INVALIDCALL);

    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer), S_OK);
    // A vertex buffer is a resource but no texture: the type check must refuse it.
    EXPECT_EQ(GenerateMipLevels(reinterpret_cast<IDirect3DBaseTexture8*>(static_cast<IDirect3DResource8*>(buffer)),
                                nullptr, 0, FILTER_BOX),
              D3DERR_INVALIDCALL);
    buffer->Release();

    // A failing copy (an invalid filter) ends the work with its code and gives every level back.
    const UINT live = RuntimeLiveObjectCount();
    EXPECT_EQ(GenerateMipLevels(texture, nullptr, 0, 9), D3DERR_INVALIDCALL);
    EXPECT_EQ(RuntimeLiveObjectCount(), live);
    texture->Release();
}

}  // namespace
