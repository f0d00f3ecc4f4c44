#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "library/picture_list.h"
#include "library/random.h"
#include "library/registry.h"
#include "library/selection_order.h"
#include "library/settings.h"
#include "show/stop_request.h"

namespace {
class Selection_ : public ::testing::Test {
protected:
    void SetUp() override {
        saved = Settings;
        RegRemoveValue("Prev");
        ResetSelection();
        StopRequested = false;
        SeedRandom(7u);
    }
    void TearDown() override {
        Settings = saved;
        RegRemoveValue("Prev");
        ResetSelection();
        PicList().Clear();
        StopRequested = false;
    }
    // Root plus one folder; pictures named p0, p1, ... in global order.
    static void MakeList(int n) {
        TPicList& list = PicList();
        list.Clear();
        list.AddFolder("Root");
        TFolderItem& f = list.At(list.AddFolder("F"));
        for (int i = 0; i < n; ++i) f.Pictures->push_back("C:\\F\\p" + std::to_string(i) + ".jpg");
    }
    static void Order(int mode, bool fromRandom = false, bool fromPrevious = false) {
        Settings.OrderMode = mode;
        Settings.StartFromRandom = fromRandom;
        Settings.StartFromPrevious = fromPrevious;
    }
    static std::vector<int> Picks(int count) {
        std::vector<int> picks;
        for (int i = 0; i < count; ++i) picks.push_back(NextPicture().number);
        return picks;
    }
    TSettings saved;
};
using SelectionOrder = Selection_;
}  // namespace

TEST_F(SelectionOrder, SequentialAndReverseWrap) {
    MakeList(4);
    Order(1);
    EXPECT_EQ(Picks(6), (std::vector<int>{0, 1, 2, 3, 0, 1}));
    ResetSelection();
    Order(4);
    EXPECT_EQ(Picks(6), (std::vector<int>{3, 2, 1, 0, 3, 2}));
    ResetSelection();
    Order(3);  // not a known order: always the first picture
    EXPECT_EQ(Picks(3), (std::vector<int>{0, 0, 0}));
    PictureChoice c = NextPicture();
    EXPECT_EQ(c.path, "C:\\F\\p0.jpg");
}

TEST_F(SelectionOrder, EmptyListChoosesNothing) {
    MakeList(0);
    Order(2);
    PictureChoice c = NextPicture();
    EXPECT_EQ(c.number, 0);
    EXPECT_EQ(c.path, "");
}

TEST_F(SelectionOrder, RandomFirstPicksStayInTheirWindow) {
    MakeList(1);
    Order(2);
    for (int v : Picks(20)) EXPECT_EQ(v, 0);

    struct Case {
        int n, windowEnd;
    };
    for (Case c : {Case{10, 7}, Case{63, 43}}) {
        MakeList(c.n);
        std::set<int> seen;
        for (uint32_t seed = 1; seed <= 600; ++seed) {
            SeedRandom(seed);
            ResetSelection();
            seen.insert(NextPicture().number);
        }
        EXPECT_EQ(*seen.begin(), 0) << c.n;
        EXPECT_EQ(*seen.rbegin(), c.windowEnd - 1) << c.n;
        if (c.n == 10) {
            EXPECT_EQ(seen.size(), 7u);
        }
    }
}

TEST_F(SelectionOrder, RandomCyclesShowEveryPictureAndHoldBackTheLast) {
    Order(2);
    for (int n : {2, 3, 5, 10, 31, 62, 63, 64, 100}) {
        MakeList(n);
        SeedRandom(static_cast<uint32_t>(n) * 977u);
        ResetSelection();
        const int held = std::min(n / 3, 20);
        std::vector<int> previous;
        for (int cycle = 0; cycle < 6; ++cycle) {
            std::vector<int> picks = Picks(n);
            std::vector<int> sorted = picks;
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < n; ++i) ASSERT_EQ(sorted[i], i) << "n=" << n << " cycle " << cycle;
            // The picture shown at position n-held+i of one cycle is not
            // among the first i+1 picks of the next.
            const std::vector<int>& last = previous.empty() ? sorted : previous;  // first cycle holds back n-k..n-1
            for (int i = 0; i < held; ++i)
                for (int j = 0; j <= i; ++j)
                    ASSERT_NE(picks[j], last[n - held + i]) << "n=" << n << " cycle " << cycle << " i=" << i;
            previous = picks;
        }
    }
}

