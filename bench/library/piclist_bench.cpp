// Saves and loads a piclist.dat of 100 000 pictures in 50 folders through
// the real TPicList file code; prints the median times and MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library/file_access.h"
#include "library/picture_list.h"

namespace {
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double TimeMs(F&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    std::string file = JoinPath(folder, "bench-piclist.dat");

    TPicList list;
    list.AddFolder("Root");
    for (int f = 0; f < 50; ++f) {
        std::string path = "D:\\Photos\\Holidays 20" + std::to_string(10 + f % 15) + "\\Album " + std::to_string(f);
        TFolderItem& item = list.At(list.AddFolder(path));
        for (int p = 0; p < 2000; ++p) item.Pictures->push_back(path + "\\IMG_" + std::to_string(10000 + p) + ".JPG");
    }

    std::vector<double> save, load;
    for (int i = 0; i < runs; ++i) {
        save.push_back(TimeMs([&] { list.SaveToFile(file); }));
        TPicList back;
        load.push_back(TimeMs([&] { back.LoadFromFile(file); }));
        if (back.PictureCount() != 100000) {
            std::fprintf(stderr, "bench_piclist: loaded %d pictures\n", back.PictureCount());
            return 1;
        }
    }
    FileHandle h;
    h.OpenForRead(file);
    const double mb = static_cast<double>(h.Size()) / 1e6;
    h.Close();
    DeleteFileAt(file);
    const double s = Median(save), l = Median(load);
    std::printf("piclist.dat 100000 pictures, %.2f MB: save %.1f ms (%.0f MB/s), load %.1f ms (%.0f MB/s), median of %d\n",
                mb, s, mb / (s / 1000), l, mb / (l / 1000), runs);
    return 0;
}
