// The GDI+ plugin's reach into the system: loading libraries, its registry
// key and the .NET Framework's, the file system and its about box.
#include <windows.h>

#include <string>

#include "imaging/gdiplus_plugin.h"
#include "library/file_access.h"
#include "library/folder_scan.h"
#include "library/registry_win32.h"
#include "library/system_folders.h"
#include "library/wide_text_win32.h"

namespace {

constexpr const char* kSettingsKey = "Software\\in_gdiplus";

std::string ReadSetting(const char* name) {
    const auto key = Win32RegistryKey::Create(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return {};
    const auto value = key->Read(name);
    return value && value->type == kRegSz ? value->Text() : std::string();
}

void WriteSetting(const char* name, const std::string& text) {
    const auto key = Win32RegistryKey::Create(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return;
    try {
        key->WriteString(name, text);
    } catch (const std::exception&) {
        // Only a later start's search is lost.
    }
}

std::string ReadMachineString(const char* keyPath, const char* name) {
    const auto key = Win32RegistryKey::Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
    if (!key) return {};
    const auto value = key->Read(name);
    return value && value->type == kRegSz ? value->Text() : std::string();
}

}  // namespace

GdiplusSystem DefaultGdiplusSystem() {
    GdiplusSystem s;
    s.load = [](const std::string& nameOrPath) -> void* { return LoadLibraryA(nameOrPath.c_str()); };
    s.resolve = [](void* module, const char* name) -> void* {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
    };
    s.unload = [](void* module) { FreeLibrary(static_cast<HMODULE>(module)); };
    s.programFolder = ProgramFolder;
    s.fileExists = FileExists;
    s.readSetting = ReadSetting;
    s.writeSetting = WriteSetting;
    s.machineKeyExists = [](const char* keyPath) {
        return Win32RegistryKey::Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) != nullptr;
    };
    s.readMachineString = ReadMachineString;
    s.listFolder = EnumerateFolder;
    s.wideName = [](const std::string& name) { return SystemPath(name); };
    s.aboutBox = [](void* parent, const char* text) {
        MessageBoxA(static_cast<HWND>(parent), text, "About plugin", MB_OK);
    };
    return s;
}
