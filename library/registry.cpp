#include "library/registry.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "library/settings.h"

namespace {
// Registry value names compare without regard to case.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
}  // namespace

std::optional<RegValue> MemoryRegistryKey::Read(const std::string& name) {
    for (auto& [n, v] : values_)
        if (SameName(n, name)) return v;
    return std::nullopt;
}

void MemoryRegistryKey::Put(const std::string& name, uint32_t type, std::vector<uint8_t> data) {
    if (refuseWrites) throw std::runtime_error("Can't write registry value " + name);
    for (auto& [n, v] : values_)
        if (SameName(n, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    values_.push_back({name, RegValue{type, std::move(data)}});
}

void MemoryRegistryKey::WriteString(const std::string& name, const std::string& text) {
    Put(name, kRegSz, std::vector<uint8_t>(text.begin(), text.end()));
}

void MemoryRegistryKey::WriteBinary(const std::string& name, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    Put(name, kRegBinary, std::vector<uint8_t>(p, p + size));
}

bool MemoryRegistryKey::Delete(const std::string& name) {
    auto it = std::find_if(values_.begin(), values_.end(), [&](auto& e) { return SameName(e.first, name); });
    if (it == values_.end()) return false;
    values_.erase(it);
    return true;
}

std::vector<std::string> MemoryRegistryKey::ValueNames() {
    std::vector<std::string> names;
    for (auto& e : values_) names.push_back(e.first);
    return names;
}

void MemoryRegistryKey::Clear() { values_.clear(); }

std::string RegReadString(const std::string& name) {
    RegistryKey* key = MainKey();
    if (!key) return {};
    auto v = key->Read(name);
    return v ? v->Text() : std::string();
}

void RegWriteString(const std::string& name, const std::string& text) {
    RegistryKey* key = MainKey();
    if (!key) throw std::runtime_error("Can't open registry key " + std::string(kMainKeyPath));
    key->WriteString(name, text);
}

bool RegRemoveValue(const std::string& name) {
    RegistryKey* key = MainKey();
    return key && key->Delete(name);
}

int32_t RegReadInt(const std::string& name, int32_t def) {
    int64_t n;
    if (!ParseDecimal(RegReadString(name), n)) return def;
    return static_cast<int32_t>(n);
}

void RegWriteInt(const std::string& name, int32_t value) { RegWriteString(name, std::to_string(value)); }
