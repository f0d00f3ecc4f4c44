#pragma once
// The running show's state, shared by the main thread (the saver window and
// its input) and the render thread (scheduling, turning, page preparation).
// Flags either thread writes are atomics written whole; ShowLock is taken
// only by the arrow-key handlers around their flag changes.
#include <atomic>
#include <cstdint>
#include <mutex>

struct TShowState {
    bool FullScreen = false;
    uintptr_t ParentWindow = 0;        // the preview's parent, or 0
    bool LaunchedFromSettings = false;  // the show runs inside the settings window's process

    std::atomic<bool> Paused{false};
    std::atomic<bool> ChangeNow{false};
    std::atomic<bool> SpreadPrepared{false};
    // Clear when the last preparation was stopped part-way (an arrow key's
    // interrupt): its spread is half-composed and must be prepared again
    // before any page turns onto it.
    std::atomic<bool> SpreadComplete{false};
    std::atomic<bool> Preparing{false};
    std::atomic<bool> BackStepPending{false};
    std::atomic<bool> NavigatingHistory{false};
    std::atomic<bool> RenderStarting{false};
    std::atomic<bool> TeardownPending{false};
    std::atomic<bool> WindowGone{false};
    std::atomic<bool> WallpaperDone{true};
    std::atomic<bool> WallpaperRequested{false};  // by the window, for the render thread

    std::atomic<int32_t> LastChange{0};  // millisecond clock at the last page change
    int32_t PageMargin = 5;
    int32_t EntriesPerPage = 0;  // 0: one photo spans the spread; 1: each page has its own
    // Spreads laid out by the photos' shapes ("AutoLayout"): two history
    // rows a spread, as EntriesPerPage 1 has.
    bool ShapedSpreads = false;
    std::mutex ShowLock;

    // Frame-rate measurement of the running turn.
    int32_t FrameRate = -1;
    int32_t FramesThisSecond = 0;
    int32_t SecondStart = 0;

    // Input: mouse moves still tolerated, and the last packed cursor position.
    std::atomic<int32_t> MouseMovesLeft{15};
    std::atomic<int32_t> LastMousePos{-1};
};
extern TShowState Show;

constexpr int32_t kMouseMovesTolerated = 15;
// LastChange starts this far back, so that the first turn is due at once.
constexpr int32_t kLongAgoMs = 172800000;

// History entries per spread minus one, from the photos per spread (1, 2 or
// 4); any other value throws "incorrect pps, " and the value.
int32_t EntriesPerPageFor(int32_t photosPerSpread);

// The platform-free part of a show's start: flags, counters, history, the
// entries per page for `photosPerSpread`, the renderer's turn state.
void ResetShowState(int32_t photosPerSpread, int32_t nowMs);
