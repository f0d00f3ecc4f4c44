#pragma once
// Access to the program's registry values.
//
// The settings logic works on a RegistryKey so that the same code runs on the
// real registry (win32) and on an in-memory key (native builds and tests).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr uint32_t kRegSz = 1;      // REG_SZ
constexpr uint32_t kRegBinary = 3;  // REG_BINARY
constexpr uint32_t kRegDword = 4;   // REG_DWORD

// Path of the main key below HKEY_CURRENT_USER (and HKEY_LOCAL_MACHINE for the
// few values read there too).
inline constexpr const char* kMainKeyPath = "Software\\Quillora\\Pagewind";

struct RegValue {
    uint32_t type = kRegSz;
    std::vector<uint8_t> data;  // REG_SZ data without the terminating zero
    std::string Text() const { return std::string(data.begin(), data.end()); }
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Empty when the value is absent or cannot be read.
    virtual std::optional<RegValue> Read(const std::string& name) = 0;
    // Throw std::runtime_error when the system refuses the write.
    virtual void WriteString(const std::string& name, const std::string& text) = 0;
    virtual void WriteBinary(const std::string& name, const void* data, size_t size) = 0;
    // True when a value was deleted.
    virtual bool Delete(const std::string& name) = 0;
    virtual std::vector<std::string> ValueNames() = 0;
};

// In-memory key: the main key of native builds, and a test double.
class MemoryRegistryKey : public RegistryKey {
public:
    std::optional<RegValue> Read(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& text) override;
    void WriteBinary(const std::string& name, const void* data, size_t size) override;
    bool Delete(const std::string& name) override;
    std::vector<std::string> ValueNames() override;
    void Put(const std::string& name, uint32_t type, std::vector<uint8_t> data);
    void Clear();
    bool refuseWrites = false;  // lets tests see a refused write

private:
    std::vector<std::pair<std::string, RegValue>> values_;
};

// The main key under the current user, opened with creation of a missing
// key; null when it can neither be opened nor created. Natively this is a
// process-wide MemoryRegistryKey.
RegistryKey* MainKey();
// The configured-folders subkey, opened without creating it; null if absent.
std::unique_ptr<RegistryKey> OpenFoldersKey();
#ifndef _WIN32
// Native builds: the in-memory stand-ins for the main key and "\Folders".
MemoryRegistryKey& NativeMainKey();
MemoryRegistryKey* NativeFoldersKey(bool create);
#endif

// Single-value helpers on the main key.
std::string RegReadString(const std::string& name);  // empty when absent
void RegWriteString(const std::string& name, const std::string& text);
// (Not named RegDeleteValue: <windows.h> takes that name for a macro.)
bool RegRemoveValue(const std::string& name);
// The default for an absent, empty or non-numeric text; no upper clamp.
int32_t RegReadInt(const std::string& name, int32_t def);
void RegWriteInt(const std::string& name, int32_t value);
