// The whole program through its entry point: the window procedure, the loop and the end.
#include "tests/viewer/viewer_fixture.h"

namespace {

TEST_F(ViewerTest, WindowProcQuitsOnDestroyOnly) {
    DrainMessages();
    EXPECT_EQ(WindowProc(window_, WM_DESTROY, 0, 0), 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);

    // WM_CLOSE takes the default road: the window is destroyed, which quits again.
    WindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
}

TEST_F(ViewerTest, EntryPointReturnsZeroAfterGivingUpOnTheDevice) {
    SetMachineProfile(NamedProfile("no-device"));
    char commandLine[] = "ignored";
    EXPECT_EQ(WinMain(nullptr, nullptr, commandLine, SW_HIDE), 0);
    std::vector<Box> boxes;
    for (const platform_test::CapturedMessageBox& box : platform_test::TakeCapturedMessageBoxes())
        boxes.emplace_back(box.caption, box.text);
    const std::vector<Box> expected = {
        {"HW Vertex Processing Not Available", "Trying SW Vertex Processing"},
        {"Video Initialization Failed", "Could not create D3D Device, Giving up---"}};
    EXPECT_EQ(boxes, expected);
    EXPECT_EQ(RuntimeLiveObjectCount(), 0u);
    // The class is gone again: registering it anew works.
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Orbique";
    EXPECT_NE(RegisterClassExA(&windowClass), 0);
    UnregisterClassA("Orbique", windowClass.hInstance);
}

TEST_F(ViewerTest, EntryPointRunsUntilAnUnrestorableLossEndsIt) {
    // The profile loses the device after some presents and cannot restore it: the program
    // draws, shows the one message, quits and leaves no Direct3D object alive.
    SetMachineProfile(NamedProfile("reset-fails"));
    ASSERT_GT(CurrentMachineProfile().loseDeviceAfterPresents, 0u);
    char commandLine[] = "";
    EXPECT_EQ(WinMain(nullptr, nullptr, commandLine, SW_SHOWDEFAULT), 0);
    std::vector<Box> boxes;
    for (const platform_test::CapturedMessageBox& box : platform_test::TakeCapturedMessageBoxes())
        boxes.emplace_back(box.caption, box.text);
    EXPECT_EQ(boxes, (std::vector<Box>{{"Video Lost!", "Could not restore D3D Device!"}}));
    EXPECT_EQ(RuntimeLiveObjectCount(), 0u);
}

}  // namespace
