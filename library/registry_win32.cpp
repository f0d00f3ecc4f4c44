#include "library/registry_win32.h"

#include <algorithm>
#include <stdexcept>

Win32RegistryKey::~Win32RegistryKey() { RegCloseKey(key_); }

std::unique_ptr<Win32RegistryKey> Win32RegistryKey::Open(HKEY root, const char* path, REGSAM access) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
}

std::unique_ptr<Win32RegistryKey> Win32RegistryKey::Create(HKEY root, const char* path, REGSAM extraAccess) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | extraAccess, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
}

std::optional<RegValue> Win32RegistryKey::Read(const std::string& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RegValue v;
    v.type = type;
    v.data.resize(size);
    // The value may grow between the two calls; read until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        size = static_cast<DWORD>(v.data.size());
        LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, size ? v.data.data() : nullptr, &size);
        if (rc == ERROR_MORE_DATA) {
            v.data.resize(size);
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        v.type = type;
        v.data.resize(size);
        if ((type == REG_SZ || type == REG_EXPAND_SZ) )
            while (!v.data.empty() && v.data.back() == 0) v.data.pop_back();
        return v;
    }
    return std::nullopt;
}

namespace {
void Check(LONG rc, const std::string& name) {
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error("Can't write registry value " + name + ", Error = " + std::to_string(rc));
}
}  // namespace

void Win32RegistryKey::WriteString(const std::string& name, const std::string& text) {
    Check(RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)),
          name);
}

void Win32RegistryKey::WriteBinary(const std::string& name, const void* data, size_t size) {
    Check(RegSetValueExA(key_, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
          name);
}

bool Win32RegistryKey::Delete(const std::string& name) { return RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS; }

std::vector<std::string> Win32RegistryKey::ValueNames() {
    constexpr size_t kLongestName = 16383;
    std::vector<std::string> names;
    std::vector<char> buf(256);
    for (DWORD i = 0;;) {
        DWORD len = static_cast<DWORD>(buf.size());
        const LONG rc = RegEnumValueA(key_, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            // A longer name than the buffer holds: grow towards the key's
            // longest name and read the same index again. No name is longer
            // than 16383 characters, so a buffer of that size that is still
            // too small means the key is not answering sensibly.
            if (buf.size() >= kLongestName + 1) break;
            DWORD longest = 0;
            RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                             nullptr, nullptr);
            buf.resize(std::min<size_t>(kLongestName + 1, std::max<size_t>(buf.size() * 2, longest + 1)));
            continue;
        }
        // Anything else ends the listing: no more items, or a key that has
        // gone (deleted while open), which fails for every index.
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
        ++i;
    }
    return names;
}

RegistryKey* MainKey() {
    // Opened once with creation and kept for the life of the process; when it
    // cannot be created, callers see null and fall back to defaults.
    static std::unique_ptr<Win32RegistryKey> key = Win32RegistryKey::Create(HKEY_CURRENT_USER, kMainKeyPath);
    return key.get();
}

std::unique_ptr<RegistryKey> OpenFoldersKey() {
    const std::string path = std::string(kMainKeyPath) + "\\Folders";
    return Win32RegistryKey::Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
}
