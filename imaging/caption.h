#pragma once
// The rules of page texts that need no GDI: which text a file-name caption
// shows, where the cells of a two-photo page lie, and where each line of a
// caption or notice goes.
#include <cstdint>
#include <string>
#include <vector>

// The caption for a picture file: the full path, or the file name with the
// containing folder's name and "\" in front when asked for (and there is
// one); the extension (from the last dot of the file's name) cut off unless
// it is kept. Both "\" and "/" separate folders.
std::string FileNameCaption(const std::string& fileName, bool fullPath, bool keepExtension, bool folderPrefix);

// The caption's text: the file-name part (when shown) and the date taken in
// the user's format (when shown and the file has one), one after the other
// with a middle dot between them. Empty when neither is shown.
std::string PictureCaption(const std::string& fileNamePart, const std::string& datePart);

// An EXIF date ("YYYY:MM:DD HH:MM:SS") as its parts; false for anything else.
struct DateTaken {
    int32_t year = 0, month = 0, day = 0;
};
bool ParseExifDate(const std::string& exif, DateTaken& date);
// The date in the user's own long format (Windows: GetDateFormatEx); natively
// "YYYY-MM-DD". Empty when the date cannot be shown.
std::string FormatDateTaken(const DateTaken& date);

// The "TextPos" setting as a caption position: 1, 2 or 3, and the default
// bottom (3) for anything else.
int32_t CaptionPositionSetting(int32_t textPos);

// Rows of photo cell k (0 or 1) of a two-photo page `pageHeight` high:
// 5 pixels from the page edge and from the other cell; bottom excluded.
struct CellRows {
    int32_t top = 0;
    int32_t bottom = 0;
};
CellRows TwoPhotoCellRows(int32_t pageHeight, int32_t k);

// One line of text: centred on x, its top at y.
struct CaptionLine {
    std::string text;
    int32_t x = 0;
    int32_t y = 0;
};
// Where the text goes in a width x height bitmap, for a font whose
// characters are textHeight high. Positions 1 to 3 give one line at the top
// (a twentieth of the height from the edge with the overlay margin, else at
// the edge), in the middle or at the bottom; the message position gives one
// line per carriage return around the middle, the second line on it. Other
// positions give nothing.
std::vector<CaptionLine> LayOutCaption(const std::string& text, int32_t width, int32_t height, int32_t position,
                                       int32_t textHeight, bool overlayMargin);
