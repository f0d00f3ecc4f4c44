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
    static std::unique_ptr<Win32RegistryKey> Create(HKEY root, const char* path);

    std::optional<RegValue> Read(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& text) override;
    void WriteBinary(const std::string& name, const void* data, size_t size) override;
    bool Delete(const std::string& name) override;
    std::vector<std::string> ValueNames() override;
    HKEY Handle() const { return key_; }

private:
    HKEY key_;
};
