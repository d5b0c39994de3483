// Shared pieces of the texture tests: fixture files, Targa files built in memory, and
// devices of the software runtime on a chosen machine profile.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/d3d8.h"
#include "platform/runtime/machine_profile.h"
#include "platform/windows_api.h"

namespace texture_test {

inline std::string FixturePath(const std::string& name) {
    return std::string(ORBIQUE_SOURCE_DIR) + "/tests/texture/fixtures/" + name;
}

inline std::vector<BYTE> ReadFixture(const std::string& name) {
    std::ifstream in(FixturePath(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fixtures' pictures (see fixtures/make_fixtures.py).
struct Rgba {
    BYTE r, g, b, a;
};
inline Rgba FixtureColor(UINT x, UINT y) {
    return Rgba{static_cast<BYTE>(20 * x + 10), static_cast<BYTE>(40 * y + 5), static_cast<BYTE>((7 * x * y) % 256),
                static_cast<BYTE>(255 - 10 * x - 30 * y)};
}
inline BYTE FixtureGrey(UINT x, UINT y) { return static_cast<BYTE>(30 * x + 50 * y + 1); }
constexpr UINT FIXTURE_WIDTH = 5;
constexpr UINT FIXTURE_HEIGHT = 3;

// An 18-byte Targa header followed by `body`.
struct TgaHeaderFields {
    BYTE idLength = 0;
    BYTE colorMapType = 0;
    BYTE imageType = 2;
    std::uint16_t colorMapFirst = 0;
    std::uint16_t colorMapLength = 0;
    BYTE colorMapEntryBits = 0;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    BYTE pixelDepth = 32;
    BYTE descriptor = 0x20;
};

inline std::vector<BYTE> MakeTga(const TgaHeaderFields& h, const std::vector<BYTE>& body) {
    std::vector<BYTE> file = {h.idLength,
                              h.colorMapType,
                              h.imageType,
                              static_cast<BYTE>(h.colorMapFirst),
                              static_cast<BYTE>(h.colorMapFirst >> 8),
                              static_cast<BYTE>(h.colorMapLength),
                              static_cast<BYTE>(h.colorMapLength >> 8),
                              h.colorMapEntryBits,
                              0,
                              0,
                              0,
                              0,
                              static_cast<BYTE>(h.width),
                              static_cast<BYTE>(h.width >> 8),
                              static_cast<BYTE>(h.height),
                              static_cast<BYTE>(h.height >> 8),
                              h.pixelDepth,
                              h.descriptor};
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// A 32-bit uncompressed top-down Targa of w x h whose pixel (x, y) is 0xFF000000 | x << 8 | y
// (stored B, G, R, A).
inline std::vector<BYTE> MakeIndexedTga32(std::uint16_t w, std::uint16_t h, BYTE descriptor = 0x20) {
    std::vector<BYTE> body;
    for (UINT y = 0; y < h; ++y) {
        for (UINT x = 0; x < w; ++x) {
            body.insert(body.end(), {static_cast<BYTE>(y), static_cast<BYTE>(x), 0, 0xFF});
        }
    }
    TgaHeaderFields fields;
    fields.width = w;
    fields.height = h;
    fields.descriptor = descriptor;
    return MakeTga(fields, body);
}

// A DDS cube map of 4 x 4 A8R8G8B8 faces with three levels each, written here byte by byte.
// Texel bytes are face, level width, 0, 255 (blue, green, red, alpha).
inline std::vector<BYTE> MakeCubeDds() {
    std::vector<BYTE> file(128, 0);
    auto put = [&file](std::size_t offset, std::uint32_t value) { std::memcpy(&file[offset], &value, 4); };
    std::memcpy(file.data(), "DDS ", 4);
    put(4, 124);                            // header size
    put(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000);  // caps, height, width, pixel format, mip count
    put(12, 4);                             // height
    put(16, 4);                             // width
    put(28, 3);                             // mip count
    put(76, 32);                            // pixel format size
    put(80, 0x40 | 0x1);                    // RGB with alpha
    put(88, 32);
    put(92, 0x00FF0000);
    put(96, 0x0000FF00);
    put(100, 0x000000FF);
    put(104, 0xFF000000);
    put(108, 0x1000 | 0x8 | 0x400000);      // texture, complex, mip map
    put(112, 0x200 | 0xFC00);               // cube map with all six faces
    for (int face = 0; face < 6; ++face) {
        for (UINT edge : {4u, 2u, 1u}) {
            for (UINT i = 0; i < edge * edge; ++i) file.insert(file.end(), {BYTE(face), BYTE(edge), 0, 0xFF});
        }
    }
    return file;
}

// The profile of the default machine with `formats` removed from its format list.
inline MachineProfile ProfileWithout(std::initializer_list<D3DFORMAT> formats) {
    MachineProfile profile = DefaultMachineProfile();
    std::vector<FormatSupport> kept;
    for (const FormatSupport& support : profile.formats) {
        bool removed = false;
        for (D3DFORMAT format : formats) removed = removed || support.format == format;
        if (!removed) kept.push_back(support);
    }
    profile.formats = kept;
    return profile;
}

inline bool ProfileHasFormat(const MachineProfile& profile, D3DFORMAT format) {
    for (const FormatSupport& support : profile.formats) {
        if (support.format == format) return true;
    }
    return false;
}

// A window of the Windows layer (off screen without a display) for devices to present to.
HWND TestWindow();

// A HAL device with software vertex processing on `profile`; the profile stays set while the
// device lives and the default one is restored afterwards.
class TestDevice {
public:
    explicit TestDevice(const MachineProfile& profile);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice8* get() const { return device_; }
    IDirect3DDevice8* operator->() const { return device_; }

private:
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
};

}  // namespace texture_test
