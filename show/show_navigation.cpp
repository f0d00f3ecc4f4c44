#include "show/show_navigation.h"

#include <cmath>

#include "diagnostics/clock.h"
#include "library/selection_order.h"
#include "show/album_scene.h"
#include "show/show_schedule.h"
#include "show/show_state.h"
#include "show/stop_request.h"

namespace {
int32_t WrapRow(int32_t row) { return ((row % kHistoryRows) + kHistoryRows) % kHistoryRows; }

int32_t Now100us() { return ShowHooks.now100us ? ShowHooks.now100us() : Clock100us(); }

void BeginReplayIfBehind() {
    Show.NavigatingHistory = true;
    if (Selection.readPos != Selection.writePos) Selection.replay = true;
}
}  // namespace

void StepForward() {
    TShowState& s = Show;
    std::lock_guard<std::mutex> hold(s.ShowLock);
    if (!s.SpreadPrepared && !s.Preparing) return;
    if (!s.NavigatingHistory && Selection.readPos != Selection.writePos) BeginReplayIfBehind();
    s.BackStepPending = true;
    s.ChangeNow = true;
    if (!s.Preparing) InterruptForNavigation();  // ends the wait for the delay
}

void StepBack() {
    TShowState& s = Show;
    if ((s.BackStepPending || Reverse) && !s.SpreadPrepared && !s.Preparing) return;
    s.BackStepPending = false;
    const int32_t k = s.EntriesPerPage;
    const bool prepared = s.SpreadPrepared;
    int32_t read = Selection.readPos;
    const bool nothingEarlier = read <= 2 * k + 1 || (prepared && read <= 3 * k + 2);
    if (nothingEarlier && !Selection.full) return;

    // Back over the spread on screen and the one before it, and over the
    // prepared one too when it is waiting.
    read -= 2 * k + 2;
    if (prepared) read -= k + 1;
    if (!prepared && !s.Preparing) s.BackStepPending = true;
    read = WrapRow(read);
    Selection.readPos = read;
    if (s.NavigatingHistory && read == Selection.writePos) {
        Selection.readPos = WrapRow(Selection.writePos + 1);
        return;
    }
    BeginReplayIfBehind();

    std::lock_guard<std::mutex> hold(s.ShowLock);
    s.ChangeNow = true;
    if (Reverse) CancelReverse = true;
    ReverseUploaded = false;
    Reverse = true;
    if (s.BackStepPending) {
        // No spread to prepare: the running sheet turns back from where it is.
        ReverseUploaded = true;
        s.ChangeNow = false;
        Selection.readPos = WrapRow(Selection.readPos + k + 1);
        const int32_t now = Now100us();
        const double span = static_cast<double>(TurnDuration) * 10;
        if (span > 0) {
            const double p = (now - TurnStart) / span;
            TurnStart = now - static_cast<int32_t>(std::lround((1 - p) * span));
        }
    } else {
        InterruptForNavigation();  // ends the wait for the delay
    }
}
