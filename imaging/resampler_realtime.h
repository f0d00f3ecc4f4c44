#pragma once
// The real-time resize: the line callback that plugins hand decoded rows to,
// so that a picture is turned, fitted and scaled into its page cell while it
// is being decoded (see resampler_stream.h), and its end.
#include <cstdint>

#include "imaging/plugin_contract.h"

// Header call (row -1, the header word in place of the pixels): prepares the
// resize of the slot's destination bitmap; returns 0 when it declines (a
// picture too small for the resampler), 1 otherwise. Row calls: one delivered
// row of 3-byte pixels; returns 1. Protocol violations throw
// std::runtime_error.
int32_t PW_CDECL LineCallback(const void* rowOrHeader, int32_t row, int32_t width, int32_t height, int32_t slot);

// Ends a resize under way on the slot (after a failed or finished decode)
// and frees its lists and window.
void AbandonResize(int32_t slot);
