#include "imaging/resampler_realtime.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler.h"
#include "imaging/resampler_stream.h"

namespace {

// Each slot keeps its own state, so a preview decoding on one slot cannot
// disturb a page decoding on another.
struct RealtimeState {
    int32_t width = 0;  // as announced by the header call
    int32_t height = 0;
    int32_t lastRow = -1;
    std::unique_ptr<TResampleStream> stream;
    // What a call of this decode threw: kept here, so that no exception
    // crosses the plugin's frames, and raised by the host once the plugin
    // has returned.
    std::exception_ptr failure;
};
RealtimeState States[kDecodingSlots];
// A call with a slot out of range has no state to keep its failure in.
thread_local std::exception_ptr strayFailure;

std::exception_ptr& FailureCell(int32_t slot) {
    return slot >= 0 && slot < kDecodingSlots ? States[slot].failure : strayFailure;
}

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kDecodingSlots; }

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

int32_t Header(uint32_t word, int32_t width, int32_t height, int32_t slot) {
    if (!ValidSlot(slot)) Fail("not ResizeStarted and not StartResize");
    ResizeSlot& record = ResizeSlots[slot];
    if (record.resizeStarted) Fail("ResizeStarted and curLine=-1");
    if (!record.resizeRequested) Fail("not ResizeStarted and not StartResize");

    const int32_t orientation = NormaliseOrientation(word & kHeaderOrientationMask);
    const bool turned = orientation >= 5;
    record.resizeAccepted = 1;
    TBitmap0* dest = record.destination ? *record.destination : nullptr;
    if (!dest) Fail("ResizeBMP not assigned");

    const FitPlan plan = PlanFit(dest->Width(), dest->Height(), turned ? height : width, turned ? width : height,
                                 FitOptionsOf(*dest));
    if (!dest->Pixels() || width <= 0 || height <= 0 ||
        (plan.mode != FitMode::Copy && plan.mode != FitMode::Resample)) {
        // The whole picture comes through the decode target instead and is
        // drawn by DrawFit; nothing of this resize may claim it.
        record.resizeRequested = 0;
        record.resizeAccepted = 0;
        return 0;
    }
    dest->Fill();
    dest->SetFitted(plan.dstX, plan.dstY, plan.dstW, plan.dstH);
    RealtimeState& state = States[slot];
    state.width = width;
    state.height = height;
    state.lastRow = -1;
    state.stream = std::make_unique<TResampleStream>(*dest, plan, orientation, (word & kHeaderBlueFirst) != 0, width,
                                                     height);
    record.resizeStarted = 1;
    return 1;
}

void Row(const uint8_t* pixels, int32_t row, int32_t width, int32_t height, int32_t slot) {
    if (!ValidSlot(slot) || !ResizeSlots[slot].resizeStarted || !States[slot].stream)
        Fail("not ResizeStarted and curLine=" + std::to_string(row) + ", height=" + std::to_string(height));
    RealtimeState& state = States[slot];
    if (row != state.lastRow + 1)
        Fail("prevLine=" + std::to_string(state.lastRow) + ", curLine=" + std::to_string(row));
    if (width != state.width || height != state.height)
        Fail("ResSourcewidth=" + std::to_string(state.width) + ", width=" + std::to_string(width) +
             ", ResSourceheight=" + std::to_string(state.height) + ", height=" + std::to_string(height));
    state.lastRow = row;
    state.stream->Row(pixels, row);
    if (row > 0 && row % kResampleNoticeRows == 0) ResampleProgressNotice();
    if (row == state.height - 1) {
        state.stream.reset();
        ResizeSlots[slot].resizeStarted = 0;
    }
}

}  // namespace

void (*LineCallbackTestFault)(int32_t row) = nullptr;

int32_t PW_CDECL LineCallback(const void* rowOrHeader, int32_t row, int32_t width, int32_t height,
                              int32_t slot) noexcept {
    std::exception_ptr& failure = FailureCell(slot);
    // After a failure the decode is over: a plugin that calls on is told to
    // stop again, and the first failure is the one reported.
    if (failure) return 0;
    try {
        if (LineCallbackTestFault) LineCallbackTestFault(row);
        if (row == kHeaderRow) return Header(HeaderWordOf(rowOrHeader), width, height, slot);
        Row(static_cast<const uint8_t*>(rowOrHeader), row, width, height, slot);
        return 1;
    } catch (...) {
        failure = std::current_exception();
        return 0;
    }
}

bool LineCallbackFailed(int32_t slot) { return FailureCell(slot) != nullptr; }

void RaiseLineCallbackFailure(int32_t slot) {
    for (std::exception_ptr* cell : {&FailureCell(slot), &strayFailure}) {
        if (!*cell) continue;
        const std::exception_ptr failure = std::exchange(*cell, nullptr);
        std::rethrow_exception(failure);
    }
}

void AbandonResize(int32_t slot) {
    strayFailure = nullptr;
    if (!ValidSlot(slot)) return;
    States[slot].stream.reset();
    States[slot].lastRow = -1;
    States[slot].failure = nullptr;
    ResizeSlots[slot].resizeStarted = 0;
}
