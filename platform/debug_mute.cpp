// Silencing the Direct3D runtime's debug messages through the "DebugSetMute" export of
// the retail runtime "d3d8.dll" and of the debug runtime "d3d8d.dll".
#include "platform/debug_mute.h"

#include "platform/win32/layer_state.h"
#include "platform/windows_api.h"

namespace {

using DebugSetMuteEntry = void (*)(DWORD);

// Found once, kept for the rest of the process. One thread makes the Direct3D calls, so
// no lock is needed.
DebugSetMuteEntry retailEntry = nullptr;
DebugSetMuteEntry debugEntry = nullptr;

// The export of a module that is already loaded; the extra reference LoadLibraryA takes
// keeps the module (and the cached entry) alive for good. When the module lacks the
// export, the reference is given back, since the lookup is repeated on every call.
DebugSetMuteEntry FindDebugSetMute(LPCSTR moduleName) {
    if (!GetModuleHandleA(moduleName)) return nullptr;
    HMODULE module = LoadLibraryA(moduleName);
    if (!module) return nullptr;
    FARPROC entry = GetProcAddress(module, "DebugSetMute");
    if (!entry) {
        FreeLibrary(module);
        return nullptr;
    }
    return reinterpret_cast<DebugSetMuteEntry>(entry);
}

}  // namespace

void MuteDebugRuntime(int mute) {
    DWORD value = static_cast<DWORD>(mute);
    if (retailEntry) {
        retailEntry(value);
        if (debugEntry) debugEntry(value);
        return;
    }
    if (debugEntry) {
        debugEntry(value);
        return;
    }
    retailEntry = FindDebugSetMute("d3d8.dll");
    debugEntry = FindDebugSetMute("d3d8d.dll");
    if (retailEntry) retailEntry(value);
    if (debugEntry) debugEntry(value);
}

namespace layer_state {

void ForgetMuteEntryPoints() {
    retailEntry = nullptr;
    debugEntry = nullptr;
}

}  // namespace layer_state
