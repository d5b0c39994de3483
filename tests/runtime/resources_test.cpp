// Textures, surfaces and volumes: level counts and sizes, pitches, the caps of each
// profile, lockability by pool and usage, lock validation, containers and lifetimes,
// CopyRects and UpdateTexture.
#include <cstring>

#include "tests/runtime/runtime_fixture.h"

namespace {

class ResourceTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        MakeDefaultDevice();
    }
    // A device on a named profile in place of the default one.
    void UseProfile(const char* name) {
        MachineProfile profile;
        ASSERT_TRUE(FindMachineProfile(name, &profile));
        SetMachineProfile(profile);
        device->Release();
        device = nullptr;
        MakeDefaultDevice();
    }
};

TEST_F(ResourceTest, TexturesHaveExactlyTheLevelsAskedForWithSizesHalvedToOne) {
    const struct {
        UINT width, height, levels;
        D3DFORMAT format;
        UINT expectedLevels;
        UINT lastWidth, lastHeight;
        UINT lastPitch;  // of the last level
    } cases[] = {
        {256, 64, 0, D3DFMT_A8R8G8B8, 9, 1, 1, 4},
        {300, 200, 0, D3DFMT_X8R8G8B8, 9, 1, 1, 4},
        {300, 200, 3, D3DFMT_R5G6B5, 3, 75, 50, 152},  // 75 x 2 bytes rounded up to 4
        {16, 16, 0, D3DFMT_DXT1, 5, 1, 1, 8},          // still one 8-byte block at 1 x 1
        {16, 16, 0, D3DFMT_DXT5, 5, 1, 1, 16},
        {5, 3, 1, D3DFMT_YUY2, 1, 5, 3, 12},           // pairs: 3 x 4 bytes
        {7, 1, 1, D3DFMT_L8, 1, 7, 1, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " format " << c.format);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(c.width, c.height, c.levels, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        EXPECT_EQ(texture->GetType(), D3DRTYPE_TEXTURE);
        ASSERT_EQ(texture->GetLevelCount(), c.expectedLevels);
        D3DSURFACE_DESC desc{};
        ASSERT_EQ(texture->GetLevelDesc(c.expectedLevels - 1, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, c.lastWidth);
        EXPECT_EQ(desc.Height, c.lastHeight);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(c.expectedLevels - 1, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(static_cast<UINT>(locked.Pitch), c.lastPitch);
        EXPECT_EQ(texture->UnlockRect(c.expectedLevels - 1), D3D_OK);
        EXPECT_EQ(texture->GetLevelDesc(c.expectedLevels, &desc), D3DERR_INVALIDCALL);
        EXPECT_EQ(texture->Release(), 0u);
    }
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    // Scratch textures are memory only: any storable format, no caps.
    ASSERT_EQ(device->CreateTexture(3000, 5, 0, 0, D3DFMT_R8G8B8, D3DPOOL_SCRATCH, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 12u);
    texture->Release();
}

TEST_F(ResourceTest, CubeAndVolumeTexturesWithTheirLevels) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(32, 0, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, &cube), D3D_OK);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(cube->GetLevelCount(), 6u);
    IDirect3DSurface8* face = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 5, &face), D3D_OK);
    D3DSURFACE_DESC desc{};
    face->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Size, 16u);
    face->Release();
    EXPECT_EQ(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(6), 0, &face), D3DERR_INVALIDCALL);
    cube->Release();
    // Cube maps must be powers of two on the default card.
    EXPECT_EQ(device->CreateCubeTexture(24, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3DERR_INVALIDCALL);

    IDirect3DVolumeTexture8* volume = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(16, 4, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &volume), D3D_OK);
    EXPECT_EQ(volume->GetType(), D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(volume->GetLevelCount(), 5u);
    D3DVOLUME_DESC vdesc{};
    ASSERT_EQ(volume->GetLevelDesc(2, &vdesc), D3D_OK);
    EXPECT_EQ(vdesc.Width, 4u);
    EXPECT_EQ(vdesc.Height, 1u);
    EXPECT_EQ(vdesc.Depth, 2u);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    EXPECT_EQ(box.RowPitch, 64);
    EXPECT_EQ(box.SlicePitch, 256);
    volume->UnlockBox(0);
    volume->Release();
    EXPECT_EQ(device->CreateVolumeTexture(512, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume),
              D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, EachProfilesCapsRuleRefusesWhatItShould) {
    const struct {
        const char* profile;
        UINT width, height, levels;
        HRESULT expected;
        UINT expectedLevels;
    } cases[] = {
        {"pow2-only", 256, 128, 0, D3D_OK, 9},
        {"pow2-only", 300, 200, 1, D3DERR_INVALIDCALL, 0},
        {"nonpow2-conditional", 300, 200, 1, D3D_OK, 1},
        {"nonpow2-conditional", 300, 200, 0, D3DERR_INVALIDCALL, 0},
        {"square-only", 64, 32, 1, D3DERR_INVALIDCALL, 0},
        {"square-only", 64, 64, 0, D3D_OK, 7},
        {"no-mipmap", 64, 64, 0, D3D_OK, 1},
        {"no-mipmap", 64, 64, 2, D3DERR_INVALIDCALL, 0},
        {"small-limits", 512, 64, 1, D3DERR_INVALIDCALL, 0},
        {"small-limits", 256, 32, 1, D3DERR_INVALIDCALL, 0},  // aspect 8 > 4
        {"small-limits", 256, 64, 1, D3D_OK, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile << " " << c.width << "x" << c.height << " levels " << c.levels);
        UseProfile(c.profile);
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(c.width, c.height, c.levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
                  c.expected);
        if (texture) {
            EXPECT_EQ(texture->GetLevelCount(), c.expectedLevels);
            texture->Release();
        }
    }
}

TEST_F(ResourceTest, LockabilityFollowsPoolAndUsage) {
    const struct {
        D3DPOOL pool;
        DWORD usage;
        bool lockable;
    } cases[] = {
        {D3DPOOL_MANAGED, 0, true},
        {D3DPOOL_SYSTEMMEM, 0, true},
        {D3DPOOL_SCRATCH, 0, true},
        {D3DPOOL_DEFAULT, 0, false},
        {D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, true},
        {D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pool " << c.pool << " usage " << c.usage);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(8, 8, 1, c.usage, D3DFMT_A8R8G8B8, c.pool, &texture), D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), c.lockable ? D3D_OK : D3DERR_INVALIDCALL);
        if (c.lockable) EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        texture->Release();
    }
    // Usages that cannot go together, or with the pool.
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, 0x4000, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);

    // Standalone surfaces: image surfaces always, render targets when asked, depth
    // buffers only in D16_LOCKABLE.
    IDirect3DSurface8* surfaces[4] = {};
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_R8G8B8, &surfaces[0]), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &surfaces[1]), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &surfaces[2]), D3D_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, &surfaces[3]), D3D_OK);
    const HRESULT expected[4] = {D3D_OK, D3D_OK, D3DERR_INVALIDCALL, D3DERR_INVALIDCALL};
    for (int i = 0; i < 4; ++i) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(surfaces[i]->LockRect(&locked, nullptr, 0), expected[i]) << i;
        if (SUCCEEDED(expected[i])) surfaces[i]->UnlockRect();
        surfaces[i]->Release();
    }
    // The back buffer is lockable only when the parameters ask for it.
    IDirect3DSurface8* back = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(back->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    back->Release();
    // A default-pool volume cannot be locked unless it is dynamic.
    IDirect3DVolumeTexture8* volume = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &volume), D3D_OK);
    D3DLOCKED_BOX lockedBox{};
    EXPECT_EQ(volume->LockBox(0, &lockedBox, nullptr, 0), D3DERR_INVALIDCALL);
    volume->Release();
}

