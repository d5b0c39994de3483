// The packed box routines against the rounded-half-up mean of each channel, the MMX form
// against the portable ones, and the once-per-process choice between them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "math/processor_features.h"
#include "transfer/box_routines.h"

namespace {

struct Channel {
    int shift;
    int bits;
};

// Each format's stored channels, written out independently of the routines' masks. Bits
// in no channel are X bits, which the portable routines write as 0.
struct BoxFormat {
    const char* name;
    D3DFORMAT format;
    UINT bytes;
    std::vector<Channel> channels;
};

const std::vector<BoxFormat>& BoxFormats() {
    static const std::vector<BoxFormat> formats = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, 4, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, 4, {{0, 8}, {8, 8}, {16, 8}}},
        {"R5G6B5", D3DFMT_R5G6B5, 2, {{0, 5}, {5, 6}, {11, 5}}},
        {"X1R5G5B5", D3DFMT_X1R5G5B5, 2, {{0, 5}, {5, 5}, {10, 5}}},
        {"A1R5G5B5", D3DFMT_A1R5G5B5, 2, {{0, 5}, {5, 5}, {10, 5}, {15, 1}}},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, 2, {{0, 4}, {4, 4}, {8, 4}, {12, 4}}},
        {"X4R4G4B4", D3DFMT_X4R4G4B4, 2, {{0, 4}, {4, 4}, {8, 4}}},
        {"R3G3B2", D3DFMT_R3G3B2, 1, {{0, 2}, {2, 3}, {5, 3}}},
        {"A8R3G3B2", D3DFMT_A8R3G3B2, 2, {{0, 2}, {2, 3}, {5, 3}, {8, 8}}},
        {"A8", D3DFMT_A8, 1, {{0, 8}}},
        {"L8", D3DFMT_L8, 1, {{0, 8}}},
        {"A8L8", D3DFMT_A8L8, 2, {{0, 8}, {8, 8}}},
        {"A4L4", D3DFMT_A4L4, 1, {{0, 4}, {4, 4}}},
    };
    return formats;
}

std::uint32_t LoadPixel(const BYTE* at, UINT bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, at, bytes);
    return value;
}

// The expected destination pixel: each channel (a + b + c + d + 2) >> 2, X bits 0.
std::uint32_t ReferenceMean(const BoxFormat& format, const std::uint32_t (&p)[4]) {
    std::uint32_t out = 0;
    for (const Channel& c : format.channels) {
        const std::uint32_t mask = (1u << c.bits) - 1;
        std::uint32_t sum = 2;
        for (std::uint32_t pixel : p) sum += (pixel >> c.shift) & mask;
        out |= (sum >> 2) << c.shift;
    }
    return out;
}

// A source of `width` x `height` random pixels and a destination, both with padded pitches;
// the padding must come through untouched.
struct HalvingJob {
    UINT bytes, width, height, sourcePitch, destinationPitch;
    std::vector<BYTE> source, destination;

    HalvingJob(UINT bytes, UINT width, UINT height, unsigned seed)
        : bytes(bytes), width(width), height(height), sourcePitch(width * bytes + 5),
          destinationPitch(width / 2 * bytes + 3), source(sourcePitch * height), destination(destinationPitch * (height / 2), 0xCD) {
        std::mt19937 random(seed);
        for (BYTE& b : source) b = BYTE(random());
    }
    HRESULT Run(BoxRoutine routine) {
        return routine(destination.data(), destinationPitch, source.data(), sourcePitch, width, height);
    }
    std::uint32_t Source(UINT x, UINT y) const { return LoadPixel(&source[y * sourcePitch + x * bytes], bytes); }
    std::uint32_t Destination(UINT x, UINT y) const {
        return LoadPixel(&destination[y * destinationPitch + x * bytes], bytes);
    }
    void ExpectMeans(const BoxFormat& format, std::uint32_t keepMask = 0) const {
        for (UINT y = 0; y < height / 2; ++y) {
            for (UINT x = 0; x < width / 2; ++x) {
                const std::uint32_t p[4] = {Source(2 * x, 2 * y), Source(2 * x + 1, 2 * y), Source(2 * x, 2 * y + 1),
                                            Source(2 * x + 1, 2 * y + 1)};
                ASSERT_EQ(Destination(x, y) & ~keepMask, ReferenceMean(format, p))
                    << format.name << " at " << x << ", " << y;
            }
            for (UINT pad = width / 2 * bytes; pad < destinationPitch; ++pad)
                ASSERT_EQ(destination[y * destinationPitch + pad], 0xCD) << "padding of row " << y;
        }
    }
};

