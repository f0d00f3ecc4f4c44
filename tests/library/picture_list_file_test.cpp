#include <gtest/gtest.h>

#include <stdexcept>

#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/folder_scan.h"
#include "library/picture_list.h"
#include "library/picture_list_store.h"
#include "library/settings.h"
#include "tests/library/library_test_fixture.h"

namespace {
TPicList SmallList() {
    TPicList list;
    list.AddFolder("Root");
    TFolderItem& item = list.At(list.AddFolder("C:\\P"));
    item.Pictures->assign({"C:\\P\\a.jpg", "C:\\P\\b.jpg"});
    item.ExtraNames->assign({"e"});
    return list;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}
}  // namespace

using PicListFiles = DataFolderFixture;

TEST_F(PicListFiles, SaveAndLoadRoundTrip) {
    std::string name = root / "piclist.dat";
    SmallList().SaveToFile(name);
    EXPECT_EQ(name, root / "piclist.dat");
    EXPECT_FALSE(FileExists(PicListTempName(name)));
    TPicList back;
    back.AddFolder("stale");
    EXPECT_TRUE(back.LoadFromFile(name));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(*back.At(1).Pictures, *SmallList().At(1).Pictures);
    EXPECT_EQ(*back.At(1).ExtraNames, TStringList{"e"});
    EXPECT_TRUE(Sleeps().empty());
}

TEST_F(PicListFiles, FailedSaveKeepsThePreviousFile) {
    std::string name = root / "piclist.dat";
    SmallList().SaveToFile(name);
    const std::vector<uint8_t> before = ReadBytes(name);

    // The new file cannot be created beside the old one.
    CreateFolder(PicListTempName(name));
    TPicList bigger = SmallList();
    bigger.AddFolder("C:\\Q");
    EXPECT_EQ(ErrorOf([&] { bigger.SaveToFile(name); }), "Unable to write file \"" + name + "\", Error = 5");
    EXPECT_EQ(Sleeps(), std::vector<int>{1000});
    EXPECT_EQ(ReadBytes(name), before);
}

TEST_F(PicListFiles, FailedReplaceKeepsTheOldEntryAndLeavesNoTemporaryFile) {
    std::string name = root / "piclist.dat";
    CreateFolder(name);  // something that is not a file stands in the way
    Touch(JoinPath(name, "keep"));
    EXPECT_NE(ErrorOf([&] { SmallList().SaveToFile(name); }).find("Unable to write file \"" + name + "\", Error = "),
              std::string::npos);
    EXPECT_TRUE(FileExists(JoinPath(name, "keep")));
    EXPECT_FALSE(FileExists(PicListTempName(name)));
}

TEST_F(PicListFiles, SaveMovesToANewDataFolderWhenTheOldOneFails) {
    ASSERT_EQ(GetDataFolder(), Candidate(1));
    std::string name = JoinPath(Candidate(1), "piclist.dat");
    std::filesystem::remove_all(Candidate(1));
    Block(Candidate(1));
    SmallList().SaveToFile(name);
    EXPECT_EQ(name, JoinPath(Candidate(2), "piclist.dat"));
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(Sleeps(), std::vector<int>{1000});
}

TEST_F(PicListFiles, OpenFailures) {
    std::string missing = root / "none.dat";
    TPicList list = SmallList();
    EXPECT_EQ(ErrorOf([&] { list.LoadFromFile(missing); }), "Unable to open file \"" + missing + "\", Error = 2");
    EXPECT_EQ(list.Count(), 0);  // cleared before reading
    EXPECT_EQ(Sleeps(), (std::vector<int>{500, 2500}));

    std::string folder = root / "folder.dat";
    CreateFolder(folder);
    EXPECT_EQ(ErrorOf([&] { list.LoadFromFile(folder); }), "accessdenied set, Error = 5");
}

TEST_F(PicListFiles, MissingListInTheDataFolderTriesANewFolder) {
    ASSERT_EQ(GetDataFolder(), Candidate(1));
    std::string name = JoinPath(Candidate(1), "piclist.dat");
    TPicList list;
    EXPECT_FALSE(list.LoadFromFile(name));  // the new choice has no list either
    EXPECT_EQ(Sleeps(), (std::vector<int>{500, 2500}));
}

TEST_F(PicListFiles, StartUpLoadsRefreshesOrBuildsTheFirstList) {
    ScanExtensions() = {".jpg"};
    std::string photos = root / "Photos";
    CreateFolder(photos);
    Touch(JoinPath(photos, "one.jpg"));
    Settings.ConfiguredFolders = {photos, root / "Empty"};
    PicList().Modified = false;

    // No list file: the first list comes from the configured folders, and
    // the list file's folder is made.
    PicListFile() = JoinPath(root / "DataDir", "piclist.dat");
    LoadPictureList(true);
    ASSERT_EQ(PicList().Count(), 2);
    EXPECT_EQ(PicList().At(0).Path, "Root");
    EXPECT_EQ(*PicList().At(1).Pictures, TStringList{JoinPath(photos, "one.jpg")});
    EXPECT_TRUE(FolderExists(root / "DataDir"));

    // Saved with auto refresh on; a new picture appears at the next start.
    PicList().At(1).AutoRefresh = true;
    SavePictureList();
    Touch(JoinPath(photos, "two.jpg"));
    LoadPictureList(true);
    EXPECT_EQ(PicList().PictureCount(), 2);
    EXPECT_TRUE(PicList().Modified);
    EXPECT_NE(PicList().FileTime, 0u);

    // A file of only the header: "Root" is added.
    WriteBytes(PicListFile(), {'P', 'R', 0, 0, 3, 2});
    LoadPictureList(true);
    ASSERT_EQ(PicList().Count(), 1);
    EXPECT_EQ(PicList().At(0).Path, "Root");

    Settings.ConfiguredFolders.clear();
    PicList().Clear();
    PicList().Modified = false;
}
