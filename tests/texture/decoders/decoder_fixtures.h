// Shared helpers of the decoder tests: the fixture files, the pixel formulas that
// fixtures/make_fixtures.sh used for its source pictures, and small readers of decoded records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "texture/decoded_image.h"

namespace fixtures {

using Bytes = std::vector<BYTE>;

inline std::string FixturePath(const std::string& name) {
    return std::string(ORBIQUE_SOURCE_DIR) + "/tests/texture/decoders/fixtures/" + name;
}

// The whole file, in a vector of exactly its size, so the sanitizers catch any read past it.
inline Bytes ReadFixture(const std::string& name) {
    Bytes bytes;
    if (std::FILE* file = std::fopen(FixturePath(name).c_str(), "rb")) {
        BYTE chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        std::fclose(file);
    }
    EXPECT_FALSE(bytes.empty()) << "missing fixture " << name;
    bytes.shrink_to_fit();
    return bytes;
}

inline Bytes Prefix(const Bytes& bytes, std::size_t size) { return Bytes(bytes.begin(), bytes.begin() + size); }

inline Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Source pictures of the fixtures.
struct Rgb {
    BYTE r, g, b;
};
inline Rgb SourceRgb(unsigned x, unsigned y) {
    return {BYTE((x * 37 + y * 11) & 255), BYTE((x * 5 + y * 53 + 60) & 255), BYTE((x * 91 + y * 3 + 17) & 255)};
}
inline BYTE SourceGrey(unsigned x, unsigned y) { return BYTE((x * 29 + y * 71 + 5) & 255); }
inline BYTE SourceAlpha(unsigned x, unsigned y) { return BYTE((x * 50 + y) & 255); }
// A 16-bit sample whose low byte differs from its high byte.
inline std::uint16_t Wide(unsigned v, unsigned x, unsigned y) {
    return std::uint16_t((v << 8) | ((x * 7 + y * 13 + 1) & 255));
}
inline Rgb Sixteen(unsigned i) { return {BYTE(i * 16), BYTE(255 - i * 16), BYTE((i * 8 + 1) & 255)}; }
inline unsigned SixteenIndex(unsigned x, unsigned y) { return (x + 3 * y) % 16; }

// A record ready for one decoder call, as DecodeImageFile prepares it.
inline void Prepare(DecodedImage& image, BOOL loadPixels = TRUE) {
    image.loadPixels = loadPixels;
    image.resourceType = D3DRTYPE_TEXTURE;
    image.fileKind = IMAGE_FILE_BMP;
}

inline const BYTE* Row(const DecodedImage& image, unsigned y) { return image.pixels + std::size_t{image.rowPitch} * y; }

inline std::uint32_t Pixel32(const DecodedImage& image, unsigned x, unsigned y) {
    const BYTE* p = Row(image, y) + 4 * x;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

inline std::uint32_t Le32(const BYTE* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

inline void PutLe16(Bytes& out, std::uint32_t v) {
    out.push_back(BYTE(v));
    out.push_back(BYTE(v >> 8));
}
inline void PutLe32(Bytes& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

// The pixel bytes of a binary PGM or PPM file (djpeg's output), after its header.
struct Pnm {
    unsigned width = 0, height = 0, channels = 0;
    Bytes samples;
};
inline Pnm ReadPnm(const std::string& name) {
    const Bytes file = ReadFixture(name);
    Pnm pnm;
    pnm.channels = file.size() > 1 && file[1] == '6' ? 3 : 1;
    unsigned fields[3] = {0, 0, 0};
    std::size_t at = 2;
    for (unsigned& field : fields) {
        while (at < file.size() && (file[at] < '0' || file[at] > '9')) ++at;
        while (at < file.size() && file[at] >= '0' && file[at] <= '9') field = field * 10 + (file[at++] - '0');
    }
    ++at;  // the single separator before the samples
    pnm.width = fields[0];
    pnm.height = fields[1];
    pnm.samples.assign(file.begin() + std::min(at, file.size()), file.end());
    return pnm;
}

}  // namespace fixtures
