// Message boxes: captured in tests, always written to standard error, never modal when
// ORBIQUE_NO_MODAL_BOXES is set.
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/test_seams.h"
#include "platform/windows_api.h"

namespace {

TEST(MessageBoxTest, CapturedBoxesAreRecordedInOrderAndWrittenToStandardError) {
    platform_test::CaptureMessageBoxes(true);
    platform_test::TakeCapturedMessageBoxes();
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Switching to software vertex processing", "Warning",
                          MB_OK | MB_ICONERROR),
              IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "text only", nullptr, MB_OK), IDOK);
    std::string written = testing::internal::GetCapturedStderr();
    platform_test::CaptureMessageBoxes(false);

    EXPECT_EQ(written, "Warning: Switching to software vertex processing\nError: text only\n");
    std::vector<platform_test::CapturedMessageBox> boxes = platform_test::TakeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].text, "Switching to software vertex processing");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[1].caption, "Error");
    EXPECT_TRUE(platform_test::TakeCapturedMessageBoxes().empty());
}

// Not captured: with the variable set the box goes to standard error only, so this test
// would hang on a display if the box were shown.
TEST(MessageBoxTest, NoModalBoxesWritesOnlyToStandardError) {
    platform_test::CaptureMessageBoxes(false);
    setenv("ORBIQUE_NO_MODAL_BOXES", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Could not restore D3D Device!", "Video Lost!", MB_OK), IDOK);
    std::string written = testing::internal::GetCapturedStderr();
    unsetenv("ORBIQUE_NO_MODAL_BOXES");
    EXPECT_EQ(written, "Video Lost!: Could not restore D3D Device!\n");
    EXPECT_TRUE(platform_test::TakeCapturedMessageBoxes().empty());
}

TEST(MessageBoxTest, AnOwnerThatIsNoWindowFails) {
    platform_test::CaptureMessageBoxes(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x1234), "text", "caption", MB_OK), 0);
    testing::internal::GetCapturedStderr();
    platform_test::CaptureMessageBoxes(false);
    EXPECT_EQ(GetLastError(), 1400u);
    EXPECT_TRUE(platform_test::TakeCapturedMessageBoxes().empty());
}

}  // namespace
