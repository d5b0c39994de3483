// The surface and volume lockers on devices of our runtime.
#include <gtest/gtest.h>

#include <optional>

#include "transfer/surface_lockers.h"
#include "transfer_support.h"

namespace {

// Passes every call on to a real surface and records the locks asked of it.
class RecordingSurface : public IDirect3DSurface8 {
public:
    explicit RecordingSurface(IDirect3DSurface8* inner) : inner(inner) {}

    HRESULT QueryInterface(REFIID riid, void** object) override { return inner->QueryInterface(riid, object); }
    ULONG AddRef() override { return inner->AddRef(); }
    ULONG Release() override { return inner->Release(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return inner->GetDevice(device); }
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override { return inner->SetPrivateData(g, d, s, f); }
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return inner->GetPrivateData(g, d, s); }
    HRESULT FreePrivateData(REFGUID g) override { return inner->FreePrivateData(g); }
    HRESULT GetContainer(REFIID riid, void** container) override { return inner->GetContainer(riid, container); }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override { return inner->GetDesc(desc); }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
        lockedRect = rect ? std::optional<RECT>(*rect) : std::nullopt;
        lockFlags = flags;
        ++locks;
        return inner->LockRect(locked, rect, flags);
    }
    HRESULT UnlockRect() override {
        ++unlocks;
        return inner->UnlockRect();
    }

    IDirect3DSurface8* inner;
    std::optional<RECT> lockedRect;
    DWORD lockFlags = 0;
    int locks = 0;
    int unlocks = 0;
};

bool SameRect(const std::optional<RECT>& a, const RECT& b) {
    return a && a->left == b.left && a->top == b.top && a->right == b.right && a->bottom == b.bottom;
}

bool SameBox(const D3DBOX& a, const D3DBOX& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom && a.Front == b.Front &&
           a.Back == b.Back;
}

class SurfaceLockerTest : public RuntimeDeviceTest {};

