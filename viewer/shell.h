// The viewer's outer shell: the window class and window, the message loop and the window
// procedure.
#pragma once

#include "platform/windows_api.h"

// The program's entry, called with the instance, previous instance, command line and show
// command, all four unused. Returns 0 once the window has closed.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// The window procedure of class "Orbique": WM_DESTROY quits, everything else is default.
LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
