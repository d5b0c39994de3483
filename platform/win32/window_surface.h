// What the runtime needs from the Windows layer's windows.
#pragma once

#include "platform/windows_api.h"

// Shows an X8R8G8B8 image (rows `pitch` bytes apart) in the window's client area, scaled
// to it if the sizes differ. FALSE when the handle is not a live window.
BOOL PresentToWindow(HWND window, const void* pixels, UINT pitch, UINT width, UINT height);

// Registers the retail runtime module "d3d8.dll" with its "DebugSetMute" export; called
// by Direct3DCreate8. Loading it more than once is harmless.
void LoadRetailRuntimeModule();
