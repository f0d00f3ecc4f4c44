#include <gtest/gtest.h>

#include <stdexcept>

#include "diagnostics/watchdog.h"
#include "diagnostics/watchdog_rules.h"

namespace {
int workerToken, mainToken, windowToken;

struct Fixture : ::testing::Test {
    WatchdogState s;
    void WithWorker() {
        s.workerRegistered = true;
        s.workerHandle = &workerToken;
    }
    void WithMain() {
        s.mainHandle = &mainToken;
        s.mainWindow = &windowToken;
    }
    // Ticks once a second from `from` to `to` (inclusive) and returns the
    // first freeze seen.
    WatchdogAction RunUntil(uint32_t from, uint32_t to, bool workerAnswers = false) {
        for (uint32_t t = from; t <= to; t += 1000) {
            if (workerAnswers) s.workerAnswered = true;
            WatchdogAction a = WatchdogTick(s, t);
            if (a.freeze) return a;
        }
        return {};
    }
};
}  // namespace

TEST_F(Fixture, SilentWorkerIsReportedAfterThirtySeconds) {
    WithWorker();
    s.lastTick = 0;
    WatchdogAction first = WatchdogTick(s, 1000);  // posts the probe
    EXPECT_FALSE(first.freeze);
    EXPECT_TRUE(s.workerPending);
    EXPECT_FALSE(RunUntil(2000, 31000).freeze);  // exactly 30 s is still fine
    WatchdogAction a = WatchdogTick(s, 32000);
    ASSERT_TRUE(a.freeze);
    EXPECT_EQ(a.freezeText, "thread 0 freeze, 31000");
    EXPECT_EQ(a.freezeThread, &workerToken);
    EXPECT_TRUE(s.workerPending);  // the probe stays pending
}

TEST_F(Fixture, AnsweringWaitingAndLongOperations) {
    WithWorker();
    EXPECT_FALSE(RunUntil(1000, 200000, /*workerAnswers=*/true).freeze);

    // Waiting clears the probe whatever the time.
    s.workerWaiting = true;
    EXPECT_FALSE(RunUntil(201000, 400000).freeze);
    s.workerWaiting = false;

    // A long operation has 60 s.
    s.workerPending = false;
    s.workerLong = true;
    WatchdogTick(s, 401000);
    EXPECT_FALSE(RunUntil(402000, 461000).freeze);
    WatchdogAction a = WatchdogTick(s, 462000);
    ASSERT_TRUE(a.freeze);
    EXPECT_EQ(a.freezeText, "thread 0 freeze, 61000");
}

TEST_F(Fixture, SleepGapClearsTheProbes) {
    WithWorker();
    WithMain();
    s.lastTick = 0;
    WatchdogTick(s, 1000);
    EXPECT_TRUE(s.workerPending);
    EXPECT_TRUE(s.mainPending);
    // An hour asleep: the first tick after waking clears both probes.
    WatchdogAction a = WatchdogTick(s, 1000 + 3600 * 1000);
    EXPECT_FALSE(a.freeze);
    EXPECT_FALSE(s.workerPending);
    EXPECT_FALSE(s.mainPending);
    // ... and the clock wrapping around 2^32 is no gap at all.
    s.lastTick = 0xFFFFFC18u;  // 1000 ms before the wrap
    s.mainPending = true;
    s.mainProbeTime = 0xFFFFFC18u;
    a = WatchdogTick(s, 0);
    EXPECT_FALSE(a.freeze);
    EXPECT_TRUE(s.mainPending);
}

TEST_F(Fixture, MainThreadProbeAndFreeze) {
    WithMain();
    s.lastTick = 0;
    WatchdogAction a = WatchdogTick(s, 1000);
    EXPECT_TRUE(a.postProbe);
    // A window that answers every probe is never reported.
    for (uint32_t t = 2000; t < 120000; t += 1000) {
        if (s.mainPending) s.mainAnswered = true;
        EXPECT_FALSE(WatchdogTick(s, t).freeze);
    }
    // A modal loop that dispatches nothing for more than 30 s is.
    s.mainPending = false;
    a = WatchdogTick(s, 120000);
    ASSERT_TRUE(a.postProbe);
    a = RunUntil(121000, 200000);
    ASSERT_TRUE(a.freeze);
    EXPECT_EQ(a.freezeText, "mainthread freeze, 31000");
    EXPECT_EQ(a.freezeThread, &mainToken);
}

TEST_F(Fixture, SuspendedMainThreadIsNotProbedToDeath) {
    WithMain();
    s.mainSuspended = true;
    EXPECT_FALSE(RunUntil(1000, 300000).freeze);
    // Nothing is watched until both the handle and the window are known.
    WatchdogState bare;
    bare.mainHandle = &mainToken;
    for (uint32_t t = 1000; t < 100000; t += 1000) EXPECT_FALSE(WatchdogTick(bare, t).postProbe);
}

TEST(ShowNotQuit, Texts) {
    EXPECT_EQ(ShowNotQuitText(15016, false, false), "Show not quit 15016,hmonth");
    EXPECT_EQ(ShowNotQuitText(30000, true, true), "Show not quit 30000, window,thh0");
}

TEST(WatchdogMarks, WorkerRegistration) {
    EXPECT_THROW(RegisterWorker(0, nullptr), std::runtime_error);
    try {
        RegisterWorker(0, nullptr);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "addthread0");
    }
    RegisterWorker(0, &workerToken);
    WatchdogState& s = Watchdog();
    EXPECT_TRUE(s.workerRegistered);
    WorkerAlive(-1);
    EXPECT_FALSE(s.workerAnswered);  // -1 is the main thread: no effect
    BeginLongOperation(0);
    EXPECT_TRUE(s.workerLong);
    EndLongOperation(0);
    EXPECT_FALSE(s.workerLong);
    EXPECT_TRUE(s.workerAnswered);
    BeginWait(-1);
    EXPECT_FALSE(s.workerWaiting);
    UnregisterWorker(0);
    EXPECT_FALSE(s.workerRegistered);
}
