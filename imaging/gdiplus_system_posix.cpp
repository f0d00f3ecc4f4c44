// Natively there is no GDI+: nothing loads, so the plugin is never
// registered. The rest stands ready for tests that bring a stand-in library.
#include <cstdio>
#include <string>

#include "imaging/gdiplus_plugin.h"
#include "library/file_access.h"
#include "library/folder_scan.h"

GdiplusSystem DefaultGdiplusSystem() {
    GdiplusSystem s;
    s.load = [](const std::string&) -> void* { return nullptr; };
    s.resolve = [](void*, const char*) -> void* { return nullptr; };
    s.unload = [](void*) {};
    s.programFolder = [] { return std::string(); };
    s.fileExists = FileExists;
    s.readSetting = [](const char*) { return std::string(); };
    s.writeSetting = [](const char*, const std::string&) {};
    s.machineKeyExists = [](const char*) { return false; };
    s.readMachineString = [](const char*, const char*) { return std::string(); };
    s.listFolder = EnumerateFolder;
    s.wideName = [](const std::string& name) {
        std::wstring wide;
        for (const unsigned char c : name) wide.push_back(static_cast<wchar_t>(c));
        return wide;
    };
    s.aboutBox = [](void*, const char* text) { std::fprintf(stderr, "About plugin: %s\n", text); };
    return s;
}
