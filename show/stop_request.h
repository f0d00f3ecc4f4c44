#pragma once
#include <atomic>

// The show's stop request: set by input and window events (and by the
// failure handlers), polled by the render loop, the decoders through the
// plugin host and the resampler.
extern std::atomic<bool> StopRequested;
