// Files opened for reading, file mappings and mapped views, over POSIX descriptors and
// mmap; and the conversion of wide text (UTF-32 here) to the ANSI code page (UTF-8 here).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cwchar>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/win32/layer_state.h"

namespace {

enum class ObjectKind { File, Mapping };

struct KernelObject {
    ObjectKind kind;
    int descriptor;      // a mapping keeps its own descriptor, so it outlives its file handle
    std::uint64_t size;  // of a mapping: the bytes it covers
};

std::mutex objectLock;
std::map<HANDLE, KernelObject> objects;
std::map<const void*, std::size_t> views;  // base address -> length
std::uintptr_t nextObjectSerial = 1;

HANDLE AddObject(const KernelObject& object) {
    HANDLE handle = layer_state::MakeHandle<HANDLE>(0x1000, nextObjectSerial++);
    objects[handle] = object;
    return handle;
}

KernelObject* FindObject(HANDLE handle, ObjectKind kind) {
    auto found = objects.find(handle);
    return found == objects.end() || found->second.kind != kind ? nullptr : &found->second;
}

DWORD ErrorOfErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT: {
        // A missing directory on the way is a missing path, as on Windows.
        std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
        struct stat directory {};
        return stat(path.substr(0, slash).c_str(), &directory) == 0 ? ERROR_FILE_NOT_FOUND
                                                                     : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return layer_state::ERROR_INVALID_NAME;
    case EMFILE:
    case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    default: return ERROR_FILE_NOT_FOUND;
    }
}

