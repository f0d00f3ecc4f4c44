#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "imaging/caption.h"
#include "imaging/page_compose.h"
#include "library/wide_text_win32.h"

static_assert(sizeof(LOGFONTA) == sizeof(LogFontA), "the settings record's font is a LOGFONTA");

namespace {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A GDI font made from a logical font, remade only when that font changes.
struct MadeFont {
    LogFontA madeFrom{};
    LOGFONTA request{};
    FontHandle font;
    // Fonts of other faces for the letters this one lacks, made on demand.
    bool fallbackTried[16] = {};
    FontHandle fallbacks[16];
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
        made = MadeFont{};
        made.font.reset(CreateFontIndirectA(&request));
        made.madeFrom = logFont;
        made.request = request;
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

// Faces for the letters a caption's font has no glyph for, tried in this
// order, as the system's font linking does for its own fonts: the fonts of
// current Windows for Latin, Greek, Cyrillic, CJK, Korean, Indic scripts and
// symbols, then common free fonts of the same coverage.
constexpr const wchar_t* kFallbackFaces[] = {
    L"Segoe UI",        L"Arial Unicode MS", L"Yu Gothic",        L"Meiryo",      L"MS Gothic",
    L"Microsoft YaHei", L"SimSun",           L"Malgun Gothic",    L"Nirmala UI",  L"Segoe UI Symbol",
    L"Noto Sans CJK JP", L"IPAGothic",       L"DejaVu Sans",
};
constexpr size_t kFallbackCount = sizeof kFallbackFaces / sizeof kFallbackFaces[0];
static_assert(kFallbackCount <= 16, "MadeFont keeps room for every fallback face");

// A fallback font made like the caption's own font, or none when the system
// has no such face (CreateFont always gives some font, so the face it got is
// compared with the one asked for).
FontHandle MakeFallback(HDC dc, const LOGFONTA& like, const wchar_t* face) {
    LOGFONTW request{};
    request.lfHeight = like.lfHeight;
    request.lfWeight = like.lfWeight;
    request.lfItalic = like.lfItalic;
    request.lfCharSet = DEFAULT_CHARSET;
    request.lfQuality = like.lfQuality;
    wcsncpy(request.lfFaceName, face, LF_FACESIZE - 1);
    FontHandle font(CreateFontIndirectW(&request));
    if (!font) return {};
    HGDIOBJ before = SelectObject(dc, font.get());
    wchar_t got[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, got);
    SelectObject(dc, before);
    if (_wcsicmp(got, face) != 0) return {};
    return font;
}

bool HasGlyph(HDC dc, HFONT font, wchar_t letter) {
    HGDIOBJ before = SelectObject(dc, font);
    WORD index = 0xFFFF;
    const DWORD done = GetGlyphIndicesW(dc, &letter, 1, &index, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, before);
    return done == 1 && index != 0xFFFF;
}

// The fallback font that draws `letter`, or null. Each face is made once per
// caption font and remembered, also when the system lacks it.
HFONT FallbackFor(HDC dc, MadeFont& made, wchar_t letter) {
    for (size_t i = 0; i < kFallbackCount; ++i) {
        if (!made.fallbackTried[i]) {
            made.fallbackTried[i] = true;
            made.fallbacks[i] = MakeFallback(dc, made.request, kFallbackFaces[i]);
        }
        if (made.fallbacks[i] && HasGlyph(dc, made.fallbacks[i].get(), letter)) return made.fallbacks[i].get();
    }
    return nullptr;
}

// A piece of a line drawn with one font (null: the caption's own).
struct TextRun {
    HFONT font = nullptr;
    std::wstring text;
};

// Splits a line where its letters change font: the caption's own font for
// every letter it has (and for surrogate pairs, which the glyph lookup cannot
// judge), else the first fallback that has the letter.
std::vector<TextRun> SplitByFont(HDC dc, HFONT primary, MadeFont& made, const std::wstring& text) {
    std::vector<WORD> glyphs(text.size(), 0xFFFF);
    if (primary && !text.empty()) {
        HGDIOBJ before = SelectObject(dc, primary);
        GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
        SelectObject(dc, before);
    }
    std::vector<TextRun> runs;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t letter = text[i];
        const bool surrogate = letter >= 0xD800 && letter <= 0xDFFF;
        HFONT font = nullptr;
        if (!primary || (glyphs[i] == 0xFFFF && !surrogate)) font = FallbackFor(dc, made, letter);
        if (runs.empty() || runs.back().font != font) runs.push_back({font, {}});
        runs.back().text += letter;
    }
    return runs;
}

int RunWidth(HDC dc, const TextRun& run) {
    HGDIOBJ before = run.font ? SelectObject(dc, run.font) : nullptr;
    SIZE extent{};
    GetTextExtentPoint32W(dc, run.text.data(), static_cast<int>(run.text.size()), &extent);
    if (before) SelectObject(dc, before);
    return extent.cx;
}

}  // namespace

void DrawCaption(TBitmap0& bitmap, const std::string& text, int32_t position, const LogFontA& font,
                 uint32_t colour) {
    std::lock_guard<std::mutex> lock(fontLock);
    MadeFont& made = position == kMessagePosition ? messageFont : overlayFont;
    HFONT primary = Prepared(made, font);
    HDC dc = static_cast<HDC>(bitmap.DC());
    if (text.empty() || !dc) return;

    SavedDcState state(dc);
    if (primary) SelectObject(dc, primary);  // else the DC's own font, rather than no text
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, Settings.Textbg && position != kMessagePosition ? TRANSPARENT : OPAQUE);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    SetTextColor(dc, colour & 0x00FFFFFF);
    for (const CaptionLine& line : LayOutCaption(text, bitmap.Width(), bitmap.Height(), position,
                                                 metrics.tmHeight, Settings.TextOverlay)) {
        if (line.text.empty()) continue;
        // The letters go in as UTF-16: the narrow call would read the bytes
        // in the code page of the font's character set, not the program's.
        const std::vector<TextRun> runs = SplitByFont(dc, primary, made, WideText(line.text));
        int width = 0;
        for (const TextRun& run : runs) width += RunWidth(dc, run);
        int x = line.x - width / 2;
        for (const TextRun& run : runs) {
            SelectObject(dc, run.font ? run.font : primary);
            ExtTextOutW(dc, x, line.y + metrics.tmAscent, 0, nullptr, run.text.data(),
                        static_cast<UINT>(run.text.size()), nullptr);
            x += RunWidth(dc, run);
        }
        if (primary) SelectObject(dc, primary);
    }
    GdiFlush();  // the caller works on the DIB memory next
}

void ReleaseCaptionFonts() {
    std::lock_guard<std::mutex> lock(fontLock);
    overlayFont = MadeFont{};
    messageFont = MadeFont{};
}

std::string FormatDateTaken(const DateTaken& date) {
    SYSTEMTIME when{};
    when.wYear = static_cast<WORD>(date.year);
    when.wMonth = static_cast<WORD>(date.month);
    when.wDay = static_cast<WORD>(date.day);
    // The user's own long date, as Explorer shows it ("Sunday, 14 July 2019"
    // or "14. Juli 2019"); a day the calendar does not have (30 February)
    // is refused and shown as nothing.
    wchar_t text[128];
    const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &when, nullptr, text,
                                  static_cast<int>(sizeof text / sizeof text[0]), nullptr);
    if (n <= 1) return {};
    return NarrowText(std::wstring(text, static_cast<size_t>(n - 1)));
}