TEST_F(ResourceTest, LockRectanglesAreValidatedPerFormat) {
    const struct {
        D3DFORMAT format;
        UINT width, height;
        RECT rect;
        HRESULT expected;
        std::size_t offset;  // of pBits from the level's first byte
    } cases[] = {
        {D3DFMT_A8R8G8B8, 16, 16, {2, 3, 6, 7}, D3D_OK, 3 * 64 + 8},
        {D3DFMT_A8R8G8B8, 16, 16, {0, 0, 17, 4}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_A8R8G8B8, 16, 16, {6, 0, 2, 4}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_A8R8G8B8, 16, 16, {-1, 0, 2, 4}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_DXT1, 16, 16, {4, 8, 12, 16}, D3D_OK, 2 * 32 + 8},
        {D3DFMT_DXT1, 16, 16, {1, 1, 6, 6}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_DXT1, 16, 16, {0, 0, 6, 8}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_DXT5, 6, 6, {4, 4, 6, 6}, D3D_OK, 32 + 16},  // reaches the edges
        {D3DFMT_YUY2, 8, 4, {2, 1, 6, 4}, D3D_OK, 16 + 4},
        {D3DFMT_YUY2, 8, 4, {3, 0, 6, 4}, D3DERR_INVALIDCALL, 0},
        {D3DFMT_UYVY, 7, 2, {4, 0, 7, 2}, D3D_OK, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " rect " << c.rect.left << "," << c.rect.top
                                        << "," << c.rect.right << "," << c.rect.bottom);
        IDirect3DSurface8* surface = nullptr;
        ASSERT_EQ(device->CreateImageSurface(c.width, c.height, c.format, &surface), D3D_OK);
        D3DLOCKED_RECT whole{};
        ASSERT_EQ(surface->LockRect(&whole, nullptr, 0), D3D_OK);
        surface->UnlockRect();
        D3DLOCKED_RECT part{};
        EXPECT_EQ(surface->LockRect(&part, &c.rect, 0), c.expected);
        if (SUCCEEDED(c.expected)) {
            EXPECT_EQ(static_cast<BYTE*>(part.pBits) - static_cast<BYTE*>(whole.pBits),
                      static_cast<std::ptrdiff_t>(c.offset));
            surface->UnlockRect();
        }
        surface->Release();
    }
}

