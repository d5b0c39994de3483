// Window classes, windows, the message queue and the default window procedure.
#include <csignal>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/window_surface.h"
#include "platform/win32/window_test.h"
#include "platform/windows_api.h"

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

struct Delivered {
    HWND window;
    UINT message;
    WPARAM wParam;
};
std::vector<Delivered> delivered;
int quitCodeOnDestroy = 0;
bool failCreation = false;

// A window procedure like the viewer's: WM_DESTROY posts WM_QUIT, all else goes to the
// default handling. Every message is recorded.
LRESULT RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    delivered.push_back({window, message, wParam});
    if (message == WM_CREATE && failCreation) return -1;
    if (message == WM_DESTROY) {
        PostQuitMessage(quitCodeOnDestroy);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        delivered.clear();
        quitCodeOnDestroy = 0;
        failCreation = false;
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_CLASSDC;
        windowClass.lpfnWndProc = RecordingProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrbiqueTest";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
    }

    void TearDown() override {
        for (HWND window : created)
            if (IsWindow(window)) DestroyWindow(window);
        DrainQueue();
        EXPECT_TRUE(UnregisterClassA("OrbiqueTest", GetModuleHandleA(nullptr)));
    }

    HWND Create(int width = 1024, int height = 768, DWORD style = WS_OVERLAPPEDWINDOW,
                HWND parent = nullptr) {
        HWND window = CreateWindowExA(0, "OrbiqueTest", "Orbique: by Velquist", style, 0, 0, width,
                                      height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        created.push_back(window);
        return window;
    }

    // The viewer's loop until WM_QUIT; the messages taken, in order.
    std::vector<MSG> RunLoop(int limit = 100) {
        std::vector<MSG> taken;
        MSG message{};
        while (message.message != WM_QUIT && limit-- > 0) {
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                taken.push_back(message);
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return taken;
    }

    static void DrainQueue() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    std::vector<UINT> MessagesTo(HWND window) const {
        std::vector<UINT> messages;
        for (const Delivered& entry : delivered)
            if (entry.window == window) messages.push_back(entry.message);
        return messages;
    }

    std::vector<HWND> created;
};

TEST_F(WindowTest, ClientAreaIsTheOuterSizeLessTheFrame) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    RECT outer{}, client{};
    ASSERT_TRUE(GetWindowRect(window, &outer));
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(outer.right - outer.left, 1024);
    EXPECT_EQ(outer.bottom - outer.top, 768);
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.right, 1024 - 2 * WINDOW_FRAME_SIDE);
    EXPECT_EQ(client.bottom, 768 - WINDOW_FRAME_TOP - WINDOW_FRAME_BOTTOM);

    // A window without caption or sizing border has no frame.
    HWND bare = Create(64, 32, 0);
    ASSERT_TRUE(GetClientRect(bare, &client));
    EXPECT_EQ(client.right, 64);
    EXPECT_EQ(client.bottom, 32);
}

TEST_F(WindowTest, CloseDestroysThenQuits) {
    quitCodeOnDestroy = 7;
    HWND window = Create();
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    EXPECT_TRUE(platform_test::IsWindowShown(window));
    delivered.clear();

    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    std::vector<MSG> taken = RunLoop();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_CLOSE);
    EXPECT_EQ(taken[0].hwnd, window);
    EXPECT_EQ(taken[1].message, WM_QUIT);
    EXPECT_EQ(taken[1].hwnd, nullptr);
    EXPECT_EQ(taken[1].wParam, 7u);
    EXPECT_EQ(MessagesTo(window), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(window));

    // WM_QUIT is taken once.
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, PostedDestroyReachesTheProcedureThroughTheLoop) {
    HWND window = Create();
    delivered.clear();
    ASSERT_TRUE(PostMessageA(window, WM_DESTROY, 0, 0));
    std::vector<MSG> taken = RunLoop();
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken.back().message, WM_QUIT);
    EXPECT_EQ(MessagesTo(window), (std::vector<UINT>{WM_DESTROY}));
}

