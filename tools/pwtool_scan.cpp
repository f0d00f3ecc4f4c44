// pwtool scan DIR [--no-subdirs]: the folder scan's sorted result, one path a
// line, with the extensions of the registered image plugins.
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/plugin_host.h"
#include "library/folder_scan.h"
#include "tools/pwtool.h"

namespace {
int Scan(const std::vector<std::string>& args) {
    std::string folder;
    bool subfolders = true;
    for (const std::string& a : args) {
        if (a == "--no-subdirs")
            subfolders = false;
        else if (folder.empty() && !a.empty() && a[0] != '-')
            folder = a;
        else
            return kPwtoolUsage;
    }
    if (folder.empty()) return kPwtoolUsage;
    if (!FolderListable(folder)) {
        std::fprintf(stderr, "pwtool scan: cannot list folder %s\n", folder.c_str());
        return kPwtoolRefused;
    }
    RegisterPlugins();
    CollectExtensions(ScanExtensions());
    ScanIncludeSubfolders = subfolders;
    ScanFolder(folder, false);

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof(buffer));
    for (const std::string& path : ScanResult()) {
        std::fwrite(path.data(), 1, path.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return kPwtoolOk;
}

PwtoolCommand reg("scan", "DIR [--no-subdirs]", Scan);
}  // namespace
