#include "texture/texture_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "texture/decoded_image.h"
#include "transfer/filters.h"
#include "texture_test_support.h"

namespace {

using texture_test::FixturePath;
using texture_test::MakeTga;
using texture_test::ReadFixture;
using texture_test::TestDevice;
using texture_test::TgaHeaderFields;

constexpr UINT WHOLE = 0xFFFFFFFFu;
constexpr DWORD ANY_USAGE = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;
constexpr DWORD FULL_MIP_CAPS = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP |
                                D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_VOLUMEMAP;
// The quadrants of quadrants_300x200_rle.tga, as X8R8G8B8 colours.
constexpr D3DCOLOR TOP_LEFT = 0xC81E1E;
constexpr D3DCOLOR TOP_RIGHT = 0x1EC81E;
constexpr D3DCOLOR BOTTOM_LEFT = 0x1E1EC8;
constexpr D3DCOLOR BOTTOM_RIGHT = 0xDCDCDC;

// A profile with the given texture caps and size limits, and the formats the loader uses.
MachineProfile LoaderProfile(DWORD textureCaps, std::initializer_list<D3DFORMAT> formats = {
                                                    D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                                    D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_P8, D3DFMT_L8,
                                                    D3DFMT_A8L8, D3DFMT_DXT1, D3DFMT_DXT5}) {
    MachineProfile profile = DefaultMachineProfile();
    profile.caps.TextureCaps = textureCaps;
    profile.caps.MaxTextureWidth = 2048;
    profile.caps.MaxTextureHeight = 2048;
    profile.caps.MaxVolumeExtent = 256;
    profile.caps.MaxTextureAspectRatio = 0;
    profile.formats.clear();
    for (D3DFORMAT format : formats) profile.formats.push_back({format, ANY_USAGE, ALL_TEXTURE_TYPES});
    return profile;
}

D3DSURFACE_DESC LevelDesc(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc = {};
    EXPECT_EQ(texture->GetLevelDesc(level, &desc), S_OK);
    return desc;
}

// The 32-bit texel (x, y) of a lockable level.
DWORD Texel(IDirect3DTexture8* texture, UINT level, UINT x, UINT y) {
    D3DLOCKED_RECT locked = {};
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) {
        ADD_FAILURE() << "level " << level << " cannot be locked";
        return 0;
    }
    DWORD texel = 0;
    std::memcpy(&texel, static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
    texture->UnlockRect(level);
    return texel;
}

void ExpectNear(DWORD actual, DWORD expected, int tolerance, const std::string& what) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        EXPECT_LE(std::abs(a - e), tolerance) << what << std::hex << ": got " << actual << ", wanted " << expected;
    }
}

class TextureLoaderTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(RuntimeLiveObjectCount(), 0u); }

    HRESULT LoadFixture(IDirect3DDevice8* device, const char* name, D3DPOOL pool, DWORD usage, D3DCOLOR colorKey,
                        PALETTEENTRY* palette, IDirect3DTexture8** texture, ImageInfo* info = nullptr) {
        return LoadTextureFileEx(device, FixturePath(name).c_str(), WHOLE, WHOLE, WHOLE, usage, D3DFMT_UNKNOWN, pool,
                                 FILTER_DEFAULT, FILTER_DEFAULT, colorKey, info, palette, texture);
    }
};

