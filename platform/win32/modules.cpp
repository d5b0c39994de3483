// Modules: the process's own image and the two Direct3D runtime modules, each with its
// "DebugSetMute" export. A module is loaded while its reference count is above zero;
// LoadLibraryA can only load a module that is available on this machine.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/win32/layer_state.h"
#include "platform/win32/window_surface.h"

namespace {

using layer_state::TestSeams;

void RetailDebugSetMute(DWORD mute) {
    TestSeams().retailMuteValue = mute;
    ++TestSeams().retailMuteCount;
}

void DebugDebugSetMute(DWORD mute) {
    TestSeams().debugMuteValue = mute;
    ++TestSeams().debugMuteCount;
}

struct Module {
    const char* name;
    HMODULE handle;
    void (*debugSetMute)(DWORD);
    bool available;
    int references;
};

// The process image answers GetModuleHandleA(NULL); it is not in the list below.
const HINSTANCE processInstance = layer_state::MakeHandle<HINSTANCE>(0x400000, 0);

std::mutex moduleLock;
Module modules[] = {
    {"d3d8.dll", layer_state::MakeHandle<HMODULE>(0x6D000000, 0), RetailDebugSetMute, false, 0},
    {"d3d8d.dll", layer_state::MakeHandle<HMODULE>(0x6D000000, 1), DebugDebugSetMute, false, 0},
};

// The module a name means: the directory is dropped, case is ignored, and a name without
// an extension gets ".dll" (a trailing dot means "no extension").
Module* FindModuleByName(const char* fileName) {
    std::string name = fileName;
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    else if (name.find('.') == std::string::npos)
        name += ".dll";
    for (Module& module : modules)
        if (name == module.name) return &module;
    return nullptr;
}

Module* FindModuleByHandle(HMODULE handle) {
    for (Module& module : modules)
        if (module.handle == handle) return &module;
    return nullptr;
}

}  // namespace

namespace layer_state {

void SetRuntimeModulePresent(bool debugRuntime, bool present) {
    std::lock_guard<std::mutex> lock(moduleLock);
    Module& module = modules[debugRuntime ? 1 : 0];
    module.available = present;
    module.references = present ? std::max(module.references, 1) : 0;
}

}  // namespace layer_state

void LoadRetailRuntimeModule() { layer_state::SetRuntimeModulePresent(false, true); }

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return processInstance;
    std::lock_guard<std::mutex> lock(moduleLock);
    Module* module = FindModuleByName(moduleName);
    if (!module || module->references == 0) {
        SetLastError(layer_state::ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return module->handle;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(moduleLock);
    Module* module = FindModuleByName(fileName);
    if (!module || !module->available) {
        SetLastError(layer_state::ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++module->references;
    return module->handle;
}

BOOL FreeLibrary(HMODULE handle) {
    if (handle == processInstance) return TRUE;
    std::lock_guard<std::mutex> lock(moduleLock);
    Module* module = FindModuleByHandle(handle);
    if (!module || module->references == 0) {
        SetLastError(layer_state::ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --module->references;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName) {
    std::lock_guard<std::mutex> lock(moduleLock);
    Module* module = FindModuleByHandle(handle);
    if (!module || module->references == 0) {
        // The process image exports nothing the system asks for.
        SetLastError(handle == processInstance || !handle ? layer_state::ERROR_PROC_NOT_FOUND
                                                          : layer_state::ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Names below 0x10000 are ordinals; these modules export by name only. Export names
    // are case-sensitive.
    if (reinterpret_cast<std::uintptr_t>(procName) < 0x10000 ||
        std::strcmp(procName, "DebugSetMute") != 0) {
        SetLastError(layer_state::ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(module->debugSetMute);
}
