#include <gtest/gtest.h>

#include "library/file_access.h"
#include "library/folder_scan.h"
#include "library/picture_list.h"
#include "library/settings.h"
#include "library/system_folders.h"
#include "tests/library/library_test_folder.h"

namespace {
class FolderScan : public ::testing::Test {
protected:
    void SetUp() override {
        ScanExtensions() = {".jpg", ".png"};
        ScanIncludeSubfolders = true;
        ClearLastScannedFolder();
    }
    void TearDown() override {
        ScanIncludeSubfolders = true;
        PicList().Clear();
        PicList().Modified = false;
        Settings.ConfiguredFolders.clear();
        ScanResult().clear();
    }
    std::string Make(const std::string& relative) {
        std::string path = root.Path();
        size_t start = 0;
        for (;;) {
            size_t slash = relative.find('/', start);
            path = JoinPath(path, relative.substr(start, slash - start));
            if (slash == std::string::npos) break;
            CreateFolder(path);
            start = slash + 1;
        }
        if (relative.back() != '/') Touch(path);
        return path;
    }
    std::string P(const std::string& relative) { return JoinPath(root.Path(), Native(relative)); }
    static std::string Native(std::string s) {
        for (char& c : s)
            if (c == '/') c = kPathSep;
        return s;
    }
    TestFolder root;
};
}  // namespace

TEST_F(FolderScan, ExtensionsMatchWholeAndIgnoringCase) {
    Make("P/photo.JPG");
    Make("P/photo");
    Make("P/archive.jpg.zip");
    Make("P/x.jpeg");
    Make("P/.png");
    Make("P/x.jpg/");  // a folder with a picture's name
    Make("P/x.jpg/in.png");
    ScanIncludeSubfolders = false;
    ScanFolder(P("P"), false);
    EXPECT_EQ(ScanResult(), (TStringList{P("P/.png"), P("P/photo.JPG")}));

    ScanExtensions().push_back(".zip");
    ScanIncludeSubfolders = true;
    ScanFolder(P("P"), false);
    EXPECT_EQ(ScanResult(), (TStringList{P("P/.png"), P("P/archive.jpg.zip"), P("P/photo.JPG"), P("P/x.jpg/in.png")}));
}

TEST_F(FolderScan, WholeResultIsSortedIgnoringCase) {
    Make("P/b.jpg");
    Make("P/A/z.jpg");
    Make("P/c/D.jpg");
    Make("P/C.jpg");
    ScanFolder(P("P"), false);
    EXPECT_EQ(ScanResult(), (TStringList{P("P/A/z.jpg"), P("P/b.jpg"), P("P/C.jpg"), P("P/c/D.jpg")}));
    EXPECT_EQ(LastScannedFolder(), P("P"));
}

// The settings window reads folders on another thread and may stop it: a
// stopped scan descends no further, and the count follows what was found.
TEST_F(FolderScan, AStopRequestCutsTheScanShortAndTheCountFollowsIt) {
    Make("P/a.jpg");
    Make("P/b.png");
    Make("P/sub/c.jpg");
    ScanFolder(P("P"), false);
    EXPECT_EQ(ScanFoundCount, 3);
    ScanStopRequested = true;
    ScanFolder(P("P"), false);
    ScanStopRequested = false;
    EXPECT_TRUE(ScanResult().empty());
    EXPECT_EQ(ScanFoundCount, 0);
}

TEST_F(FolderScan, TrailingSeparatorKeepAndMissingFolders) {
    Make("P/a.jpg");
    ScanFolder(P("P") + kPathSep, false);
    EXPECT_EQ(ScanResult(), TStringList{P("P/a.jpg")});
    ScanFolder(P("P"), true);
    EXPECT_EQ(ScanResult().size(), 2u);

    ScanFolder(P("missing"), false);
    EXPECT_TRUE(ScanResult().empty());
    EXPECT_EQ(LastScannedFolder(), P("P"));  // only a found folder counts
    ScanFolder(P("P/a.jpg"), false);           // a file is not a folder
    EXPECT_TRUE(ScanResult().empty());
}

