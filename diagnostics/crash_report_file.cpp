#include "diagnostics/crash_report_file.h"

#include <stdexcept>

#include "app/message_box.h"
#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/random.h"
#include "library/system_folders.h"

namespace {

constexpr int kNumberedNameTries = 10000;
constexpr size_t kReadBackBytes = 21;

// Asking for a folder must not end the report.
std::string Guarded(const std::function<std::string()>& ask) {
    try {
        return ask ? ask() : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

std::string ChooseFolder(const std::string& dataFolder, const ReportFileHooks& hooks) {
    if (!dataFolder.empty()) return dataFolder;
    const std::string appData = Guarded(hooks.appDataFolder);
    if (!appData.empty()) return JoinPath(appData, kProductFolderName);
    return Guarded(hooks.programFolder);
}

std::string ChooseName(const std::string& folder, const ReportFileHooks& hooks) {
    std::string path = JoinPath(folder, "BugReport.html");
    for (int i = 0; i < kNumberedNameTries && FileExists(path); ++i)
        path = JoinPath(folder, "BugReport" + std::to_string(hooks.randomBelow10000() % 10000) + ".html");
    return path;
}

bool ReadsBack(const std::string& path) {
    FileHandle file;
    char head[kReadBackBytes];
    return file.OpenForRead(path) && file.Read(head, sizeof head) == sizeof head;
}

}  // namespace

ReportFileHooks DefaultReportFileHooks() {
    ReportFileHooks hooks;
    hooks.dataFolder = GetDataFolder;
    hooks.newDataFolder = ForceNewDataFolder;
    hooks.appDataFolder = [] { return ReadSystemFolders().appData; };
    hooks.programFolder = ProgramFolder;
    hooks.randomBelow10000 = [] { return RandomBits() % 10000; };
    hooks.message = [](const std::string& text) { ShowMessage(text); };
    return hooks;
}

std::string WriteReportFile(const std::string& page, const ReportFileHooks& hooks) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string folder = ChooseFolder(Guarded(attempt == 0 ? hooks.dataFolder : hooks.newDataFolder), hooks);
        const std::string path = ChooseName(folder, hooks);
        if (!FolderExists(folder)) CreateFolder(folder);
        FileHandle file;
        if (!file.CreateForWrite(path)) {
            hooks.message("Failed to create bugreport file \"" + path + "\"");
            return {};
        }
        const bool written = file.Write(page.data(), page.size());
        file.Close();
        if (written && ReadsBack(path)) return path;
    }
    return {};
}
