// Controls that tests use to drive the Windows layer: captured message boxes, a driven
// clock, the registry file, the reported operating system and processor, and the
// debug-runtime module. Nothing in the system itself calls these.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace platform_test {

struct CapturedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// While capturing, MessageBoxA records the box (and still writes "caption: text" to
// standard error) and returns IDOK at once instead of showing it.
void CaptureMessageBoxes(bool capture);
// The boxes recorded since the last call, oldest first; the record is emptied.
std::vector<CapturedMessageBox> TakeCapturedMessageBoxes();

// While the clock is driven, timeGetTime returns the driven value.
void DriveClock(bool driven);
void SetClock(DWORD milliseconds);
void AdvanceClock(DWORD milliseconds);

// The .reg file that the registry reads; an empty path means no keys. Overrides the
// ORBIQUE_REGISTRY environment variable for the rest of the process (or until changed).
void SetRegistryFile(const std::string& path);

// GetVersionExA reports this version from now on; null restores the default (NT 5.1).
void SetReportedVersion(const OSVERSIONINFOA* version);
// Makes GetVersionExA fail (or succeed again).
void FailGetVersion(bool fail);
// ProcessorCpuid and IsProcessorFeaturePresent report these features as absent.
// Bits: 1 MMX, 2 SSE, 4 SSE2, 8 3DNow!, 16 extended 3DNow!, 32 MMX extensions;
// 0x80000000 makes CPUID fault altogether.
void HideProcessorFeatures(DWORD featureBits);
constexpr DWORD HIDE_MMX = 1;
constexpr DWORD HIDE_SSE = 2;
constexpr DWORD HIDE_SSE2 = 4;
constexpr DWORD HIDE_3DNOW = 8;
constexpr DWORD HIDE_3DNOW_EXT = 16;
constexpr DWORD HIDE_MMX_EXT = 32;
constexpr DWORD HIDE_CPUID = 0x80000000u;

// Makes the debug runtime module "d3d8d.dll" loaded (or not) in the process.
void SetDebugRuntimeLoaded(bool loaded);
// Makes the retail runtime module "d3d8.dll" unloaded again (Direct3DCreate8 loads it).
void UnloadRetailRuntime();
// Calls of each module's DebugSetMute export so far, and the argument of the latest.
struct MuteCalls {
    int count;
    DWORD lastValue;
};
MuteCalls RetailMuteCalls();
MuteCalls DebugMuteCalls();
void ResetMuteCalls();
// Forgets the entry points MuteDebugRuntime has cached, as in a fresh process.
void ForgetMuteEntryPoints();

}  // namespace platform_test