TEST_F(TextureLoaderTest, PowerOfTwoDeviceStretchesTheFileAndBuildsTheWholeChain) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS | D3DPTEXTURECAPS_POW2));
    ASSERT_NE(device.get(), nullptr);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadTextureFile(device.get(), FixturePath("quadrants_300x200_rle.tga").c_str(), &texture), S_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 10u);
    const D3DSURFACE_DESC top = LevelDesc(texture, 0);
    EXPECT_EQ(top.Width, 512u);
    EXPECT_EQ(top.Height, 256u);
    EXPECT_EQ(top.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(top.Pool, D3DPOOL_MANAGED);
    const D3DSURFACE_DESC last = LevelDesc(texture, 9);
    EXPECT_EQ(last.Width, 1u);
    EXPECT_EQ(last.Height, 1u);
    // Level 0 is the picture stretched; the generated levels keep its quadrants.
    for (UINT level : {0u, 1u, 4u}) {
        const UINT w = 512 >> level;
        const UINT h = 256 >> level;
        const std::string what = "level " + std::to_string(level);
        ExpectNear(Texel(texture, level, w / 8, h / 8) & 0xFFFFFF, TOP_LEFT, 3, what);
        ExpectNear(Texel(texture, level, w - 1 - w / 8, h / 8) & 0xFFFFFF, TOP_RIGHT, 3, what);
        ExpectNear(Texel(texture, level, w / 8, h - 1 - h / 8) & 0xFFFFFF, BOTTOM_LEFT, 3, what);
        ExpectNear(Texel(texture, level, w - 1 - w / 8, h - 1 - h / 8) & 0xFFFFFF, BOTTOM_RIGHT, 3, what);
    }
    texture->Release();
}

TEST_F(TextureLoaderTest, SizeAndLevelsFollowTheDevice) {
    struct Case {
        const char* what;
        DWORD caps;
        UINT width, height, levels;
    };
    const Case cases[] = {
        {"no mip maps", D3DPTEXTURECAPS_POW2, 512, 256, 1},
        {"any size", FULL_MIP_CAPS, 300, 200, 9},
        {"conditional powers of two", FULL_MIP_CAPS | D3DPTEXTURECAPS_NONPOW2CONDITIONAL, 300, 200, 1},
        {"square only", FULL_MIP_CAPS | D3DPTEXTURECAPS_SQUAREONLY, 200, 200, 8},
    };
    for (const Case& c : cases) {
        TestDevice device(LoaderProfile(c.caps));
        ASSERT_NE(device.get(), nullptr);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(LoadTextureFile(device.get(), FixturePath("quadrants_300x200_rle.tga").c_str(), &texture), S_OK)
            << c.what;
        EXPECT_EQ(texture->GetLevelCount(), c.levels) << c.what;
        EXPECT_EQ(LevelDesc(texture, 0).Width, c.width) << c.what;
        EXPECT_EQ(LevelDesc(texture, 0).Height, c.height) << c.what;
        texture->Release();
    }
}

