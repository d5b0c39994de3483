// The viewer program: hands control to the Windows-style entry point.
#include "platform/windows_api.h"
#include "viewer/shell.h"

int main() {
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}