TEST_F(ResourceTest, LocksAreSingleAndTheirFlagsChecked) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_NOSYSLOCK), D3D_OK);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);  // another level
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(1), D3D_OK);
    // DISCARD is for dynamic resources only; NOOVERWRITE is for buffers.
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_NOOVERWRITE), D3DERR_INVALIDCALL);
    texture->Release();
    ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    texture->UnlockRect(0);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    texture->Release();

    IDirect3DVolumeTexture8* volume = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(8, 8, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &volume), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateVolumeTexture(8, 8, 4, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &volume), D3D_OK);
    D3DLOCKED_BOX box{};
    D3DBOX inside{1, 2, 5, 6, 1, 3};
    ASSERT_EQ(volume->LockBox(0, &box, &inside, 0), D3D_OK);
    EXPECT_EQ(volume->LockBox(0, &box, &inside, 0), D3DERR_INVALIDCALL);
    volume->UnlockBox(0);
    D3DBOX deep{0, 0, 8, 8, 2, 5};
    EXPECT_EQ(volume->LockBox(0, &box, &deep, 0), D3DERR_INVALIDCALL);
    volume->Release();
}

TEST_F(ResourceTest, ContainersAndSharedLifetimes) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(2, &level), D3D_OK);
    void* container = nullptr;
    for (const IID* iid : {&IID_IDirect3DTexture8, &IID_IDirect3DBaseTexture8, &IID_IDirect3DResource8}) {
        ASSERT_EQ(level->GetContainer(*iid, &container), D3D_OK);
        EXPECT_EQ(container, static_cast<void*>(texture));
        texture->Release();
    }
    EXPECT_EQ(level->GetContainer(IID_IDirect3DCubeTexture8, &container), E_NOINTERFACE);
    EXPECT_EQ(level->GetContainer(IID_IDirect3DDevice8, &container), E_NOINTERFACE);
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(level->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
    // The level keeps the texture alive, and the texture keeps the device alive.
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
}

