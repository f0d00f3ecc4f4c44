#include "imaging/std_plugin.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "imaging/std_plugin_internal.h"
#include "imaging/std_plugin_about.h"

StdPluginState StdPlugin;

namespace {

constexpr uint32_t kStdPluginVersion = 0x01040101;  // 1.4.1.1
constexpr int32_t kStdPluginFlags = 1 | kPluginHasInit;
constexpr int64_t kLargestBlock = 100000000;

const char* const kExtensions[] = {".jpg", ".jpeg", ".bmp", ".ppm"};
const char* const kFormatNames[] = {"JPEG", "JPEG", "Bitmap", "Portable pixel map"};

void Run(void (*decoder)(const DecodeCall&), const DecodeCall& call) {
    if (call.slot < 0 || call.slot >= kDecodingSlots || !call.source) {
        ReportNotDecoded(call);
        return;
    }
    decoder(call);
}

template <void (*Decoder)(const DecodeCall&)>
void PW_CDECL Entry7(const void* source, int32_t* width, int32_t* height, int32_t* pictureWidth,
                     int32_t* pictureHeight, DecodeTarget* target, int32_t slot) {
    DecodeCall call{static_cast<DecodeSource*>(const_cast<void*>(source)), width, height, pictureWidth, pictureHeight,
                    target, slot};
    Run(Decoder, call);
}

// The older form has no picture sizes: no minimum, and the size is only
// seen through the target.
template <void (*Decoder)(const DecodeCall&)>
void PW_CDECL Entry5(const void* source, int32_t* width, int32_t* height, DecodeTarget* target, int32_t slot) {
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    Entry7<Decoder>(source, width, height, &pictureWidth, &pictureHeight, target, slot);
}

PluginProc FivePart(DecoderFn5 f) { return reinterpret_cast<PluginProc>(f); }
PluginProc SevenPart(DecoderFn f) { return reinterpret_cast<PluginProc>(f); }

PluginProc decoders[] = {FivePart(&Entry5<DecodeJpeg>), FivePart(&Entry5<DecodeJpeg>),
                         FivePart(&Entry5<DecodeBmpOrPpm>), FivePart(&Entry5<DecodeBmpOrPpm>)};

void SwitchToSevenArgumentDecoders() {
    decoders[0] = decoders[1] = SevenPart(&Entry7<DecodeJpeg>);
    decoders[2] = decoders[3] = SevenPart(&Entry7<DecodeBmpOrPpm>);
}

int32_t PW_CDECL Init(HostServices* services, int32_t slot) {
    if (!services || services->size < kServicesCoverBuffer) return 0;
    const bool validSlot = slot >= 0 && slot < kDecodingSlots;
    StdPlugin.requestBuffer = services->requestBuffer;
    if (services->size >= kServicesCoverFlags) {
        if (services->flags & kHostSevenArgDecoders) {
            SwitchToSevenArgumentDecoders();
            services->flags &= ~kHostSevenArgDecoders;
        }
        if (validSlot) {
            StdPlugin.slots[slot].ignoreExif = (services->flags & kHostIgnoreExif) != 0;
            StdPlugin.slots[slot].crop = (services->flags & kHostCrop) != 0;
        }
    }
    if (services->size >= kServicesCoverLineCallback && validSlot)
        StdPlugin.slots[slot].lineCallbackCell = services->lineCallbackCell;
    if (services->size >= kServicesCoverBlocks) {
        StdPlugin.allocate = services->allocate;
        StdPlugin.free = services->free;
        StdPlugin.reallocate = services->reallocate;
    }
    if (services->size >= kServicesCoverStopFlag && services->stopFlagCell)
        StdPlugin.stopFlagCell = services->stopFlagCell;
    if (services->size >= kServicesCoverFacts) StdPlugin.reportFact = services->reportFact;
    return 1;
}

const char kInfoText[] =
    "Standard image formats 1.4.1.1\r\n"
    "Quillora Pagewind\r\n"
    "JPEG, Bitmap and Portable pixel map decoding";

PluginDescriptor descriptor = {
    kPluginMagic, kStdPluginVersion, "Standard image formats", kStdPluginFlags, &ShowStdAboutBox, kInfoText,
    4,            kExtensions,       kFormatNames,             decoders,        &Init,
};

}  // namespace

const PluginDescriptor* StdPluginEntry() { return &descriptor; }

void* StdAllocate(int64_t size) {
    if (size <= 0 || size > kLargestBlock) return nullptr;
    if (StdPlugin.allocate) return StdPlugin.allocate(static_cast<int32_t>(size));
    return std::malloc(static_cast<size_t>(size));
}

