#include "imaging/caption.h"

#include <cmath>

#include "imaging/page_compose.h"
#include "library/settings.h"

namespace {

constexpr int32_t kCellGap = 5;

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// Index just after the last separator at or before `end` (0 when none).
size_t ComponentStart(const std::string& path, size_t end) {
    while (end > 0 && !IsSeparator(path[end - 1])) --end;
    return end;
}

}  // namespace

std::atomic<bool> CaptionsEnabled{true};

std::string FileNameCaption(const std::string& fileName, bool fullPath, bool keepExtension, bool folderPrefix) {
    const size_t nameStart = ComponentStart(fileName, fileName.size());
    std::string text;
    if (fullPath) {
        text = fileName;
    } else {
        text = fileName.substr(nameStart);
        if (folderPrefix) {
            // The folder part without its closing separators ("C:\Photos\Trip").
            size_t folderEnd = nameStart;
            while (folderEnd > 0 && (fileName[folderEnd - 1] == '\\' || fileName[folderEnd - 1] == '/')) --folderEnd;
            const size_t folderStart = ComponentStart(fileName, folderEnd);
            if (folderEnd > folderStart)
                text = fileName.substr(folderStart, folderEnd - folderStart) + "\\" + text;
        }
    }
    if (!keepExtension) {
        // The text always ends with the file's name, so the extension is the
        // same number of characters at its end.
        const size_t dot = fileName.rfind('.');
        if (dot != std::string::npos && dot >= nameStart) text.resize(text.size() - (fileName.size() - dot));
    }
    return text;
}

std::string PictureCaption(const std::string& fileNamePart, const std::string& datePart) {
    if (fileNamePart.empty() || datePart.empty()) return fileNamePart + datePart;
    return fileNamePart + " \u00B7 " + datePart;
}

bool ParseExifDate(const std::string& exif, DateTaken& date) {
    if (exif.size() != 19 || exif[4] != ':' || exif[7] != ':') return false;
    auto number = [&](size_t at, size_t count, int32_t& out) {
        out = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (exif[i] < '0' || exif[i] > '9') return false;
            out = out * 10 + (exif[i] - '0');
        }
        return true;
    };
    return number(0, 4, date.year) && number(5, 2, date.month) && number(8, 2, date.day) && date.year >= 1601 &&
           date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31;
}

int32_t CaptionPositionSetting(int32_t textPos) { return textPos >= 1 && textPos <= 3 ? textPos : 3; }

CellRows TwoPhotoCellRows(int32_t pageHeight, int32_t k) {
    CellRows rows;
    rows.top = static_cast<int32_t>(static_cast<int64_t>(k) * pageHeight / 2) + kCellGap;
    rows.bottom = static_cast<int32_t>(static_cast<int64_t>(k + 1) * pageHeight / 2) - kCellGap;
    return rows;
}

std::vector<CaptionLine> LayOutCaption(const std::string& text, int32_t width, int32_t height, int32_t position,
                                       int32_t textHeight, bool overlayMargin) {
    std::vector<CaptionLine> lines;
    const int32_t x = width / 2;
    const int32_t margin = overlayMargin ? height / 20 : 0;
    switch (position) {
        case 1: lines.push_back({text, x, margin}); break;
        case 2: lines.push_back({text, x, height / 2 - textHeight / 2}); break;
        case 3: lines.push_back({text, x, height - margin - textHeight}); break;
        case kMessagePosition: {
            // Line spacing: the character height and a fifth (never a tie, so
            // the rounding mode does not matter).
            const int32_t step = static_cast<int32_t>(std::nearbyint(textHeight * 1.2));
            size_t start = 0;
            for (int32_t l = 0;; ++l) {
                const size_t end = text.find('\r', start);
                const int32_t y = height / 2 + step * (l - 1) - textHeight / 2;
                lines.push_back({text.substr(start, end == std::string::npos ? std::string::npos : end - start), x, y});
                if (end == std::string::npos) break;
                start = end + 1;
                if (start < text.size() && text[start] == '\n') ++start;  // "\r\n" is one break
            }
            break;
        }
        default: break;
    }
    return lines;
}

void DrawFileName(TBitmap0& cell, const std::string& fileName, const std::string& dateTaken) {
    if (!CaptionsEnabled || !(Settings.ShowFileName || Settings.ShowDateTaken)) return;
    const std::string name = Settings.ShowFileName ? FileNameCaption(fileName, Settings.ShowPath,
                                                                     Settings.ShowExtension, Settings.ShowFolder)
                                                   : std::string();
    DateTaken date;
    const std::string when =
        Settings.ShowDateTaken && ParseExifDate(dateTaken, date) ? FormatDateTaken(date) : std::string();
    const std::string text = PictureCaption(name, when);
    if (text.empty()) return;
    DrawCaption(cell, text, CaptionPositionSetting(Settings.TextPos), Settings.Font, Settings.FontColor);
}

void DrawMessage(TBitmap0& bitmap, const std::string& text) {
    DrawCaption(bitmap, text, kMessagePosition, Settings.MessageFont, kMessageColour);
}
