#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "library/settings.h"
#include "library/system_folders.h"

namespace {
std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

// Native builds have no shell folders; the home folder stands in for them so
// that the tools can find a writable data folder.
SystemFolders ReadSystemFolders() {
    SystemFolders f;
    std::string home = Env("HOME");
    if (!home.empty()) {
        f.appData = home + "/.local/share";
        f.documents = home;
        f.localAppData = home + "/.cache";
    }
    f.installFolder = InstallFolder;
    std::string tmp = Env("TMPDIR");
    f.temp = (tmp.empty() ? std::string("/tmp") : tmp) + "/";
    return f;
}

std::string MyPicturesFolder() {
    std::string home = Env("HOME");
    return home.empty() ? std::string() : home + "/Pictures";
}

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}
