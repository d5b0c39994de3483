// Silences (1) or restores (0) the debug messages of the Direct3D runtime around calls
// that are expected to fail. Never fails.
#pragma once

void MuteDebugRuntime(int mute);
