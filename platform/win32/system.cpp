// The system queries: the last-error code, the millisecond timer, the operating-system
// version and the processor's features.
#include <cstring>
#include <ctime>

#include "platform/win32/layer_state.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define ORBIQUE_X86 1
#endif

namespace {

thread_local DWORD lastError = 0;

// CPUID bits that the test controls can hide.
constexpr DWORD EDX_MMX = 1u << 23;
constexpr DWORD EDX_SSE = 1u << 25;
constexpr DWORD EDX_SSE2 = 1u << 26;
constexpr DWORD EDX_MMX_EXT = 1u << 22;
constexpr DWORD EDX_3DNOW_EXT = 1u << 30;
constexpr DWORD EDX_3DNOW = 1u << 31;

// The edx bits of a leaf that the hidden features remove.
DWORD HiddenEdxBits(DWORD leaf, DWORD hidden) {
    DWORD bits = 0;
    if (leaf == 1) {
        if (hidden & platform_test::HIDE_MMX) bits |= EDX_MMX;
        if (hidden & platform_test::HIDE_SSE) bits |= EDX_SSE;
        if (hidden & platform_test::HIDE_SSE2) bits |= EDX_SSE2;
    } else if (leaf == 0x80000001u) {
        // The extended leaf repeats the MMX bit on the processors that have one.
        if (hidden & platform_test::HIDE_MMX) bits |= EDX_MMX;
        if (hidden & platform_test::HIDE_MMX_EXT) bits |= EDX_MMX_EXT;
        if (hidden & platform_test::HIDE_3DNOW_EXT) bits |= EDX_3DNOW_EXT;
        if (hidden & platform_test::HIDE_3DNOW) bits |= EDX_3DNOW;
    }
    return bits;
}

// edx of a leaf, or 0 when the leaf is beyond what the processor reports.
DWORD FeatureEdx(DWORD leaf, DWORD* ecx = nullptr) {
    DWORD registers[4] = {};
    DWORD base = leaf & 0x80000000u;
    if (!ProcessorCpuid(base, registers) || registers[0] < leaf) return 0;
    if (!ProcessorCpuid(leaf, registers)) return 0;
    if (ecx) *ecx = registers[2];
    return registers[3];
}

}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

DWORD timeGetTime() {
    if (layer_state::TestSeams().clockDriven) return layer_state::TestSeams().drivenClock;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Milliseconds since an arbitrary start, kept to 32 bits: the count wraps as on
    // Windows, about every 49.7 days.
    std::uint64_t milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(milliseconds);
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    layer_state::Seams& seams = layer_state::TestSeams();
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (seams.failGetVersion) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    OSVERSIONINFOA reported{};
    {
        std::lock_guard<std::mutex> lock(seams.versionLock);
        if (seams.reportedVersion) {
            reported = *seams.reportedVersion;
        } else {
            reported.dwMajorVersion = 5;
            reported.dwMinorVersion = 1;
            reported.dwBuildNumber = 2600;
            reported.dwPlatformId = VER_PLATFORM_WIN32_NT;
        }
    }
    reported.dwOSVersionInfoSize = info->dwOSVersionInfoSize;
    reported.szCSDVersion[sizeof(reported.szCSDVersion) - 1] = '\0';
    *info = reported;
    return TRUE;
}

BOOL ProcessorCpuid(DWORD leaf, DWORD registers[4]) {
    DWORD hidden = layer_state::TestSeams().hiddenFeatures;
    if (!registers || (hidden & platform_test::HIDE_CPUID)) return FALSE;
#ifdef ORBIQUE_X86
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(leaf, 0, eax, ebx, ecx, edx);
    registers[0] = eax;
    registers[1] = ebx;
    registers[2] = ecx;
    registers[3] = edx & ~HiddenEdxBits(leaf, hidden);
    return TRUE;
#else
    (void)leaf;
    return FALSE;
#endif
}

BOOL IsProcessorFeaturePresent(DWORD feature) {
    constexpr DWORD PF_COMPARE_EXCHANGE_DOUBLE = 2;
    constexpr DWORD PF_RDTSC_INSTRUCTION_AVAILABLE = 8;
    constexpr DWORD PF_SSE3_INSTRUCTIONS_AVAILABLE = 13;
    DWORD ecx = 0;
    switch (feature) {
    case PF_COMPARE_EXCHANGE_DOUBLE: return (FeatureEdx(1) >> 8) & 1;
    case PF_MMX_INSTRUCTIONS_AVAILABLE: return (FeatureEdx(1) & EDX_MMX) != 0;
    case PF_XMMI_INSTRUCTIONS_AVAILABLE: return (FeatureEdx(1) & EDX_SSE) != 0;
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE: return (FeatureEdx(0x80000001u) & EDX_3DNOW) != 0;
    case PF_RDTSC_INSTRUCTION_AVAILABLE: return (FeatureEdx(1) >> 4) & 1;
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE: return (FeatureEdx(1) & EDX_SSE2) != 0;
    case PF_SSE3_INSTRUCTIONS_AVAILABLE: FeatureEdx(1, &ecx); return ecx & 1;
    default: return FALSE;
    }
}
