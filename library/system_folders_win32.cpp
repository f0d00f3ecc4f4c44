#include <windows.h>
#include <shlobj.h>

#include "library/settings.h"
#include "library/system_folders.h"

namespace {
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ReadStringValue(HKEY root, const char* keyPath, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char buf[MAX_PATH * 2];
    DWORD type = 0, size = sizeof(buf) - 1;
    std::string text;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        buf[size] = 0;
        text = buf;
    }
    RegCloseKey(key);
    return text;
}

std::string ShellFolder(int csidl) {
    char buf[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE)) return {};
    return buf;
}
}  // namespace

SystemFolders ReadSystemFolders() {
    SystemFolders f;
    f.appData = ReadStringValue(HKEY_CURRENT_USER, kShellFoldersKey, "AppData");
    f.installFolder = InstallFolder;
    f.documents = ShellFolder(CSIDL_PERSONAL);
    char temp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof(temp), temp);
    if (n > 0 && n < sizeof(temp)) f.temp = temp;
    f.localAppData = ShellFolder(CSIDL_LOCAL_APPDATA);
    f.programFiles = ReadStringValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    return f;
}

std::string MyPicturesFolder() { return ReadStringValue(HKEY_CURRENT_USER, kShellFoldersKey, "My Pictures"); }

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string folder = path;
    const size_t sep = folder.find_last_of('\\');
    return sep == std::string::npos ? std::string() : folder.substr(0, sep);
}
