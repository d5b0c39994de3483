// Window classes, windows and the message queue, on SDL2 where a display exists and in
// memory otherwise. Closing an SDL window, SIGINT and SIGTERM all arrive as WM_CLOSE
// posted to the top-level window.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/layer_state.h"
#include "platform/win32/window_surface.h"
#include "platform/win32/window_test.h"

namespace {

using layer_state::ERROR_CANNOT_FIND_WND_CLASS;
using layer_state::ERROR_CLASS_ALREADY_EXISTS;
using layer_state::ERROR_CLASS_DOES_NOT_EXIST;
using layer_state::ERROR_CLASS_HAS_WINDOWS;
using layer_state::ERROR_INVALID_WINDOW_HANDLE;

// WM_CREATE's lParam points at this record, laid out as the system's CREATESTRUCTA.
struct WindowCreation {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

struct WindowClass {
    std::string name;  // as registered
    UINT style;
    WNDPROC procedure;
    HINSTANCE instance;
    ATOM atom;
};

struct Window {
    HWND handle;
    std::string className;  // lower case
    WNDPROC procedure;
    HWND parent;
    DWORD style;
    RECT outer;  // screen coordinates
    LONG clientWidth;
    LONG clientHeight;
    bool visible = false;
    bool shownBefore = false;
    bool needsPaint = false;
    bool destroying = false;
    SDL_Window* sdl = nullptr;
    std::vector<DWORD> image;  // the last present, clientWidth x clientHeight
    UINT presentCount = 0;
};

struct WindowSystem {
    std::mutex lock;
    std::map<std::string, WindowClass> classes;     // keyed by lower-case name
    std::map<HWND, std::unique_ptr<Window>> windows;  // handles grow, so this is creation order
    std::deque<MSG> queue;                          // posted messages
    bool quitPosted = false;
    int quitCode = 0;
    std::uintptr_t nextWindowSerial = 1;
    ATOM nextAtom = 0xC000;
    bool videoTried = false;
    bool videoUp = false;
};

WindowSystem& System() {
    static WindowSystem system;
    return system;
}

std::string Lower(const char* text) {
    std::string lower = text ? text : "";
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// A class name is a string, or an atom in the low word of the pointer.
std::string ClassKey(WindowSystem& system, LPCSTR name) {
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name);
    if (value != 0 && value < 0x10000) {
        for (auto& [key, windowClass] : system.classes)
            if (windowClass.atom == value) return key;
        return std::string();
    }
    return Lower(name);
}

Window* FindWindow(WindowSystem& system, HWND handle) {
    auto found = system.windows.find(handle);
    return found == system.windows.end() ? nullptr : found->second.get();
}

bool HasFrame(DWORD style) { return (style & (WS_CAPTION | WS_THICKFRAME)) != 0; }

// ---- Signals ---------------------------------------------------------------------------

std::atomic<bool> closeRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
bool handlersInstalled = false;
struct sigaction previousInterrupt;
struct sigaction previousTerminate;

void RequestClose(int) { closeRequested.store(true); }

void InstallSignalHandlers() {
    if (handlersInstalled) return;
    struct sigaction action {};
    action.sa_handler = RequestClose;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInterrupt);
    sigaction(SIGTERM, &action, &previousTerminate);
    handlersInstalled = true;
}

// With no window left to close, the signals end the process again as they normally do.
void RestoreSignalHandlers() {
    if (!handlersInstalled) return;
    sigaction(SIGINT, &previousInterrupt, nullptr);
    sigaction(SIGTERM, &previousTerminate, nullptr);
    handlersInstalled = false;
}

// ---- SDL -------------------------------------------------------------------------------

bool StartVideo(WindowSystem& system) {
    if (system.videoTried) return system.videoUp;
    system.videoTried = true;
    const char* display = std::getenv("DISPLAY");
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((!display || !*display) && (!driver || !*driver)) return false;
    // Our own handlers turn SIGINT and SIGTERM into WM_CLOSE.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    system.videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return system.videoUp;
}

void CreateSdlWindow(WindowSystem& system, Window& window, bool defaultPosition, const char* title) {
    if (window.parent || !StartVideo(system)) return;
    // The SDL window is the client area; the window manager draws the frame around it.
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
    if (!defaultPosition) {
        x = window.outer.left + (HasFrame(window.style) ? WINDOW_FRAME_SIDE : 0);
        y = window.outer.top + (HasFrame(window.style) ? WINDOW_FRAME_TOP : 0);
    }
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!HasFrame(window.style)) flags |= SDL_WINDOW_BORDERLESS;
    window.sdl = SDL_CreateWindow(title ? title : "", x, y, std::max<LONG>(window.clientWidth, 1),
                                  std::max<LONG>(window.clientHeight, 1), flags);
}

