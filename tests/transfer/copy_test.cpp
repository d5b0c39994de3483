// The four copies on devices of our runtime.
#include <gtest/gtest.h>

#include "platform/test_seams.h"
#include "transfer/copy.h"
#include "transfer_support.h"

namespace {

class CopyTest : public RuntimeDeviceTest {
protected:
    // A managed texture's top level; the texture goes when the test ends.
    IDirect3DSurface8* Surface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture8* texture = Texture(width, height, 1, format, pool);
        if (!texture) return nullptr;
        IDirect3DSurface8* surface = Level(texture, 0);
        owned.push_back(surface);
        owned.push_back(texture);
        return surface;
    }
    IDirect3DVolume8* Volume(UINT width, UINT height, UINT depth, D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DVolumeTexture8* texture = VolumeTexture(width, height, depth, 1, pool);
        if (!texture) return nullptr;
        IDirect3DVolume8* volume = VolumeLevel(texture, 0);
        owned.push_back(volume);
        owned.push_back(texture);
        return volume;
    }
    MemoryImage ReadVolume(IDirect3DVolume8* volume) {
        D3DVOLUME_DESC desc = {};
        volume->GetDesc(&desc);
        MemoryImage image(desc.Format, 4, desc.Width, desc.Height, desc.Depth);
        D3DLOCKED_BOX locked = {};
        EXPECT_EQ(volume->LockBox(&locked, nullptr, D3DLOCK_READONLY), S_OK);
        for (UINT z = 0; z < desc.Depth; ++z)
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(image.At(0, y, z), static_cast<BYTE*>(locked.pBits) + z * locked.SlicePitch + y * locked.RowPitch,
                            desc.Width * 4);
        volume->UnlockBox();
        return image;
    }
    void TearDown() override {
        for (IUnknown* object : owned) object->Release();
        RuntimeDeviceTest::TearDown();
    }
    HRESULT FromMemory(IDirect3DSurface8* destination, MemoryImage& image, std::uint32_t filter, D3DCOLOR key = 0,
                       const RECT* destinationRect = nullptr) {
        const RECT all = {0, 0, LONG(image.width), LONG(image.height)};
        return CopyMemoryToSurface(destination, nullptr, destinationRect, image.bytes.data(), image.format,
                                   image.rowPitch, nullptr, &all, filter, key);
    }

    std::vector<IUnknown*> owned;  // levels, each followed by its texture
};

