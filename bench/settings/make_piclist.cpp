// Writes a piclist.dat through the real TPicList file code: FOLDERS folders of
// PICTURES names each under the folder BASE (the pictures need not exist; the
// settings window lists the names without reading them).
// Usage: bench_make_piclist FILE FOLDERS PICTURES BASE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library/picture_list.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_make_piclist FILE FOLDERS PICTURES BASE\n");
        return 2;
    }
    std::string file = argv[1];
    const int folders = std::atoi(argv[2]), pictures = std::atoi(argv[3]);
    TPicList list;
    list.AddFolder("Root");
    for (int f = 0; f < folders; ++f) {
        std::string path = argv[4];
        path += "\\Album ";
        path += std::to_string(1000 + f);
        TFolderItem& item = list.At(list.AddFolder(path));
        item.IncludeSubdirs = false;
        for (int p = 0; p < pictures; ++p) {
            std::string name = path;
            name += "\\IMG_";
            name += std::to_string(100000 + p);
            name += ".jpg";
            item.Pictures->push_back(name);
        }
    }
    list.SaveToFile(file);
    std::printf("%s: %d folders, %d pictures\n", file.c_str(), folders, list.PictureCount());
    return 0;
}
