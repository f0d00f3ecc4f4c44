#include <windows.h>

#include "library/registry_win32.h"
#include "library/settings.h"
#include "show/gl_control_win32.h"

namespace {
constexpr REGSAM kReadOnly = 0x20019;   // KEY_READ
constexpr REGSAM kWriteOnly = 0x20006;  // KEY_WRITE

// Looks for the request under one root (in one registry view) and deletes it
// there when found. Under the current user a request that cannot be deleted
// does not count: it would turn every later show into the settings window.
// Under the local machine the delete may be refused for lack of rights, and
// the request still counts.
bool TakeRequest(HKEY root, REGSAM view = 0) {
    auto key = Win32RegistryKey::Open(root, kMainKeyPath, kReadOnly | view);
    if (!key || !IsRunSettingsRequest(key->Read("RunSettings"))) return false;
    auto writable = Win32RegistryKey::Open(root, kMainKeyPath, kWriteOnly | view);
    const bool deleted = writable && writable->Delete("RunSettings");
    return deleted || root == HKEY_LOCAL_MACHINE;
}

// The main key's places in lookup order: the current user, then each view of
// the local machine.
struct KeyPlace {
    HKEY root;
    REGSAM view;
};
const KeyPlace kUserThenMachine[] = {{HKEY_CURRENT_USER, 0},
                                         {HKEY_LOCAL_MACHINE, Win32RegistryKey::kMachineViews[0]},
                                         {HKEY_LOCAL_MACHINE, Win32RegistryKey::kMachineViews[1]}};
}  // namespace

bool CheckRunSettings() {
    try {
        for (const KeyPlace& place : kUserThenMachine)
            if (TakeRequest(place.root, place.view)) return true;
        return false;
    } catch (...) {
        return false;
    }
}

std::string ReadUserOrMachineString(const std::string& name) {
    for (const KeyPlace& place : kUserThenMachine) {
        auto key = Win32RegistryKey::Open(place.root, kMainKeyPath, kReadOnly | place.view);
        if (!key) continue;
        auto v = key->Read(name);
        if (v && (v->type == REG_SZ || v->type == REG_EXPAND_SZ)) return v->Text();
    }
    return {};
}

int PrimaryScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

void DetermineDriverKind() { GLDriverKind(); }