TEST(BoxRoutines, EveryFormatStoresTheRoundedHalfUpMean) {
    for (const BoxFormat& format : BoxFormats()) {
        BoxRoutine routine = FindBoxRoutine(format.format);
        ASSERT_NE(routine, nullptr) << format.name;
        for (auto [width, height] : {std::pair<UINT, UINT>{2, 2}, {8, 6}, {6, 4}, {34, 2}}) {
            HalvingJob job(format.bytes, width, height, width * 31 + height);
            ASSERT_EQ(job.Run(routine), S_OK);
            // Through the table the 32-bit formats may reach the MMX form, which keeps X.
            job.ExpectMeans(format, format.format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0);
        }
    }
}

TEST(BoxRoutines, PortableThirtyTwoBitRoutinesMatchTheReference) {
    for (const BoxFormat& format : BoxFormats()) {
        if (format.bytes != 4) continue;
        BoxRoutine routine = format.format == D3DFMT_A8R8G8B8 ? BoxHalveA8R8G8B8 : BoxHalveX8R8G8B8;
        HalvingJob job(4, 10, 4, 7);
        ASSERT_EQ(job.Run(routine), S_OK);
        job.ExpectMeans(format);  // X8R8G8B8 through the portable routine: X = 0
    }
}

TEST(BoxRoutines, RoundingOfSmallSums) {
    // Blue 0, 0, 1, 1 gives 1; 0, 0, 0, 1 gives 0. R5G6B5 red 31, 31, 31, 30 gives 31.
    std::uint32_t a[4] = {0xFF000000, 0xFF000000, 0xFF000001, 0xFF000001};
    BYTE out[4];
    EXPECT_EQ(BoxHalveA8R8G8B8(out, 4, reinterpret_cast<BYTE*>(a), 8, 2, 2), S_OK);
    EXPECT_EQ(LoadPixel(out, 4), 0xFF000001u);
    a[1] = 0xFF000000;
    a[2] = 0xFF000000;
    EXPECT_EQ(BoxHalveA8R8G8B8(out, 4, reinterpret_cast<BYTE*>(a), 8, 2, 2), S_OK);
    EXPECT_EQ(LoadPixel(out, 4), 0xFF000000u);

    std::uint16_t r[4] = {0xFFE0, 0xFFE0, 0xFFE0, 0xF7E0};
    EXPECT_EQ(BoxHalveR5G6B5(out, 2, reinterpret_cast<BYTE*>(r), 4, 2, 2), S_OK);
    EXPECT_EQ(LoadPixel(out, 2), 0xFFE0u);
}

TEST(BoxRoutines, OneBitAlphaNeedsTwoOfFour) {
    const std::uint16_t cases[][5] = {
        // four source pixels, expected alpha bit
        {0x8000, 0x8000, 0x0000, 0x0000, 1},
        {0x8000, 0x0000, 0x0000, 0x0000, 0},
        {0x8000, 0x8000, 0x8000, 0x0000, 1},
        {0x0000, 0x0000, 0x0000, 0x0000, 0},
    };
    for (const auto& c : cases) {
        const std::uint16_t square[4] = {c[0], c[1], c[2], c[3]};
        BYTE out[2];
        ASSERT_EQ(BoxHalveA1R5G5B5(out, 2, reinterpret_cast<const BYTE*>(square), 4, 2, 2), S_OK);
        EXPECT_EQ(LoadPixel(out, 2) >> 15, c[4]);
    }
}

