// pwtool piclist dump FILE: the entries of a piclist.dat as the program reads
// them: path, flags, picture and extra-name counts, then the names.
// pwtool piclist make FILE FOLDERS PICTURES [ROOT]: a list of FOLDERS folders
// ROOT\folderNNN with PICTURES names each (the files need not exist), for
// benchmarks.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library/file_access.h"
#include "library/picture_list.h"
#include "tools/pwtool.h"

namespace {
void PrintNames(const char* kind, const TStringList& names) {
    for (const std::string& name : names) std::printf("  %s %s\n", kind, name.c_str());
}

int MakeList(const std::vector<std::string>& args) {
    const int folders = std::atoi(args[2].c_str()), pictures = std::atoi(args[3].c_str());
    if (folders < 0 || pictures < 0) return kPwtoolUsage;
    const std::string root = args.size() > 4 ? args[4] : "C:\\Photos";
    TPicList list;
    list.AddFolder("Root");
    for (int f = 0; f < folders; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "\\folder%03d", f);
        const int i = list.AddFolder(root + name);
        TStringList& names = *list.At(i).Pictures;
        names.reserve(static_cast<size_t>(pictures));
        for (int p = 0; p < pictures; ++p) {
            char picture[40];
            std::snprintf(picture, sizeof picture, "\\IMG_%06d.jpg", p);
            names.push_back(list.At(i).Path + picture);
        }
    }
    std::string file = args[1];
    list.SaveToFile(file);
    std::printf("%d entries, %d pictures\n", list.Count(), list.PictureCount());
    return kPwtoolOk;
}

int Piclist(const std::vector<std::string>& args) {
    if ((args.size() == 4 || args.size() == 5) && args[0] == "make") return MakeList(args);
    if (args.size() != 2 || args[0] != "dump") return kPwtoolUsage;
    std::string file = args[1];
    if (!FileExists(file)) {
        std::fprintf(stderr, "pwtool piclist: no such file %s\n", file.c_str());
        return kPwtoolRefused;
    }
    TPicList list;
    list.LoadFromFile(file);
    for (int i = 0; i < list.Count(); ++i) {
        const TFolderItem& item = list.At(i);
        std::printf("%s\tflags=%d\tpictures=%zu\textra=%zu\n", item.Path.c_str(),
                    (item.AutoRefresh ? 1 : 0) | (item.IncludeSubdirs ? 2 : 0), item.Pictures->size(),
                    item.ExtraNames->size());
        PrintNames("picture", *item.Pictures);
        PrintNames("extra", *item.ExtraNames);
    }
    std::printf("%d entries, %d pictures\n", list.Count(), list.PictureCount());
    return kPwtoolOk;
}

PwtoolCommand reg("piclist", "dump FILE | make FILE FOLDERS PICTURES [ROOT]", Piclist);
}  // namespace
