#pragma once
// Scaling a picture while it is being decoded: rows arrive one at a time in
// the order the file stores them, and the picture is turned to its camera
// orientation, cropped, scaled and placed into the destination on the way.
//
// The arithmetic is exactly that of whole-picture Resample on the turned
// picture: the same contributor lists, the same first pass (along the turned
// picture's rows) into 3-byte intermediates, the same second pass. Only the
// order of work differs, so the two paths give the same pixels. A first pass
// along delivered rows (orientations 1-4) is done as each row arrives; for
// turned pictures (5-8) the first pass runs across delivered rows and is done
// as soon as the rows it needs are in. Either way only a window of lines as
// tall as the filter's reach is kept, never the whole picture.
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/fit_plan.h"
#include "imaging/resampler_contributors.h"

// Header word orientation: 0 and values above 8 count as 1.
int32_t NormaliseOrientation(uint32_t orientation);

class TResampleStream {
public:
    // `width` x `height` is the picture as delivered (before turning); `plan`
    // fits the turned picture into dest (FitMode::Copy or Resample).
    TResampleStream(TBitmap0& dest, const FitPlan& plan, int32_t orientation, bool blueFirst, int32_t width,
                    int32_t height);

    // One delivered row of `width` 3-byte pixels; rows come in order 0, 1, ...
    void Row(const uint8_t* pixels, int32_t row);

private:
    const uint8_t* BlueFirst(const uint8_t* pixels);
    void CopyRow(const uint8_t* bgr, int32_t row);
    void Emit(int32_t index);

    TBitmap0& dest_;
    FitPlan plan_;
    bool transposed_;  // delivered rows become destination columns
    bool alongFlip_;   // delivered rows are read right to left
    bool acrossFlip_;  // delivered rows are taken bottom-up
    bool blueFirst_;
    int32_t width_;
    int32_t height_;

    // Scaling: `across_` combines delivered rows (offsets are row numbers),
    // `along_` runs along a line (offsets in bytes). Which of the turned
    // picture's directions each one is depends on `transposed_`.
    TContributorList along_;
    TContributorList across_;
    std::vector<int32_t> order_;  // across entries by the last row they need
    std::vector<int32_t> lastRow_;
    size_t nextEmit_ = 0;
    int32_t firstNeeded_ = 0;
    int32_t lastNeeded_ = -1;
    int32_t lineBytes_ = 0;
    int32_t windowLines_ = 1;
    std::vector<uint8_t> window_;  // windowLines_ lines, row r in line r % windowLines_
    int32_t spanFirst_ = 0;        // transposed: bytes of a raw line that the first pass reads
    int32_t spanBytes_ = 0;
    std::vector<uint8_t> line_;  // transposed: one first-pass result
    std::vector<int32_t> acc_;
    std::vector<const uint8_t*> lines_;
    std::vector<int32_t> weights_;
    std::vector<uint8_t> swapped_;  // red-first rows turned blue-first
};
