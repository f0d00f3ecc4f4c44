// A save that runs out of room half-way (here: a file-size limit) must leave
// the previous list file as it was.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "library/picture_list.h"
#include "library/picture_list_store.h"
#include "tests/library/library_test_folder.h"

TEST(PicListSavePosix, WriteFailureHalfWayKeepsThePreviousFile) {
    TestFolder root;
    std::string name = root / "piclist.dat";
    TPicList list;
    list.At(list.AddFolder("Root")).Pictures->push_back("old.jpg");
    list.SaveToFile(name);
    const std::vector<uint8_t> before = ReadBytes(name);

    TPicList bigger;
    TFolderItem& item = bigger.At(bigger.AddFolder("C:\\Big"));
    for (int i = 0; i < 20000; ++i) item.Pictures->push_back("C:\\Big\\picture number " + std::to_string(i) + ".jpg");

    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string error;
    try {
        bigger.SaveToFile(name);
    } catch (const std::exception& e) {
        error = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(error.rfind("Unable to write file \"" + name + "\", Error = ", 0), 0u) << error;
    EXPECT_EQ(ReadBytes(name), before);
    EXPECT_FALSE(FileExists(PicListTempName(name)));
}
