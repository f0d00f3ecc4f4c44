#include <cstdio>

#include "imaging/caption.h"
#include "imaging/page_compose.h"

// Without GDI there is no text drawing: captions and notices leave the
// pixels as they are, so native builds compose pages without their texts.

void DrawCaption(TBitmap0&, const std::string&, int32_t, const LogFontA&, uint32_t) {}

void ReleaseCaptionFonts() {}

std::string FormatDateTaken(const DateTaken& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}