TEST_F(SelectionOrder, GrowingListRestartsTheShuffle) {
    Order(2);
    MakeList(5);
    Picks(3);
    MakeList(8);
    std::vector<int> picks = Picks(8);
    std::sort(picks.begin(), picks.end());
    EXPECT_EQ(picks, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SelectionOrder, StartFromPrevious) {
    MakeList(10);
    Order(1, false, true);
    RegWriteString("Prev", "4?C:\\F\\p4.jpg");
    EXPECT_EQ(NextPicture().number, 5);

    ResetSelection();
    RegWriteString("Prev", "4?c:\\f\\P4.JPG");  // letter case only
    EXPECT_EQ(NextPicture().number, 5);

    ResetSelection();
    RegWriteString("Prev", "4?C:\\F\\p7.jpg");  // the path moved to 7
    EXPECT_EQ(NextPicture().number, 8);

    ResetSelection();
    RegWriteString("Prev", "x?C:\\F\\p2.jpg");
    EXPECT_EQ(NextPicture().number, 3);

    ResetSelection();
    RegWriteString("Prev", "C:\\F\\p6.jpg");  // no number part
    EXPECT_EQ(NextPicture().number, 7);

    ResetSelection();
    RegWriteString("Prev", "4?c:\\f\\p9.jpg");  // other case and number: no match at all
    EXPECT_EQ(LoadPrevious(), -1);
    EXPECT_EQ(NextPicture().number, 0);

    Order(2, false, true);
    RegWriteString("Prev", "4?C:\\F\\p4.jpg");
    EXPECT_EQ(LoadPrevious(), -1);

    Order(4, true, true);  // both set: the previous picture wins
    ResetSelection();
    EXPECT_EQ(NextPicture().number, 3);
}

TEST_F(SelectionOrder, StartFromRandomCoversTheList) {
    MakeList(5);
    Order(1, true);
    std::set<int> seen;
    for (uint32_t seed = 1; seed < 200; ++seed) {
        SeedRandom(seed);
        ResetSelection();
        seen.insert(NextPicture().number);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST_F(SelectionOrder, SavePrevious) {
    MakeList(3);
    SavePrevious(2);
    EXPECT_EQ(RegReadString("Prev"), "2?C:\\F\\p2.jpg");
    SavePrevious(3);
    EXPECT_EQ(RegReadString("Prev"), "");
    SavePrevious(-1);
    EXPECT_EQ(RegReadString("Prev"), "");
}

TEST_F(SelectionOrder, HistoryRecordsAndReplaysPages) {
    MakeList(50);
    Order(1);
    Settings.PhotosPerPage = 2;
    for (int page = 0; page < 3; ++page) {
        for (int cell = 0; cell < 2; ++cell) {
            Selection.cellIndex = cell;
            NextPicture();
        }
        PageDone(2);
    }
    EXPECT_EQ(Selection.writePos, 3);
    EXPECT_EQ(Selection.readPos, 3);
    EXPECT_FALSE(Selection.full);

    // Step back two pages and replay them.
    Selection.readPos = 1;
    Selection.replay = true;
    EXPECT_EQ(PhotosForNextPage(), 2);
    Selection.cellIndex = 0;
    EXPECT_EQ(NextPicture().number, 2);
    Selection.cellIndex = 1;
    EXPECT_EQ(NextPicture().number, 3);
    PageDone(2);
    EXPECT_TRUE(Selection.replay);
    PageDone(2);
    EXPECT_FALSE(Selection.replay);  // caught up with the write position
    EXPECT_EQ(Selection.readPos, 3);

    // A page abandoned by the stop request is not recorded.
    Selection.rows[3].cells[0] = -7;
    StopRequested = true;
    Selection.cellIndex = 0;
    NextPicture();
    EXPECT_EQ(Selection.rows[3].cells[0], -7);
}

TEST_F(SelectionOrder, HistoryWrapsAfter101Pages) {
    MakeList(5);
    Order(1);
    for (int page = 0; page < 100; ++page) PageDone(1);
    EXPECT_EQ(Selection.writePos, 100);
    EXPECT_FALSE(Selection.full);
    PageDone(1);
    EXPECT_EQ(Selection.writePos, 0);
    EXPECT_EQ(Selection.readPos, 0);
    EXPECT_TRUE(Selection.full);

    Selection.readPos = 100;
    Selection.replay = true;
    EXPECT_EQ(PhotosForNextPage(), 1);
    PageDone(1);
    EXPECT_EQ(Selection.readPos, 0);
    EXPECT_FALSE(Selection.replay);
}

TEST_F(SelectionOrder, ReplayedNumberOutsideTheListIsAnError) {
    MakeList(3);
    Order(1);
    Selection.rows[0].cells[0] = 5;
    Selection.replay = true;
    try {
        NextPicture();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "incorrect picNumber, 5, 3");
    }
}
