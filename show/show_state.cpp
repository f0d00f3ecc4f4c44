#include "show/show_state.h"

#include <stdexcept>
#include <string>

#include "library/selection_order.h"
#include "show/album_scene.h"
#include "show/stop_request.h"

TShowState Show;

int32_t EntriesPerPageFor(int32_t photosPerSpread) {
    switch (photosPerSpread) {
        case 1: return 0;
        case 2:
        case 4: return 1;
        default: throw std::runtime_error("incorrect pps, " + std::to_string(photosPerSpread));
    }
}

void ResetShowState(int32_t photosPerSpread, int32_t nowMs) {
    TShowState& s = Show;
    PagesPending = true;
    s.PageMargin = 5;
    LastTileIndex = -1;
    s.TeardownPending = false;
    ClearStopRequests();
    s.MouseMovesLeft = kMouseMovesTolerated;
    s.LastMousePos = -1;
    ResetSelection();
    s.LastChange = nowMs - kLongAgoMs;
    s.WallpaperDone = true;
    s.WallpaperRequested = false;
    s.NavigatingHistory = false;
    s.ChangeNow = false;
    s.SpreadPrepared = false;
    s.SpreadComplete = false;
    s.BackStepPending = false;
    s.Preparing = false;
    s.WindowGone = false;
    s.EntriesPerPage = EntriesPerPageFor(photosPerSpread);
    s.FrameRate = -1;
    s.FramesThisSecond = 0;
    s.Paused = false;
    TurnDone = true;
    Reverse = false;
    CancelReverse = false;
    ReverseUploaded = false;
}
