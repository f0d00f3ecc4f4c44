#include <new>

#include "imaging/colour_manage.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler_realtime.h"
#include "library/settings.h"

DecodeSlotCleanup::DecodeSlotCleanup(int32_t slot) : slot_(slot) { ResizeSlots[slot_] = ResizeSlot{}; }

DecodeSlotCleanup::~DecodeSlotCleanup() {
    ReleaseSharedBuffer(slot_);
    ResizeSlots[slot_] = ResizeSlot{};
    AbandonResize(slot_);
}

void ManageColours(TBitmap0& target, int32_t slot) {
    if (Settings.ColorManage) ConvertFittedColours(target, FactsOf(slot));
}

PictureResult LoadPictureInto(TBitmap0& cell, const std::string& fileName) {
    PictureResult result;
    const int32_t slot = (cell.Slot >= 0 && cell.Slot < kDecodingSlots) ? cell.Slot : 0;
    TBitmap0* target = &cell;  // the record points at the variable holding the cell
    ResizeSlot& record = ResizeSlots[slot];
    DecodeSlotCleanup cleanup(slot);
    record.resizeAccepted = 0;
    record.resizeRequested = Settings.rtresize ? 1 : 0;
    record.destination = Settings.rtresize ? &target : nullptr;
    record.lineCallback = Settings.rtresize ? &LineCallback : nullptr;

    PictureLoad load;
    try {
        LoadPicture(fileName, slot, cell.Width(), cell.Height(), load);
    } catch (const std::bad_alloc&) {
        // Too large for the memory left (its resize or its pixels): the
        // picture is not decoded and the next one is tried.
        cell.Fill();
        return result;
    }
    result.formatName = load.formatName;
    result.fileSize = load.fileSize;
    if (load.bitmap) {
        const WrappedBitmapPtr picture(load.bitmap);  // released also when DrawFit throws
        const bool drawnLive = record.resizeRequested && record.resizeAccepted;
        if (!drawnLive) DrawFit(cell, *picture);
        ManageColours(cell, slot);
        result.pictureWidth = load.pictureWidth;
        result.pictureHeight = load.pictureHeight;
        result.dateTaken = FactsOf(slot).dateTaken;
    } else if (load.pictureWidth < 0 && load.pictureHeight < 0) {
        result.pictureWidth = load.pictureWidth;
        result.pictureHeight = load.pictureHeight;
    } else {
        cell.Fill();
        result.fileMissing = load.fileMissing != 0;
        result.cannotOpen = load.cannotOpen != 0;
    }
    return result;
}
