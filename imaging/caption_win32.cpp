#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>

#include "imaging/caption.h"
#include "imaging/page_compose.h"

static_assert(sizeof(LOGFONTA) == sizeof(LogFontA), "the settings record's font is a LOGFONTA");

namespace {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A GDI font made from a logical font, remade only when that font changes.
struct MadeFont {
    LogFontA madeFrom{};
    FontHandle font;
};

// Fonts are shared by every bitmap drawn on; the lock keeps a font from being
// deleted by ReleaseCaptionFonts while a caption is being drawn with it.
std::mutex fontLock;
MadeFont overlayFont;
MadeFont messageFont;

HFONT Prepared(MadeFont& made, const LogFontA& logFont) {
    if (!made.font || std::memcmp(&made.madeFrom, &logFont, sizeof logFont) != 0) {
        LOGFONTA request;
        std::memcpy(&request, &logFont, sizeof request);
        request.lfFaceName[LF_FACESIZE - 1] = '\0';
        made.font.reset(CreateFontIndirectA(&request));
        made.madeFrom = logFont;
    }
    return made.font.get();
}

// Puts the device context back as it was (font, colours, modes, alignment),
// so that a font is never left selected into a bitmap's DC.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace

void DrawCaption(TBitmap0& bitmap, const std::string& text, int32_t position, const LogFontA& font,
                 uint32_t colour) {
    std::lock_guard<std::mutex> lock(fontLock);
    HFONT made = Prepared(position == kMessagePosition ? messageFont : overlayFont, font);
    HDC dc = static_cast<HDC>(bitmap.DC());
    if (text.empty() || !dc) return;

    SavedDcState state(dc);
    if (made) SelectObject(dc, made);  // else the DC's own font, rather than no text
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, Settings.Textbg && position != kMessagePosition ? TRANSPARENT : OPAQUE);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, colour & 0x00FFFFFF);
    for (const CaptionLine& line : LayOutCaption(text, bitmap.Width(), bitmap.Height(), position,
                                                 metrics.tmHeight, Settings.TextOverlay)) {
        if (line.text.empty()) continue;
        ExtTextOutA(dc, line.x, line.y, 0, nullptr, line.text.data(), static_cast<UINT>(line.text.size()), nullptr);
    }
    GdiFlush();  // the caller works on the DIB memory next
}

void ReleaseCaptionFonts() {
    std::lock_guard<std::mutex> lock(fontLock);
    overlayFont = MadeFont{};
    messageFont = MadeFont{};
}
