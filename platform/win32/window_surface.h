// What the runtime needs from the Windows layer's windows.
#pragma once

#include "platform/windows_api.h"

// The frame of a window with a caption or a sizing border (WS_OVERLAPPEDWINDOW and the
// like): CreateWindowExA takes the outer size, and the client area is that size less
// these. A 1024 x 768 window thus has a client area of 1016 x 734. Windows with neither a
// caption nor a sizing border have no frame.
constexpr LONG WINDOW_FRAME_SIDE = 4;     // left and right border
constexpr LONG WINDOW_FRAME_TOP = 30;     // caption and top border
constexpr LONG WINDOW_FRAME_BOTTOM = 4;   // bottom border

// Shows an X8R8G8B8 image (rows `pitch` bytes apart) in the window's client area, scaled
// to it if the sizes differ. FALSE when the handle is not a live window.
BOOL PresentToWindow(HWND window, const void* pixels, UINT pitch, UINT width, UINT height);

// Registers the retail runtime module "d3d8.dll" with its "DebugSetMute" export; called
// by Direct3DCreate8. Loading it more than once is harmless.
void LoadRetailRuntimeModule();