// Windows' virtual-key code of an SDL key, 0 for keys the system does not know.
WPARAM VirtualKey(SDL_Keycode key) {
    if (key >= 'a' && key <= 'z') return static_cast<WPARAM>(key - 'a' + 'A');
    if (key >= '0' && key <= '9') return static_cast<WPARAM>(key);
    switch (key) {
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_RETURN: return 0x0D;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    default: return 0;
    }
}

Window* WindowOfSdl(WindowSystem& system, Uint32 id) {
    for (auto& [handle, window] : system.windows)
        if (window->sdl && SDL_GetWindowID(window->sdl) == id) return window.get();
    return nullptr;
}

void Post(WindowSystem& system, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    system.queue.push_back(MSG{window, message, wParam, lParam, timeGetTime(), POINT{0, 0}});
}

// Turns a signal and the SDL events into posted messages. The lock is held.
void PumpEvents(WindowSystem& system) {
    if (closeRequested.exchange(false)) {
        for (auto& [handle, window] : system.windows)
            if (!window->parent && !window->destroying) {
                Post(system, handle, WM_CLOSE, 0, 0);
                break;
            }
    }
    if (!system.videoUp) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            if (Window* window = WindowOfSdl(system, event.window.windowID))
                Post(system, window->handle, WM_CLOSE, 0, 0);
        } else if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
            Window* window = WindowOfSdl(system, event.key.windowID);
            WPARAM key = VirtualKey(event.key.keysym.sym);
            if (window && key) {
                // lParam: repeat count 1, the previous-state and transition bits of a key-up.
                LPARAM bits = event.type == SDL_KEYUP ? static_cast<LPARAM>(0xC0000001u) : 1;
                Post(system, window->handle, event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP,
                     key, bits);
            }
        }
    }
}

bool MessageMatches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
    if (window == threadOnly) {
        if (message.hwnd) return false;
    } else if (window && message.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return message.message >= filterMin && message.message <= filterMax;
}

LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

// Sends a message to a window's procedure, which runs without the lock held.
LRESULT SendToWindow(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> lock(System().lock);
        Window* window = FindWindow(System(), handle);
        if (!window) return 0;
        procedure = window->procedure;
    }
    return CallProcedure(procedure, handle, message, wParam, lParam);
}

// Nearest-neighbour scaling of an X8R8G8B8 image into `target` (targetWidth x targetHeight).
void ScaleImage(const void* pixels, UINT pitch, UINT width, UINT height, std::vector<DWORD>& target,
                UINT targetWidth, UINT targetHeight) {
    target.resize(static_cast<std::size_t>(targetWidth) * targetHeight);
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    for (UINT y = 0; y < targetHeight; ++y) {
        std::size_t sourceY = static_cast<std::size_t>(y) * height / targetHeight;
        const unsigned char* row = bytes + sourceY * pitch;
        DWORD* out = &target[static_cast<std::size_t>(y) * targetWidth];
        if (width == targetWidth) {
            std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
            continue;
        }
        for (UINT x = 0; x < targetWidth; ++x) {
            std::size_t sourceX = static_cast<std::size_t>(x) * width / targetWidth;
            std::memcpy(&out[x], row + sourceX * 4, 4);
        }
    }
}

void ShowOnDisplay(Window& window) {
    if (!window.sdl || window.image.empty()) return;
    SDL_Surface* target = SDL_GetWindowSurface(window.sdl);
    if (!target) return;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        window.image.data(), window.clientWidth, window.clientHeight, 32, window.clientWidth * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (!source) return;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    if (source->w == target->w && source->h == target->h)
        SDL_BlitSurface(source, nullptr, target, nullptr);
    else
        SDL_BlitScaled(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(window.sdl);
}

}  // namespace

// The session-bus library that SDL's video starts keeps one buffer until the process ends;
// the leak checker of the sanitizer builds is told so, so that runs on a display stay
// clean. (Calling SDL_Quit at exit does not free it, and unloads the libraries that would
// name the remaining allocations.) Other programs never call this.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace layer_state {

bool EnsureVideo() {
    std::lock_guard<std::mutex> lock(System().lock);
    return StartVideo(System());
}

bool IsLiveWindow(HWND window) {
    std::lock_guard<std::mutex> lock(System().lock);
    return FindWindow(System(), window) != nullptr;
}

SDL_Window* SdlWindowOf(HWND handle) {
    std::lock_guard<std::mutex> lock(System().lock);
    Window* window = FindWindow(System(), handle);
    return window ? window->sdl : nullptr;
}

}  // namespace layer_state