// Windows refuses to open a file that someone holds open for writing when the caller
// shares reading only. A read lease can be taken only while nobody has the file open
// for writing, so trying one (and dropping it at once) asks exactly that question.
// Where leases are not available (another owner, a file system without them) the open
// is allowed.
bool HeldOpenForWriting(int descriptor) {
    if (fcntl(descriptor, F_SETLEASE, F_RDLCK) == 0) {
        fcntl(descriptor, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN;
}

HANDLE OpenForReading(const std::string& path, DWORD access, DWORD shareMode, DWORD creation) {
    constexpr DWORD OPEN_ALWAYS = 4;
    constexpr DWORD TRUNCATE_EXISTING = 5;
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // This layer only reads: anything that would write or create a file is refused.
    if ((access & ~GENERIC_READ) != 0 || (creation != OPEN_EXISTING && creation != OPEN_ALWAYS)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        DWORD error = ErrorOfErrno(errno, path);
        // OPEN_ALWAYS would create the missing file.
        SetLastError(creation == OPEN_ALWAYS && error == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED
                                                                              : error);
        return INVALID_HANDLE_VALUE;
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
    if (!(shareMode & FILE_SHARE_WRITE) && HeldOpenForWriting(descriptor)) {
        close(descriptor);
        SetLastError(layer_state::ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> lock(objectLock);
    return AddObject(KernelObject{ObjectKind::File, descriptor, 0});
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point at wide[i] (a UTF-16 surrogate pair stored in two wchar_t is joined);
// i moves past it. Empty when it is not a character.
std::optional<char32_t> NextCodePoint(const wchar_t* wide, std::size_t count, std::size_t& i) {
    char32_t code = static_cast<char32_t>(wide[i++]);
    if (code >= 0xD800 && code <= 0xDBFF && i < count) {
        char32_t low = static_cast<char32_t>(wide[i]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return std::nullopt;
    return code;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE templateFile) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return OpenForReading(fileName, access, shareMode, creation);
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE templateFile) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string path;
    std::size_t count = std::wcslen(fileName);
    for (std::size_t i = 0; i < count;) {
        std::optional<char32_t> code = NextCodePoint(fileName, count, i);
        if (!code) {
            SetLastError(layer_state::ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        AppendUtf8(path, *code);
    }
    return OpenForReading(path, access, shareMode, creation);
}

HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES* security, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name) {
    constexpr DWORD PAGE_READWRITE = 0x04u;
    constexpr DWORD PAGE_WRITECOPY = 0x08u;
    std::lock_guard<std::mutex> lock(objectLock);
    KernelObject* object = FindObject(file, ObjectKind::File);
    if (!object) {
        // Mappings backed by the paging file are not offered.
        SetLastError(file == INVALID_HANDLE_VALUE ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DWORD protection = protect & 0xFFu;
    if (protection == PAGE_READWRITE) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (protection != PAGE_READONLY && protection != PAGE_WRITECOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    struct stat status {};
    if (fstat(object->descriptor, &status) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::uint64_t fileSize = static_cast<std::uint64_t>(status.st_size);
    std::uint64_t asked = (static_cast<std::uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
    std::uint64_t size = asked ? asked : fileSize;
    if (size == 0) {
        // An empty file cannot be mapped.
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    if (size > fileSize) {
        // Growing the file needs write access.
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    int descriptor = fcntl(object->descriptor, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return AddObject(KernelObject{ObjectKind::Mapping, descriptor, size});
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     std::size_t bytes) {
    constexpr DWORD FILE_MAP_COPY = 0x0001u;
    constexpr DWORD FILE_MAP_WRITE = 0x0002u;
    constexpr std::uint64_t ALLOCATION_GRANULARITY = 65536;
    std::lock_guard<std::mutex> lock(objectLock);
    KernelObject* object = FindObject(mapping, ObjectKind::Mapping);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((access & FILE_MAP_WRITE) && !(access & FILE_MAP_COPY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::uint64_t offset = (static_cast<std::uint64_t>(offsetHigh) << 32) | offsetLow;
    if (offset % ALLOCATION_GRANULARITY != 0) {
        SetLastError(layer_state::ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= object->size || bytes > object->size - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::size_t length = bytes ? bytes : static_cast<std::size_t>(object->size - offset);
    // A copy-on-write view may be written by its owner; a read view may not.
    int protection = (access & FILE_MAP_COPY) ? PROT_READ | PROT_WRITE : PROT_READ;
    void* view = mmap(nullptr, length, protection, MAP_PRIVATE, object->descriptor,
                      static_cast<off_t>(offset));
    if (view == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    views[view] = length;
    return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
    std::lock_guard<std::mutex> lock(objectLock);
    auto found = views.find(view);
    if (found == views.end()) {
        SetLastError(layer_state::ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    munmap(const_cast<void*>(found->first), found->second);
    views.erase(found);
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    std::lock_guard<std::mutex> lock(objectLock);
    KernelObject* object = FindObject(file, ObjectKind::File);
    struct stat status {};
    if (!object || fstat(object->descriptor, &status) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    // A size whose low part looks like the failure value is told apart by the error code.
    if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(0);
    return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard<std::mutex> lock(objectLock);
    auto found = objects.find(handle);
    if (found == objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    close(found->second.descriptor);
    objects.erase(found);
    return TRUE;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multi,
                        int multiBytes, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    constexpr UINT CP_OEMCP = 1;
    constexpr UINT CP_THREAD_ACP = 3;
    constexpr UINT CP_UTF8 = 65001;
    constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
    bool utf8 = codePage == CP_UTF8;
    if ((codePage != CP_ACP && codePage != CP_OEMCP && codePage != CP_THREAD_ACP && !utf8) ||
        !wide || wideCount == 0 || wideCount < -1 || multiBytes < 0 || (multiBytes > 0 && !multi) ||
        (utf8 && (defaultChar || usedDefaultChar))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1: the text is zero-terminated, and the terminator is converted too.
    std::size_t count = wideCount == -1 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(wideCount);
    std::string out;
    bool usedDefault = false;
    for (std::size_t i = 0; i < count;) {
        std::optional<char32_t> code = NextCodePoint(wide, count, i);
        if (code) {
            AppendUtf8(out, *code);
            continue;
        }
        if (flags & WC_ERR_INVALID_CHARS) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        // What cannot be converted becomes the replacement character in UTF-8, and the
        // default character in the ANSI code page.
        if (utf8) {
            AppendUtf8(out, 0xFFFD);
        } else {
            out += defaultChar && *defaultChar ? *defaultChar : '?';
            usedDefault = true;
        }
    }
    if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    if (out.size() > 0x7FFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int length = static_cast<int>(out.size());
    if (multiBytes == 0) return length;
    if (length > multiBytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    out.copy(multi, out.size());
    return length;
}