TEST_F(SurfaceLockerTest, WholeAndPartialRectanglesOfAManagedLevel) {
    IDirect3DTexture8* texture = Texture(16, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    ASSERT_NE(texture, nullptr);
    IDirect3DSurface8* level = Level(texture, 0);
    RecordingSurface recording(level);
    PALETTEENTRY palette[256] = {};
    {
        SurfaceLocker locker;
        PixelRegion region;
        ASSERT_EQ(locker.Lock(region, &recording, palette, nullptr, 0xFF00FF00, 0), S_OK);
        EXPECT_FALSE(recording.lockedRect);
        EXPECT_EQ(recording.lockFlags, D3DLOCK_NOSYSLOCK);
        EXPECT_TRUE(SameBox(region.box, {0, 0, 16, 8, 0, 1}));
        EXPECT_TRUE(SameBox(region.extent, {0, 0, 16, 8, 0, 1}));
        EXPECT_EQ(region.format, D3DFMT_A8R8G8B8);
        EXPECT_GE(region.rowPitch, 64u);
        EXPECT_EQ(region.slicePitch, 0u);
        EXPECT_EQ(region.dither, 1u);
        EXPECT_EQ(region.colorKey, 0xFF00FF00u);
        EXPECT_EQ(region.palette, palette);
        EXPECT_EQ(locker.surface, &recording);

        // (0, 0, Width, Height) is the whole surface; read-only adds the platform flag.
        const RECT whole = {0, 0, 16, 8};
        ASSERT_EQ(locker.Lock(region, &recording, nullptr, &whole, 0, LOCK_READ_ONLY), S_OK);
        EXPECT_EQ(recording.unlocks, 1) << "Lock unlocks what the locker held";
        EXPECT_FALSE(recording.lockedRect);
        EXPECT_EQ(recording.lockFlags, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);

        const RECT part = {2, 3, 5, 7};
        ASSERT_EQ(locker.Lock(region, &recording, nullptr, &part, 0, 0), S_OK);
        EXPECT_TRUE(SameRect(recording.lockedRect, part));
        EXPECT_TRUE(SameBox(region.box, {0, 0, 3, 4, 0, 1}));
        EXPECT_TRUE(SameBox(region.extent, {0, 0, 16, 8, 0, 1}));
    }
    EXPECT_EQ(recording.unlocks, 3) << "destruction unlocks";
    level->Release();
    texture->Release();
}

TEST_F(SurfaceLockerTest, RectanglesOutsideTheSurfaceAreRefused) {
    IDirect3DTexture8* texture = Texture(8, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    IDirect3DSurface8* level = Level(texture, 0);
    RecordingSurface recording(level);
    const RECT outside[] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {3, 0, 2, 2}, {0, 3, 2, 2}, {0, 0, 9, 4}, {0, 0, 8, 5},
                            {8, 4, 9, 5}};
    for (const RECT& rect : outside) {
        SurfaceLocker locker;
        PixelRegion region;
        EXPECT_EQ(locker.Lock(region, &recording, nullptr, &rect, 0, 0), D3DERR_INVALIDCALL)
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }
    EXPECT_EQ(recording.locks, 0);
    const RECT empty = {8, 4, 8, 4};
    SurfaceLocker locker;
    PixelRegion region;
    EXPECT_EQ(locker.Lock(region, &recording, nullptr, &empty, 0, 0), S_OK);
    locker.Unlock();
    level->Release();
    texture->Release();
}

TEST_F(SurfaceLockerTest, BlockAndPairFormatsLockWholeBlocksOrPairs) {
    struct Case {
        const char* what;
        D3DFORMAT format;
        UINT width, height;
        RECT rect;
        std::optional<RECT> locked;  // none: the whole surface
        D3DBOX box;
    };
    const Case cases[] = {
        {"DXT1 inside", D3DFMT_DXT1, 16, 16, {1, 1, 6, 6}, RECT{0, 0, 8, 8}, {1, 1, 6, 6, 0, 1}},
        {"DXT1 offset", D3DFMT_DXT1, 16, 16, {5, 9, 7, 10}, RECT{4, 8, 8, 12}, {1, 1, 3, 2, 0, 1}},
        // Aligned to (0, 0, 4, 4), clamped to (0, 0, 3, 3): the whole surface.
        {"DXT1 smaller than a block", D3DFMT_DXT1, 3, 3, {0, 0, 2, 2}, std::nullopt, {0, 0, 2, 2, 0, 1}},
        {"YUY2 odd left", D3DFMT_YUY2, 8, 4, {3, 0, 6, 4}, RECT{2, 0, 6, 4}, {1, 0, 4, 4, 0, 1}},
        {"YUY2 nearly whole", D3DFMT_YUY2, 8, 4, {1, 0, 7, 4}, std::nullopt, {1, 0, 7, 4, 0, 1}},
    };
    for (const Case& c : cases) {
        IDirect3DTexture8* texture = Texture(c.width, c.height, 1, c.format, D3DPOOL_MANAGED);
        ASSERT_NE(texture, nullptr) << c.what;
        IDirect3DSurface8* level = Level(texture, 0);
        RecordingSurface recording(level);
        {
            SurfaceLocker locker;
            PixelRegion region;
            ASSERT_EQ(locker.Lock(region, &recording, nullptr, &c.rect, 0, 0), S_OK) << c.what;
            if (c.locked)
                EXPECT_TRUE(SameRect(recording.lockedRect, *c.locked)) << c.what;
            else
                EXPECT_FALSE(recording.lockedRect) << c.what;
            EXPECT_TRUE(SameBox(region.box, c.box)) << c.what;
            EXPECT_TRUE(SameBox(region.extent, {0, 0, c.width, c.height, 0, 1})) << c.what;
        }
        level->Release();
        texture->Release();
    }
}

TEST_F(SurfaceLockerTest, DiscardOnlyForWholeOverwritesOfSingleLevelDynamicTextures) {
    struct Case {
        const char* what;
        UINT levels;
        D3DPOOL pool;
        DWORD usage;
        bool partial;
        std::uint32_t flags;
        bool discard;
    };
    const Case cases[] = {
        {"whole write", 1, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, false, 0, true},
        {"partial write", 1, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, true, 0, false},
        {"read-only", 1, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, false, LOCK_READ_ONLY, false},
        {"two levels", 2, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, false, 0, false},
        {"managed", 1, D3DPOOL_MANAGED, 0, false, 0, false},
    };
    for (const Case& c : cases) {
        IDirect3DTexture8* texture = Texture(8, 8, c.levels, D3DFMT_A8R8G8B8, c.pool, c.usage);
        ASSERT_NE(texture, nullptr) << c.what;
        IDirect3DSurface8* level = Level(texture, 0);
        RecordingSurface recording(level);
        SurfaceLocker locker;
        PixelRegion region;
        const RECT part = {0, 0, 4, 8};
        ASSERT_EQ(locker.Lock(region, &recording, nullptr, c.partial ? &part : nullptr, 0, c.flags), S_OK) << c.what;
        EXPECT_EQ(recording.locks, 1) << c.what << ": locked directly";
        EXPECT_EQ((recording.lockFlags & D3DLOCK_DISCARD) != 0, c.discard) << c.what;
        locker.Unlock();
        level->Release();
        texture->Release();
    }
}

class DefaultPoolLevelTest : public RuntimeDeviceTest {
protected:
    void SetUp() override {
        RuntimeDeviceTest::SetUp();
        texture = Texture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
        ASSERT_NE(texture, nullptr);
        level = Level(texture, 0);
        IDirect3DSurface8* staging = nullptr;
        ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &staging), S_OK);
        original = MemoryImage(D3DFMT_A8R8G8B8, 4, 8, 8);
        FillPattern(original);
        Write(staging, original);
        ASSERT_EQ(device->CopyRects(staging, nullptr, 0, level, nullptr), S_OK);
        staging->Release();
    }
    void TearDown() override {
        if (level) level->Release();
        if (texture) texture->Release();
        RuntimeDeviceTest::TearDown();
    }
    void Paint(const PixelRegion& region, std::uint32_t value) {
        for (UINT y = region.box.Top; y < region.box.Bottom; ++y)
            for (UINT x = region.box.Left; x < region.box.Right; ++x)
                std::memcpy(region.pixels + y * region.rowPitch + x * 4, &value, 4);
    }

    IDirect3DTexture8* texture = nullptr;
    IDirect3DSurface8* level = nullptr;
    MemoryImage original{D3DFMT_A8R8G8B8, 4, 1, 1};
};

