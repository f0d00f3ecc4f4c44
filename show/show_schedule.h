#pragma once
// The render thread's timing: a page turn every "Delay" milliseconds (pauses
// excluded), the turn itself frame by frame, and the preparation of the next
// spread between turns. What it needs from around it comes in through
// ShowDriver, which the show fills and tests replace.
#include <cstdint>

struct ShowDriver {
    int32_t (*nowMs)() = nullptr;     // millisecond clock
    int32_t (*now100us)() = nullptr;  // 0.1 ms clock
    void (*sleep)(int32_t ms) = nullptr;
    void (*heartbeat)() = nullptr;                // render thread alive (watchdog)
    void (*drawFrame)() = nullptr;                // one frame of the turn, presented
    void (*composeNextSpread)() = nullptr;        // fills NextLeft and NextRight
    void (*frameRateMeasured)(int32_t fps) = nullptr;
    bool preview = false;  // a 1 ms sleep per frame
    // Milestones for whoever watches the show from outside ("turn ended",
    // "spread prepared"); the show writes them as debug strings.
    void (*milestone)(const char* what) = nullptr;
};
extern ShowDriver ShowHooks;

// One pass of the scheduler (every 30 ms): turns the page when the delay has
// passed or an arrow key asked for it, then prepares the next spread.
void SchedulerTick();
// One page turn, until the renderer says it is done or the show stops.
void TurnPage();
// Composes the next spread unless the show is stopping.
void PrepareNextSpread();

// The render loop's exit test after each tick: a stop that is not an arrow
// key's interrupt still waiting for its turn.
bool ShowMustEnd();

// Sleeps in 20 ms steps with heartbeats while paused and the show runs on.
void WaitWhilePaused();
