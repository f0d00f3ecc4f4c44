#include "library/folder_scan.h"

#include <algorithm>
#include <cctype>

#include "library/file_access.h"
#include "library/settings.h"
#include "library/system_folders.h"

namespace {

bool MatchesExtension(const char* name, size_t length, const ExtensionList& extensions) {
    const char* dot = nullptr;
    for (const char* p = name + length; p > name;)
        if (*--p == '.') {
            dot = p;
            break;
        }
    if (!dot) return false;
    const size_t extLength = static_cast<size_t>(name + length - dot);
    for (const std::string& ext : extensions) {
        if (ext.size() != extLength) continue;
        size_t i = 0;
        while (i < extLength && std::tolower(static_cast<unsigned char>(dot[i])) == static_cast<unsigned char>(ext[i]))
            ++i;
        if (i == extLength) return true;
    }
    return false;
}

void SearchTreeInto(const std::string& folder, const ExtensionList& extensions, TStringList& target) {
    if (ScanStopRequested) return;
    EnumerateFolder(folder, [&](const char* name, bool isFolder) {
        if (ScanStopRequested) return;
        // Whole, however many bytes its letters take (a Windows name has at
        // most 259 UTF-16 units; cut in bytes it would lose its extension,
        // or end in the middle of a letter).
        const size_t length = std::char_traits<char>::length(name);
        if (name[0] == '.' && (length == 1 || (length == 2 && name[1] == '.'))) return;
        if (!isFolder) {
            if (MatchesExtension(name, length, extensions)) {
                std::string path;
                path.reserve(folder.size() + 1 + length);
                path.append(folder).push_back(kPathSep);
                path.append(name, length);
                target.push_back(std::move(path));
                ++ScanFoundCount;
            }
        } else if (ScanIncludeSubfolders) {
            SearchTreeInto(JoinPath(folder, std::string(name, length)), extensions, target);
        }
    });
}

void FillEntryFromScan(TFolderItem& item) {
    ScanIncludeSubfolders = item.IncludeSubdirs;
    ScanFolder(item.Path, false);
    item.Pictures->assign(ScanResult().begin(), ScanResult().end());
}
}  // namespace

bool ScanIncludeSubfolders = true;
std::atomic<bool> ScanStopRequested{false};
std::atomic<int32_t> ScanFoundCount{0};

ExtensionList& ScanExtensions() {
    static ExtensionList extensions;
    return extensions;
}

TStringList& ScanResult() {
    static TStringList result;
    return result;
}

std::string& LastScannedFolder() {
    static std::string folder;
    return folder;
}

void ClearLastScannedFolder() { LastScannedFolder().clear(); }

void SortPaths(TStringList& paths) {
    std::stable_sort(paths.begin(), paths.end(),
                     [](const std::string& a, const std::string& b) { return ComparePathText(a, b) < 0; });
}

void SearchTree(const std::string& folder, TStringList& target) {
    SearchTreeInto(folder, ScanExtensions(), target);
}

void ScanFolder(const std::string& folder, bool keep) {
    TStringList& result = ScanResult();
    if (!keep) result.clear();
    ScanFoundCount = 0;
    std::string root = folder;
    if (!root.empty() && root.back() == kPathSep) root.pop_back();
    if (!FolderListable(root)) return;
    LastScannedFolder() = root;
    TStringList found;
    SearchTree(root, found);
    SortPaths(found);
    if (result.empty())
        result = std::move(found);
    else
        result.insert(result.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
}

void BuildFirstList() {
    TPicList& list = PicList();
    if (list.Count() == 0) list.AddFolder("Root");
    std::vector<std::string>& folders = Settings.ConfiguredFolders;
    if (folders.empty()) {
        const std::string& install = InstallFolder;
        folders.push_back(install.empty() ? std::string() : JoinPath(install, "Photos"));
        const std::string myPictures = MyPicturesFolder();
        if (!myPictures.empty()) folders.push_back(myPictures);
    }
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        ScanFolder(folder, false);
        if (ScanResult().empty()) continue;
        TFolderItem& item = list.At(list.AddFolder(folder));
        item.Pictures->assign(ScanResult().begin(), ScanResult().end());
    }
}

void RefreshAutoFolders() {
    // Without a single known extension a rescan finds nothing; emptying the
    // user's folders for that reason would only lose their pictures.
    if (ScanExtensions().empty()) return;
    TPicList& list = PicList();
    for (int i = 1; i < list.Count(); ++i) {
        TFolderItem& item = list.At(i);
        if (!item.AutoRefresh) continue;
        FillEntryFromScan(item);
        list.Modified = true;
    }
}

void RefreshEntry(int i) {
    TPicList& list = PicList();
    TFolderItem& item = list.At(i);
    item.ExtraNames->clear();
    FillEntryFromScan(item);
    list.Modified = true;
}
