// Run statistics and the event log against the in-memory main key.
#include <gtest/gtest.h>

#include <stdexcept>

#include "diagnostics/events_log.h"
#include "diagnostics/run_stats.h"
#include "library/registry.h"

namespace {
struct RunStats : ::testing::Test {
    int sleeps = 0;
    WindowCheck windowAnswer = WindowCheck::Gone;
    void SetUp() override {
        NativeMainKey().Clear();
        CheckRunWindow = [this](uintptr_t) { return windowAnswer; };
        RunStatsSleep = [this](int) { ++sleeps; };
    }
    void TearDown() override {
        CheckRunWindow = PlatformCheckWindow;
        RunStatsSleep = PlatformSleep;
        NativeMainKey().Clear();
    }
    static std::string Get(const char* n) { return RegReadString(n); }
};
}  // namespace

TEST(StatisticsCode, LevelsAndClasses) {
    EXPECT_EQ(StatisticsCode(7, 1, 0, 0, false), 34);
    EXPECT_EQ(StatisticsCodeText(34), "022");
    EXPECT_EQ(StatisticsCode(0, 0, 0, 0, false), 0);
    EXPECT_EQ(StatisticsCode(0, 1, 0, 0, false), 7 * 8);  // c taken as 1
    EXPECT_EQ(StatisticsCode(5, 0, 0, 0, false), 1);
    EXPECT_EQ(StatisticsCode(6, 0, 0, 0, false), 2);
    EXPECT_EQ(StatisticsCode(501, 0, 0, 0, false), 7);
    EXPECT_EQ(StatisticsCode(200, 1, 0, 0, false), 5 + 8 * 1);   // 0.005
    EXPECT_EQ(StatisticsCode(100, 1, 0, 0, false), 5 + 8 * 2);   // exactly 0.01
    EXPECT_EQ(StatisticsCode(100, 0, 0, 0, true), 5 + 8 * 2);    // the report counts
    EXPECT_EQ(StatisticsCode(10, 0, 5, 0, false), 2 + 64 * 6);   // 0.5
    EXPECT_EQ(StatisticsCode(10, 0, 0, 10, false), 2 + 512 * 7); // 1
    EXPECT_EQ(StatisticsCodeText(StatisticsCode(1, 9, 9, 9, false)), "FF9");
}

TEST_F(RunStats, CleanRunsCountAndEndWithWinZero) {
    StartRun();
    EXPECT_EQ(Get("ver"), "1.4.1.1");
    EXPECT_EQ(Get("win"), "-1");
    EXPECT_EQ(Get("count"), "1");
    RecordWindow(4242);
    EXPECT_EQ(Get("win"), "4242");
    RecordWindow(99);  // only the first window is kept
    EXPECT_EQ(Get("win"), "4242");
    EndRun();
    EXPECT_EQ(Get("win"), "0");
    EXPECT_EQ(Get("prever"), "0");
    StartRun();
    EndRun();
    EXPECT_EQ(Get("count"), "2");
    EXPECT_EQ(sleeps, 0);
}

TEST_F(RunStats, CleanEndWithOneErrorInSevenRuns) {
    RegWriteString("ver", "1.4.1.1");
    RegWriteString("count", "6");
    RegWriteString("er", "1");
    StartRun();
    EndRun();
    EXPECT_EQ(Get("count"), "7");
    EXPECT_EQ(Get("ser"), "022");
}

TEST_F(RunStats, VersionChangeResetsTheCounters) {
    RegWriteString("ver", "1.3.0.0");
    RegWriteString("count", "50");
    RegWriteString("er", "4");
    RegWriteString("win", "-1");
    StartRun();
    EXPECT_EQ(Get("ver"), "1.4.1.1");
    EXPECT_EQ(Get("count"), "1");
    EXPECT_EQ(Get("er"), "0");
    EXPECT_EQ(Get("uwer"), "0");  // the old run's state went with the reset
}

TEST_F(RunStats, UncleanEndsAreCounted) {
    RegWriteString("ver", "1.4.1.1");
    RegWriteString("win", "-1");  // died before it had a window
    StartRun();
    EXPECT_EQ(Get("uwer"), "1");
    EXPECT_EQ(Get("prever"), "1");
    EXPECT_EQ(sleeps, 1);  // read once more after a second

    RegWriteString("win", "777");  // died after, window gone
    StartRun();
    EXPECT_EQ(Get("uer"), "1");
    EXPECT_EQ(Get("prever"), "2");
    EXPECT_EQ(sleeps, 1 + 4);

    RecordErrorReport();
    EXPECT_EQ(Get("er"), "1");
    EXPECT_EQ(Get("prever"), "3");
    EXPECT_EQ(Get("win"), "0");
}

TEST_F(RunStats, AnotherInstanceIsLeftAlone) {
    RegWriteString("ver", "1.4.1.1");
    RegWriteString("win", "555");
    windowAnswer = WindowCheck::OurInstance;
    StartRun();
    EXPECT_TRUE(AnotherInstanceRunning());
    EXPECT_EQ(Get("win"), "555");
    RecordWindow(1);
    EndRun();
    EXPECT_EQ(Get("win"), "555");
    EXPECT_EQ(Get("count"), "1");
}

// A window handle with bit 31 set must still be recognised by the next start,
// whatever width wrote it: 64-bit handles are sign-extended 32-bit values.
TEST_F(RunStats, WindowHandlesWithTheTopBitSetAreRecognised) {
    const uintptr_t handle = static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(0x80012344u)));
    StartRun();
    RecordWindow(handle);
    EXPECT_EQ(Get("win"), "-2147409084");
    uintptr_t asked = 0;
    CheckRunWindow = [&](uintptr_t w) {
        asked = w;
        return WindowCheck::OurInstance;
    };
    StartRun();
    EXPECT_TRUE(AnotherInstanceRunning());
    EXPECT_EQ(asked, handle);
    EXPECT_EQ(sleeps, 0);

    RegWriteString("win", "2147558212");  // the unsigned text of older versions
    asked = 0;
    StartRun();
    EXPECT_EQ(asked, handle);
    RegWriteString("win", "4294967296");  // names no 32-bit handle
    CheckRunWindow = [&](uintptr_t) -> WindowCheck { throw std::logic_error("no handle to check"); };
    windowAnswer = WindowCheck::Gone;
    StartRun();
    EXPECT_EQ(Get("uer"), "1");
}

TEST(ErrorPage, Address) {
    const std::string base = kSupportPageAddress;
    EXPECT_EQ(ErrorPageUrl(101, 0, ""), base + "?error=101");
    EXPECT_EQ(ErrorPageUrl(7, 0xABC, "x y"), base + "?error=7&eradr=00000ABC&comment=x y");
}

TEST(EventsLog, MarksPersistAndRangeIsChecked) {
    NativeMainKey().Clear();
    TmyEventsLog log;
    EXPECT_FALSE(log.Has(0));
    log.Mark(1);
    log.Mark(30);
    EXPECT_EQ(RegReadInt("event", 0), (1 << 30) | 2);
    EXPECT_EQ(log.Text(), "40000002");
    TmyEventsLog reread;
    EXPECT_TRUE(reread.Has(1));
    EXPECT_TRUE(reread.Has(30));
    try {
        log.Mark(31);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "event>30");
    }
    EXPECT_THROW(log.Has(31), std::runtime_error);
    EXPECT_EQ(TmyEventsLog().Text(), "40000002");
    NativeMainKey().Clear();
    EXPECT_EQ(TmyEventsLog().Text(), "0");
}