TEST_F(FolderScan, FirstListFromConfiguredFolders) {
    Make("One/1.jpg");
    Make("Two/note.txt");
    Make("Three/sub/3.png");
    Settings.ConfiguredFolders = {P("One"), "", P("Two"), P("Three")};
    BuildFirstList();
    ASSERT_EQ(PicList().Count(), 3);
    EXPECT_EQ(PicList().At(0).Path, "Root");
    EXPECT_EQ(PicList().At(1).Path, P("One"));
    EXPECT_FALSE(PicList().At(1).AutoRefresh);
    EXPECT_TRUE(PicList().At(1).IncludeSubdirs);
    EXPECT_EQ(*PicList().At(2).Pictures, TStringList{P("Three/sub/3.png")});
}

TEST_F(FolderScan, FirstListFallsBackToPhotosAndMyPictures) {
    const std::string saved = InstallFolder;
    InstallFolder = P("Install");
    Make("Install/Photos/");
    BuildFirstList();
    EXPECT_EQ(Settings.ConfiguredFolders.front(), JoinPath(P("Install"), "Photos"));
    ASSERT_GE(PicList().Count(), 1);
    EXPECT_EQ(PicList().At(0).Path, "Root");
    if (MyPicturesFolder().empty() || !FolderExists(MyPicturesFolder())) {
        EXPECT_EQ(PicList().Count(), 1);  // nothing anywhere: only "Root"
    }
    PicList().Clear();
    Make("Install/Photos/p.jpg");
    Settings.ConfiguredFolders.clear();
    BuildFirstList();
    ASSERT_GE(PicList().Count(), 2);
    EXPECT_EQ(*PicList().At(1).Pictures, TStringList{P("Install/Photos/p.jpg")});
    InstallFolder = saved;
}

TEST_F(FolderScan, RefreshRescansMarkedEntriesOnly) {
    Make("A/a1.jpg");
    Make("A/sub/a2.jpg");
    Make("B/b1.jpg");
    TPicList& list = PicList();
    list.AddFolder("Root");
    list.At(0).AutoRefresh = true;  // never scanned
    list.At(0).Pictures->push_back("single.jpg");
    TFolderItem& a = list.At(list.AddFolder(P("A")));
    a.AutoRefresh = true;
    a.IncludeSubdirs = false;
    a.ExtraNames->push_back("kept");
    TFolderItem& b = list.At(list.AddFolder(P("B")));
    b.Pictures->push_back("old");
    TFolderItem& gone = list.At(list.AddFolder(P("Gone")));
    gone.AutoRefresh = true;
    gone.Pictures->push_back("was here");

    RefreshAutoFolders();
    EXPECT_TRUE(list.Modified);
    EXPECT_EQ(*list.At(0).Pictures, TStringList{"single.jpg"});
    EXPECT_EQ(*list.At(1).Pictures, TStringList{P("A/a1.jpg")});
    EXPECT_EQ(*list.At(1).ExtraNames, TStringList{"kept"});
    EXPECT_EQ(*list.At(2).Pictures, TStringList{"old"});
    EXPECT_TRUE(list.At(3).Pictures->empty());
    EXPECT_EQ(list.Count(), 4);

    list.At(1).IncludeSubdirs = true;
    RefreshEntry(1);
    EXPECT_EQ(*list.At(1).Pictures, (TStringList{P("A/a1.jpg"), P("A/sub/a2.jpg")}));
    EXPECT_TRUE(list.At(1).ExtraNames->empty());
}

TEST_F(FolderScan, RefreshWithoutAnyExtensionKeepsTheEntries) {
    Make("A/a1.jpg");
    TPicList& list = PicList();
    list.AddFolder("Root");
    TFolderItem& a = list.At(list.AddFolder(P("A")));
    a.AutoRefresh = true;
    a.Pictures->push_back("kept.jpg");
    ScanExtensions().clear();
    RefreshAutoFolders();
    EXPECT_EQ(*list.At(1).Pictures, TStringList{"kept.jpg"});
    EXPECT_FALSE(list.Modified);
}
