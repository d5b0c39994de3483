// Shared pieces of the transfer tests: images in memory, and a device of our runtime.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/pixel_region.h"
#include "platform/d3d8.h"
#include "platform/runtime/machine_profile.h"
#include "platform/windows_api.h"

// An image in memory with one whole-byte pixel size, addressable as packed words.
struct MemoryImage {
    D3DFORMAT format;
    UINT width, height, depth, bytesPerPixel, rowPitch, slicePitch;
    std::vector<BYTE> bytes;

    MemoryImage(D3DFORMAT format, UINT bytesPerPixel, UINT width, UINT height, UINT depth = 1, BYTE fill = 0)
        : format(format), width(width), height(height), depth(depth), bytesPerPixel(bytesPerPixel),
          rowPitch(width * bytesPerPixel + 4), slicePitch(rowPitch * height),
          bytes(std::size_t(slicePitch) * depth + 1, fill) {}

    BYTE* At(UINT x, UINT y, UINT z = 0) { return &bytes[std::size_t(z) * slicePitch + y * rowPitch + x * bytesPerPixel]; }
    std::uint32_t Get(UINT x, UINT y, UINT z = 0) {
        std::uint32_t value = 0;
        std::memcpy(&value, At(x, y, z), bytesPerPixel);
        return value;
    }
    void Set(UINT x, UINT y, std::uint32_t value, UINT z = 0) { std::memcpy(At(x, y, z), &value, bytesPerPixel); }

    // The whole image as one region.
    PixelRegion Region(const PALETTEENTRY* palette = nullptr, D3DCOLOR colorKey = 0) {
        PixelRegion region;
        region.pixels = bytes.data();
        region.format = format;
        region.rowPitch = rowPitch;
        region.slicePitch = depth > 1 ? slicePitch : 0;
        region.extent = {0, 0, width, height, 0, depth};
        region.box = region.extent;
        region.palette = palette;
        region.colorKey = colorKey;
        return region;
    }
};

// A device of our runtime, released (and every runtime object with it) at the end.
class RuntimeDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        // The default card, except that it takes volumes of any size, as the tests of volumes
        // whose sizes are not powers of two need.
        MachineProfile profile = DefaultMachineProfile();
        profile.caps.TextureCaps &= ~D3DPTEXTURECAPS_VOLUMEMAP_POW2;
        SetMachineProfile(profile);
        liveBefore = RuntimeLiveObjectCount();
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA windowClass = {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "OrbiqueTransferTest";
            ASSERT_NE(RegisterClassExA(&windowClass), 0);
            registered = true;
        }
        window = CreateWindowExA(0, "OrbiqueTransferTest", "transfer test", 0, 0, 0, 64, 64, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device),
                  S_OK);
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
        if (window) DestroyWindow(window);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        EXPECT_EQ(RuntimeLiveObjectCount(), liveBefore) << "runtime objects left alive";
        ResetMachineProfile();
    }

    IDirect3DTexture8* Texture(UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool, DWORD usage = 0) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, levels, usage, format, pool, &texture), S_OK);
        return texture;
    }
    IDirect3DSurface8* Level(IDirect3DTexture8* texture, UINT level) {
        IDirect3DSurface8* surface = nullptr;
        EXPECT_EQ(texture->GetSurfaceLevel(level, &surface), S_OK);
        return surface;
    }
    IDirect3DVolumeTexture8* VolumeTexture(UINT width, UINT height, UINT depth, UINT levels, D3DPOOL pool) {
        IDirect3DVolumeTexture8* texture = nullptr;
        EXPECT_EQ(device->CreateVolumeTexture(width, height, depth, levels, 0, D3DFMT_A8R8G8B8, pool, &texture), S_OK);
        return texture;
    }
    IDirect3DVolume8* VolumeLevel(IDirect3DVolumeTexture8* texture, UINT level) {
        IDirect3DVolume8* volume = nullptr;
        EXPECT_EQ(texture->GetVolumeLevel(level, &volume), S_OK);
        return volume;
    }
    // The pixels of a surface of a whole-byte format, read through a copy into an image
    // surface so that default-pool surfaces can be read too.
    MemoryImage Read(IDirect3DSurface8* surface, UINT bytesPerPixel) {
        D3DSURFACE_DESC desc = {};
        surface->GetDesc(&desc);
        MemoryImage image(desc.Format, bytesPerPixel, desc.Width, desc.Height);
        IDirect3DSurface8* copy = nullptr;
        EXPECT_EQ(device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &copy), S_OK);
        if (!copy) return image;
        EXPECT_EQ(device->CopyRects(surface, nullptr, 0, copy, nullptr), S_OK);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
        if (locked.pBits) {
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(image.At(0, y), static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, desc.Width * bytesPerPixel);
            copy->UnlockRect();
        }
        copy->Release();
        return image;
    }
    // Writes an image into a lockable surface (image surfaces, managed and system memory).
    void Write(IDirect3DSurface8* surface, MemoryImage& image) {
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), S_OK);
        for (UINT y = 0; y < image.height; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, image.At(0, y), image.width * image.bytesPerPixel);
        surface->UnlockRect();
    }

    UINT liveBefore = 0;
    HWND window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

// Distinct opaque A8R8G8B8 pixels.
inline std::uint32_t Pattern(UINT x, UINT y, UINT z = 0) {
    return 0xFF000000u | ((x * 37 + z * 11) & 0xFF) << 16 | ((y * 53 + z * 7) & 0xFF) << 8 | ((x * 5 + y * 3 + 1) & 0xFF);
}

inline void FillPattern(MemoryImage& image) {
    for (UINT z = 0; z < image.depth; ++z)
        for (UINT y = 0; y < image.height; ++y)
            for (UINT x = 0; x < image.width; ++x) image.Set(x, y, Pattern(x, y, z), z);
}
