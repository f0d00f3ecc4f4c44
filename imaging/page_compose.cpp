#include "imaging/page_compose.h"

#include <mutex>

#include "imaging/caption.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler_realtime.h"
#include "library/picture_list.h"
#include "library/selection_order.h"
#include "show/stop_request.h"

namespace {

const char* const kNoPicturesText = "No pictures selected";
const char* const kCantReadText = "Can't read pictures";

void NoMessagesToPump() {}

}  // namespace

int32_t PictureCountNow() {
    std::lock_guard<std::mutex> lock(PictureListLock());
    return PicList().PictureCount();
}

void CountPictureFailure(bool fileMissing, bool cannotOpen) {
    if (fileMissing)
        ++PictureTally.missing;
    else if (cannotOpen)
        ++PictureTally.cannotOpen;
    else
        ++PictureTally.undecodable;
}

void (*PumpShowMessages)() = &NoMessagesToPump;
TPictureTally PictureTally;

CellOutcome FillCell(TBitmap0& cell) { return FillCell(cell, &NextPicture); }

CellOutcome FillCell(TBitmap0& cell, const CellPictureSource& source) {
    int32_t failures = 0;
    for (;;) {
        const PictureChoice choice = source();
        if (StopRequested) return CellOutcome::Stopped;
        const int32_t pictures = PictureCountNow();
        if (pictures == 0) {
            cell.Fill();
            DrawMessage(cell, kNoPicturesText);
            return CellOutcome::NoPictures;
        }
        const PictureResult result = LoadPictureInto(cell, choice.path);
        if (result.pictureWidth >= 1 && result.pictureHeight >= 1) {
            ++PictureTally.shown;
            DrawFileName(cell, choice.path, result.dateTaken);
        }
        if (StopRequested) return CellOutcome::Stopped;
        if (result.pictureWidth != 0 && result.pictureHeight != 0)
            return result.pictureWidth > 0 ? CellOutcome::Picture : CellOutcome::ErrorReport;
        CountPictureFailure(result.fileMissing, result.cannotOpen);
        // Every picture of the list and then some have failed in a row.
        if (++failures >= pictures + 2) {
            DrawMessage(cell, kCantReadText);
            return CellOutcome::CantRead;
        }
    }
}

namespace {

// The page's background with two cells on it, each cut to the page's width
// and filled on its own; the cells take the page's background so that it runs
// on unbroken through the gaps.
void ComposeTwoPhotos(TBitmap0& page, const CellPictureSource& source) {
    page.Fill();
    if (PictureCountNow() == 0) {
        DrawMessage(page, kNoPicturesText);
        return;
    }
    const int32_t width = page.Width();
    for (int32_t k = 0; k < 2; ++k) {
        const CellRows rows = TwoPhotoCellRows(page.Height(), k);
        if (width >= 1 && rows.bottom > rows.top) {  // a page too small for cells keeps its background
            BitmapPtr cell(TBitmap0::Create(width, rows.bottom - rows.top));
            cell->SetFillColour(page.FillColour());
            cell->SetPattern(page.Pattern());
            cell->PatternOffsetX = page.PatternOffsetX;
            cell->PatternOffsetY = page.PatternOffsetY + rows.top;
            cell->Slot = 0;
            cell->Crop = Settings.crop;
            cell->RandomPos = Settings.RandomPos;
            cell->Fill();
            Selection.cellIndex = k;
            FillCell(*cell, source);
            page.CopyRect(*cell, 0, 0, 0, rows.top, width - 1, rows.bottom - 1);
        }
        PumpShowMessages();
        if (StopRequested) return;
    }
}

}  // namespace

void ComposePageCells(TBitmap0& page, int32_t photosPerPage, const CellPictureSource& source) {
    if (photosPerPage == 2) {
        ComposeTwoPhotos(page, source);
    } else {
        Selection.cellIndex = 0;
        FillCell(page, source);
    }
}

void ComposePage(TBitmap0& page, int32_t photosPerPage) {
    const int32_t photos = photosPerPage == 2 ? 2 : 1;
    ComposePageCells(page, photos, &NextPicture);
    if (!StopRequested) PageDone(photos);
}

PictureResult LoadAndFit(TBitmap0& target, const std::string& fileName) {
    PictureResult result;
    const int32_t slot = target.Slot >= 0 && target.Slot < kDecodingSlots ? target.Slot : 0;
    DecodeSlotCleanup wholePicture(slot);
    PictureLoad load;
    LoadPicture(fileName, slot, 0, 0, load);
    result.formatName = load.formatName;
    result.fileSize = load.fileSize;
    result.fileMissing = load.fileMissing != 0;
    result.cannotOpen = load.cannotOpen != 0;
    if (load.bitmap) {
        // The wrapped picture is released even when fitting fails.
        std::unique_ptr<TBitmap0, void (*)(TBitmap0*)> picture(load.bitmap, [](TBitmap0* b) { b->Release(); });
        DrawFit(target, *picture);
        ManageColours(target, slot);
    } else {
        target.Fill();
    }
    if (load.bitmap || (load.pictureWidth < 0 && load.pictureHeight < 0)) {
        result.pictureWidth = load.pictureWidth;
        result.pictureHeight = load.pictureHeight;
    }
    return result;
}