TEST_F(TextureLoaderTest, TrueColorFilesTakeAlphaOnlyForAColorKey) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    IDirect3DTexture8* plain = nullptr;
    ImageInfo info = {};
    ASSERT_EQ(LoadFixture(device.get(), "rgb24_bottom.tga", D3DPOOL_MANAGED, 0, 0, nullptr, &plain, &info), S_OK);
    EXPECT_EQ(LevelDesc(plain, 0).Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.format, static_cast<std::uint32_t>(D3DFMT_R8G8B8));
    EXPECT_EQ(info.fileKind, static_cast<std::uint32_t>(IMAGE_FILE_TGA));
    plain->Release();

    IDirect3DTexture8* keyed = nullptr;
    ASSERT_EQ(LoadTextureFileEx(device.get(), FixturePath("quadrants_300x200_rle.tga").c_str(), 0, 0, 1, 0,
                                D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_POINT, FILTER_DEFAULT, 0xFF000000 | TOP_LEFT,
                                nullptr, nullptr, &keyed),
              S_OK);
    EXPECT_EQ(LevelDesc(keyed, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(LevelDesc(keyed, 0).Width, 300u);  // width and height 0 take the file's size
    EXPECT_EQ(Texel(keyed, 0, 10, 10), 0u);      // the key became transparent black
    EXPECT_EQ(Texel(keyed, 0, 290, 190), 0xFF000000 | BOTTOM_RIGHT);
    keyed->Release();
}

TEST_F(TextureLoaderTest, PalettisedFilesWithoutAPalettePointerBecomeTrueColor) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    // Fixture entry 4 is opaque black, at pixels (4, 0), (2, 1) and (0, 2).
    IDirect3DTexture8* opaque = nullptr;
    ASSERT_EQ(LoadFixture(device.get(), "palette8_bottom.tga", D3DPOOL_MANAGED, 0, 0, nullptr, &opaque), S_OK);
    EXPECT_EQ(LevelDesc(opaque, 0).Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel(opaque, 0, 1, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(Texel(opaque, 0, 4, 0) & 0xFFFFFF, 0u);
    opaque->Release();

    IDirect3DTexture8* keyed = nullptr;
    ASSERT_EQ(LoadFixture(device.get(), "palette8_bottom.tga", D3DPOOL_MANAGED, 0, 0xFF000000, nullptr, &keyed), S_OK);
    EXPECT_EQ(LevelDesc(keyed, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(keyed, 0, 4, 0), 0u);
    EXPECT_EQ(Texel(keyed, 0, 2, 1), 0u);
    EXPECT_EQ(Texel(keyed, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel(keyed, 0, 3, 0), 0xFF112233u);
    keyed->Release();

    // An entry with alpha below 255 asks for alpha too.
    TgaHeaderFields fields;
    fields.imageType = 1;
    fields.colorMapType = 1;
    fields.colorMapLength = 2;
    fields.colorMapEntryBits = 32;
    fields.width = 2;
    fields.pixelDepth = 8;
    const std::vector<BYTE> file = MakeTga(fields, {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80, 0, 1});
    IDirect3DTexture8* translucent = nullptr;
    ASSERT_EQ(LoadTextureMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()), WHOLE, WHOLE, 1, 0,
                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr,
                                  nullptr, &translucent),
              S_OK);
    EXPECT_EQ(LevelDesc(translucent, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(translucent, 0, 0, 0), 0xFF302010u);
    EXPECT_EQ(Texel(translucent, 0, 1, 0), 0x80605040u);
    translucent->Release();
}

TEST_F(TextureLoaderTest, APalettePointerKeepsP8AndReceivesTheKeyedPalette) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    PALETTEENTRY palette[256];
    std::memset(palette, 0x55, sizeof(palette));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadFixture(device.get(), "palette8_rle_top.tga", D3DPOOL_MANAGED, 0, 0xFF000000, palette, &texture),
              S_OK);
    EXPECT_EQ(LevelDesc(texture, 0).Format, D3DFMT_P8);
    const PALETTEENTRY keyed = {0, 0, 0, 0};
    const PALETTEENTRY red = {255, 0, 0, 255};
    const PALETTEENTRY white = {255, 255, 255, 255};
    EXPECT_EQ(std::memcmp(&palette[4], &keyed, 4), 0);
    EXPECT_EQ(std::memcmp(&palette[0], &red, 4), 0);
    EXPECT_EQ(std::memcmp(&palette[200], &white, 4), 0);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    const BYTE* row1 = static_cast<const BYTE*>(locked.pBits) + locked.Pitch;
    EXPECT_EQ(row1[0], 2);  // indices are kept: (x + 2y) mod 6
    EXPECT_EQ(row1[2], 4);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(TextureLoaderTest, TheDefaultPoolIsFilledThroughAStagingTextureUnlessDynamic) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    IDirect3DTexture8* stable = nullptr;
    ASSERT_EQ(LoadFixture(device.get(), "rgba32_bottom.tga", D3DPOOL_DEFAULT, 0, 0, nullptr, &stable), S_OK);
    EXPECT_EQ(LevelDesc(stable, 0).Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(stable->GetLevelCount(), 3u);
    // A default-pool level cannot be locked: read it back through a system-memory copy.
    IDirect3DTexture8* readBack = nullptr;
    ASSERT_EQ(device->CreateTexture(5, 3, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &readBack), S_OK);
    IDirect3DSurface8* source = nullptr;
    IDirect3DSurface8* destination = nullptr;
    ASSERT_EQ(stable->GetSurfaceLevel(0, &source), S_OK);
    ASSERT_EQ(readBack->GetSurfaceLevel(0, &destination), S_OK);
    EXPECT_EQ(device->CopyRects(source, nullptr, 0, destination, nullptr), S_OK);
    source->Release();
    destination->Release();
    const texture_test::Rgba c = texture_test::FixtureColor(3, 1);
    EXPECT_EQ(Texel(readBack, 0, 3, 1), DWORD(c.a) << 24 | DWORD(c.r) << 16 | DWORD(c.g) << 8 | c.b);
    readBack->Release();
    stable->Release();

    IDirect3DTexture8* dynamic = nullptr;
    ASSERT_EQ(LoadFixture(device.get(), "rgba32_bottom.tga", D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, 0, nullptr, &dynamic),
              S_OK);
    EXPECT_EQ(LevelDesc(dynamic, 0).Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(LevelDesc(dynamic, 0).Usage, D3DUSAGE_DYNAMIC);
    EXPECT_EQ(Texel(dynamic, 0, 3, 1), DWORD(c.a) << 24 | DWORD(c.r) << 16 | DWORD(c.g) << 8 | c.b);
    dynamic->Release();
}

TEST_F(TextureLoaderTest, FilesWithMoreLevelsFillThemAndTheRestFollowTheMipFilter) {
    // A DDS cube file loaded as a plain texture: its first face, three levels from the file.
    TestDevice device(LoaderProfile(FULL_MIP_CAPS | D3DPTEXTURECAPS_POW2));
    ASSERT_NE(device.get(), nullptr);
    const std::vector<BYTE> file = texture_test::MakeCubeDds();
    for (std::uint32_t mipFilter : {FILTER_BOX, FILTER_LINEAR}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(LoadTextureMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()), 8, 8, 4, 0,
                                      D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FILTER_POINT, mipFilter, 0, nullptr, nullptr,
                                      &texture),
                  S_OK);
        EXPECT_EQ(texture->GetLevelCount(), 4u);
        // Texture level i is file level i (4, 2, 1 pixels wide) stretched: green holds the
        // file level's width.
        EXPECT_EQ(Texel(texture, 0, 7, 7), 0xFF000400u);
        EXPECT_EQ(Texel(texture, 1, 3, 3), 0xFF000200u);
        EXPECT_EQ(Texel(texture, 2, 1, 1), 0xFF000100u);
        EXPECT_EQ(Texel(texture, 3, 0, 0), 0xFF000100u);
        texture->Release();
    }
}

TEST_F(TextureLoaderTest, CubeAndVolumeTexturesComeFromTheSharedBody) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    const std::vector<BYTE> cubeFile = texture_test::MakeCubeDds();
    IDirect3DBaseTexture8* cube = nullptr;
    ASSERT_EQ(LoadTextureCore(device.get(), cubeFile.data(), static_cast<UINT>(cubeFile.size()), WHOLE, WHOLE, 1,
                              WHOLE, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr,
                              nullptr, D3DRTYPE_CUBETEXTURE, &cube),
              S_OK);
    ASSERT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(cube->GetLevelCount(), 3u);
    auto* cubeTexture = static_cast<IDirect3DCubeTexture8*>(cube);
    for (UINT face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(cubeTexture->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 1, &locked, nullptr, D3DLOCK_READONLY),
                  S_OK);
        DWORD texel = 0;
        std::memcpy(&texel, locked.pBits, 4);
        EXPECT_EQ(texel, 0xFF000200u | face) << "face " << face;  // each face in file order
        cubeTexture->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 1);
    }
    cube->Release();

    // A cube from a file without six faces is refused.
    const std::vector<BYTE> flat = ReadFixture("rgba32_top.tga");
    IDirect3DBaseTexture8* refused = nullptr;
    EXPECT_EQ(LoadTextureCore(device.get(), flat.data(), static_cast<UINT>(flat.size()), WHOLE, WHOLE, 1, WHOLE, 0,
                              D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr, nullptr,
                              D3DRTYPE_CUBETEXTURE, &refused),
              E_FAIL);
    EXPECT_EQ(refused, nullptr);

    IDirect3DBaseTexture8* volume = nullptr;
    ASSERT_EQ(LoadTextureCore(device.get(), flat.data(), static_cast<UINT>(flat.size()), WHOLE, WHOLE, 1, 1, 0,
                              D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_POINT, FILTER_DEFAULT, 0, nullptr, nullptr,
                              D3DRTYPE_VOLUMETEXTURE, &volume),
              S_OK);
    ASSERT_EQ(volume->GetType(), D3DRTYPE_VOLUMETEXTURE);
    D3DVOLUME_DESC desc = {};
    ASSERT_EQ(static_cast<IDirect3DVolumeTexture8*>(volume)->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 5u);
    EXPECT_EQ(desc.Height, 3u);
    EXPECT_EQ(desc.Depth, 1u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    D3DLOCKED_BOX box = {};
    ASSERT_EQ(static_cast<IDirect3DVolumeTexture8*>(volume)->LockBox(0, &box, nullptr, D3DLOCK_READONLY), S_OK);
    DWORD texel = 0;
    std::memcpy(&texel, static_cast<const BYTE*>(box.pBits) + box.RowPitch + 8, 4);
    const texture_test::Rgba c = texture_test::FixtureColor(2, 1);
    EXPECT_EQ(texel, DWORD(c.a) << 24 | DWORD(c.r) << 16 | DWORD(c.g) << 8 | c.b);
    static_cast<IDirect3DVolumeTexture8*>(volume)->UnlockBox(0);
    volume->Release();
}