TEST_F(CopyTest, MissingRequiredArgumentsAreRefused) {
    IDirect3DSurface8* surface = Surface(4, 4, D3DFMT_A8R8G8B8);
    IDirect3DVolume8* volume = Volume(2, 2, 2);
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 4, 4);
    const RECT rect = {0, 0, 4, 4};
    const D3DBOX box = {0, 0, 2, 2, 0, 2};
    const void* bits = image.bytes.data();
    EXPECT_EQ(CopyMemoryToSurface(nullptr, nullptr, nullptr, bits, D3DFMT_A8R8G8B8, 20, nullptr, &rect, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyMemoryToSurface(surface, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 20, nullptr, &rect, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyMemoryToSurface(surface, nullptr, nullptr, bits, D3DFMT_A8R8G8B8, 20, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyMemoryToVolume(nullptr, nullptr, nullptr, bits, D3DFMT_A8R8G8B8, 8, 16, nullptr, &box, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyMemoryToVolume(volume, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 8, 16, nullptr, &box, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyMemoryToVolume(volume, nullptr, nullptr, bits, D3DFMT_A8R8G8B8, 8, 16, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopySurfaceToSurface(nullptr, nullptr, nullptr, surface, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopySurfaceToSurface(surface, nullptr, nullptr, nullptr, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyVolumeToVolume(nullptr, nullptr, nullptr, volume, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyVolumeToVolume(volume, nullptr, nullptr, nullptr, nullptr, nullptr, FILTER_DEFAULT, 0), D3DERR_INVALIDCALL);
}

TEST_F(CopyTest, WholeSurfaceAndSourceRectangleFromMemory) {
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 16, 8);
    FillPattern(image);
    IDirect3DSurface8* whole = Surface(16, 8, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(whole, image, FILTER_POINT), S_OK);
    EXPECT_EQ(std::memcmp(Read(whole, 4).bytes.data(), image.bytes.data(), image.bytes.size() - 1), 0);

    // Source rectangle (2, 2, 6, 6): reading starts at byte 2 x pitch + 8.
    IDirect3DSurface8* part = Surface(4, 4, D3DFMT_A8R8G8B8);
    const RECT sourceRect = {2, 2, 6, 6};
    ASSERT_EQ(CopyMemoryToSurface(part, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, nullptr,
                                  &sourceRect, FILTER_POINT, 0),
              S_OK);
    MemoryImage read = Read(part, 4);
    std::uint32_t first;
    std::memcpy(&first, image.bytes.data() + 2 * image.rowPitch + 8, 4);
    EXPECT_EQ(read.Get(0, 0), first);
    EXPECT_EQ(read.Get(3, 3), image.Get(5, 5));
}

TEST_F(CopyTest, DefaultFilterIsTriangleWithDitherEverywhere) {
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 8, 8, 4);
    FillPattern(image);
    const RECT rect = {0, 0, 8, 8};
    IDirect3DSurface8* source = Surface(8, 8, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(source, image, FILTER_POINT), S_OK);
    IDirect3DSurface8* a = Surface(5, 5, D3DFMT_R5G6B5);
    IDirect3DSurface8* b = Surface(5, 5, D3DFMT_R5G6B5);
    ASSERT_EQ(CopyMemoryToSurface(a, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, nullptr, &rect, FILTER_DEFAULT, 0), S_OK);
    ASSERT_EQ(CopyMemoryToSurface(b, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, nullptr, &rect, 0x80004, 0), S_OK);
    EXPECT_EQ(Read(a, 2).bytes, Read(b, 2).bytes);
    ASSERT_EQ(CopySurfaceToSurface(a, nullptr, nullptr, source, nullptr, nullptr, FILTER_DEFAULT, 0), S_OK);
    ASSERT_EQ(CopySurfaceToSurface(b, nullptr, nullptr, source, nullptr, nullptr, 0x80004, 0), S_OK);
    EXPECT_EQ(Read(a, 2).bytes, Read(b, 2).bytes);

    // A plain-point copy differs, so the comparison above can tell filters apart.
    IDirect3DSurface8* c = Surface(5, 5, D3DFMT_R5G6B5);
    ASSERT_EQ(CopySurfaceToSurface(c, nullptr, nullptr, source, nullptr, nullptr, FILTER_POINT, 0), S_OK);
    EXPECT_NE(Read(a, 2).bytes, Read(c, 2).bytes);

    const D3DBOX box = {0, 0, 8, 8, 0, 4};
    IDirect3DVolume8* va = Volume(3, 3, 3);
    IDirect3DVolume8* vb = Volume(3, 3, 3);
    IDirect3DVolume8* vs = Volume(8, 8, 4);
    ASSERT_EQ(CopyMemoryToVolume(vs, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, image.slicePitch, nullptr, &box, FILTER_POINT, 0), S_OK);
    ASSERT_EQ(CopyMemoryToVolume(va, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, image.slicePitch, nullptr, &box, FILTER_DEFAULT, 0), S_OK);
    ASSERT_EQ(CopyMemoryToVolume(vb, nullptr, nullptr, image.bytes.data(), D3DFMT_A8R8G8B8, image.rowPitch, image.slicePitch, nullptr, &box, 0x80004, 0), S_OK);
    EXPECT_EQ(ReadVolume(va).bytes, ReadVolume(vb).bytes);
    ASSERT_EQ(CopyVolumeToVolume(va, nullptr, nullptr, vs, nullptr, nullptr, FILTER_DEFAULT, 0), S_OK);
    ASSERT_EQ(CopyVolumeToVolume(vb, nullptr, nullptr, vs, nullptr, nullptr, 0x80004, 0), S_OK);
    EXPECT_EQ(ReadVolume(va).bytes, ReadVolume(vb).bytes);
}

TEST_F(CopyTest, DeviceCopyIsTriedOnlyWhenNothingNeedsConverting) {
    // The device copy is the one step of a managed-surface copy that silences the debug
    // runtime, so the muting calls tell whether it was tried.
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 4, 4);
    FillPattern(image);
    IDirect3DSurface8* source = Surface(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(source, image, FILTER_POINT), S_OK);
    PALETTEENTRY palette[256] = {}, equal[256] = {}, other[256] = {};
    other[9].peRed = 1;
    struct Case {
        const char* what;
        UINT width;
        D3DFORMAT format;
        std::uint32_t filter;
        D3DCOLOR key;
        const PALETTEENTRY* destinationPalette;
        const PALETTEENTRY* sourcePalette;
        bool tried;
    };
    const Case cases[] = {
        {"plain copy", 4, D3DFMT_A8R8G8B8, FILTER_DEFAULT, 0, nullptr, nullptr, true},
        {"equal palettes", 4, D3DFMT_A8R8G8B8, FILTER_POINT, 0, palette, equal, true},
        {"other formats", 4, D3DFMT_R5G6B5, FILTER_TRIANGLE, 0, nullptr, nullptr, true},
        {"box filter", 4, D3DFMT_A8R8G8B8, FILTER_BOX, 0, nullptr, nullptr, false},
        {"colour key", 4, D3DFMT_A8R8G8B8, FILTER_POINT, 0xFF123456, nullptr, nullptr, false},
        {"different palettes", 4, D3DFMT_A8R8G8B8, FILTER_POINT, 0, palette, other, false},
        {"one palette", 4, D3DFMT_A8R8G8B8, FILTER_POINT, 0, palette, nullptr, false},
        {"other size", 2, D3DFMT_A8R8G8B8, FILTER_POINT, 0, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        IDirect3DSurface8* destination = Surface(c.width, c.width, c.format);
        platform_test::ResetMuteCalls();
        ASSERT_EQ(CopySurfaceToSurface(destination, c.destinationPalette, nullptr, source, c.sourcePalette, nullptr,
                                       c.filter, c.key),
                  S_OK)
            << c.what;
        EXPECT_EQ(platform_test::RetailMuteCalls().count > 0, c.tried) << c.what;
        if (c.format == D3DFMT_A8R8G8B8 && c.width == 4) {
            EXPECT_EQ(Read(destination, 4).bytes, Read(source, 4).bytes) << c.what;
        }
    }
}

TEST_F(CopyTest, SurfaceCopiedOntoItself) {
    for (std::uint32_t filter : {FILTER_POINT, FILTER_BOX}) {
        MemoryImage image(D3DFMT_A8R8G8B8, 4, 8, 8);
        FillPattern(image);
        IDirect3DSurface8* surface = Surface(8, 8, D3DFMT_A8R8G8B8);
        ASSERT_EQ(FromMemory(surface, image, FILTER_POINT), S_OK);
        const RECT from = {0, 0, 4, 4}, to = {4, 4, 8, 8};
        ASSERT_EQ(CopySurfaceToSurface(surface, nullptr, &to, surface, nullptr, &from, filter, 0), S_OK) << filter;
        MemoryImage after = Read(surface, 4);
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x) {
                const std::uint32_t expected = x >= 4 && y >= 4 ? image.Get(x - 4, y - 4) : image.Get(x, y);
                ASSERT_EQ(after.Get(x, y), expected) << filter << " at " << x << ", " << y;
            }
    }
}

TEST_F(CopyTest, KeyedPixelsArriveAsTransparentBlack) {
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 4, 4);
    FillPattern(image);
    image.Set(1, 2, 0xFFFF00FF);
    IDirect3DSurface8* destination = Surface(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(destination, image, FILTER_POINT, 0xFFFF00FF), S_OK);
    MemoryImage read = Read(destination, 4);
    EXPECT_EQ(read.Get(1, 2), 0u);
    EXPECT_EQ(read.Get(0, 0), image.Get(0, 0));

    // From a surface too: the key disables the device copy.
    IDirect3DSurface8* source = Surface(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(source, image, FILTER_POINT), S_OK);
    IDirect3DSurface8* copy = Surface(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(CopySurfaceToSurface(copy, nullptr, nullptr, source, nullptr, nullptr, FILTER_POINT, 0xFFFF00FF), S_OK);
    EXPECT_EQ(Read(copy, 4).Get(1, 2), 0u);
}

TEST_F(CopyTest, FailuresAreReportedAndNothingIsHeld) {
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 4, 4);
    FillPattern(image);
    IDirect3DSurface8* destination = Surface(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(FromMemory(destination, image, FILTER_POINT), S_OK);
    const UINT live = RuntimeLiveObjectCount();
    EXPECT_EQ(FromMemory(destination, image, 7), D3DERR_INVALIDCALL);
    const RECT outside = {2, 2, 6, 6};
    EXPECT_EQ(FromMemory(destination, image, FILTER_POINT, 0, &outside), D3DERR_INVALIDCALL);
    const RECT rect = {0, 0, 4, 4};
    EXPECT_EQ(CopyMemoryToSurface(destination, nullptr, nullptr, image.bytes.data(), D3DFMT_D16, 8, nullptr, &rect, FILTER_POINT, 0), E_FAIL);
    EXPECT_EQ(RuntimeLiveObjectCount(), live);
    EXPECT_EQ(Read(destination, 4).Get(3, 3), image.Get(3, 3));

    // Default-pool volumes that are not dynamic can be neither written nor read.
    IDirect3DVolume8* locked = Volume(2, 2, 2, D3DPOOL_DEFAULT);
    IDirect3DVolume8* managed = Volume(2, 2, 2);
    EXPECT_EQ(CopyVolumeToVolume(locked, nullptr, nullptr, managed, nullptr, nullptr, FILTER_POINT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(CopyVolumeToVolume(managed, nullptr, nullptr, locked, nullptr, nullptr, FILTER_POINT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(RuntimeLiveObjectCount(), live + 4);
}

}  // namespace