TEST_F(DefaultPoolLevelTest, PartialWriteFillsTheTemporaryAndWritesItBack) {
    const UINT live = RuntimeLiveObjectCount();
    SurfaceLocker locker;
    PixelRegion region;
    const RECT part = {2, 2, 5, 4};
    ASSERT_EQ(locker.Lock(region, level, nullptr, &part, 0, 0), S_OK);
    EXPECT_NE(locker.temporary, nullptr);
    EXPECT_TRUE(SameBox(region.box, {0, 0, 3, 2, 0, 1}));
    Paint(region, 0x11223344);
    locker.Unlock();
    EXPECT_EQ(RuntimeLiveObjectCount(), live);
    MemoryImage after = Read(level, 4);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 4;
            ASSERT_EQ(after.Get(x, y), inside ? 0x11223344u : original.Get(x, y)) << x << ", " << y;
        }
}

TEST_F(DefaultPoolLevelTest, ReadOnlyLockSeesTheContentsAndWritesNothingBack) {
    SurfaceLocker locker;
    PixelRegion region;
    ASSERT_EQ(locker.Lock(region, level, nullptr, nullptr, 0, LOCK_READ_ONLY), S_OK);
    EXPECT_NE(locker.temporary, nullptr);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x)
            ASSERT_EQ(std::memcmp(region.pixels + y * region.rowPitch + x * 4, original.At(x, y), 4), 0);
    Paint(region, 0xDEADBEEF);
    locker.Unlock();
    MemoryImage after = Read(level, 4);
    EXPECT_EQ(after.bytes, original.bytes);
}

TEST_F(DefaultPoolLevelTest, WholeOverwriteSkipsTheFill) {
    SurfaceLocker locker;
    PixelRegion region;
    ASSERT_EQ(locker.Lock(region, level, nullptr, nullptr, 0, 0), S_OK);
    ASSERT_NE(locker.temporary, nullptr);
    // The temporary surface was not filled from the level.
    EXPECT_NE(std::memcmp(region.pixels + 3 * region.rowPitch + 12, original.At(3, 3), 4), 0);
    Paint(region, 0x0A0B0C0D);
    locker.Unlock();
    MemoryImage after = Read(level, 4);
    EXPECT_EQ(after.Get(7, 7), 0x0A0B0C0Du);
    EXPECT_EQ(after.Get(0, 0), 0x0A0B0C0Du);
}