TEST_F(TextureLoaderTest, EveryFailureLeavesTheOutPointerAndNoObjectBehind) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    const std::vector<BYTE> file = ReadFixture("rgba32_top.tga");
    const BYTE* data = file.data();
    const UINT size = static_cast<UINT>(file.size());
    const BYTE garbage[40] = {0xFF, 0xFF, 0xFF};
    struct Case {
        const char* what;
        IDirect3DDevice8* device;
        const void* data;
        UINT size;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
        HRESULT expected;
    };
    const Case cases[] = {
        {"null device", nullptr, data, size, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"null data", device.get(), nullptr, size, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"size 0", device.get(), data, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"usage bits", device.get(), data, size, D3DUSAGE_POINTS, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"pool 4", device.get(), data, size, 0, D3DFMT_UNKNOWN, static_cast<D3DPOOL>(4), D3DERR_INVALIDCALL},
        {"no decoder", device.get(), garbage, sizeof(garbage), 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, ERR_INVALID_DATA},
        {"no format of the kind", device.get(), data, size, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, D3DERR_NOTAVAILABLE},
    };
    for (const Case& c : cases) {
        IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x5678);
        EXPECT_EQ(LoadTextureMemoryEx(c.device, c.data, c.size, WHOLE, WHOLE, WHOLE, c.usage, c.format, c.pool,
                                      FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr, nullptr, &texture),
                  c.expected)
            << c.what;
        EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x5678)) << c.what;
    }
    EXPECT_EQ(LoadTextureMemoryEx(device.get(), data, size, WHOLE, WHOLE, WHOLE, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                  FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr, nullptr, nullptr),
              D3DERR_INVALIDCALL);

    // A device whose creation fails hands its code back, with nothing left alive.
    const std::vector<BYTE> wide = [] {
        TgaHeaderFields fields;
        fields.width = 4096;
        fields.height = 1;
        fields.descriptor = 0x20;
        return MakeTga(fields, std::vector<BYTE>(4096 * 4, 0x7F));
    }();
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x5678);
    EXPECT_TRUE(FAILED(LoadTextureMemoryEx(device.get(), wide.data(), static_cast<UINT>(wide.size()), WHOLE, WHOLE,
                                           WHOLE, D3DUSAGE_DEPTHSTENCIL, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                           FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr, nullptr, &texture)));
    EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x5678));
}

