// The processor and registry tests that choose processor-specific code.
#include "math/processor_features.h"

#include <atomic>
#include <cstring>

namespace {

constexpr const char* DIRECT3D_KEY = "Software\\Velquist\\Direct3D";

// -1 not yet tested, 0 MMX not to be used, 1 MMX available.
std::atomic<int> mmxState{-1};

bool CpuidLeaf(DWORD leaf, DWORD registers[4]) { return ProcessorCpuid(leaf, registers) != FALSE; }

// edx of leaf 1 once leaf 0 has reported it; 0 when CPUID faults or the leaf is absent.
DWORD StandardFeatureEdx() {
    DWORD registers[4] = {};
    if (!CpuidLeaf(0, registers) || registers[0] == 0) return 0;
    if (!CpuidLeaf(1, registers)) return 0;
    return registers[3];
}

bool ReadDisableMmx() {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, DIRECT3D_KEY, &key) != ERROR_SUCCESS) return false;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    LONG result = RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

void ClearMmxState() {
#if defined(__i386__) || defined(__x86_64__)
    __asm__ __volatile__("emms");
#endif
}

}  // namespace

int QueryDirect3DSwitch(DWORD expectedType, LPCSTR valueName, void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, DIRECT3D_KEY, &key) != ERROR_SUCCESS) return 0;
    DWORD type = REG_NONE;
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, static_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == expectedType ? 1 : 0;
}

int IsMmxEnabled() {
    if (ReadDisableMmx()) {
        mmxState = 0;
        return 0;
    }
    int expected = -1;
    if (mmxState.load() == -1) {
        int found = 0;
        if (StandardFeatureEdx() & (1u << 23)) {
            ClearMmxState();
            found = 1;
        }
        mmxState.compare_exchange_strong(expected, found);
    }
    return mmxState.load();
}

void ResetMmxState() { mmxState = -1; }

int CpuidReportsSse() { return (StandardFeatureEdx() >> 25) & 1; }
int CpuidReportsSse2() { return (StandardFeatureEdx() >> 26) & 1; }

int CpuidReports3DNow() {
    DWORD registers[4] = {};
    if (!CpuidLeaf(0x80000000u, registers) || registers[0] < 0x80000001u) return 0;
    if (!CpuidLeaf(0x80000001u, registers)) return 0;
    return (registers[3] >> 31) & 1;
}

Processor3DNowFeatures Probe3DNowProcessor() {
    Processor3DNowFeatures features{};
    DWORD registers[4] = {};
    if (!CpuidLeaf(0, registers) || registers[0] == 0) return features;
    // The vendor string is ebx, edx, ecx.
    char vendor[13] = {};
    std::memcpy(vendor, &registers[1], 4);
    std::memcpy(vendor + 4, &registers[3], 4);
    std::memcpy(vendor + 8, &registers[2], 4);
    if (!CpuidLeaf(1, registers)) return features;
    features.mmx = (registers[3] >> 23) & 1;
    if (!CpuidLeaf(0x80000000u, registers) || registers[0] <= 0x80000000u) return features;
    if (!CpuidLeaf(0x80000001u, registers)) return features;
    features.threeDNow = (registers[3] >> 31) & 1;
    if (std::strcmp(vendor, "AuthenticAMD") == 0) {
        features.extended3DNow = (registers[3] >> 30) & 1;
        features.mmxExtensions = (registers[3] >> 22) & 1;
    }
    return features;
}

int ProcessorFeatureUsable(DWORD feature) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (feature == PF_XMMI64_INSTRUCTIONS_AVAILABLE) return CpuidReportsSse2();
        return IsProcessorFeaturePresent(feature) ? 1 : 0;
    }
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        // Windows 95 does not save the SSE registers; 4.10 build 1373 (Windows 98) does.
        bool tooOld = version.dwMajorVersion < 4 ||
                      (version.dwMajorVersion == 4 &&
                       (version.dwMinorVersion < 10 || (version.dwBuildNumber & 0xFFFF) < 1373));
        switch (feature) {
        case PF_XMMI_INSTRUCTIONS_AVAILABLE: return tooOld ? 0 : CpuidReportsSse();
        case PF_XMMI64_INSTRUCTIONS_AVAILABLE: return tooOld ? 0 : CpuidReportsSse2();
        case PF_3DNOW_INSTRUCTIONS_AVAILABLE: return CpuidReports3DNow();
        default: return 0;
        }
    }
    return 0;
}
