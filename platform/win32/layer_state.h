// State that the Windows layer shares between its files and with the test controls of
// platform/test_seams.h. Private to platform/; nothing above the layer includes it.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/test_seams.h"
#include "platform/windows_api.h"

struct SDL_Window;

namespace layer_state {

// Error codes the layer sets that the public declarations do not name.
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_INVALID_ADDRESS = 487;
constexpr DWORD ERROR_MAPPED_ALIGNMENT = 1132;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;

// What the test controls have set. Each group has its own lock or is atomic, so the
// layer's functions may be called from any thread.
struct Seams {
    std::mutex boxLock;
    bool captureBoxes = false;
    std::vector<platform_test::CapturedMessageBox> capturedBoxes;

    std::atomic<bool> clockDriven{false};
    std::atomic<DWORD> drivenClock{0};

    std::mutex registryLock;
    std::optional<std::string> registryFile;  // set: overrides ORBIQUE_REGISTRY

    std::mutex versionLock;
    std::optional<OSVERSIONINFOA> reportedVersion;
    std::atomic<bool> failGetVersion{false};

    std::atomic<DWORD> hiddenFeatures{0};

    std::atomic<int> retailMuteCount{0};
    std::atomic<DWORD> retailMuteValue{0};
    std::atomic<int> debugMuteCount{0};
    std::atomic<DWORD> debugMuteValue{0};
};
Seams& TestSeams();

// Windows (window.cpp). EnsureVideo starts SDL's video on first need and answers whether
// a display exists; SdlWindowOf gives a live window's SDL window (null when it has none).
bool EnsureVideo();
bool IsLiveWindow(HWND window);
SDL_Window* SdlWindowOf(HWND window);

// The module list (modules.cpp): makes a runtime module available and loaded, or gone.
void SetRuntimeModulePresent(bool debugRuntime, bool present);
// The cached DebugSetMute entry points (debug_mute.cpp).
void ForgetMuteEntryPoints();

// The in-process identity of handles: small numbers that never look like the null handle
// or INVALID_HANDLE_VALUE, distinct per kind so that one kind is never taken for another.
template <typename Handle>
Handle MakeHandle(std::uintptr_t base, std::uintptr_t serial) {
    return reinterpret_cast<Handle>(base + serial * 4);
}

}  // namespace layer_state
