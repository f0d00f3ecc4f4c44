#pragma once
// The real-time resize: the line callback that plugins hand decoded rows to,
// so that a picture is turned, fitted and scaled into its page cell while it
// is being decoded (see resampler_stream.h), and its end.
#include <cstdint>

#include "imaging/plugin_contract.h"

// Header call (row -1, the header word in place of the pixels): prepares the
// resize of the slot's destination bitmap; returns 0 when it declines (a
// picture too small for the resampler), 1 otherwise. Row calls: one delivered
// row of 3-byte pixels; returns 1. It never throws: it is called from inside
// the plugins, whose frames an exception may not be able to unwind (each
// 32-bit module has its own unwinder). A protocol violation
// (std::runtime_error) or a failed allocation is kept for the slot and the
// call returns 0, which tells the plugin to stop; every later call of that
// decode returns 0 too.
int32_t PW_CDECL LineCallback(const void* rowOrHeader, int32_t row, int32_t width, int32_t height,
                              int32_t slot) noexcept;

// Whether a call on the slot has failed since its last AbandonResize.
bool LineCallbackFailed(int32_t slot);
// Throws the slot's kept failure, if any, and forgets it. The host calls it
// once the plugin's decoder has returned.
void RaiseLineCallbackFailure(int32_t slot);

// Ends a resize under way on the slot (after a failed or finished decode),
// frees its lists and window and forgets a kept failure.
void AbandonResize(int32_t slot);

// Tests only: called at the start of every line callback; what it throws is
// handled as a failure of the callback.
extern void (*LineCallbackTestFault)(int32_t row);