class ResolveTextureRequirementsTest : public TextureLoaderTest {};

TEST_F(ResolveTextureRequirementsTest, SizesLevelsAndFormats) {
    struct Case {
        const char* what;
        DWORD caps;
        DWORD aspect;
        D3DRESOURCETYPE type;
        D3DPOOL pool;
        D3DFORMAT format;
        UINT width, height, depth, levels;
        UINT wantWidth, wantHeight, wantDepth, wantLevels;
        D3DFORMAT wantFormat;
    };
    const DWORD mips = FULL_MIP_CAPS;
    const Case cases[] = {
        {"-1 sizes", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, WHOLE, WHOLE, WHOLE, WHOLE,
         256, 256, 1, 9, D3DFMT_A8R8G8B8},
        {"one -1 side takes the other", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 64, WHOLE, 0, 0,
         64, 64, 1, 7, D3DFMT_A8R8G8B8},
        {"0 sides become 1", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, WHOLE, 0, 0, 0,
         1, 1, 1, 1, D3DFMT_A8R8G8B8},
        {"DXT1 rounds to blocks", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_DXT1, 30, 30, 1, 0,
         32, 32, 1, 6, D3DFMT_DXT1},
        {"DXT1 rounds in scratch too", 0, 0, D3DRTYPE_TEXTURE, D3DPOOL_SCRATCH, D3DFMT_DXT1, 30, 30, 1, 1,
         32, 32, 1, 1, D3DFMT_DXT1},
        {"20 levels asked of 64 x 64", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 64, 64, 1, 20,
         64, 64, 1, 7, D3DFMT_A8R8G8B8},
        {"fewer levels are kept", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 64, 64, 1, 3,
         64, 64, 1, 3, D3DFMT_A8R8G8B8},
        {"powers of two", mips | D3DPTEXTURECAPS_POW2, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 300,
         200, 1, 0, 512, 256, 1, 10, D3DFMT_A8R8G8B8},
        {"aspect ratio 2", mips, 2, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 512, 64, 1, 0,
         128, 64, 1, 8, D3DFMT_A8R8G8B8},
        {"aspect ratio 2, tall", mips, 2, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 16, 100, 1, 0,
         16, 32, 1, 6, D3DFMT_A8R8G8B8},
        {"square only", mips | D3DPTEXTURECAPS_SQUAREONLY, 4, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8,
         256, 64, 1, 0, 64, 64, 1, 7, D3DFMT_A8R8G8B8},
        {"size limits", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 4096, 3000, 1, 0,
         2048, 2048, 1, 12, D3DFMT_A8R8G8B8},
        {"no mip maps", 0, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 64, 64, 1, 0,
         64, 64, 1, 1, D3DFMT_A8R8G8B8},
        {"conditional powers of two", mips | D3DPTEXTURECAPS_NONPOW2CONDITIONAL, 0, D3DRTYPE_TEXTURE,
         D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 300, 200, 1, 0, 300, 200, 1, 1, D3DFMT_A8R8G8B8},
        {"conditional powers of two, square", mips | D3DPTEXTURECAPS_NONPOW2CONDITIONAL, 0, D3DRTYPE_TEXTURE,
         D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 256, 256, 1, 0, 256, 256, 1, 9, D3DFMT_A8R8G8B8},
        {"cube takes the larger side", mips, 0, D3DRTYPE_CUBETEXTURE, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 64, 32, 1, 0,
         64, 64, 1, 7, D3DFMT_A8R8G8B8},
        {"volume limits and depth levels", mips | D3DPTEXTURECAPS_VOLUMEMAP_POW2, 0, D3DRTYPE_VOLUMETEXTURE,
         D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 4, 3, 1000, 0, 4, 4, 256, 9, D3DFMT_A8R8G8B8},
        {"nearest format", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_R8G8B8, 8, 8, 1, 1,
         8, 8, 1, 1, D3DFMT_X8R8G8B8},
        {"unknown format", mips, 0, D3DRTYPE_TEXTURE, D3DPOOL_MANAGED, D3DFMT_UNKNOWN, 8, 8, 1, 1,
         8, 8, 1, 1, D3DFMT_A8R8G8B8},
        {"scratch keeps the size and asks no device", 0, 0, D3DRTYPE_TEXTURE, D3DPOOL_SCRATCH, D3DFMT_UNKNOWN, 300,
         5000, 1, 0, 300, 5000, 1, 13, D3DFMT_A8R8G8B8},
    };
    for (const Case& c : cases) {
        MachineProfile profile = LoaderProfile(c.caps);
        profile.caps.MaxTextureAspectRatio = c.aspect;
        TestDevice device(profile);
        ASSERT_NE(device.get(), nullptr);
        UINT width = c.width, height = c.height, depth = c.depth, levels = c.levels;
        D3DFORMAT format = c.format;
        ASSERT_EQ(ResolveTextureRequirements(device.get(), 0, &width, &height, &depth, &levels, &format, c.pool, c.type),
                  S_OK)
            << c.what;
        EXPECT_EQ(width, c.wantWidth) << c.what;
        EXPECT_EQ(height, c.wantHeight) << c.what;
        EXPECT_EQ(depth, c.wantDepth) << c.what;
        EXPECT_EQ(levels, c.wantLevels) << c.what;
        EXPECT_EQ(format, c.wantFormat) << c.what;
    }
}

