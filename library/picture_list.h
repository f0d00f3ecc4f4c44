#pragma once
// The picture list: folder entries, each with the full paths of its pictures.
// Entry 0 is "Root" (single pictures); pictures are numbered globally in entry
// order, entry 0 first.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

struct TFolderItem {
    bool AutoRefresh = false;
    bool IncludeSubdirs = true;
    uintptr_t TreeItem = 0;  // the settings window's tree node; never stored
    // The lists belong to the entry; copies of the record share them.
    std::shared_ptr<TStringList> Pictures = std::make_shared<TStringList>();
    std::string Path;
    std::shared_ptr<TStringList> ExtraNames = std::make_shared<TStringList>();
};

class TPicList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // A copy of entry i; its lists are the entry's own.
    TFolderItem Item(int i) const;
    // Entry i itself, for changing its flags or tree node.
    TFolderItem& At(int i);
    const TFolderItem& At(int i) const;
    int PictureCount() const;
    std::string PictureName(int n) const;  // empty beyond the end
    int AddItem(const TFolderItem& item);
    int AddFolder(const std::string& path);
    void Delete(int i);
    void Clear();

    // The file is replaced only when the new one is complete. The name may
    // change to a new data folder when the old one cannot be written.
    void SaveToFile(std::string& fileName) const;
    // False when the file is gone and a new data folder has no list either.
    bool LoadFromFile(std::string& fileName);

    bool Modified = false;
    uint64_t FileTime = 0;

private:
    void CheckIndex(int i) const;
    std::vector<std::unique_ptr<TFolderItem>> items_;
};

// The process-wide picture list.
TPicList& PicList();
