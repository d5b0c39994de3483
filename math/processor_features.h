// Processor and registry tests shared by the subsystems that choose processor-specific code.
#pragma once

#include "platform/windows_api.h"

// 1 when MMX routines may run: the processor has MMX and the registry switch "DisableMMX"
// under HKEY_LOCAL_MACHINE\Software\Velquist\Direct3D is not set to a non-zero value.
int IsMmxEnabled();

// 1 when the value exists under HKEY_LOCAL_MACHINE\Software\Velquist\Direct3D with the
// expected type; the data are written by the query whatever the type.
int QueryDirect3DSwitch(DWORD expectedType, LPCSTR valueName, void* data, DWORD size);

// Non-zero when the processor feature (PF_XMMI_INSTRUCTIONS_AVAILABLE,
// PF_3DNOW_INSTRUCTIONS_AVAILABLE or PF_XMMI64_INSTRUCTIONS_AVAILABLE) may be used: the
// processor has it and the operating system saves its state (Windows 98 and later on the
// 9x platform for SSE and SSE2).
int ProcessorFeatureUsable(DWORD feature);

// The CPUID tests: SSE (leaf 1, edx bit 25) and SSE2 (edx bit 26) after leaf 0 has
// reported a maximum leaf above 0; 3DNow! (leaf 0x80000001, edx bit 31) when leaf
// 0x80000000 reports that leaf. A processor that faults on CPUID has none of them.
int CpuidReportsSse();
int CpuidReportsSse2();
int CpuidReports3DNow();

// The probe that the 3DNow! math family runs before installing itself.
struct Processor3DNowFeatures {
    int mmx;            // leaf 1, edx bit 23
    int threeDNow;      // leaf 0x80000001, edx bit 31
    int extended3DNow;  // leaf 0x80000001, edx bit 30, on "AuthenticAMD" only
    int mmxExtensions;  // leaf 0x80000001, edx bit 22, on "AuthenticAMD" only
};
Processor3DNowFeatures Probe3DNowProcessor();

// For tests only: forgets the MMX state, as in a fresh process (IsMmxEnabled tests the
// processor again at its next call).
void ResetMmxState();
