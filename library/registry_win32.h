#pragma once
// The real registry behind RegistryKey (Windows build only).
#include <windows.h>

#include <memory>

#include "library/registry.h"

class Win32RegistryKey : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override;
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    // Null when the key cannot be opened (or created).
    static std::unique_ptr<Win32RegistryKey> Open(HKEY root, const char* path, REGSAM access);
    // `extraAccess` may choose a registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
    static std::unique_ptr<Win32RegistryKey> Create(HKEY root, const char* path, REGSAM extraAccess = 0);

    std::optional<RegValue> Read(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& text) override;
    void WriteBinary(const std::string& name, const void* data, size_t size) override;
    bool Delete(const std::string& name) override;
    std::vector<std::string> ValueNames() override;
    HKEY Handle() const { return key_; }

    // The views of the local machine's software keys, the program's own width
    // first: a 32-bit and a 64-bit installer each write into their own view on
    // 64-bit Windows, and either may have installed this program.
    static constexpr REGSAM kMachineViews[2] = {0,
#ifdef _WIN64
                                                KEY_WOW64_32KEY
#else
                                                KEY_WOW64_64KEY
#endif
    };

private:
    HKEY key_;
};
