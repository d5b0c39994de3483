// The operating-system version, the processor's features and the millisecond timer.
#include <ctime>

#include <gtest/gtest.h>

#include "platform/test_seams.h"
#include "platform/windows_api.h"

namespace {

TEST(SystemTest, GetVersionChecksTheSizeAndReportsNt51ByDefault) {
    OSVERSIONINFOA info{};
    for (DWORD size : {0u, 147u, 156u}) {
        info.dwOSVersionInfoSize = size;
        EXPECT_FALSE(GetVersionExA(&info)) << size;
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    }
    info.dwOSVersionInfoSize = 148;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);

    OSVERSIONINFOA windows95{};
    windows95.dwMajorVersion = 4;
    windows95.dwBuildNumber = 0x040003B6;
    windows95.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    platform_test::SetReportedVersion(&windows95);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_EQ(info.dwBuildNumber, 0x040003B6u);
    platform_test::FailGetVersion(true);
    EXPECT_FALSE(GetVersionExA(&info));
    platform_test::FailGetVersion(false);
    platform_test::SetReportedVersion(nullptr);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
}

// The CPUID bit of each hidden feature, and the Windows feature code that reports it.
struct HiddenFeature {
    DWORD hide;
    DWORD leaf;
    int edxBit;
    DWORD windowsFeature;  // 0: none
};
const HiddenFeature hiddenFeatures[] = {
    {platform_test::HIDE_MMX, 1, 23, PF_MMX_INSTRUCTIONS_AVAILABLE},
    {platform_test::HIDE_SSE, 1, 25, PF_XMMI_INSTRUCTIONS_AVAILABLE},
    {platform_test::HIDE_SSE2, 1, 26, PF_XMMI64_INSTRUCTIONS_AVAILABLE},
    {platform_test::HIDE_3DNOW, 0x80000001u, 31, PF_3DNOW_INSTRUCTIONS_AVAILABLE},
    {platform_test::HIDE_3DNOW_EXT, 0x80000001u, 30, 0},
    {platform_test::HIDE_MMX_EXT, 0x80000001u, 22, 0},
};

TEST(SystemTest, HiddenFeaturesVanishFromCpuidAndFeatureQueries) {
#if defined(__x86_64__)
    // Every x86-64 processor has MMX, SSE and SSE2.
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
#endif
    for (const HiddenFeature& feature : hiddenFeatures) {
        DWORD plain[4] = {};
        if (!ProcessorCpuid(feature.leaf, plain)) GTEST_SKIP() << "no CPUID on this processor";
        platform_test::HideProcessorFeatures(feature.hide);
        DWORD hidden[4] = {};
        ASSERT_TRUE(ProcessorCpuid(feature.leaf, hidden));
        EXPECT_EQ(hidden[3], plain[3] & ~(1u << feature.edxBit)) << feature.hide;
        EXPECT_EQ(hidden[0], plain[0]);
        if (feature.windowsFeature) {
            EXPECT_FALSE(IsProcessorFeaturePresent(feature.windowsFeature));
        }
        platform_test::HideProcessorFeatures(0);
    }
    platform_test::HideProcessorFeatures(platform_test::HIDE_CPUID);
    DWORD registers[4];
    EXPECT_FALSE(ProcessorCpuid(0, registers));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
    platform_test::HideProcessorFeatures(0);
}

TEST(SystemTest, DrivenClockWrapsAt32Bits) {
    platform_test::DriveClock(true);
    platform_test::SetClock(0xFFFFFFF0u);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
    platform_test::AdvanceClock(0x20);
    EXPECT_EQ(timeGetTime(), 0x10u);
    // Unsigned differences stay right across the wrap, as the tween clock relies on.
    EXPECT_EQ(timeGetTime() - 0xFFFFFFF0u, 0x20u);
    platform_test::DriveClock(false);
}

TEST(SystemTest, RealClockFollowsTheMonotonicClockInMilliseconds) {
    DWORD first = timeGetTime();
    timespec pause{0, 30 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    DWORD elapsed = timeGetTime() - first;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 5000u);
}

}  // namespace
