#include "texture/mapped_file.h"

#include <vector>

#include "platform/d3d8.h"
#include "texture/decoded_image.h"

MappedFile::~MappedFile() {
    if (file_ != INVALID_HANDLE_VALUE) Close();
}

HRESULT MappedFile::Open(const void* path, BOOL pathIsWide) {
    if (path == nullptr) return D3DERR_INVALIDCALL;

    // Systems without wide file functions get the path in the ANSI code page.
    std::vector<CHAR> narrowed;
    const CHAR* narrowPath = static_cast<const CHAR*>(path);
    if (pathIsWide) {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        const BOOL known = GetVersionExA(&version);
        if (known && version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
            const LPCWSTR wide = static_cast<LPCWSTR>(path);
            const int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            if (length <= 0) {
                GetLastError();
                return ERR_INVALID_DATA;
            }
            narrowed.resize(static_cast<std::size_t>(length));
            if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrowed.data(), length, nullptr, nullptr) <= 0) {
                GetLastError();
                return ERR_INVALID_DATA;
            }
            narrowPath = narrowed.data();
            pathIsWide = FALSE;
        }
    }

    if (pathIsWide) {
        file_ = CreateFileW(static_cast<LPCWSTR>(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_RANDOM_ACCESS, nullptr);
    } else {
        file_ = CreateFileA(narrowPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_RANDOM_ACCESS, nullptr);
    }
    if (file_ == INVALID_HANDLE_VALUE) {
        GetLastError();
        return ERR_INVALID_DATA;
    }

    HANDLE mapping = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr || mapping == INVALID_HANDLE_VALUE) {
        GetLastError();
        return ERR_INVALID_DATA;
    }
    mapping_ = mapping;

    view_ = static_cast<const BYTE*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    if (view_ == nullptr) {
        GetLastError();
        return ERR_INVALID_DATA;
    }

    const DWORD size = GetFileSize(file_, nullptr);
    if (size == INVALID_FILE_SIZE) {
        GetLastError();
        return ERR_INVALID_DATA;
    }
    size_ = size;
    return S_OK;
}

HRESULT MappedFile::Close() {
    if (view_ != nullptr) {
        UnmapViewOfFile(view_);
        view_ = nullptr;
        size_ = 0;
    }
    if (mapping_ != INVALID_HANDLE_VALUE) {
        CloseHandle(mapping_);
        mapping_ = INVALID_HANDLE_VALUE;
    }
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    return S_OK;
}
