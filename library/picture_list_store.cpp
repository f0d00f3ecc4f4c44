#include "library/picture_list_store.h"

#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/folder_scan.h"
#include "library/picture_list.h"
#include "library/settings.h"

namespace {
void CreateListFolder(const std::string& file) {
    std::string folder = ParentFolder(file);
    if (!folder.empty() && !FolderExists(folder)) CreateFolder(folder);
}
}  // namespace

std::string& PicListFile() {
    static std::string file;
    return file;
}

void ResetLibraryLists() {
    ScanExtensions().clear();
    ScanResult().clear();
    TPicList& list = PicList();
    list.Clear();
    list.Modified = false;
    list.FileTime = 0;
}

void LocateDataFolder() {
    std::string folder = GetDataFolder();
    if (folder.empty()) folder = InstallFolder;
    PicListFile() = JoinPath(folder, kPicListFileName);
}

void LoadPictureList(bool autoRefresh) {
    TPicList& list = PicList();
    list.Clear();
    std::string& file = PicListFile();
    bool loaded = false;
    if (FileExists(file)) {
        list.FileTime = FileWriteTime(file);
        loaded = list.LoadFromFile(file);
        if (loaded && autoRefresh) RefreshAutoFolders();
    }
    if (!loaded) {
        CreateListFolder(file);
        BuildFirstList();
    }
    if (list.Count() == 0) list.AddFolder("Root");
}

void SavePictureList() {
    // Normally formed by the start-up; a save before it still needs a file.
    if (PicListFile().empty()) LocateDataFolder();
    std::string& file = PicListFile();
    if (!FileExists(file)) CreateListFolder(file);
    PicList().SaveToFile(file);
}
