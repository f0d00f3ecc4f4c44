#pragma once
// Page preparation: one album page made of one or two photo cells, each
// filled with the next picture of the show, captioned with its file name when
// the user asked for that, and the notices drawn when there is nothing to
// show ("No pictures selected", "Can't read pictures").
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "library/selection_order.h"
#include "library/settings.h"

// Hooks the show sets. Captions are drawn only in the full-screen show, not
// in the small preview window; the message pump is run after each cell of a
// two-photo page so that the window stays responsive.
extern std::atomic<bool> CaptionsEnabled;  // default true
extern void (*PumpShowMessages)();         // default: does nothing

// Fills the page with photosPerPage photos (1 or 2; any other value counts
// as 1), asking the selection order for each picture. A two-photo page is
// the page's background with two cells 5 pixels from the edges and from each
// other. Unless the show's stop request is set, the page is then recorded in
// the page history (PageDone), so the show does not call PageDone itself.
// With the stop request set, composing ends at once and the page may be
// partly drawn.
void ComposePage(TBitmap0& page, int32_t photosPerPage);

// How FillCell ended.
enum class CellOutcome {
    Picture,      // a picture was drawn
    ErrorReport,  // the decoder reported negative sizes; the cell shows what it had
    NoPictures,   // the picture list is empty: "No pictures selected"
    CantRead,     // every try failed: "Can't read pictures"
    Stopped,      // the stop request ended it
};

// Loads pictures into the cell, in the selection order, until one succeeds,
// the list proves unreadable (N + 2 failures in a row with N pictures in the
// list), or the show stops.
CellOutcome FillCell(TBitmap0& cell);

// Where a cell's pictures come from: asked once for each try, with
// Selection.cellIndex naming the cell. FillCell above asks NextPicture.
using CellPictureSource = std::function<PictureChoice()>;
CellOutcome FillCell(TBitmap0& cell, const CellPictureSource& source);
// ComposePage's drawing without the page history: the page's one or two
// cells filled from `source`.
void ComposePageCells(TBitmap0& page, int32_t photosPerPage, const CellPictureSource& source);

// Decodes the file at its full size and fits it into the target by DrawFit
// (not in real time). A file nothing could read leaves the target filled
// with its background. Used for single pictures outside the page flow.
PictureResult LoadAndFit(TBitmap0& target, const std::string& fileName);

#ifdef _WIN32
// Fitting by GDI alone, for the show's desktop snapshot: no crop, unscaled
// copies by BitBlt, any scaling by StretchDIBits with COLORONCOLOR; a
// random place only for a picture smaller than dest in both directions.
// Both bitmaps must own device contexts.
void DrawFitGdi(TBitmap0& dest, const TBitmap0& source);
#endif

// The picture's caption ("TextFileName", "TextPos", "Font", "FontColor"),
// when captions are enabled: the file name when bit 0 of "TextFileName" is
// set, the date taken (EXIF "YYYY:MM:DD HH:MM:SS"; empty: none) when bit 4
// is.
void DrawFileName(TBitmap0& cell, const std::string& fileName, const std::string& dateTaken);

// Caption positions: 1 top, 2 middle, 3 bottom; kMessagePosition draws a
// page notice (lines split at carriage returns, around the middle, always
// on a black box).
constexpr int32_t kMessagePosition = 10;
constexpr uint32_t kMessageColour = 255;  // pure red as a colour reference

// One text centred across the bitmap at `position`, in `font` and `colour`
// (a colour reference, 0x00BBGGRR). With empty text only the font is
// prepared. Fonts are made once and kept until ReleaseCaptionFonts or a
// different logical font. Text needs GDI: natively nothing is drawn.
void DrawCaption(TBitmap0& bitmap, const std::string& text, int32_t position, const LogFontA& font,
                 uint32_t colour);
// A page notice in the message font (Settings.MessageFont), red.
void DrawMessage(TBitmap0& bitmap, const std::string& text);
// Deletes the fonts made for captions and notices (the settings window
// changed the font; the program ends).
void ReleaseCaptionFonts();

// Pictures shown and failures by kind, for the event log.
struct TPictureTally {
    std::atomic<int32_t> shown{0};
    std::atomic<int32_t> missing{0};
    std::atomic<int32_t> cannotOpen{0};
    std::atomic<int32_t> undecodable{0};
};
extern TPictureTally PictureTally;
// Counts a picture that could not be shown under its kind of failure.
void CountPictureFailure(bool fileMissing, bool cannotOpen);
// The pictures in the list now, under the list's lock.
int32_t PictureCountNow();