TEST_F(ResourceTest, CubeFacesVolumesAndStandaloneSurfacesAnswerTheirContainers) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    IDirect3DSurface8* face = nullptr;
    cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_Y, 0, &face);
    void* container = nullptr;
    ASSERT_EQ(face->GetContainer(IID_IDirect3DCubeTexture8, &container), D3D_OK);
    EXPECT_EQ(container, static_cast<void*>(cube));
    cube->Release();
    EXPECT_EQ(face->GetContainer(IID_IDirect3DTexture8, &container), E_NOINTERFACE);
    face->Release();
    cube->Release();

    IDirect3DVolumeTexture8* volumeTexture = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volumeTexture), D3D_OK);
    IDirect3DVolume8* volume = nullptr;
    ASSERT_EQ(volumeTexture->GetVolumeLevel(1, &volume), D3D_OK);
    ASSERT_EQ(volume->GetContainer(IID_IDirect3DVolumeTexture8, &container), D3D_OK);
    EXPECT_EQ(container, static_cast<void*>(volumeTexture));
    volumeTexture->Release();
    volumeTexture->Release();
    D3DVOLUME_DESC desc{};
    EXPECT_EQ(volume->GetDesc(&desc), D3D_OK);  // the level keeps its texture alive
    EXPECT_EQ(desc.Depth, 2u);
    volume->Release();

    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(image->GetContainer(IID_IDirect3DTexture8, &container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    ASSERT_EQ(image->GetContainer(IID_IDirect3DDevice8, &container), D3D_OK);
    EXPECT_EQ(container, static_cast<void*>(device));
    device->Release();
    image->Release();
}

// ---- CopyRects and UpdateTexture -------------------------------------------------------

// Fills a locked surface with bytes that tell each position apart.
void FillPattern(IDirect3DSurface8* surface, UINT rowBytes, UINT rows, BYTE seed) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < rows; ++y)
        for (UINT x = 0; x < rowBytes; ++x)
            static_cast<BYTE*>(locked.pBits)[y * locked.Pitch + x] = static_cast<BYTE>(seed + y * 31 + x);
    surface->UnlockRect();
}

TEST_F(ResourceTest, CopyRectsBetweenSurfacesOfOneFormat) {
    IDirect3DSurface8* source = nullptr;
    IDirect3DSurface8* destination = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &source), D3D_OK);
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &destination), D3D_OK);
    FillPattern(source, 32, 8, 1);
    FillPattern(destination, 32, 8, 100);
    // The whole surface.
    ASSERT_EQ(device->CopyRects(source, nullptr, 0, destination, nullptr), D3D_OK);
    EXPECT_EQ(ReadRows(destination, 32, 8), ReadRows(source, 32, 8));
    // Two rectangles to two points.
    FillPattern(destination, 32, 8, 100);
    RECT rects[2] = {{0, 0, 2, 2}, {4, 4, 8, 5}};
    POINT points[2] = {{6, 6}, {0, 7}};
    ASSERT_EQ(device->CopyRects(source, rects, 2, destination, points), D3D_OK);
    std::vector<BYTE> in = ReadRows(source, 32, 8), out = ReadRows(destination, 32, 8);
    auto pixel = [](const std::vector<BYTE>& rows, int x, int y) {
        DWORD value;
        std::memcpy(&value, rows.data() + y * 32 + x * 4, 4);
        return value;
    };
    EXPECT_EQ(pixel(out, 6, 6), pixel(in, 0, 0));
    EXPECT_EQ(pixel(out, 7, 7), pixel(in, 1, 1));
    EXPECT_EQ(pixel(out, 0, 7), pixel(in, 4, 4));
    EXPECT_EQ(pixel(out, 3, 7), pixel(in, 7, 4));
    EXPECT_NE(pixel(out, 5, 5), pixel(in, 5, 5));  // untouched
    // A point that would put a rectangle outside is refused.
    POINT outside{7, 7};
    EXPECT_EQ(device->CopyRects(source, rects, 1, destination, &outside), D3DERR_INVALIDCALL);
    // The same surface: apart works, overlapping is refused.
    RECT top{0, 0, 8, 2};
    POINT below{0, 4}, overlapping{0, 1};
    EXPECT_EQ(device->CopyRects(source, &top, 1, source, &below), D3D_OK);
    EXPECT_EQ(device->CopyRects(source, &top, 1, source, &overlapping), D3DERR_INVALIDCALL);

    IDirect3DSurface8* other = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &other), D3D_OK);
    EXPECT_EQ(device->CopyRects(source, nullptr, 0, other, nullptr), D3DERR_INVALIDCALL);
    other->Release();
    source->Release();
    destination->Release();
}

