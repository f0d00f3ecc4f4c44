// Where the GDI+ formats plugin finds gdiplus.dll. Older systems have no GDI+
// of their own but may carry a copy inside the .NET Framework's folders; that
// search walks the disk, so its outcome is remembered ("Path") together with
// the .NET version it ran for ("NetVer").
#include <string>
#include <vector>

#include "imaging/gdiplus_plugin.h"
#include "library/text_case.h"

namespace {

constexpr const char* kLibraryName = "gdiplus.dll";
constexpr const char* kNetKey = "SOFTWARE\\Microsoft\\.NETFramework";

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

// Depth first, each folder's entries in the order listed, subfolders searched
// where they are met. Fills `found` with the path of the library it loaded.
void* SearchFolder(const GdiplusSystem& system, const std::string& folder, std::string& found, int depth) {
    // Junctions can make a folder its own descendant; no install tree is this deep.
    if (depth > 32) return nullptr;
    struct Entry {
        std::string name;
        bool isFolder;
    };
    std::vector<Entry> entries;
    if (!system.listFolder(folder, [&](const char* name, bool isFolder) { entries.push_back({name, isFolder}); }))
        return nullptr;
    for (const Entry& e : entries) {
        if (e.name == "." || e.name == "..") continue;
        const std::string path = Join(folder, e.name);
        if (e.isFolder) {
            if (void* module = SearchFolder(system, path, found, depth + 1)) return module;
        } else if (LowerCase(e.name) == kLibraryName) {
            if (void* module = system.load(path)) {
                found = path;
                return module;
            }
        }
    }
    return nullptr;
}

}  // namespace

std::string NetFrameworkVersion(const GdiplusSystem& system) {
    static const char* const kVersions[][2] = {
        {"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0", "2.0"},
        {"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1", "1.1"},
        {"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.0", "1.0"},
    };
    for (const auto& v : kVersions)
        if (system.machineKeyExists(v[0])) return v[1];
    return "0";
}

void* FindGdiplus(const GdiplusSystem& system) {
    if (void* module = system.load(kLibraryName)) return module;

    const std::string beside = Join(system.programFolder(), kLibraryName);
    if (system.fileExists(beside))
        if (void* module = system.load(beside)) return module;

    const std::string remembered = system.readSetting("Path");
    if (!remembered.empty())
        if (void* module = system.load(remembered)) return module;

    const std::string version = NetFrameworkVersion(system);
    if (version == system.readSetting("NetVer")) return nullptr;  // searched before for this version
    system.writeSetting("NetVer", version);
    std::string root = system.readMachineString(kNetKey, "InstallRoot");
    if (!root.empty() && root.back() == '\\') root.pop_back();
    if (root.empty()) return nullptr;
    std::string found;
    void* module = SearchFolder(system, root, found, 0);
    if (module) system.writeSetting("Path", found);
    return module;
}
