// Every image kind loaded into a texture of the software runtime, and DDS volumes and cube
// maps through the loader's volume and cube paths.
#include <cstdlib>
#include <functional>
#include <optional>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

#include "../texture_test_support.h"
#include "decoder_fixtures.h"
#include "platform/runtime/machine_profile.h"
#include "texture/texture_loader.h"
#include "transfer/filters.h"

using namespace fixtures;

namespace {

constexpr UINT WHOLE = 0xFFFFFFFFu;
constexpr DWORD ANY_USAGE = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;

// A device on a machine without size restrictions, so textures keep the files' sizes.
class LoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        MachineProfile profile = DefaultMachineProfile();
        profile.caps.TextureCaps = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP |
                                   D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_VOLUMEMAP;
        profile.caps.MaxTextureWidth = profile.caps.MaxTextureHeight = 2048;
        profile.caps.MaxVolumeExtent = 256;
        profile.caps.MaxTextureAspectRatio = 0;
        profile.formats.clear();
        for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
            profile.formats.push_back({format, ANY_USAGE, ALL_TEXTURE_TYPES});
        }
        testDevice_.emplace(profile);
        device_ = testDevice_->get();
        ASSERT_NE(nullptr, device_);
    }
    void TearDown() override {
        device_ = nullptr;
        testDevice_.reset();
        EXPECT_EQ(0u, RuntimeLiveObjectCount());
    }

    std::optional<texture_test::TestDevice> testDevice_;
    IDirect3DDevice8* device_ = nullptr;
};

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A DDS file of A8R8G8B8 texels whose blue is the face, green 16 x level + slice, red 0x40.
Bytes MakeDds(UINT side, UINT depth, UINT levels, bool cube) {
    Bytes out = {'D', 'D', 'S', ' '};
    PutLe32(out, 124);
    PutLe32(out, 0x1007 | 0x20000 | (depth > 1 ? 0x800000 : 0));
    PutLe32(out, side);
    PutLe32(out, side);
    PutLe32(out, 0);
    PutLe32(out, depth);
    PutLe32(out, levels);
    out.resize(76, 0);
    for (std::uint32_t v : {32u, 0x41u, 0u, 32u, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}) PutLe32(out, v);
    PutLe32(out, 0x401008);
    PutLe32(out, cube ? 0xFE00 : (depth > 1 ? 0x200000 : 0));
    out.resize(128, 0);
    for (UINT face = 0; face < (cube ? 6u : 1u); ++face) {
        UINT s = side, d = depth;
        for (UINT level = 0; level < levels; ++level) {
            for (UINT z = 0; z < d; ++z)
                for (UINT i = 0; i < s * s; ++i) out.insert(out.end(), {BYTE(face), BYTE(16 * level + z), 0x40, 0xFF});
            s = s > 1 ? s / 2 : 1;
            d = d > 1 ? d / 2 : 1;
        }
    }
    return out;
}

DWORD Texel(const D3DLOCKED_RECT& locked, UINT x, UINT y) {
    DWORD texel;
    std::memcpy(&texel, static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
    return texel;
}

void ExpectColourNear(DWORD want, DWORD got, const std::string& what) {
    for (int shift = 0; shift < 24; shift += 8) {
        EXPECT_LE(std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)), 1)
            << what << std::hex << ": got " << got << ", wanted " << want;
    }
}

}  // namespace

