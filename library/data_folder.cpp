#include "library/data_folder.h"

#include <cctype>
#include <cstdint>
#include <stdexcept>

#include "app/message_box.h"
#include "diagnostics/run_stats.h"
#include "library/file_access.h"
#include "library/random_pick.h"
#include "library/registry.h"
#include "library/settings.h"
#include "library/text_case.h"

namespace {
constexpr int kCandidateCount = 5;
constexpr int kTestNameDraws = 101;
constexpr int kErrorNoDataFolder = 101;
constexpr int kErrorDataFolderLost = 103;

std::string g_dataFolder;
std::string g_mirrorFolder;

void OpenSupportPage(int error) {
    DataFolderHooks& h = DataFolderSeams();
    if (h.errorPage)
        h.errorPage(error);
    else
        OpenErrorPage(error, 0, "");
}

bool WriteTestValue(const std::string& path, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    FileHandle f;
    return f.CreateForWrite(path) && f.Write(bytes, 4);
}

// The first four bytes of the file, little-endian; false when unreadable.
bool ReadTestValue(const std::string& path, uint32_t& value) {
    FileHandle f;
    uint8_t bytes[4];
    if (!f.OpenForRead(path) || f.Read(bytes, 4) != 4) return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

// Checks the proof left by the last choice and removes it. False when the
// proof does not hold.
bool ConsumeProof(const std::string& folder, const std::string& proof) {
    size_t comma = proof.find(',');
    if (comma == std::string::npos) return false;
    int64_t value = 0, number = 0;
    bool valueOk = ParseDecimal(proof.substr(0, comma), value);
    bool numberOk = ParseDecimal(proof.substr(comma + 1), number);
    bool good = false;
    if (numberOk) {
        // The test file goes whatever the value says: a proof that does not
        // hold must not leave a stray file in the user's folder.
        std::string testFile = JoinPath(folder, std::to_string(number));
        uint32_t stored = 0;
        good = valueOk && ReadTestValue(testFile, stored) && stored == static_cast<uint32_t>(value);
        DeleteFileAt(testFile);
    }
    RegRemoveValue("pathdata");
    return good;
}
}  // namespace

DataFolderHooks& DataFolderSeams() {
    static DataFolderHooks hooks;
    return hooks;
}

std::string DataFolder() { return g_dataFolder; }
std::string MirrorFolder() { return g_mirrorFolder; }

void ForgetDataFolder() {
    g_dataFolder.clear();
    g_mirrorFolder.clear();
}

std::string CandidateFolder(int number, const SystemFolders& places) {
    const std::string product = kProductFolderName;
    auto under = [](const std::string& base, const std::string& name) {
        return base.empty() ? std::string() : JoinPath(base, name);
    };
    switch (number) {
        case 1: return under(places.appData, product);
        case 2: return under(places.appData, product + "_Data");
        case 3: return under(places.installFolder, "Data");
        case 4: return under(places.documents, product + "_Data");
        case 5: return places.temp.empty() ? std::string() : places.temp + product + "_Data";
        default: throw std::runtime_error("Wrong pathind");
    }
}

bool TryCandidate(const std::string& folder, int number) {
    if (!FolderExists(folder)) {
        std::string parent = ParentFolder(folder);
        if (!parent.empty() && !FolderExists(parent)) CreateFolder(parent);
        CreateFolder(folder);
    }
    const uint32_t value = static_cast<uint32_t>(RandomScaled(99999999.0));
    int64_t fileNumber = 0;
    std::string testFile;
    for (int draw = 0; draw < kTestNameDraws; ++draw) {
        fileNumber = RandomScaled(9999.0);
        testFile = JoinPath(folder, std::to_string(fileNumber));
        if (!FileExists(testFile) && !FolderExists(testFile)) break;
    }
    if (FileExists(testFile) || FolderExists(testFile)) return false;

    uint32_t readBack = 0;
    bool written = WriteTestValue(testFile, value);
    if (!written || !ReadTestValue(testFile, readBack) || readBack != value) {
        if (FileExists(testFile)) DeleteFileAt(testFile);
        return false;
    }
    RegWriteInt("pathind", number);
    RegWriteString("pathdata", std::to_string(value) + "," + std::to_string(fileNumber));
    return true;
}

std::string MirrorFolderFor(int k, const std::string& dataFolder, const SystemFolders& places) {
    if (k != 3 || places.programFiles.empty() || places.localAppData.empty()) return {};
    std::string container = ParentFolder(ParentFolder(dataFolder));
    if (container.empty() || LowerCase(container) != LowerCase(places.programFiles)) return {};
    // Only a path that starts with a drive ("C:\") has a VirtualStore twin.
    if (dataFolder.size() < 3 || dataFolder[1] != ':' || dataFolder[2] != kPathSep) return {};
    return places.localAppData + kPathSep + "VirtualStore" + kPathSep + dataFolder.substr(3);
}

int ChooseDataFolder() {
    DataFolderHooks& hooks = DataFolderSeams();
    const SystemFolders places = hooks.places();
    for (int number = 1; number <= kCandidateCount; ++number) {
        std::string folder = CandidateFolder(number, places);
        if (folder.empty() || !TryCandidate(folder, number)) continue;
        g_dataFolder = folder;
        g_mirrorFolder = MirrorFolderFor(number, folder, places);
        return number;
    }
    if (hooks.message)
        hooks.message("Failed to write Data files");
    else
        ShowMessage("Failed to write Data files");
    OpenSupportPage(kErrorNoDataFolder);
    return 0;
}

std::string GetDataFolder() {
    if (!g_dataFolder.empty()) return g_dataFolder;
    const int32_t k = RegReadInt("pathind", 0);
    if (k == 0) {
        ChooseDataFolder();
    } else {
        const SystemFolders places = DataFolderSeams().places();
        // A number no candidate has (a damaged or hand-edited value) is treated
        // like a folder that went away: a new choice instead of a failed start.
        std::string folder = (k >= 1 && k <= kCandidateCount) ? CandidateFolder(k, places) : std::string();
        bool bad = folder.empty() || !FolderExists(folder);
        if (!bad) {
            std::string proof = RegReadString("pathdata");
            if (!proof.empty()) bad = !ConsumeProof(folder, proof);
        }
        int inUse = k;
        if (bad) {
            // The remembered folder is only kept when it still works; if no
            // candidate works the list falls back to the installation folder.
            inUse = ChooseDataFolder();
            if (RegReadInt("pathind", 0) == k) RegRemoveValue("pathdata");
        } else {
            g_dataFolder = folder;
        }
        g_mirrorFolder = inUse != 0 ? MirrorFolderFor(inUse, g_dataFolder, places) : std::string();
    }
    if (g_dataFolder.empty()) OpenSupportPage(kErrorDataFolderLost);
    return g_dataFolder;
}

std::string ForceNewDataFolder() {
    ChooseDataFolder();
    return GetDataFolder();
}
