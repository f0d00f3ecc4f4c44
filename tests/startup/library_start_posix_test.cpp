// The whole library start-up on a fresh machine: installation folder from
// "Path", data folder chosen and proven, plugins registered, the first
// picture list built from the installation's Photos folder, and the settings
// save writing piclist.dat. Its own executable because InitLibrary runs once
// per process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "library/folder_scan.h"
#include "library/picture_list.h"
#include "library/picture_list_store.h"
#include "library/registry.h"
#include "library/settings.h"

namespace fs = std::filesystem;

TEST(LibraryStart, FreshMachineBuildsTheFirstList) {
    const fs::path root = fs::temp_directory_path() / ("pw_start_" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path install = root / "install";
    const fs::path home = root / "home";
    fs::create_directories(install / "Photos" / "sub");
    fs::create_directories(home);
    for (const char* name : {"b.JPG", "a.bmp", "notes.txt", "sub/c.ppm"}) std::ofstream(install / "Photos" / name) << "x";
    ::setenv("HOME", home.c_str(), 1);
    NativeMainKey().Clear();
    RegWriteString("Path", install.string());
    RegWriteString("Delay", "7000");

    InitLibrary();

    EXPECT_EQ(InstallFolder, install.string());
    EXPECT_EQ(Settings.Delay, 7000);
    const ExtensionList& ext = ScanExtensions();
    for (const char* e : {".jpg", ".jpeg", ".bmp", ".ppm"})
        EXPECT_NE(std::find(ext.begin(), ext.end(), e), ext.end()) << e;
    EXPECT_NE(RegReadInt("pathind", 0), 0);  // a data folder was chosen

    TPicList& list = PicList();
    ASSERT_GE(list.Count(), 2);
    EXPECT_EQ(list.At(1).Path, (install / "Photos").string());
    // Subfolders included, one sort by full path without regard to case.
    EXPECT_EQ(*list.At(1).Pictures, (TStringList{(install / "Photos" / "a.bmp").string(),
                                                 (install / "Photos" / "b.JPG").string(),
                                                 (install / "Photos" / "sub" / "c.ppm").string()}));

    SaveSettings();
    const std::string file = PicListFile();
    ASSERT_TRUE(fs::exists(file)) << file;
    TPicList reread;
    std::string name = file;
    ASSERT_TRUE(reread.LoadFromFile(name));
    EXPECT_EQ(reread.PictureCount(), list.PictureCount());

    DoneLibrary();
    EXPECT_EQ(RegReadString("win"), "0");
    fs::remove_all(root);
}
