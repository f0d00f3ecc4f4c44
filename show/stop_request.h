#pragma once
#include <atomic>

// The show's stop request: set by input and window events (and by the
// failure handlers), polled by the render loop, the decoders through the
// plugin host and the resampler. A 32-bit word, because the image plugins
// poll it through its address.
#include <cstdint>
extern std::atomic<int32_t> StopRequested;
static_assert(sizeof(std::atomic<int32_t>) == 4 && std::atomic<int32_t>::is_always_lock_free);