TEST_F(WindowTest, DestroyWindowSendsDestroyAtOnceAndTakesChildrenAndQueuedMessages) {
    HWND parent = Create();
    HWND child = Create(10, 10, 0, parent);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(PostMessageA(parent, WM_USER, 1, 2));
    ASSERT_TRUE(PostMessageA(child, WM_USER, 3, 4));
    delivered.clear();

    ASSERT_TRUE(DestroyWindow(parent));
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].window, parent);
    EXPECT_EQ(delivered[0].message, WM_DESTROY);
    EXPECT_EQ(delivered[1].window, child);
    EXPECT_EQ(delivered[1].message, WM_DESTROY);
    EXPECT_FALSE(IsWindow(child));

    // Only the two quit requests remain: posted messages die with their window.
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, PeekFiltersByWindowAndRangeAndCanLeaveMessages) {
    HWND first = Create();
    HWND second = Create();
    ASSERT_TRUE(PostMessageA(first, WM_USER + 1, 11, 0));
    ASSERT_TRUE(PostMessageA(second, WM_USER + 2, 22, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 33, 0));  // a thread message

    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, second, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.wParam, 22u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER + 2, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(message.wParam, 22u);
    ASSERT_TRUE(PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.wParam, 33u);
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&message, second, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, first);
    EXPECT_EQ(message.message, WM_USER + 1);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

    // A thread message is not dispatched to any window.
    MSG thread{nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&thread), 0);
}

TEST_F(WindowTest, InvalidWindowsAndClassesFailAsOnWindows) {
    HWND stale = Create();
    ASSERT_TRUE(DestroyWindow(stale));
    DrainQueue();
    MSG message;
    for (BOOL result : {PostMessageA(stale, WM_USER, 0, 0), ShowWindow(stale, SW_SHOW),
                        PeekMessageA(&message, stale, 0, 0, PM_REMOVE)}) {
        EXPECT_FALSE(result);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
    RECT rect;
    EXPECT_FALSE(GetClientRect(stale, &rect));
    EXPECT_FALSE(PresentToWindow(stale, &rect, 4, 1, 1));

    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), 1407u);

    // The size field must be the record's size; a class exists once; class names ignore case.
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = 48;
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.lpszClassName = "Other";
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpszClassName = "ORBIQUETEST";
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    EXPECT_EQ(GetLastError(), 1410u);

    // A class with live windows stays registered.
    HWND live = Create();
    EXPECT_FALSE(UnregisterClassA("orbiquetest", nullptr));
    EXPECT_EQ(GetLastError(), 1412u);
    DestroyWindow(live);
}

TEST_F(WindowTest, CreationFailsWhenWmCreateAnswersMinusOne) {
    failCreation = true;
    HWND window = Create();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(MessagesTo(delivered.empty() ? nullptr : delivered[0].window),
              (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
}

TEST_F(WindowTest, SigtermArrivesAsCloseAndHandlersGoWithTheLastWindow) {
    HWND window = Create();
    Create(10, 10, 0, window);  // a child never gets the close
    delivered.clear();
    ASSERT_EQ(raise(SIGTERM), 0);
    std::vector<MSG> taken = RunLoop();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_CLOSE);
    EXPECT_EQ(taken[0].hwnd, window);
    EXPECT_EQ(taken[1].message, WM_QUIT);

    // With no window left the signals have their usual meaning again.
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);

    window = Create();
    ASSERT_EQ(raise(SIGINT), 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_CLOSE);
}

TEST_F(WindowTest, PresentKeepsTheImageScaledToTheClientArea) {
    HWND window = Create(4, 2, 0);
    ShowWindow(window, SW_SHOW);
    platform_test::PresentedImage image;
    ASSERT_TRUE(platform_test::ReadPresentedImage(window, &image));
    EXPECT_EQ(image.presentCount, 0u);
    EXPECT_TRUE(image.pixels.empty());

    // A 2 x 1 image (rows 12 bytes apart) is doubled across.
    const DWORD pixels[3] = {0xFF0000FFu, 0xFF00FF00u, 0xDEADBEEFu};
    ASSERT_TRUE(PresentToWindow(window, pixels, 12, 2, 1));
    ASSERT_TRUE(platform_test::ReadPresentedImage(window, &image));
    EXPECT_EQ(image.width, 4u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.presentCount, 1u);
    std::vector<DWORD> expected = {0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u,
                                   0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u};
    EXPECT_EQ(image.pixels, expected);

    // Where a display exists the window is on it; without one it lives in memory only.
    const char* display = std::getenv("DISPLAY");
    EXPECT_EQ(platform_test::IsWindowOnDisplay(window), display && *display);
}

}  // namespace
