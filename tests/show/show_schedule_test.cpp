// The show's timing and arrow keys against a fake clock: sleeping and
// drawing frames move the clock, so whole turns run in no time.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "library/selection_order.h"
#include "library/settings.h"
#include "show/album_scene.h"
#include "show/show_navigation.h"
#include "show/show_schedule.h"
#include "show/show_state.h"
#include "show/stop_request.h"

namespace {

int64_t fakeNow100 = 0;  // the fake clock in 0.1 ms
int frames = 0, prepared = 0;
int pauseAfterFrames = -1;      // frame count at which the user presses space...
int64_t pauseLength100 = 0;     // ...and how long the pause lasts
int64_t pausedUntil100 = 0;
// What the user does while a spread is being composed, and whether the
// spread on the pages was composed to its end.
std::function<void()> duringCompose;
bool spreadWhole = true;
int halfSpreadFrames = 0;

int32_t FakeMs() { return static_cast<int32_t>(fakeNow100 / 10); }
int32_t Fake100us() { return static_cast<int32_t>(fakeNow100); }
void FakeSleep(int32_t ms) {
    fakeNow100 += ms * 10;
    if (Show.Paused && fakeNow100 >= pausedUntil100) Show.Paused = false;
}
// A 20 ms frame that ends the turn the way the renderer does.
void FakeFrame() {
    ++frames;
    fakeNow100 += 200;
    if (frames == pauseAfterFrames) {
        Show.Paused = true;
        pausedUntil100 = fakeNow100 + pauseLength100;
    }
    if (!spreadWhole) ++halfSpreadFrames;
    if (fakeNow100 - TurnStart >= static_cast<int64_t>(TurnDuration) * 10) TurnDone = true;
}
// Composing stops early, as the real one does, when a stop is requested.
void FakeCompose() {
    ++prepared;
    if (duringCompose) std::exchange(duringCompose, nullptr)();
    spreadWhole = StopRequested == 0;
}

class ShowSchedule : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings;
        ShowHooks = ShowDriver{&FakeMs, &Fake100us, &FakeSleep, nullptr, &FakeFrame, &FakeCompose, nullptr, false};
        fakeNow100 = 1000000;
        frames = prepared = halfSpreadFrames = 0;
        pauseAfterFrames = -1;
        spreadWhole = true;
        duringCompose = nullptr;
        Settings.Delay = 5000;
        TurnDuration = 2000;
        ResetShowState(4, FakeMs());
    }
    void TearDown() override {
        ShowHooks = ShowDriver{};
        Settings = saved_;
        ClearStopRequests();
    }
    // Runs scheduler ticks 30 ms apart until `turns` turns have started; the
    // clock readings at the start of each turn.
    std::vector<int32_t> RunTurns(int turns) {
        std::vector<int32_t> starts;
        int32_t lastStart = TurnStart;
        for (int guard = 0; guard < 100000 && static_cast<int>(starts.size()) < turns; ++guard) {
            FakeSleep(30);
            const int before = frames;
            SchedulerTick();
            if (frames != before && TurnStart != lastStart) starts.push_back(FakeMs()), lastStart = TurnStart;
        }
        return starts;
    }
    TSettings saved_;
};

TEST_F(ShowSchedule, DesktopTurnsAwayAtOnceThenEveryDelayAfterTheTurnEnds) {
    const int32_t t0 = FakeMs();
    const std::vector<int32_t> ends = RunTurns(3);
    ASSERT_EQ(ends.size(), 3u);
    // The first tick turns at once; each later turn starts Delay after the
    // previous one ended (a 2000 ms turn), the next spread prepared between.
    EXPECT_LE(ends[0] - t0, 30 + 2000 + 20);
    EXPECT_NEAR(ends[1] - ends[0], 5000 + 2000, 40);
    EXPECT_NEAR(ends[2] - ends[1], 5000 + 2000, 40);
    EXPECT_EQ(prepared, 3);
    EXPECT_TRUE(Show.SpreadPrepared);
}

