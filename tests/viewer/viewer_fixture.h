// A window, captured message boxes, a driven clock and the textures' folder as working
// directory, for tests that drive the viewer's application object directly.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/machine_profile.h"
#include "platform/test_seams.h"
#include "platform/win32/window_test.h"
#include "viewer/scene.h"
#include "viewer/shell.h"
#include "viewer/viewer_app.h"

// A message box as (caption, text).
using Box = std::pair<std::string, std::string>;

inline std::vector<Box> TakeBoxes(HWND expectedOwner) {
    std::vector<Box> boxes;
    for (const platform_test::CapturedMessageBox& box : platform_test::TakeCapturedMessageBoxes()) {
        EXPECT_EQ(box.owner, expectedOwner) << box.caption;
        EXPECT_EQ(box.type, MB_OK) << box.caption;
        boxes.emplace_back(box.caption, box.text);
    }
    return boxes;
}

// Takes every pending message without dispatching it; returns the messages seen.
inline std::vector<MSG> DrainMessages() {
    std::vector<MSG> taken;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) taken.push_back(message);
    return taken;
}

inline bool Posted(const std::vector<MSG>& messages, HWND window, UINT id) {
    for (const MSG& message : messages)
        if (message.hwnd == window && message.message == id) return true;
    return false;
}

inline MachineProfile NamedProfile(const char* name) {
    MachineProfile profile;
    EXPECT_TRUE(FindMachineProfile(name, &profile)) << name;
    return profile;
}

inline DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline std::string AssetsFolder() { return std::string(ORBIQUE_SOURCE_DIR) + "/assets"; }

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[PATH_MAX];
        ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
        previousFolder_ = folder;
        ASSERT_EQ(chdir(AssetsFolder().c_str()), 0);

        ResetMachineProfile();
        platform_test::CaptureMessageBoxes(true);
        platform_test::TakeCapturedMessageBoxes();
        platform_test::DriveClock(true);
        platform_test::SetClock(100000);
        angleA = angleB = angleC = 0.0f;
        liveBefore_ = RuntimeLiveObjectCount();

        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrbiqueTest";
        RegisterClassExA(&windowClass);
        window_ = CreateWindowExA(0, "OrbiqueTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        DrainMessages();
    }

    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        DrainMessages();
        UnregisterClassA("OrbiqueTest", GetModuleHandleA(nullptr));
        // Whatever the test did, every Direct3D object it made is gone again.
        EXPECT_EQ(RuntimeLiveObjectCount(), liveBefore_);
        ResetMachineProfile();
        platform_test::DriveClock(false);
        platform_test::CaptureMessageBoxes(false);
        EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
    }

    // The render state as the device holds it now.
    static DWORD State(IDirect3DDevice8* device, D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetRenderState(state, &value), S_OK);
        return value;
    }

    // The number of presents into the test window so far.
    UINT PresentCount() const {
        platform_test::PresentedImage image;
        EXPECT_TRUE(platform_test::ReadPresentedImage(window_, &image));
        return image.presentCount;
    }

    HWND window_ = nullptr;

private:
    std::string previousFolder_;
    UINT liveBefore_ = 0;
};
