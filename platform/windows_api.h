// Declarations of the Windows types, constants and functions that the system calls.
// The functions are implemented in platform/win32 on top of POSIX and SDL2; each does
// what its namesake does for the arguments the system passes, and fails the way it
// fails for the rest.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Basic types -------------------------------------------------------------------------

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT = int;
using UINT = unsigned int;
using BOOL = int;
using FLOAT = float;
using HRESULT = std::int32_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using CHAR = char;
using WCHAR = wchar_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using FARPROC = void (*)();

struct HWND__;
struct HINSTANCE__;
struct HMENU__;
struct HICON__;
struct HBRUSH__;
struct HKEY__;
struct HDC__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;
using HMENU = HMENU__*;
using HICON = HICON__*;
using HCURSOR = HICON__*;
using HBRUSH = HBRUSH__*;
using HKEY = HKEY__*;
using HDC = HDC__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT MakeResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002u);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
constexpr HRESULT E_POINTER = MakeResult(0x80004003u);

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

// The root of every reference-counted interface.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

extern const IID IID_IUnknown;

// ---- Window class, window, messages --------------------------------------------------------

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_USER = 0x0400;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_OWNDC = 0x0020;
constexpr UINT CS_CLASSDC = 0x0040;

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr int IDOK = 1;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL IsWindow(HWND window);
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Modules -----------------------------------------------------------------------------

HMODULE GetModuleHandleA(LPCSTR moduleName);
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// ---- Registry ----------------------------------------------------------------------------

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, HKEY* result);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegCloseKey(HKEY key);

// ---- Timer -------------------------------------------------------------------------------

DWORD timeGetTime();

// ---- Files and mappings ------------------------------------------------------------------

struct SECURITY_ATTRIBUTES;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000u;
constexpr DWORD PAGE_READONLY = 0x02u;
constexpr DWORD FILE_MAP_READ = 0x0004u;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr UINT CP_ACP = 0;

constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_FILE_INVALID = 1006;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES* security, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     std::size_t bytes);
BOOL UnmapViewOfFile(LPCVOID view);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL CloseHandle(HANDLE object);
DWORD GetLastError();
void SetLastError(DWORD error);
// Converts wide text to the ANSI code page, which is UTF-8 here.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multi,
                        int multiBytes, LPCSTR defaultChar, BOOL* usedDefaultChar);

// ---- System ------------------------------------------------------------------------------

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

constexpr DWORD PF_MMX_INSTRUCTIONS_AVAILABLE = 3;
constexpr DWORD PF_XMMI_INSTRUCTIONS_AVAILABLE = 6;
constexpr DWORD PF_3DNOW_INSTRUCTIONS_AVAILABLE = 7;
constexpr DWORD PF_XMMI64_INSTRUCTIONS_AVAILABLE = 10;

BOOL GetVersionExA(OSVERSIONINFOA* info);
BOOL IsProcessorFeaturePresent(DWORD feature);

// The processor's CPUID instruction: fills eax, ebx, ecx, edx of the leaf and returns TRUE,
// or returns FALSE where the instruction faults (or does not exist on this processor).
BOOL ProcessorCpuid(DWORD leaf, DWORD registers[4]);
