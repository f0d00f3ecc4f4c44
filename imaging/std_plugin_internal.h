#pragma once
// Shared between the standard plugin's decoders: its state from init, one
// decode call's values, and the delivery of decoded rows.
#include <cstdint>
#include <stdexcept>

#include "imaging/plugin_contract.h"

struct StdSlotState {
    bool ignoreExif = false;
    bool crop = false;
    LineCallbackFn* lineCallbackCell = nullptr;
};

struct StdPluginState {
    StdSlotState slots[kDecodingSlots];
    RequestBufferFn requestBuffer = nullptr;
    AllocateBlockFn allocate = nullptr;
    FreeBlockFn free = nullptr;
    ReallocateBlockFn reallocate = nullptr;
    StopFlagWord* const* stopFlagCell = nullptr;
    ReportFactFn reportFact = nullptr;
};
extern StdPluginState StdPlugin;

// Hands a fact about the picture to the host, when the host takes facts.
void StdReportFact(int32_t slot, int32_t kind, const void* data, size_t size);

// The decoder's own memory: the host's block services once it offered them.
void* StdAllocate(int64_t size);  // null when refused
void StdFree(void* block);
bool StdStopRequested();

// A reader's failure, with the text that names it.
class DecodeError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void FailPrematureEnd();

// One decoder call's arguments.
struct DecodeCall {
    DecodeSource* source;
    int32_t* width;  // into target; may be null without a target
    int32_t* height;
    int32_t* pictureWidth;
    int32_t* pictureHeight;
    DecodeTarget* target;
    int32_t slot;
};

// Every size of the call to 0: the picture was not decoded.
void ReportNotDecoded(const DecodeCall& call);

// Where the decoded rows go: to the line callback, or converted into the
// shared pixel buffer with the camera orientation applied.
class RowDelivery {
public:
    RowDelivery(const DecodeCall& call, int32_t orientation) : call_(call), orientation_(orientation) {}
    // Output rows of `width` pixels, `height` of them, with 1 (grey) or 3
    // (red, green, blue) bytes per pixel. False when no buffer was given.
    bool Begin(int32_t width, int32_t height, int components);
    // One row; false when the stop flag asks to give up.
    bool Row(const uint8_t* samples, int32_t row);
    // The delivered size and pixels, written into the call's target.
    void Finish();
    bool ViaCallback() const { return callback_ != nullptr; }

private:
    DecodeCall call_;
    int32_t orientation_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int components_ = 3;
    LineCallbackFn callback_ = nullptr;
    uint32_t* pixels_ = nullptr;
};

bool IsQuarterTurn(int32_t orientation);

// The decoders behind the table entries.
void DecodeJpeg(const DecodeCall& call);
void DecodeBmpOrPpm(const DecodeCall& call);
