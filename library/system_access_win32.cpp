#include <windows.h>

#include "library/registry_win32.h"
#include "library/settings.h"
#include "show/gl_control_win32.h"

namespace {
constexpr REGSAM kReadOnly = 0x20019;   // KEY_READ
constexpr REGSAM kWriteOnly = 0x20006;  // KEY_WRITE

// Looks for the request under one root and deletes it there when found.
bool TakeRequest(HKEY root) {
    auto key = Win32RegistryKey::Open(root, kMainKeyPath, kReadOnly);
    if (!key || !IsRunSettingsRequest(key->Read("RunSettings"))) return false;
    // The delete may be refused (no rights under the local machine); the
    // request still counts.
    if (auto writable = Win32RegistryKey::Open(root, kMainKeyPath, kWriteOnly)) writable->Delete("RunSettings");
    return true;
}
}  // namespace

bool CheckRunSettings() {
    try {
        return TakeRequest(HKEY_CURRENT_USER) || TakeRequest(HKEY_LOCAL_MACHINE);
    } catch (...) {
        return false;
    }
}

std::string ReadUserOrMachineString(const std::string& name) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        auto key = Win32RegistryKey::Open(root, kMainKeyPath, kReadOnly);
        if (!key) continue;
        auto v = key->Read(name);
        if (v && (v->type == REG_SZ || v->type == REG_EXPAND_SZ)) return v->Text();
    }
    return {};
}

int PrimaryScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

void DetermineDriverKind() { GLDriverKind(); }
