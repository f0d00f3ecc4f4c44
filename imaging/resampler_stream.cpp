#include "imaging/resampler_stream.h"

#include <algorithm>

#include "imaging/resampler_filters.h"
#include "imaging/resampler_passes.h"

int32_t NormaliseOrientation(uint32_t orientation) {
    return (orientation >= 1 && orientation <= 8) ? static_cast<int32_t>(orientation) : 1;
}

TResampleStream::TResampleStream(TBitmap0& dest, const FitPlan& plan, int32_t orientation, bool blueFirst,
                                 int32_t width, int32_t height)
    : dest_(dest),
      plan_(plan),
      transposed_(orientation >= 5),
      alongFlip_(orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8),
      acrossFlip_(orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7),
      blueFirst_(blueFirst),
      width_(width),
      height_(height) {
    if (plan_.mode != FitMode::Resample) return;

    // The turned picture's lists, exactly as Resample builds them, with their
    // indices moved to where the delivered rows hold those pixels.
    TContributorList horizontal = BuildContributorList(plan_.srcW, plan_.dstW, kFilterHermite);
    TContributorList vertical = BuildContributorList(plan_.srcH, plan_.dstH, kFilterHermite);
    if (!transposed_) {
        along_ = std::move(horizontal);
        across_ = std::move(vertical);
        SetContributorOffsets(along_, plan_.srcX, 3, alongFlip_, width_);
        SetContributorOffsets(across_, plan_.srcY, 1, acrossFlip_, height_);
        lineBytes_ = plan_.dstW * 3;
    } else {
        across_ = std::move(horizontal);
        along_ = std::move(vertical);
        SetContributorOffsets(across_, plan_.srcX, 1, acrossFlip_, height_);
        SetContributorOffsets(along_, plan_.srcY, 3, alongFlip_, width_);
        lineBytes_ = width_ * 3;
        int32_t first = width_, last = -1;
        for (const TContributor& c : along_.contributors) {
            first = std::min(first, c.offset / 3);
            last = std::max(last, c.offset / 3);
        }
        spanFirst_ = last >= first ? first * 3 : 0;
        spanBytes_ = last >= first ? (last - first + 1) * 3 : 0;
        line_.resize(static_cast<size_t>(lineBytes_));
    }

    // The window holds the longest run of rows any one entry needs; entries
    // are emitted as soon as their last row is in.
    const size_t count = across_.entries.size();
    lastRow_.assign(count, -1);
    firstNeeded_ = height_;
    for (size_t e = 0; e < count; ++e) {
        const TContributorEntry& entry = across_.entries[e];
        int32_t lo = height_, hi = -1;
        for (int32_t k = entry.first; k < entry.first + entry.count; ++k) {
            const int32_t r = across_.contributors[static_cast<size_t>(k)].offset;
            lo = std::min(lo, r);
            hi = std::max(hi, r);
        }
        lastRow_[e] = hi;
        if (hi >= lo) windowLines_ = std::max(windowLines_, hi - lo + 1);
        firstNeeded_ = std::min(firstNeeded_, lo);
        lastNeeded_ = std::max(lastNeeded_, hi);
    }
    order_.resize(count);
    for (size_t e = 0; e < count; ++e) order_[e] = static_cast<int32_t>(e);
    std::stable_sort(order_.begin(), order_.end(),
                     [this](int32_t a, int32_t b) { return lastRow_[static_cast<size_t>(a)] < lastRow_[static_cast<size_t>(b)]; });
    window_.resize(static_cast<size_t>(windowLines_) * static_cast<size_t>(lineBytes_));
    acc_.resize(static_cast<size_t>(std::max(lineBytes_, spanBytes_)));
}

const uint8_t* TResampleStream::BlueFirst(const uint8_t* pixels) {
    if (blueFirst_) return pixels;
    swapped_.resize(static_cast<size_t>(width_) * 3);
    uint8_t* out = swapped_.data();
    for (int32_t x = 0; x < width_; ++x, pixels += 3, out += 3) {
        out[0] = pixels[2];
        out[1] = pixels[1];
        out[2] = pixels[0];
    }
    return swapped_.data();
}

void TResampleStream::Row(const uint8_t* pixels, int32_t row) {
    if (plan_.mode == FitMode::Copy) {
        CopyRow(BlueFirst(pixels), row);
        return;
    }
    if (plan_.mode != FitMode::Resample) return;
    if (row >= firstNeeded_ && row <= lastNeeded_) {
        const uint8_t* bgr = BlueFirst(pixels);
        uint8_t* slot = window_.data() + static_cast<size_t>(row % windowLines_) * static_cast<size_t>(lineBytes_);
        if (transposed_)
            std::copy(bgr, bgr + lineBytes_, slot);
        else
            ApplyAlongLine(bgr, along_, slot, 3);
    }
    while (nextEmit_ < order_.size() && lastRow_[static_cast<size_t>(order_[nextEmit_])] <= row)
        Emit(order_[nextEmit_++]);
}

void TResampleStream::Emit(int32_t index) {
    const TContributorEntry& entry = across_.entries[static_cast<size_t>(index)];
    lines_.clear();
    weights_.clear();
    for (int32_t k = entry.first; k < entry.first + entry.count; ++k) {
        const TContributor& c = across_.contributors[static_cast<size_t>(k)];
        lines_.push_back(window_.data() + static_cast<size_t>(c.offset % windowLines_) * static_cast<size_t>(lineBytes_));
        weights_.push_back(c.weight);
    }
    if (!transposed_) {
        AccumulateLines(lines_.data(), weights_.data(), entry.count, lineBytes_, acc_.data());
        auto* out = reinterpret_cast<uint8_t*>(dest_.Row(plan_.dstY + index) + plan_.dstX);
        StoreAccumulated(acc_.data(), plan_.dstW, out, 4);
        return;
    }
    // Turned picture: the first pass gives one line along a delivered row
    // (a destination column before its own pass), the second pass writes the
    // column top to bottom.
    for (const uint8_t*& line : lines_) line += spanFirst_;
    AccumulateLines(lines_.data(), weights_.data(), entry.count, spanBytes_, acc_.data());
    StoreAccumulated(acc_.data(), spanBytes_ / 3, line_.data() + spanFirst_, 3);
    auto* out = reinterpret_cast<uint8_t*>(dest_.Row(plan_.dstY) + plan_.dstX + index);
    ApplyAlongLine(line_.data(), along_, out, static_cast<int64_t>(dest_.Width()) * 4);
}

void TResampleStream::CopyRow(const uint8_t* bgr, int32_t row) {
    const int32_t turned = acrossFlip_ ? height_ - 1 - row : row;
    auto pixelAt = [&](int32_t index) {
        const uint8_t* p = bgr + static_cast<size_t>(alongFlip_ ? width_ - 1 - index : index) * 3;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    };
    if (!transposed_) {
        if (turned < plan_.srcY || turned >= plan_.srcY + plan_.srcH) return;
        uint32_t* out = dest_.Row(plan_.dstY + turned - plan_.srcY) + plan_.dstX;
        for (int32_t i = 0; i < plan_.srcW; ++i) out[i] = pixelAt(plan_.srcX + i);
        return;
    }
    if (turned < plan_.srcX || turned >= plan_.srcX + plan_.srcW) return;
    const int32_t column = plan_.dstX + turned - plan_.srcX;
    for (int32_t j = 0; j < plan_.srcH; ++j) dest_.Row(plan_.dstY + j)[column] = pixelAt(plan_.srcY + j);
}
