// Read-only access to a whole file as one block of memory. Nothing is copied: the view
// stays mapped until Close, so whatever points into it must be done with it first.
#pragma once

#include <cstdint>

#include "platform/windows_api.h"

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens and maps `path` (narrow, or wide when `pathIsWide`). D3DERR_INVALIDCALL for a
    // null path, ERR_INVALID_DATA when the file cannot be opened, mapped or sized. After a
    // failure whatever was opened stays held until Close or destruction.
    HRESULT Open(const void* path, BOOL pathIsWide);
    // Unmaps the view and closes both handles; always S_OK, and harmless to repeat.
    HRESULT Close();

    const BYTE* View() const { return view_; }
    std::uint32_t Size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = INVALID_HANDLE_VALUE;
    const BYTE* view_ = nullptr;
    std::uint32_t size_ = 0;
};