#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)
TEST(BoxRoutines, MmxAveragesAllFourBytesAndHandsOddWidthsToThePortableForm) {
    const BoxFormat& argb = BoxFormats()[0];
    for (UINT width : {4u, 8u, 20u}) {
        HalvingJob job(4, width, 6, width);
        ASSERT_EQ(job.Run(BoxHalveMmx32), S_OK);
        job.ExpectMeans(argb);  // the X byte of X8R8G8B8 comes out as the mean too
    }
    // Width 6 is no multiple of 4: the portable A8R8G8B8 routine, byte for byte.
    HalvingJob mmx(4, 6, 4, 99), portable(4, 6, 4, 99);
    mmx.Run(BoxHalveMmx32);
    portable.Run(BoxHalveA8R8G8B8);
    EXPECT_EQ(mmx.destination, portable.destination);
}
#endif

// The selection happens once per process, so it is watched in a fresh child process of
// this test program, with the registry file the child is told about.
std::string ThisProgram() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, std::size_t(length)) : std::string();
}

int RunSelectionChild(const std::string& registryFile, const char* expect) {
    const std::string command = "ORBIQUE_REGISTRY='" + registryFile + "' ORBIQUE_BOX_SELECTION_EXPECT=" + expect +
                                " '" + ThisProgram() + "' --gtest_filter=BoxRoutineSelectionChild.* > /dev/null 2>&1";
    return std::system(command.c_str());
}

std::string WriteRegistryFile(const char* name, const char* values) {
    const std::string path = testing::TempDir() + name;
    std::ofstream file(path);
    file << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Velquist\\Direct3D]\n" << values;
    return path;
}

TEST(BoxRoutineSelection, DisableMmxSelectsThePortableRoutinesInAFreshProcess) {
    const std::string disabled = WriteRegistryFile("disable_mmx.reg", "\"DisableMMX\"=dword:00000001\n");
    EXPECT_EQ(RunSelectionChild(disabled, "portable"), 0);
}

TEST(BoxRoutineSelection, WithoutTheSwitchTheProcessorDecides) {
    const std::string empty = WriteRegistryFile("no_switch.reg", "");
#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)
    EXPECT_EQ(RunSelectionChild(empty, "mmx"), 0);
#else
    EXPECT_EQ(RunSelectionChild(empty, "portable"), 0);
#endif
}

// Runs only as the child of the tests above.
TEST(BoxRoutineSelectionChild, ReportsTheSelectedRoutines) {
    const char* expect = std::getenv("ORBIQUE_BOX_SELECTION_EXPECT");
    if (!expect) GTEST_SKIP() << "runs as a child process of BoxRoutineSelection";
    const bool portable = std::string(expect) == "portable";

    // An X8R8G8B8 square whose X bytes are all 0xFF: the portable routine writes X = 0,
    // the MMX routine the mean, 0xFF.
    const std::uint32_t square[2][4] = {{0xFF102030, 0xFF102030, 0, 0}, {0xFF102030, 0xFF102030, 0, 0}};
    std::uint32_t out[2] = {0, 0};
    ASSERT_EQ(BoxRoutineTable[1](reinterpret_cast<BYTE*>(out), 8, reinterpret_cast<const BYTE*>(square), 16, 4, 2),
              S_OK);
    EXPECT_EQ(out[0], portable ? 0x00102030u : 0xFF102030u);
    if (portable) {
        EXPECT_EQ(BoxRoutineTable[0], BoxHalveA8R8G8B8);
        EXPECT_EQ(BoxRoutineTable[1], BoxHalveX8R8G8B8);
    } else {
#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)
        EXPECT_EQ(BoxRoutineTable[0], BoxHalveMmx32);
        EXPECT_EQ(BoxRoutineTable[1], BoxHalveMmx32);
#endif
    }
    EXPECT_EQ(IsMmxEnabled(), portable ? 0 : 1);
}

}  // namespace
