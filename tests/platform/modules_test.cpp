// The module list and the muting of the Direct3D runtime's debug messages.
#include <gtest/gtest.h>

#include "platform/debug_mute.h"
#include "platform/test_seams.h"
#include "platform/win32/window_surface.h"
#include "platform/windows_api.h"

namespace {

using platform_test::DebugMuteCalls;
using platform_test::RetailMuteCalls;

// Every test starts as a fresh process does: no runtime module, nothing cached.
class ModulesTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        platform_test::UnloadRetailRuntime();
        platform_test::SetDebugRuntimeLoaded(false);
        platform_test::ForgetMuteEntryPoints();
        platform_test::ResetMuteCalls();
    }
};

TEST_F(ModulesTest, OnlyAvailableModulesLoadWhateverTheCaseOfTheirName) {
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA("d3d8.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("d3d8.dll"), nullptr);
    EXPECT_EQ(GetLastError(), 126u);

    LoadRetailRuntimeModule();
    LoadRetailRuntimeModule();  // harmless twice
    HMODULE loaded = GetModuleHandleA("D3D8.DLL");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(GetModuleHandleA("d3d8"), loaded);
    EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\System32\\d3d8.dll"), loaded);
    EXPECT_EQ(GetModuleHandleA("d3d8d.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("opengl32.dll"), nullptr);

    // The runtime's own reference and the one LoadLibraryA took.
    EXPECT_TRUE(FreeLibrary(loaded));
    EXPECT_TRUE(FreeLibrary(loaded));
    EXPECT_EQ(GetModuleHandleA("d3d8.dll"), nullptr);
    EXPECT_FALSE(FreeLibrary(loaded));
}

TEST_F(ModulesTest, EachRuntimeExportsItsOwnDebugSetMute) {
    LoadRetailRuntimeModule();
    platform_test::SetDebugRuntimeLoaded(true);
    HMODULE retail = GetModuleHandleA("d3d8.dll");
    HMODULE debug = GetModuleHandleA("d3d8d.dll");
    ASSERT_NE(debug, nullptr);
    EXPECT_NE(retail, debug);
    auto retailMute = reinterpret_cast<void (*)(DWORD)>(GetProcAddress(retail, "DebugSetMute"));
    auto debugMute = reinterpret_cast<void (*)(DWORD)>(GetProcAddress(debug, "DebugSetMute"));
    ASSERT_NE(retailMute, nullptr);
    ASSERT_NE(debugMute, nullptr);
    retailMute(5);
    debugMute(6);
    debugMute(7);
    EXPECT_EQ(RetailMuteCalls().count, 1);
    EXPECT_EQ(RetailMuteCalls().lastValue, 5u);
    EXPECT_EQ(DebugMuteCalls().count, 2);
    EXPECT_EQ(DebugMuteCalls().lastValue, 7u);

    EXPECT_EQ(GetProcAddress(retail, "debugsetmute"), nullptr);
    EXPECT_EQ(GetLastError(), 127u);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "DebugSetMute"), nullptr);
}

TEST_F(ModulesTest, MuteWithNeitherModuleDoesNothingAndLooksAgainNextTime) {
    MuteDebugRuntime(1);
    EXPECT_EQ(RetailMuteCalls().count, 0);
    EXPECT_EQ(DebugMuteCalls().count, 0);
    LoadRetailRuntimeModule();
    MuteDebugRuntime(1);
    EXPECT_EQ(RetailMuteCalls().count, 1);
    EXPECT_EQ(RetailMuteCalls().lastValue, 1u);
}

TEST_F(ModulesTest, MuteWithOnlyTheDebugModuleCallsOnlyItsEntry) {
    platform_test::SetDebugRuntimeLoaded(true);
    MuteDebugRuntime(1);
    MuteDebugRuntime(0);
    EXPECT_EQ(DebugMuteCalls().count, 2);
    EXPECT_EQ(DebugMuteCalls().lastValue, 0u);
    EXPECT_EQ(RetailMuteCalls().count, 0);
    // Once the debug entry is cached, the retail module is not looked for again.
    LoadRetailRuntimeModule();
    MuteDebugRuntime(1);
    EXPECT_EQ(RetailMuteCalls().count, 0);
    EXPECT_EQ(DebugMuteCalls().count, 3);
}

TEST_F(ModulesTest, MuteCallsRetailThenDebugAndKeepsEntriesOnceFound) {
    LoadRetailRuntimeModule();
    platform_test::SetDebugRuntimeLoaded(true);
    MuteDebugRuntime(1);
    EXPECT_EQ(RetailMuteCalls().count, 1);
    EXPECT_EQ(DebugMuteCalls().count, 1);
    // The lookup took a reference to each module that is never given back.
    HMODULE retail = GetModuleHandleA("d3d8.dll");
    EXPECT_TRUE(FreeLibrary(retail));
    EXPECT_EQ(GetModuleHandleA("d3d8.dll"), retail);

    // Once found, the entries are kept even when the modules are no longer loaded.
    platform_test::UnloadRetailRuntime();
    platform_test::SetDebugRuntimeLoaded(false);
    MuteDebugRuntime(0);
    EXPECT_EQ(RetailMuteCalls().count, 2);
    EXPECT_EQ(RetailMuteCalls().lastValue, 0u);
    EXPECT_EQ(DebugMuteCalls().count, 2);
    EXPECT_EQ(DebugMuteCalls().lastValue, 0u);
}

}  // namespace
