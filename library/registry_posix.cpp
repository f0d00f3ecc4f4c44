#include <memory>

#include "library/registry.h"

// Native builds have no registry: the main key and "\Folders" are kept in
// memory for the life of the process.

MemoryRegistryKey& NativeMainKey() {
    static MemoryRegistryKey key;
    return key;
}

namespace {
std::unique_ptr<MemoryRegistryKey>& FoldersSlot() {
    static std::unique_ptr<MemoryRegistryKey> key;
    return key;
}

// A view of the folders key that does not own it.
class BorrowedKey : public RegistryKey {
public:
    explicit BorrowedKey(RegistryKey& k) : k_(k) {}
    std::optional<RegValue> Read(const std::string& n) override { return k_.Read(n); }
    void WriteString(const std::string& n, const std::string& t) override { k_.WriteString(n, t); }
    void WriteBinary(const std::string& n, const void* d, size_t s) override { k_.WriteBinary(n, d, s); }
    bool Delete(const std::string& n) override { return k_.Delete(n); }
    std::vector<std::string> ValueNames() override { return k_.ValueNames(); }

private:
    RegistryKey& k_;
};
}  // namespace

MemoryRegistryKey* NativeFoldersKey(bool create) {
    auto& slot = FoldersSlot();
    if (!slot && create) slot = std::make_unique<MemoryRegistryKey>();
    return slot.get();
}

RegistryKey* MainKey() { return &NativeMainKey(); }

std::unique_ptr<RegistryKey> OpenFoldersKey() {
    MemoryRegistryKey* k = NativeFoldersKey(false);
    if (!k) return nullptr;
    return std::make_unique<BorrowedKey>(*k);
}
