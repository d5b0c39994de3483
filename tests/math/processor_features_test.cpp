// The registry switch query, the MMX test and the processor-feature tests that choose
// processor-specific code.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "math/processor_features.h"
#include "platform/test_seams.h"

namespace {

std::string WriteRegistry(const std::string& values) {
    std::string path = testing::TempDir() + "orbique_" + std::to_string(getpid()) + "_switches.reg";
    std::ofstream file(path, std::ios::trunc);
    file << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Velquist\\Direct3D]\n" << values;
    return path;
}

class ProcessorFeaturesTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        platform_test::SetRegistryFile("");
        platform_test::HideProcessorFeatures(0);
        platform_test::SetReportedVersion(nullptr);
        platform_test::FailGetVersion(false);
        ResetMmxState();
    }
    static bool ProcessorHasMmx() { return IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE); }
};

TEST_F(ProcessorFeaturesTest, SwitchQueryNeedsTheTypeButWritesTheDataAnyway) {
    platform_test::SetRegistryFile(WriteRegistry(
        "\"DisableMathVariants\"=dword:00000001\n\"AsText\"=\"1\"\n\"Long\"=\"longer than four\"\n"));
    struct Case {
        const char* name;
        int answer;
        const char* written;  // the first bytes of the buffer afterwards
    } cases[] = {
        {"DisableMathVariants", 1, "\x01\x00\x00\x00"},
        {"AsText", 0, "1\0\xCC\xCC"},           // a string: written, but not the type asked for
        {"Long", 0, "\xCC\xCC\xCC\xCC"},        // larger than the buffer
        {"Missing", 0, "\xCC\xCC\xCC\xCC"},
    };
    for (const Case& c : cases) {
        unsigned char data[4];
        std::memset(data, 0xCC, sizeof(data));
        EXPECT_EQ(QueryDirect3DSwitch(REG_DWORD, c.name, data, 4), c.answer) << c.name;
        EXPECT_EQ(std::memcmp(data, c.written, 4), 0) << c.name;
    }
    platform_test::SetRegistryFile("");
    DWORD value = 0;
    EXPECT_EQ(QueryDirect3DSwitch(REG_DWORD, "DisableMathVariants", &value, 4), 0);
}

TEST_F(ProcessorFeaturesTest, MmxFollowsTheProcessorWhenTheSwitchIsAbsentOrNotADwordOrZero) {
    for (const char* values : {"", "\"DisableMMX\"=dword:00000000\n", "\"DisableMMX\"=\"1\"\n"}) {
        platform_test::SetRegistryFile(WriteRegistry(values));
        ResetMmxState();
        EXPECT_EQ(IsMmxEnabled(), ProcessorHasMmx() ? 1 : 0) << values;
    }
#if defined(__x86_64__)
    EXPECT_EQ(IsMmxEnabled(), 1);
#endif
}

TEST_F(ProcessorFeaturesTest, DisableMmxTurnsMmxOffForTheRestOfTheProcess) {
    EXPECT_EQ(IsMmxEnabled(), ProcessorHasMmx() ? 1 : 0);
    std::string path = WriteRegistry("\"DisableMMX\"=dword:00000002\n");
    platform_test::SetRegistryFile(path);
    EXPECT_EQ(IsMmxEnabled(), 0);
    // The switch removed again: the state stays 0.
    WriteRegistry("");
    EXPECT_EQ(IsMmxEnabled(), 0);
    platform_test::SetRegistryFile("");
    EXPECT_EQ(IsMmxEnabled(), 0);
}

TEST_F(ProcessorFeaturesTest, TheProcessorIsAskedOnlyAtTheFirstCall) {
    const int hasMmx = ProcessorHasMmx() ? 1 : 0;
    platform_test::HideProcessorFeatures(platform_test::HIDE_MMX);
    EXPECT_EQ(IsMmxEnabled(), 0);
    platform_test::HideProcessorFeatures(0);
    EXPECT_EQ(IsMmxEnabled(), 0);

    ResetMmxState();
    EXPECT_EQ(IsMmxEnabled(), hasMmx);
    platform_test::HideProcessorFeatures(platform_test::HIDE_CPUID);
    EXPECT_EQ(IsMmxEnabled(), hasMmx);
    ResetMmxState();
    EXPECT_EQ(IsMmxEnabled(), 0);
}

TEST_F(ProcessorFeaturesTest, CpuidTestsSeeHiddenFeaturesAndFaults) {
    int sse = CpuidReportsSse();
    int sse2 = CpuidReportsSse2();
    EXPECT_EQ(sse, IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) ? 1 : 0);
    EXPECT_EQ(sse2, IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) ? 1 : 0);
    EXPECT_EQ(CpuidReports3DNow(), IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE) ? 1 : 0);

    platform_test::HideProcessorFeatures(platform_test::HIDE_SSE2);
    EXPECT_EQ(CpuidReportsSse(), sse);
    EXPECT_EQ(CpuidReportsSse2(), 0);
    platform_test::HideProcessorFeatures(platform_test::HIDE_CPUID);
    EXPECT_EQ(CpuidReportsSse(), 0);
    EXPECT_EQ(CpuidReports3DNow(), 0);
    Processor3DNowFeatures none = Probe3DNowProcessor();
    EXPECT_EQ(none.mmx + none.threeDNow + none.extended3DNow + none.mmxExtensions, 0);

    platform_test::HideProcessorFeatures(platform_test::HIDE_3DNOW | platform_test::HIDE_3DNOW_EXT |
                                         platform_test::HIDE_MMX_EXT);
    Processor3DNowFeatures probe = Probe3DNowProcessor();
    EXPECT_EQ(probe.mmx, ProcessorHasMmx() ? 1 : 0);
    EXPECT_EQ(probe.threeDNow + probe.extended3DNow + probe.mmxExtensions, 0);
}

TEST_F(ProcessorFeaturesTest, FeatureUsabilityDependsOnTheOperatingSystem) {
    int sse = CpuidReportsSse();
    int sse2 = CpuidReportsSse2();
    int threeDNow = CpuidReports3DNow();
    struct Case {
        DWORD platform, major, minor, build;
        int sse, sse2, threeDNow;
    } cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 1, 2600, sse, sse2, threeDNow},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, 0, 0, threeDNow},  // Windows 95
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A055C, 0, 0, threeDNow},  // 4.10 build 1372
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A055D, sse, sse2, threeDNow},  // build 1373
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0x045A0BB8, sse, sse2, threeDNow},  // Me
        {VER_PLATFORM_WIN32_WINDOWS, 5, 0, 0, sse, sse2, threeDNow},
        {VER_PLATFORM_WIN32s, 3, 10, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        OSVERSIONINFOA version{};
        version.dwPlatformId = c.platform;
        version.dwMajorVersion = c.major;
        version.dwMinorVersion = c.minor;
        version.dwBuildNumber = c.build;
        platform_test::SetReportedVersion(&version);
        SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor << "."
                                        << (c.build & 0xFFFF));
        EXPECT_EQ(ProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE) != 0, c.sse != 0);
        EXPECT_EQ(ProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0, c.sse2 != 0);
        EXPECT_EQ(ProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE) != 0, c.threeDNow != 0);
    }
    platform_test::SetReportedVersion(nullptr);
    platform_test::FailGetVersion(true);
    EXPECT_EQ(ProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE), 0);
}

}  // namespace
