#pragma once
// The GDI+ formats plugin: GIF, TIFF, PNG and BMP pictures (compressed
// bitmaps among them) decoded through gdiplus.dll, which is loaded at run
// time. Registered second as "In_gdiplus.dll", so for ".bmp" it only sees the
// files the standard plugin refused. Without a loadable GDI+ its entry hands
// back a descriptor with a wrong magic and the host leaves it out.
#include <functional>
#include <string>

#include "imaging/plugin_contract.h"

// The plugin's entry: loads GDI+ when no library is loaded yet (search below)
// and returns the descriptor.
const PluginDescriptor* GdiplusPluginEntry();

// What the plugin reaches outside itself to find, load and call GDI+. The
// defaults are the system's (LoadLibrary, the registry, the file system);
// natively nothing loads. Tests replace members.
struct GdiplusSystem {
    // A loaded library, by bare name (the system's search) or by full path;
    // null when it does not load.
    std::function<void*(const std::string& nameOrPath)> load;
    std::function<void*(void* module, const char* name)> resolve;
    std::function<void(void* module)> unload;
    std::function<std::string()> programFolder;  // without a trailing separator
    std::function<bool(const std::string& path)> fileExists;
    // Values of \Software\in_gdiplus under the current user (the key is
    // created when missing); empty when absent.
    std::function<std::string(const char* name)> readSetting;
    std::function<void(const char* name, const std::string& text)> writeSetting;
    // The local machine's keys and values (the .NET Framework's).
    std::function<bool(const char* key)> machineKeyExists;
    std::function<std::string(const char* key, const char* name)> readMachineString;
    // Every entry of a folder in the order the system lists it ("." and ".."
    // included); false when it cannot be listed.
    std::function<bool(const std::string& folder, const std::function<void(const char* name, bool isFolder)>&)>
        listFolder;
    // The file name as UTF-16 in the system code page.
    std::function<std::wstring(const std::string& fileName)> wideName;
    std::function<void(void* parentWindow, const char* text)> aboutBox;
};
GdiplusSystem& GdiplusSystemSeams();
GdiplusSystem DefaultGdiplusSystem();

// The search for gdiplus.dll in its order: the system's search, the
// program's own folder, the remembered "Path", then the .NET Framework's
// install folder when the installed version differs from "NetVer". Returns
// the loaded library or null.
void* FindGdiplus(const GdiplusSystem& system);

// The installed .NET Framework version by its policy keys: "2.0", "1.1",
// "1.0", or "0" when none.
std::string NetFrameworkVersion(const GdiplusSystem& system);

extern const char kGdiplusAboutText[];
