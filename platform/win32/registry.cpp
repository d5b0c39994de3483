// The registry, read from a REGEDIT4 text file (the path is in ORBIQUE_REGISTRY, or set by
// a test). Keys and value names are case-insensitive. The file is read when a key is
// opened, so a changed file is seen by the next RegOpenKeyA; no file means no keys.
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Velquist\Direct3D]
//   "DisableMMX"=dword:00000001
//   "Name"="text with \"quotes\" and \\ backslashes"
//   "Blob"=hex:01,02,ff
//   @="the key's default value"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/layer_state.h"

namespace {

struct RegistryValue {
    DWORD type;
    std::vector<BYTE> data;
};

// Values by lower-case name; "" is the key's default value.
using KeyValues = std::map<std::string, RegistryValue>;
// Keys by their full lower-case path, root included ("hkey_local_machine\software\...").
using RegistryTree = std::map<std::string, KeyValues>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A quoted string starting at text[position] (the opening quote); position moves past
// the closing quote. Empty optional when the string is not closed.
std::optional<std::string> ParseQuoted(const std::string& text, std::size_t& position) {
    std::string result;
    for (std::size_t i = position + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            result += text[++i];
        } else if (c == '"') {
            position = i + 1;
            return result;
        } else {
            result += c;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<BYTE>> ParseHexBytes(const std::string& text) {
    std::vector<BYTE> bytes;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t comma = text.find(',', position);
        std::string item = Trim(text.substr(position, comma == std::string::npos ? std::string::npos
                                                                                  : comma - position));
        if (item.empty() && comma == std::string::npos) break;
        char* end = nullptr;
        unsigned long value = std::strtoul(item.c_str(), &end, 16);
        if (item.empty() || item.size() > 2 || *end != '\0' || value > 0xFF) return std::nullopt;
        bytes.push_back(static_cast<BYTE>(value));
        if (comma == std::string::npos) break;
        position = comma + 1;
    }
    return bytes;
}

// One `name=data` line; false when it is malformed (it is then ignored).
bool ParseValueLine(const std::string& line, std::string* name, RegistryValue* value) {
    std::size_t position = 0;
    if (line[0] == '@') {
        name->clear();
        position = 1;
    } else {
        std::optional<std::string> quoted = ParseQuoted(line, position);
        if (!quoted) return false;
        *name = Lower(*quoted);
    }
    std::string rest = Trim(line.substr(position));
    if (rest.empty() || rest[0] != '=') return false;
    std::string data = Trim(rest.substr(1));
    if (!data.empty() && data[0] == '"') {
        std::size_t end = 0;
        std::optional<std::string> text = ParseQuoted(data, end);
        if (!text || !Trim(data.substr(end)).empty()) return false;
        value->type = REG_SZ;
        value->data.assign(text->begin(), text->end());
        value->data.push_back(0);
        return true;
    }
    std::string lowered = Lower(data);
    if (lowered.rfind("dword:", 0) == 0) {
        std::string digits = data.substr(6);
        char* end = nullptr;
        unsigned long long number = std::strtoull(digits.c_str(), &end, 16);
        if (digits.empty() || digits.size() > 8 || *end != '\0') return false;
        DWORD dword = static_cast<DWORD>(number);
        value->type = REG_DWORD;
        value->data.resize(4);
        std::memcpy(value->data.data(), &dword, 4);
        return true;
    }
    if (lowered.rfind("hex:", 0) == 0 || lowered.rfind("hex(", 0) == 0) {
        DWORD type = REG_BINARY;
        std::size_t colon = data.find(':');
        if (lowered[3] == '(') {
            std::size_t close = data.find(')');
            if (close == std::string::npos || close + 1 != colon) return false;
            type = static_cast<DWORD>(std::strtoul(data.substr(4, close - 4).c_str(), nullptr, 16));
        }
        std::optional<std::vector<BYTE>> bytes = ParseHexBytes(data.substr(colon + 1));
        if (!bytes) return false;
        value->type = type;
        value->data = std::move(*bytes);
        return true;
    }
    return false;
}

// Full key names as the file writes them, and the short names the tools also accept.
std::optional<std::string> RootName(const std::string& lowered) {
    static const std::pair<const char*, const char*> roots[] = {
        {"hkey_local_machine", "hklm"},
        {"hkey_current_user", "hkcu"},
        {"hkey_classes_root", "hkcr"},
    };
    for (auto [full, brief] : roots)
        if (lowered == full || lowered == brief) return std::string(full);
    return std::nullopt;
}

std::string NormalisePath(const std::string& path) {
    std::string lowered = Lower(path);
    std::size_t slash = lowered.find('\\');
    std::optional<std::string> root = RootName(lowered.substr(0, slash));
    if (!root) return std::string();
    std::string rest = slash == std::string::npos ? std::string() : lowered.substr(slash);
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    return *root + rest;
}

RegistryTree ReadRegistryFile(const std::string& path) {
    RegistryTree tree;
    if (path.empty()) return tree;
    std::ifstream file(path, std::ios::binary);
    if (!file) return tree;
    std::string line;
    bool headerSeen = false;
    KeyValues* key = nullptr;
    std::string pending;
    while (std::getline(file, line)) {
        // A hex value may continue on the next line after a trailing backslash.
        std::string trimmed = Trim(line);
        if (!pending.empty()) {
            trimmed = pending + trimmed;
            pending.clear();
        }
        if (!trimmed.empty() && trimmed.back() == '\\' && trimmed[0] != '[') {
            pending = trimmed.substr(0, trimmed.size() - 1);
            continue;
        }
        if (!headerSeen) {
            if (trimmed.rfind("\xEF\xBB\xBF", 0) == 0) trimmed.erase(0, 3);
            if (trimmed.empty()) continue;
            if (trimmed != "REGEDIT4" && trimmed != "Windows Registry Editor Version 5.00")
                return tree;  // not a registry file
            headerSeen = true;
            continue;
        }
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            std::size_t close = trimmed.rfind(']');
            std::string name = close == std::string::npos ? std::string() : trimmed.substr(1, close - 1);
            // "[-KEY]" deletes a key; a file read from scratch has nothing to delete.
            std::string normal = !name.empty() && name[0] != '-' ? NormalisePath(name) : "";
            key = normal.empty() ? nullptr : &tree[normal];
            continue;
        }
        std::string name;
        RegistryValue value;
        if (key && ParseValueLine(trimmed, &name, &value)) (*key)[name] = std::move(value);
    }
    return tree;
}

std::string RegistryPath() {
    layer_state::Seams& seams = layer_state::TestSeams();
    std::lock_guard<std::mutex> lock(seams.registryLock);
    if (seams.registryFile) return *seams.registryFile;
    const char* path = std::getenv("ORBIQUE_REGISTRY");
    return path ? path : "";
}

bool KeyExists(const RegistryTree& tree, const std::string& path) {
    if (tree.count(path)) return true;
    // Intermediate keys exist because their children do.
    std::string prefix = path + "\\";
    auto next = tree.lower_bound(prefix);
    return next != tree.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

struct OpenKey {
    std::string path;
    KeyValues values;
};

std::mutex keyLock;
std::map<HKEY, std::unique_ptr<OpenKey>> openKeys;
std::uintptr_t nextKeySerial = 1;

std::optional<std::string> RootPath(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return std::string("hkey_local_machine");
    if (key == HKEY_CURRENT_USER) return std::string("hkey_current_user");
    if (key == HKEY_CLASSES_ROOT) return std::string("hkey_classes_root");
    return std::nullopt;
}

// The path of a root or open key; empty when the handle is neither. The lock is held.
std::string PathOfKey(HKEY key) {
    if (std::optional<std::string> root = RootPath(key)) return *root;
    auto found = openKeys.find(key);
    return found == openKeys.end() ? std::string() : found->second->path;
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(keyLock);
    std::string base = PathOfKey(key);
    if (base.empty()) return ERROR_INVALID_HANDLE;
    // No sub-key: the key itself.
    if ((!subKey || !*subKey) && RootPath(key)) {
        *result = key;
        return ERROR_SUCCESS;
    }
    std::string path = base;
    if (subKey && *subKey) {
        std::string lowered = Lower(subKey);
        while (!lowered.empty() && lowered.back() == '\\') lowered.pop_back();
        if (lowered.empty() || lowered[0] == '\\') return ERROR_FILE_NOT_FOUND;
        path += "\\" + lowered;
    }
    RegistryTree tree = ReadRegistryFile(RegistryPath());
    if (!KeyExists(tree, path)) return ERROR_FILE_NOT_FOUND;
    auto opened = std::make_unique<OpenKey>();
    opened->path = path;
    opened->values = tree[path];
    HKEY handle = layer_state::MakeHandle<HKEY>(0x2000, nextKeySerial++);
    openKeys[handle] = std::move(opened);
    *result = handle;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(keyLock);
    const KeyValues* values = nullptr;
    RegistryTree rootTree;
    if (RootPath(key)) {
        rootTree = ReadRegistryFile(RegistryPath());
        values = &rootTree[*RootPath(key)];
    } else {
        auto found = openKeys.find(key);
        if (found == openKeys.end()) return ERROR_INVALID_HANDLE;
        values = &found->second->values;
    }
    auto value = values->find(Lower(valueName ? valueName : ""));
    if (value == values->end()) return ERROR_FILE_NOT_FOUND;
    const RegistryValue& found = value->second;
    DWORD size = static_cast<DWORD>(found.data.size());
    if (type) *type = found.type;
    if (data) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(data, found.data.data(), size);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (RootPath(key)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(keyLock);
    return openKeys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
