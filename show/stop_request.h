#pragma once
#include <atomic>

// The show's stop request: set by input and window events (and by the
// failure handlers), polled by the render loop, the decoders through the
// plugin host and the resampler. A 32-bit word, because the image plugins
// poll it through its address.
#include <cstdint>
extern std::atomic<int32_t> StopRequested;
static_assert(sizeof(std::atomic<int32_t>) == 4 && std::atomic<int32_t>::is_always_lock_free);

// The arrow keys set StopRequested too, to cut a wait or a page preparation
// short, and the scheduler takes that back once it has served the key. An
// end of the show must never be taken back with it, so it is recorded here
// as well.
extern std::atomic<bool> EndRequested;

// The show must end: input, a vanished window, a failure.
void RequestShowEnd();
// An arrow key's interrupt of the running wait or preparation.
void InterruptForNavigation();
// Takes back an arrow key's interrupt; an end of the show stays requested.
void ClearNavigationInterrupt();
// A new show (or the settings window after its preview): nothing requested.
void ClearStopRequests();
