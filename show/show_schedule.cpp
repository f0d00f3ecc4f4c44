#include "show/show_schedule.h"

#include <cmath>

#include "diagnostics/clock.h"
#include "library/settings.h"
#include "show/album_scene.h"
#include "show/show_state.h"
#include "show/stop_request.h"

ShowDriver ShowHooks;

namespace {
int32_t NowMs() { return ShowHooks.nowMs ? ShowHooks.nowMs() : ClockMs(); }
int32_t Now100us() { return ShowHooks.now100us ? ShowHooks.now100us() : Clock100us(); }
void Heartbeat() {
    if (ShowHooks.heartbeat) ShowHooks.heartbeat();
}
void Sleep(int32_t ms) {
    if (ShowHooks.sleep) ShowHooks.sleep(ms);
}
void Milestone(const char* what) {
    if (ShowHooks.milestone) ShowHooks.milestone(what);
}
}  // namespace

void WaitWhilePaused() {
    if (!Show.Paused || StopRequested) return;
    // Said once no further frame is drawn: what is on the screen now stays.
    Milestone("paused");
    while (Show.Paused && !StopRequested) {
        Sleep(20);
        Heartbeat();
    }
    Milestone("resumed");
}

void PrepareNextSpread() {
    if (StopRequested) return;
    Show.Preparing = true;
    if (ShowHooks.composeNextSpread) ShowHooks.composeNextSpread();
    const bool stopped = StopRequested != 0;
    Show.SpreadComplete = !stopped;
    Show.Preparing = false;
    Show.SpreadPrepared = true;
    PagesPending = true;
    Milestone(stopped ? "spread preparation stopped" : "spread prepared");
}

void TurnPage() {
    TShowState& s = Show;
    TurnDone = false;
    TurnStart = Now100us();
    s.SecondStart = NowMs();
    const int64_t span = static_cast<int64_t>(TurnDuration) * 10;  // the turn in 0.1 ms
    Milestone("turn started");
    while (!TurnDone && !StopRequested) {
        if (s.Paused) {
            int64_t elapsed = Now100us() - TurnStart;
            const bool wasReverse = Reverse;
            WaitWhilePaused();
            // A step back taken during the pause turns the sheet round: it
            // goes on from the mirrored position.
            if (Reverse && !wasReverse && span > 0)
                elapsed = std::llround((1.0 - static_cast<double>(elapsed) / span) * span);
            TurnStart = static_cast<int32_t>(Now100us() - elapsed);
            s.SecondStart = NowMs();
        }
        const int32_t now = NowMs();
        if (now - s.SecondStart > 1000) {
            s.FrameRate = static_cast<int32_t>(std::lround(s.FramesThisSecond / ((now - s.SecondStart) / 1000.0)));
            if (ShowHooks.frameRateMeasured) ShowHooks.frameRateMeasured(s.FrameRate);
            s.SecondStart = now;
            s.FramesThisSecond = 0;
        }
        if (ShowHooks.preview) Sleep(1);
        if (!StopRequested) {
            if (ShowHooks.drawFrame) ShowHooks.drawFrame();
            ++s.FramesThisSecond;
        }
        Heartbeat();
    }
    Milestone(TurnDone ? "turn ended" : "turn stopped");
}

void SchedulerTick() {
    TShowState& s = Show;
    if (s.Paused) {
        const int32_t elapsed = NowMs() - s.LastChange;
        WaitWhilePaused();
        s.LastChange = NowMs() - elapsed;  // a pause counts toward no delay
    }
    if (NowMs() - s.LastChange <= Settings.Delay && !s.ChangeNow) return;
    if (s.ChangeNow) {
        ClearNavigationInterrupt();
        s.SpreadPrepared = false;
        // A right arrow keeps the prepared spread, unless an interrupt (a
        // left arrow pressed just before it) stopped that preparation.
        if (!s.BackStepPending || !s.SpreadComplete) PrepareNextSpread();
    }
    if (!s.ChangeNow || !StopRequested) s.ChangeNow = false;
    s.BackStepPending = false;
    s.SpreadPrepared = false;
    s.LastChange = NowMs();
    TurnPage();
    s.LastChange = NowMs();
    if (!StopRequested || s.ChangeNow) {
        if (StopRequested && s.ChangeNow) ClearNavigationInterrupt();
        PrepareNextSpread();
    }
}

bool ShowMustEnd() { return StopRequested && (!Show.ChangeNow || EndRequested); }