// ---- Classes -----------------------------------------------------------------------------

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName ||
        reinterpret_cast<std::uintptr_t>(windowClass->lpszClassName) < 0x10000 ||
        !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowSystem& system = System();
    std::lock_guard<std::mutex> lock(system.lock);
    std::string key = Lower(windowClass->lpszClassName);
    if (system.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ATOM atom = system.nextAtom++;
    system.classes[key] = WindowClass{windowClass->lpszClassName, windowClass->style,
                                      windowClass->lpfnWndProc, windowClass->hInstance, atom};
    return atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> lock(system.lock);
    std::string key = ClassKey(system, className);
    auto found = system.classes.find(key);
    if (key.empty() || found == system.classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (auto& [handle, window] : system.windows)
        if (window->className == key) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    system.classes.erase(found);
    return TRUE;
}

// ---- Windows -----------------------------------------------------------------------------

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
    WindowSystem& system = System();
    HWND handle = nullptr;
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> lock(system.lock);
        std::string key = ClassKey(system, className);
        auto found = system.classes.find(key);
        if (key.empty() || found == system.classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (parent && !FindWindow(system, parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        bool defaultPosition = x == CW_USEDEFAULT;
        if (defaultPosition) x = y = 0;
        if (width == CW_USEDEFAULT) {
            width = 800;
            height = 600;
        }
        width = std::max(width, 0);
        height = std::max(height, 0);

        auto window = std::make_unique<Window>();
        handle = layer_state::MakeHandle<HWND>(0x10000, system.nextWindowSerial++);
        window->handle = handle;
        window->className = key;
        window->procedure = procedure = found->second.procedure;
        window->parent = parent;
        window->style = style;
        window->outer = RECT{x, y, x + width, y + height};
        LONG frameWidth = HasFrame(style) ? 2 * WINDOW_FRAME_SIDE : 0;
        LONG frameHeight = HasFrame(style) ? WINDOW_FRAME_TOP + WINDOW_FRAME_BOTTOM : 0;
        window->clientWidth = std::max<LONG>(width - frameWidth, 0);
        window->clientHeight = std::max<LONG>(height - frameHeight, 0);
        CreateSdlWindow(system, *window, defaultPosition, windowName);
        system.windows[handle] = std::move(window);
        InstallSignalHandlers();
    }

    WindowCreation creation{parameter, instance, menu, parent, height, width, y, x,
                            static_cast<LONG>(style), windowName, className, exStyle};
    if (CallProcedure(procedure, handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&creation)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    WindowSystem& system = System();
    std::vector<HWND> children;
    {
        std::lock_guard<std::mutex> lock(system.lock);
        Window* window = FindWindow(system, handle);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        // A window procedure that destroys its window again while handling WM_DESTROY.
        if (window->destroying) return TRUE;
        window->destroying = true;
        window->visible = false;
        if (window->sdl) SDL_HideWindow(window->sdl);
        for (auto& [childHandle, child] : system.windows)
            if (child->parent == handle) children.push_back(childHandle);
    }
    // The window is still valid while its procedure handles WM_DESTROY; its children are
    // destroyed after it.
    SendToWindow(handle, WM_DESTROY, 0, 0);
    for (HWND child : children) DestroyWindow(child);

    std::lock_guard<std::mutex> lock(system.lock);
    auto found = system.windows.find(handle);
    if (found->second->sdl) SDL_DestroyWindow(found->second->sdl);
    system.windows.erase(found);
    std::erase_if(system.queue, [handle](const MSG& message) { return message.hwnd == handle; });
    if (system.windows.empty()) RestoreSignalHandlers();
    return TRUE;
}

BOOL ShowWindow(HWND handle, int command) {
    bool wasVisible = false;
    bool firstShow = false;
    LONG width = 0, height = 0;
    {
        std::lock_guard<std::mutex> lock(System().lock);
        Window* window = FindWindow(System(), handle);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = window->visible;
        bool show = command != SW_HIDE;
        if (show == wasVisible) return wasVisible;
        window->visible = show;
        if (show) {
            firstShow = !window->shownBefore;
            window->shownBefore = true;
            window->needsPaint = true;
            if (window->sdl) SDL_ShowWindow(window->sdl);
        } else if (window->sdl) {
            SDL_HideWindow(window->sdl);
        }
        width = window->clientWidth;
        height = window->clientHeight;
    }
    SendToWindow(handle, WM_SHOWWINDOW, command != SW_HIDE, 0);
    if (firstShow) {
        SendToWindow(handle, WM_SIZE, 0,
                     static_cast<LPARAM>((static_cast<DWORD>(height) << 16) |
                                         (static_cast<DWORD>(width) & 0xFFFF)));
    }
    return wasVisible;
}

// Sends WM_PAINT when the window is shown and has not been painted since. The update
// region is taken as validated by that one message.
BOOL UpdateWindow(HWND handle) {
    bool paint = false;
    {
        std::lock_guard<std::mutex> lock(System().lock);
        Window* window = FindWindow(System(), handle);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        paint = window->visible && window->needsPaint;
        window->needsPaint = false;
    }
    if (paint) SendToWindow(handle, WM_PAINT, 0, 0);
    return TRUE;
}

namespace {

BOOL ReadWindowRect(HWND handle, RECT* rect, bool client) {
    std::lock_guard<std::mutex> lock(System().lock);
    Window* window = FindWindow(System(), handle);
    if (!window || !rect) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = client ? RECT{0, 0, window->clientWidth, window->clientHeight} : window->outer;
    return TRUE;
}

}  // namespace

BOOL GetClientRect(HWND handle, RECT* rect) { return ReadWindowRect(handle, rect, true); }
BOOL GetWindowRect(HWND handle, RECT* rect) { return ReadWindowRect(handle, rect, false); }

BOOL IsWindow(HWND handle) { return layer_state::IsLiveWindow(handle) ? TRUE : FALSE; }

// ---- Messages ----------------------------------------------------------------------------

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> lock(system.lock);
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
    if (!message || (window && window != threadOnly && !FindWindow(system, window))) {
        SetLastError(message ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PumpEvents(system);
    bool remove = (removeFlags & PM_REMOVE) != 0;
    for (auto it = system.queue.begin(); it != system.queue.end(); ++it) {
        if (!MessageMatches(*it, window, filterMin, filterMax)) continue;
        *message = *it;
        if (remove) system.queue.erase(it);
        return TRUE;
    }
    // WM_QUIT comes once every posted message has been taken; it belongs to no window.
    MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(system.quitCode), 0, timeGetTime(), POINT{0, 0}};
    if (system.quitPosted && (!window || window == threadOnly) &&
        MessageMatches(quit, window, filterMin, filterMax)) {
        *message = quit;
        if (remove) system.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

// Posts WM_CHAR for a key-down of a character key; answers TRUE for every key message.
BOOL TranslateMessage(const MSG* message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_KEYUP)) return FALSE;
    if (message->message == WM_KEYDOWN) {
        WPARAM key = message->wParam;
        WPARAM character = 0;
        if (key >= 'A' && key <= 'Z')
            character = key - 'A' + 'a';
        else if ((key >= '0' && key <= '9') || key == 0x20 || key == 0x0D || key == 0x1B)
            character = key;
        if (character) PostMessageA(message->hwnd, WM_CHAR, character, message->lParam);
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
    if (!message || !message->hwnd) return 0;
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> lock(System().lock);
        Window* window = FindWindow(System(), message->hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        procedure = window->procedure;
    }
    return CallProcedure(procedure, message->hwnd, message->message, message->wParam,
                         message->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> lock(system.lock);
    if (window && !FindWindow(system, window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Post(system, window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> lock(System().lock);
    System().quitPosted = true;
    System().quitCode = exitCode;
}

// ---- Presenting --------------------------------------------------------------------------

BOOL PresentToWindow(HWND handle, const void* pixels, UINT pitch, UINT width, UINT height) {
    std::lock_guard<std::mutex> lock(System().lock);
    Window* window = FindWindow(System(), handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!pixels || width == 0 || height == 0 || pitch < width * 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ScaleImage(pixels, pitch, width, height, window->image, static_cast<UINT>(window->clientWidth),
               static_cast<UINT>(window->clientHeight));
    ++window->presentCount;
    ShowOnDisplay(*window);
    return TRUE;
}

namespace platform_test {

bool ReadPresentedImage(HWND handle, PresentedImage* image) {
    std::lock_guard<std::mutex> lock(System().lock);
    Window* window = FindWindow(System(), handle);
    if (!window || !image) return false;
    image->presentCount = window->presentCount;
    image->pixels = window->image;
    bool presented = window->presentCount > 0;
    image->width = presented ? static_cast<UINT>(window->clientWidth) : 0;
    image->height = presented ? static_cast<UINT>(window->clientHeight) : 0;
    return true;
}

bool IsWindowOnDisplay(HWND handle) { return layer_state::SdlWindowOf(handle) != nullptr; }

bool IsWindowShown(HWND handle) {
    std::lock_guard<std::mutex> lock(System().lock);
    Window* window = FindWindow(System(), handle);
    return window && window->visible;
}

}  // namespace platform_test
