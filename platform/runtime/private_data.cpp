#include "platform/runtime/private_data.h"

#include <cstring>

namespace runtime {

PrivateData::~PrivateData() { Clear(); }

void PrivateData::Clear() {
    std::vector<Entry> entries;
    entries.swap(entries_);
    for (Entry& entry : entries)
        if (entry.object) entry.object->Release();
}

HRESULT PrivateData::Set(REFGUID guid, const void* data, DWORD size, DWORD flags) {
    if (!data && size != 0) return D3DERR_INVALIDCALL;
    if ((flags & PRIVATE_DATA_IUNKNOWN) && (size != sizeof(IUnknown*) || !data)) return D3DERR_INVALIDCALL;
    Free(guid);
    Entry entry{guid, {}, nullptr};
    if (flags & PRIVATE_DATA_IUNKNOWN) {
        std::memcpy(&entry.object, data, sizeof(IUnknown*));
        if (entry.object) entry.object->AddRef();
    } else {
        entry.bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    }
    entries_.push_back(std::move(entry));
    return D3D_OK;
}

HRESULT PrivateData::Get(REFGUID guid, void* data, DWORD* size) const {
    if (!size) return D3DERR_INVALIDCALL;
    for (const Entry& entry : entries_) {
        if (!(entry.guid == guid)) continue;
        DWORD needed = entry.object ? static_cast<DWORD>(sizeof(IUnknown*)) : static_cast<DWORD>(entry.bytes.size());
        if (!data || *size < needed) {
            *size = needed;
            return D3DERR_MOREDATA;
        }
        if (entry.object) {
            std::memcpy(data, &entry.object, sizeof(IUnknown*));
            entry.object->AddRef();
        } else if (needed) {
            std::memcpy(data, entry.bytes.data(), needed);
        }
        *size = needed;
        return D3D_OK;
    }
    return D3DERR_NOTFOUND;
}

HRESULT PrivateData::Free(REFGUID guid) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!(it->guid == guid)) continue;
        if (it->object) it->object->Release();
        entries_.erase(it);
        return D3D_OK;
    }
    return D3DERR_NOTFOUND;
}

}  // namespace runtime
