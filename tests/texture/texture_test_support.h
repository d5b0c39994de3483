// Shared pieces of the texture tests: fixture files, Targa files built in memory, and
// devices of the software runtime on a chosen machine profile.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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