void StdFree(void* block) {
    if (!block) return;
    if (StdPlugin.free)
        StdPlugin.free(block);
    else
        std::free(block);
}

bool StdStopRequested() {
    StopFlagWord* const* cell = StdPlugin.stopFlagCell;
    return cell && *cell && **cell != 0;
}

void StdReportFact(int32_t slot, int32_t kind, const void* data, size_t size) {
    if (StdPlugin.reportFact && size > 0 && size <= INT32_MAX)
        StdPlugin.reportFact(slot, kind, data, static_cast<int32_t>(size));
}

void FailPrematureEnd() { throw DecodeError("Premature end of input file"); }

bool IsQuarterTurn(int32_t orientation) { return orientation >= 5 && orientation <= 8; }

void ReportNotDecoded(const DecodeCall& call) {
    if (call.pictureWidth) *call.pictureWidth = 0;
    if (call.pictureHeight) *call.pictureHeight = 0;
    if (call.target) {
        call.target->pixels = nullptr;
        call.target->width = 0;
        call.target->height = 0;
    }
}

int32_t ReductionFor(int32_t image, int32_t wanted) {
    if (wanted <= 0 || wanted >= image) return 1;
    const int32_t ratio = image / wanted;
    if (ratio > 7) return 8;
    if (ratio > 3) return 4;
    if (ratio > 1) return 2;
    return 1;
}

int32_t JpegScaleDenominator(int32_t imageWidth, int32_t imageHeight, int32_t wantedWidth, int32_t wantedHeight,
                             bool crop) {
    const int32_t rx = ReductionFor(imageWidth, wantedWidth);
    const int32_t ry = ReductionFor(imageHeight, wantedHeight);
    return crop ? std::min(rx, ry) : std::max(rx, ry);
}

bool RowDelivery::Begin(int32_t width, int32_t height, int components) {
    width_ = width;
    height_ = height;
    components_ = components;
    const int32_t slot = call_.slot;
    LineCallbackFn* cell = StdPlugin.slots[slot].lineCallbackCell;
    LineCallbackFn callback = cell ? *cell : nullptr;
    if (callback && components == 3) {
        const uint32_t header = static_cast<uint32_t>(orientation_) & kHeaderOrientationMask;  // red first
        if (callback(HeaderWordArg(header), kHeaderRow, width, height, slot) != 0) {
            callback_ = callback;
            return true;
        }
    }
    // Both sides are below 2^31, so the pixel count cannot overflow 64 bits;
    // the byte count is checked against the 32-bit request before use.
    if (!StdPlugin.requestBuffer || width <= 0 || height <= 0) return false;
    const int64_t pixels = static_cast<int64_t>(width) * height;
    if (pixels > INT32_MAX / 4) return false;
    pixels_ = static_cast<uint32_t*>(StdPlugin.requestBuffer(static_cast<int32_t>(pixels * 4), slot));
    return pixels_ != nullptr;
}

bool RowDelivery::Row(const uint8_t* samples, int32_t row) {
    if (callback_) return callback_(samples, row, width_, height_, call_.slot) != 0 && !StdStopRequested();
    // Where stored pixel (x, row) lands: a start index and a step per pixel
    // in the delivered top-down buffer.
    const int64_t w = width_;
    const int64_t h = height_;
    int64_t start = 0;
    int64_t step = 1;
    switch (orientation_) {
        case 2: start = row * w + (w - 1); step = -1; break;
        case 3: start = (h - 1 - row) * w + (w - 1); step = -1; break;
        case 4: start = (h - 1 - row) * w; step = 1; break;
        // Quarter turns: delivered width h, height w; row becomes a column.
        case 5: start = row; step = h; break;
        case 6: start = h - 1 - row; step = h; break;
        case 7: start = (w - 1) * h + (h - 1 - row); step = -h; break;
        case 8: start = (w - 1) * h + row; step = -h; break;
        default: start = row * w; step = 1; break;
    }
    uint32_t* out = pixels_ + start;
    if (components_ == 3) {
        for (int32_t x = 0; x < width_; ++x, out += step, samples += 3)
            *out = static_cast<uint32_t>(samples[0]) << 16 | static_cast<uint32_t>(samples[1]) << 8 | samples[2];
    } else {
        for (int32_t x = 0; x < width_; ++x, out += step, ++samples) *out = static_cast<uint32_t>(*samples) * 0x010101u;
    }
    return !StdStopRequested();
}

void RowDelivery::Finish() {
    if (!call_.target) return;
    const bool turned = IsQuarterTurn(orientation_);
    call_.target->width = turned ? height_ : width_;
    call_.target->height = turned ? width_ : height_;
    call_.target->pixels = pixels_;
}
