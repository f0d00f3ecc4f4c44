#include "library/settings.h"

// Natively there is only the in-memory main key and no screen.

bool CheckRunSettings() {
    MemoryRegistryKey& key = NativeMainKey();
    if (!IsRunSettingsRequest(key.Read("RunSettings"))) return false;
    key.Delete("RunSettings");
    return true;
}

std::string ReadUserOrMachineString(const std::string& name) { return RegReadString(name); }

int PrimaryScreenWidth() { return 1280; }

void DetermineDriverKind() {}
