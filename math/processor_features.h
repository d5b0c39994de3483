// Processor and registry tests shared by the subsystems that choose processor-specific code.
#pragma once

#include "platform/windows_api.h"

// 1 when MMX routines may run: the processor has MMX and the registry switch "DisableMMX"
// under HKEY_LOCAL_MACHINE\Software\Velquist\Direct3D is not set to a non-zero value.
int IsMmxEnabled();

// 1 when the value exists under HKEY_LOCAL_MACHINE\Software\Velquist\Direct3D with the
// expected type; the data are written by the query whatever the type.
int QueryDirect3DSwitch(DWORD expectedType, LPCSTR valueName, void* data, DWORD size);