TEST_F(ResolveTextureRequirementsTest, NullPointersAndInvalidArguments) {
    TestDevice device(LoaderProfile(FULL_MIP_CAPS));
    ASSERT_NE(device.get(), nullptr);
    UINT width = 7;
    UINT levels = 0;
    ASSERT_EQ(ResolveTextureRequirements(device.get(), 0xFFFFFFFFu, &width, nullptr, nullptr, &levels, nullptr,
                                         D3DPOOL_MANAGED, D3DRTYPE_TEXTURE),
              S_OK);
    EXPECT_EQ(width, 7u);
    EXPECT_EQ(levels, 3u);
    EXPECT_EQ(ResolveTextureRequirements(device.get(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, D3DPOOL_MANAGED,
                                         D3DRTYPE_TEXTURE),
              S_OK);

    width = 7;
    EXPECT_EQ(ResolveTextureRequirements(nullptr, 0, &width, nullptr, nullptr, nullptr, nullptr, D3DPOOL_MANAGED,
                                         D3DRTYPE_TEXTURE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(ResolveTextureRequirements(device.get(), D3DUSAGE_SOFTWAREPROCESSING, &width, nullptr, nullptr, nullptr,
                                         nullptr, D3DPOOL_MANAGED, D3DRTYPE_TEXTURE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(ResolveTextureRequirements(device.get(), 0, &width, nullptr, nullptr, nullptr, nullptr,
                                         static_cast<D3DPOOL>(4), D3DRTYPE_TEXTURE),
              D3DERR_INVALIDCALL);
    D3DFORMAT depthFormat = D3DFMT_D24S8;
    EXPECT_EQ(ResolveTextureRequirements(device.get(), 0, &width, nullptr, nullptr, nullptr, &depthFormat,
                                         D3DPOOL_MANAGED, D3DRTYPE_TEXTURE),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(width, 7u);  // nothing is written on failure
    EXPECT_EQ(depthFormat, D3DFMT_D24S8);
}

}  // namespace
