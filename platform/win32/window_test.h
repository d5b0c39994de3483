// Test controls for windows: what a window shows, read back from memory, so that tests
// need no display.
#pragma once

#include <vector>

#include "platform/windows_api.h"

namespace platform_test {

struct PresentedImage {
    UINT width;                 // the client area's size at the time of the present
    UINT height;
    std::vector<DWORD> pixels;  // X8R8G8B8, width * height, rows top first
    UINT presentCount;          // presents so far into this window
};

// The image last presented into the window (scaled to its client area). False when the
// handle is not a live window; a window never presented into gives an empty image.
bool ReadPresentedImage(HWND window, PresentedImage* image);

// True when the window has an SDL window on a display; false when it exists in memory only.
bool IsWindowOnDisplay(HWND window);

// True while the window is shown (ShowWindow with anything but SW_HIDE, or WS_VISIBLE).
bool IsWindowShown(HWND window);

}  // namespace platform_test
