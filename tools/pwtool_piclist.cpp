// pwtool piclist dump FILE: the entries of a piclist.dat as the program reads
// them: path, flags, picture and extra-name counts, then the names.
#include <cstdio>
#include <string>
#include <vector>

#include "library/file_access.h"
#include "library/picture_list.h"
#include "tools/pwtool.h"

namespace {
void PrintNames(const char* kind, const TStringList& names) {
    for (const std::string& name : names) std::printf("  %s %s\n", kind, name.c_str());
}

int Piclist(const std::vector<std::string>& args) {
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

PwtoolCommand reg("piclist", "dump FILE", Piclist);
}  // namespace
