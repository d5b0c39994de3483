// The private data that SetPrivateData attaches to a resource, surface or volume.
#pragma once

#include <vector>

#include "platform/d3d8.h"

namespace runtime {

// With this flag the data is an IUnknown pointer that is held while it is attached.
constexpr DWORD PRIVATE_DATA_IUNKNOWN = 0x00000001;

class PrivateData {
public:
    PrivateData() = default;
    PrivateData(const PrivateData&) = delete;
    PrivateData& operator=(const PrivateData&) = delete;
    ~PrivateData();

    HRESULT Set(REFGUID guid, const void* data, DWORD size, DWORD flags);
    HRESULT Get(REFGUID guid, void* data, DWORD* size) const;
    HRESULT Free(REFGUID guid);
    // Drops every entry (and the objects held).
    void Clear();

private:
    struct Entry {
        GUID guid;
        std::vector<BYTE> bytes;
        IUnknown* object;
    };
    std::vector<Entry> entries_;
};

}  // namespace runtime