TEST_F(ResourceTest, CopyRectsCopiesDxtBlocksIntoASmallerSurface) {
    // The locker's temporary surface for a 3 x 3 DXT1 level is 4 x 4: both hold one block.
    IDirect3DSurface8* wide = nullptr;
    IDirect3DSurface8* small = nullptr;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_DXT1, &wide), D3D_OK);
    ASSERT_EQ(device->CreateImageSurface(3, 3, D3DFMT_DXT1, &small), D3D_OK);
    FillPattern(wide, 8, 1, 7);
    ASSERT_EQ(device->CopyRects(wide, nullptr, 0, small, nullptr), D3D_OK);
    EXPECT_EQ(ReadRows(small, 8, 1), ReadRows(wide, 8, 1));
    RECT misaligned{1, 0, 4, 4};
    EXPECT_EQ(device->CopyRects(wide, &misaligned, 1, small, nullptr), D3DERR_INVALIDCALL);
    wide->Release();
    small->Release();
}

TEST_F(ResourceTest, UpdateTextureCopiesSystemMemoryLevelsIntoTheDefaultPool) {
    IDirect3DTexture8* staging = nullptr;
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &staging), D3D_OK);
    ASSERT_EQ(device->CreateTexture(16, 16, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    for (UINT level = 0; level < 5; ++level) {
        IDirect3DSurface8* surface = nullptr;
        staging->GetSurfaceLevel(level, &surface);
        FillPattern(surface, (16 >> level) * 4, 16 >> level, static_cast<BYTE>(level * 50));
        surface->Release();
    }
    ASSERT_EQ(device->UpdateTexture(staging, target), D3D_OK);
    for (UINT level = 0; level < 5; ++level) {
        IDirect3DSurface8 *from = nullptr, *to = nullptr;
        staging->GetSurfaceLevel(level, &from);
        target->GetSurfaceLevel(level, &to);
        EXPECT_EQ(ReadRows(to, (16 >> level) * 4, 16 >> level), ReadRows(from, (16 >> level) * 4, 16 >> level))
            << level;
        from->Release();
        to->Release();
    }
    // A destination with fewer levels takes the source levels of its sizes.
    IDirect3DTexture8* smaller = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &smaller), D3D_OK);
    ASSERT_EQ(device->UpdateTexture(staging, smaller), D3D_OK);
    IDirect3DSurface8 *from = nullptr, *to = nullptr;
    staging->GetSurfaceLevel(2, &from);
    smaller->GetSurfaceLevel(0, &to);
    EXPECT_EQ(ReadRows(to, 16, 4), ReadRows(from, 16, 4));
    from->Release();
    to->Release();
    // The wrong way round, another format, another kind, a size no source level has.
    EXPECT_EQ(device->UpdateTexture(target, staging), D3DERR_INVALIDCALL);
    IDirect3DTexture8* otherFormat = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &otherFormat), D3D_OK);
    EXPECT_EQ(device->UpdateTexture(staging, otherFormat), D3DERR_INVALIDCALL);
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube), D3D_OK);
    EXPECT_EQ(device->UpdateTexture(staging, cube), D3DERR_INVALIDCALL);
    IDirect3DTexture8* odd = nullptr;
    ASSERT_EQ(device->CreateTexture(12, 12, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &odd), D3D_OK);
    EXPECT_EQ(device->UpdateTexture(staging, odd), D3DERR_INVALIDCALL);
    for (IDirect3DBaseTexture8* t : std::initializer_list<IDirect3DBaseTexture8*>{staging, target, smaller, otherFormat, cube, odd})
        t->Release();
}

}  // namespace