TEST_F(LoadTest, EveryKindBecomesATextureWithTheFilesPixels) {
    const Bytes bmp = ReadFixture("bmp_rgb24_w3.bmp");
    const Pnm jpegReference = ReadPnm("jpeg_colour_islow.ppm");
    auto source = [](UINT x, UINT y) {
        const Rgb c = SourceRgb(x, y);
        return DWORD(c.r) << 16 | DWORD(c.g) << 8 | c.b;
    };
    struct Case {
        std::string path;
        UINT width, height, levels;
        std::function<DWORD(UINT, UINT)> colour;
    };
    const Case cases[] = {
        {FixturePath("bmp_rgb24_w3.bmp"), 3, 4, 3, source},
        {WriteTemp("decoders_bare.dib", Bytes(bmp.begin() + 14, bmp.end())), 3, 4, 3, source},
        {FixturePath("ppm_rgb_p6.ppm"), 5, 3, 3, source},
        {FixturePath("png_rgb8.png"), 5, 3, 3, source},
        {FixturePath("jpeg_colour.jpg"), 37, 21, 6,
         [&](UINT x, UINT y) {
             const BYTE* s = &jpegReference.samples[(y * 37 + x) * 3];
             return DWORD(s[0]) << 16 | DWORD(s[1]) << 8 | s[2];
         }},
        {WriteTemp("decoders_plain.dds", MakeDds(4, 1, 2, false)), 4, 4, 3,
         [](UINT, UINT) { return DWORD(0x400000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(S_OK, LoadTextureFile(device_, c.path.c_str(), &texture));
        ASSERT_NE(nullptr, texture);
        D3DSURFACE_DESC desc = {};
        ASSERT_EQ(S_OK, texture->GetLevelDesc(0, &desc));
        EXPECT_EQ(c.width, desc.Width);
        EXPECT_EQ(c.height, desc.Height);
        EXPECT_EQ(c.levels, texture->GetLevelCount());
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(S_OK, texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
        for (UINT y = 0; y < c.height; ++y)
            for (UINT x = 0; x < c.width; ++x) ExpectColourNear(c.colour(x, y), Texel(locked, x, y), "texel");
        texture->UnlockRect(0);
        texture->Release();
    }
}

TEST_F(LoadTest, DdsLevelsComeFromTheFileAndTheRestAreGenerated) {
    const Bytes file = MakeDds(4, 1, 2, false);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, LoadTextureMemoryEx(device_, file.data(), UINT(file.size()), WHOLE, WHOLE, WHOLE, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr,
                                        nullptr, &texture));
    ASSERT_EQ(3u, texture->GetLevelCount());
    for (UINT level = 0; level < 3; ++level) {
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(S_OK, texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY));
        // Levels 0 and 1 are the file's; level 2 is filtered from level 1.
        const DWORD want = 0xFF400000u | DWORD(level == 0 ? 0 : 16) << 8;
        EXPECT_EQ(want, Texel(locked, 0, 0)) << level;
        texture->UnlockRect(level);
    }
    texture->Release();
}

TEST_F(LoadTest, DdsVolumeThroughTheVolumePath) {
    const Bytes file = MakeDds(4, 2, 2, false);
    IDirect3DBaseTexture8* base = nullptr;
    ImageInfo info = {};
    ASSERT_EQ(S_OK, LoadTextureCore(device_, file.data(), UINT(file.size()), WHOLE, WHOLE, WHOLE, WHOLE, 0,
                                    D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, &info, nullptr,
                                    D3DRTYPE_VOLUMETEXTURE, &base));
    EXPECT_EQ(4u, info.resourceType);
    EXPECT_EQ(2u, info.depth);
    EXPECT_EQ(2u, info.mipLevels);
    ASSERT_EQ(D3DRTYPE_VOLUMETEXTURE, base->GetType());
    auto* volume = static_cast<IDirect3DVolumeTexture8*>(base);
    ASSERT_EQ(3u, volume->GetLevelCount());
    D3DVOLUME_DESC desc = {};
    ASSERT_EQ(S_OK, volume->GetLevelDesc(0, &desc));
    EXPECT_EQ(4u, desc.Width);
    EXPECT_EQ(2u, desc.Depth);
    const struct {
        UINT level, z;
        DWORD texel;
    } expected[] = {{0, 0, 0xFF400000u}, {0, 1, 0xFF400100u}, {1, 0, 0xFF401000u}, {2, 0, 0xFF401000u}};
    for (const auto& e : expected) {
        D3DLOCKED_BOX box = {};
        ASSERT_EQ(S_OK, volume->LockBox(e.level, &box, nullptr, D3DLOCK_READONLY));
        DWORD texel;
        std::memcpy(&texel, static_cast<const BYTE*>(box.pBits) + e.z * box.SlicePitch, 4);
        EXPECT_EQ(e.texel, texel) << "level " << e.level << " slice " << e.z;
        volume->UnlockBox(e.level);
    }
    base->Release();
}

TEST_F(LoadTest, DdsCubeMapThroughTheCubePath) {
    const Bytes file = MakeDds(4, 1, 2, true);
    IDirect3DBaseTexture8* base = nullptr;
    ASSERT_EQ(S_OK, LoadTextureCore(device_, file.data(), UINT(file.size()), WHOLE, WHOLE, 1, WHOLE, 0,
                                    D3DFMT_UNKNOWN, D3DPOOL_MANAGED, FILTER_DEFAULT, FILTER_DEFAULT, 0, nullptr,
                                    nullptr, D3DRTYPE_CUBETEXTURE, &base));
    ASSERT_EQ(D3DRTYPE_CUBETEXTURE, base->GetType());
    auto* cube = static_cast<IDirect3DCubeTexture8*>(base);
    ASSERT_EQ(3u, cube->GetLevelCount());
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 3; ++level) {
            D3DLOCKED_RECT locked = {};
            ASSERT_EQ(S_OK, cube->LockRect(D3DCUBEMAP_FACES(face), level, &locked, nullptr, D3DLOCK_READONLY));
            const DWORD want = 0xFF400000u | DWORD(level == 0 ? 0 : 16) << 8 | face;
            EXPECT_EQ(want, Texel(locked, 0, 0)) << "face " << face << " level " << level;
            cube->UnlockRect(D3DCUBEMAP_FACES(face), level);
        }
    base->Release();
}