TEST_F(SurfaceLockerTest, StandaloneSurfacesAreLockedDirectlyWhenThePlatformAllows) {
    IDirect3DSurface8* lockable = nullptr;
    IDirect3DSurface8* hidden = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &lockable), S_OK);
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &hidden), S_OK);
    for (IDirect3DSurface8* target : {lockable, hidden}) {
        SurfaceLocker locker;
        PixelRegion region;
        ASSERT_EQ(locker.Lock(region, target, nullptr, nullptr, 0, 0), S_OK);
        EXPECT_EQ(locker.temporary != nullptr, target == hidden);
        const std::uint32_t value = 0xFF102030;
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x) std::memcpy(region.pixels + y * region.rowPitch + x * 4, &value, 4);
        locker.Unlock();
        EXPECT_EQ(Read(target, 4).Get(5, 6), value);
    }
    lockable->Release();
    hidden->Release();
}

TEST_F(SurfaceLockerTest, ForcedCopyGivesTwoLocksOfOneSurface) {
    IDirect3DTexture8* texture = Texture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    IDirect3DSurface8* level = Level(texture, 0);
    SurfaceLocker reader, writer;
    PixelRegion from, to;
    ASSERT_EQ(reader.Lock(from, level, nullptr, nullptr, 0, LOCK_READ_ONLY | LOCK_FORCE_COPY), S_OK);
    EXPECT_NE(reader.temporary, nullptr);
    EXPECT_EQ(writer.Lock(to, level, nullptr, nullptr, 0, 0), S_OK);
    EXPECT_NE(from.pixels, to.pixels);
    writer.Unlock();
    reader.Unlock();
    level->Release();
    texture->Release();
}

class VolumeLockerTest : public RuntimeDeviceTest {};

TEST_F(VolumeLockerTest, BoxesAreRelativeToTheLockedPart) {
    IDirect3DVolumeTexture8* texture = VolumeTexture(4, 4, 4, 1, D3DPOOL_MANAGED);
    ASSERT_NE(texture, nullptr);
    IDirect3DVolume8* volume = VolumeLevel(texture, 0);
    VolumeLocker locker;
    PixelRegion whole, part;
    ASSERT_EQ(locker.Lock(whole, volume, nullptr, nullptr, 0, 0), S_OK);
    EXPECT_TRUE(SameBox(whole.box, {0, 0, 4, 4, 0, 4}));
    EXPECT_TRUE(SameBox(whole.extent, {0, 0, 4, 4, 0, 4}));
    const std::uint32_t marker = 0xCAFEF00D;
    std::memcpy(whole.pixels + 2 * whole.slicePitch + 3 * whole.rowPitch + 1 * 4, &marker, 4);
    const D3DBOX box = {1, 3, 3, 4, 2, 4};
    ASSERT_EQ(locker.Lock(part, volume, nullptr, &box, 0, LOCK_READ_ONLY), S_OK);
    EXPECT_TRUE(SameBox(part.box, {0, 0, 2, 1, 0, 2}));
    EXPECT_EQ(std::memcmp(part.pixels, &marker, 4), 0);

    const D3DBOX outside[] = {{2, 0, 1, 1, 0, 1}, {0, 0, 5, 1, 0, 1}, {0, 2, 1, 1, 0, 1},
                              {0, 0, 1, 5, 0, 1}, {0, 0, 1, 1, 2, 1}, {0, 0, 1, 1, 0, 5}};
    for (const D3DBOX& b : outside) EXPECT_EQ(locker.Lock(part, volume, nullptr, &b, 0, 0), D3DERR_INVALIDCALL);
    locker.Unlock();
    volume->Release();
    texture->Release();
}

TEST_F(VolumeLockerTest, DefaultPoolVolumesThatAreNotDynamicAreRefused) {
    IDirect3DVolumeTexture8* texture = VolumeTexture(4, 4, 2, 1, D3DPOOL_DEFAULT);
    ASSERT_NE(texture, nullptr);
    IDirect3DVolume8* volume = VolumeLevel(texture, 0);
    VolumeLocker locker;
    PixelRegion region;
    EXPECT_EQ(locker.Lock(region, volume, nullptr, nullptr, 0, LOCK_READ_ONLY), D3DERR_INVALIDCALL);
    EXPECT_EQ(locker.volume, nullptr);
    volume->Release();
    texture->Release();
}

}  // namespace
