// The entry point, the window and the message loop.
#include "viewer/shell.h"

#include <new>

#include "viewer/viewer_app.h"

namespace {

constexpr char WINDOW_CLASS_NAME[] = "Orbique";
constexpr char WINDOW_TITLE[] = "Orbique: by Velquist";
constexpr int WINDOW_WIDTH = 1024;  // outer size, frame included
constexpr int WINDOW_HEIGHT = 768;

}  // namespace

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    RegisterClassExA(&windowClass);

    const HWND window = CreateWindowExA(0, WINDOW_CLASS_NAME, WINDOW_TITLE, WS_OVERLAPPEDWINDOW, 0, 0,
                                        WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);

    MSG message = {};

    // The whole set-up runs here, before the loop. Without an application object there is
    // nothing to draw with, so the program quits at once.
    ViewerApp* app = new (std::nothrow) ViewerApp(window);
    if (app == nullptr) PostQuitMessage(0);

    while (message.message != WM_QUIT) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (app != nullptr) {
            app->RenderFrame();
        }
    }

    delete app;
    // A fatal device failure ends the loop through a posted WM_DESTROY, which leaves the
    // window itself in place; it goes now, so that the class can be unregistered.
    if (IsWindow(window)) DestroyWindow(window);
    UnregisterClassA(WINDOW_CLASS_NAME, instance);
    return 0;
}