TEST_F(ShowSchedule, PausesCountTowardNeitherTheTurnNorTheDelay) {
    // Paused for 3 s in the middle of the first turn, then for 4 s during the
    // following delay.
    pauseAfterFrames = 40;
    pauseLength100 = 30000;
    const std::vector<int32_t> first = RunTurns(1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_NEAR(frames, 100, 2);  // 2000 ms of 20 ms frames: the pause drew none
    const int32_t turnEnd = first[0];
    Show.Paused = true;
    pausedUntil100 = fakeNow100 + 40000;
    const std::vector<int32_t> second = RunTurns(1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NEAR(second[0] - turnEnd, 4000 + 5000 + 2000, 40);
}

TEST_F(ShowSchedule, OnlyOneTwoOrFourPhotosPerSpread) {
    EXPECT_EQ(EntriesPerPageFor(1), 0);
    EXPECT_EQ(EntriesPerPageFor(2), 1);
    EXPECT_EQ(EntriesPerPageFor(4), 1);
    try {
        ResetShowState(3, 0);
        ADD_FAILURE() << "three photos per spread were accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "incorrect pps, 3");
    }
}

// The left arrow steps back one spread: one spread more when the next one is
// already prepared, nothing at the start of a history that never wrapped.
TEST_F(ShowSchedule, StepBackMovesThroughTheHistory) {
    ResetShowState(4, FakeMs());  // k = 1: two history rows per spread
    Selection.writePos = Selection.readPos = 2;
    Show.SpreadPrepared = true;
    StepBack();
    EXPECT_EQ(Selection.readPos, 2) << "nothing before the first spread";
    EXPECT_FALSE(Reverse);

    Selection.writePos = Selection.readPos = 10;
    StepBack();  // prepared: back over the prepared, the shown and one more spread
    EXPECT_EQ(Selection.readPos, 10 - 4 - 2);
    EXPECT_TRUE(Reverse);
    EXPECT_TRUE(Show.ChangeNow);
    EXPECT_TRUE(Selection.replay);
    EXPECT_EQ(StopRequested, 1);

    ResetShowState(4, FakeMs());
    Selection.writePos = Selection.readPos = 10;
    Show.Preparing = true;
    StepBack();  // still preparing: one spread less
    EXPECT_EQ(Selection.readPos, 10 - 4);

    // Near the start of a ring that has wrapped, the position wraps to 100.
    ResetShowState(4, FakeMs());
    Selection.full = true;
    Selection.writePos = Selection.readPos = 1;
    Show.SpreadPrepared = true;
    StepBack();
    EXPECT_EQ(Selection.readPos, 101 + 1 - 6);
}

// Without a spread to prepare, the left arrow turns the running sheet back
// from where it is, and a second press during that reverse turn is ignored.
TEST_F(ShowSchedule, StepBackDuringATurnMirrorsTheSheet) {
    ResetShowState(1, FakeMs());  // k = 0
    Selection.writePos = Selection.readPos = 6;
    TurnStart = Fake100us() - 5000;  // a quarter into a 2000 ms turn
    StepBack();
    EXPECT_TRUE(Show.BackStepPending);
    EXPECT_TRUE(Reverse);
    EXPECT_FALSE(Show.ChangeNow);
    EXPECT_EQ(Selection.readPos, 6 - 2 + 1);
    EXPECT_EQ(Fake100us() - TurnStart, 15000);  // three quarters: the mirror
    StepBack();
    EXPECT_EQ(Selection.readPos, 5);
}

// Left then right while a spread is being composed: the left arrow's
// interrupt stops the composition, and the page must not turn onto what it
// left half-done.
TEST_F(ShowSchedule, ArrowsDuringAPreparationNeverTurnOntoAHalfComposedSpread) {
    Selection.writePos = Selection.readPos = 10;
    ASSERT_EQ(RunTurns(1).size(), 1u);
    Show.SpreadPrepared = false;
    duringCompose = [] {
        StepBack();
        StepForward();
    };
    PrepareNextSpread();
    ASSERT_FALSE(spreadWhole);
    const int before = prepared;
    SchedulerTick();
    EXPECT_EQ(prepared, before + 2) << "composed again before the turn, and the next one after it";
    EXPECT_GT(frames, 0);
    EXPECT_EQ(halfSpreadFrames, 0);
}

}  // namespace

// An Escape in the same tick as an arrow key: the key's interrupt is served
// and taken back, the end of the show is not.
TEST_F(ShowSchedule, AStopInTheSameTickAsAnArrowKeyStillEndsTheShow) {
    ASSERT_EQ(RunTurns(1).size(), 1u);
    ASSERT_TRUE(Show.SpreadPrepared);
    StepForward();
    ASSERT_TRUE(Show.ChangeNow);
    EXPECT_FALSE(ShowMustEnd()) << "an arrow key alone does not end the show";
    RequestShowEnd();
    SchedulerTick();
    EXPECT_EQ(StopRequested, 1);
    EXPECT_TRUE(ShowMustEnd());

    // The left arrow, while the next spread is being prepared.
    ResetShowState(4, FakeMs());
    Selection.writePos = Selection.readPos = 10;
    Show.Preparing = true;
    RequestShowEnd();
    StepBack();
    Show.Preparing = false;
    SchedulerTick();
    EXPECT_TRUE(ShowMustEnd());
}
