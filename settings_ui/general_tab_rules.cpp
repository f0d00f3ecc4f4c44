#include "settings_ui/general_tab_rules.h"

#include <algorithm>
#include <stdexcept>

namespace {
// Whole-number text as the controls' string layer reads it: optional sign,
// digits, nothing else, within 32 bits.
bool ParseWhole(const std::string& text, int64_t& value) { return ParseDecimal(text, value); }

int32_t SecondsToMs(const std::string& text) {
    int64_t seconds = 0;
    if (!ParseWhole(text, seconds)) {
        // Built by appending: "'" + text trips a false -Wrestrict warning in
        // the cross compilers' library.
        std::string message = "'";
        message += text;
        message += "' is not a valid integer value";
        throw std::invalid_argument(message);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(seconds * 1000, INT32_MIN, INT32_MAX));
}
}  // namespace

GeneralTabValues ValuesFromSettings(const TSettings& s) {
    GeneralTabValues v;
    v.delayText = std::to_string(s.Delay / 1000);
    v.convertText = std::to_string(s.Convert / 1000);
    v.sequential = s.OrderMode == 1 || s.OrderMode == 3;
    v.random = s.OrderMode == 2;
    v.reverse = s.OrderMode == 4;
    v.startFromRandom = s.StartFromRandom;
    v.startFromPrevious = s.StartFromPrevious;
    // One choice of the group is checked: by shape, or the fixed count.
    v.byShape = s.AutoLayout;
    v.screens1 = !s.AutoLayout && s.Screens == 1;
    v.screens2 = !s.AutoLayout && s.Screens == 2;
    v.screens4 = !s.AutoLayout && s.Screens == 4;
    v.arrowKeys = s.ArrowKeys;
    v.stopKey = s.StopKey;
    v.wallpaper = s.Wallpaper;
    v.mouseMove = s.MouseMove;
    v.colorManage = s.ColorManage;
    v.autoRotate = !s.ignoreexif;
    v.showFileName = s.ShowFileName;
    v.path = s.ShowPath;
    v.folder = s.ShowFolder;
    v.extension = s.ShowExtension;
    v.dateTaken = s.ShowDateTaken;
    if (s.TextPos < 1 || s.TextPos > 3) throw std::runtime_error("text pos error2");
    v.positionIndex = s.TextPos - 1;
    v.transparent = s.Textbg;
    return v;
}

void StoreValuesIntoSettings(const GeneralTabValues& v, TSettings& s) {
    s.Delay = SecondsToMs(v.delayText);
    s.Convert = SecondsToMs(v.convertText);
    s.OrderMode = OrderModeOf(v.sequential, v.random, v.reverse, s.OrderMode);
    s.StartFromRandom = v.startFromRandom;
    s.StartFromPrevious = v.startFromPrevious;
    if (v.byShape) {
        s.AutoLayout = true;  // "Screens" keeps the last fixed choice
    } else if (v.screens1 || v.screens2 || v.screens4) {
        s.AutoLayout = false;
        s.Screens = v.screens1 ? 1 : v.screens2 ? 2 : 4;
        s.PhotosPerPage = std::max(1, s.Screens / 2);
    }
    s.ArrowKeys = v.arrowKeys;
    s.StopKey = v.stopKey;
    s.Wallpaper = v.wallpaper;
    s.MouseMove = v.mouseMove;
    s.ColorManage = v.colorManage;
    s.ignoreexif = !v.autoRotate;
    s.ShowFileName = v.showFileName;
    s.ShowPath = v.path;
    s.ShowFolder = v.folder;
    s.ShowExtension = v.extension;
    s.ShowDateTaken = v.dateTaken;
    const int32_t position = v.positionIndex + 1;
    if (position < 1 || position > 3) throw std::runtime_error("text pos error");
    s.TextPos = position;
    s.Textbg = v.transparent;
}

int32_t OrderModeOf(bool sequential, bool random, bool reverse, int32_t current) {
    if (sequential) return 1;
    if (random) return 2;
    if (reverse) return 4;
    return current;
}

void StartOptionClicked(bool clickedRandom, bool& startFromRandom, bool& startFromPrevious) {
    if (!(startFromRandom && startFromPrevious)) return;
    if (clickedRandom)
        startFromPrevious = false;
    else
        startFromRandom = false;
}

DigitsOnly KeepDigits(const std::string& text) {
    DigitsOnly d;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            d.text += c;
        else
            ++d.removed;
    }
    return d;
}

std::string SecondsOnLeave(const std::string& text, bool timeDelay) {
    int64_t value = 0;
    if (!ParseWhole(text.substr(0, 100), value)) return "5";
    const int64_t limit = timeDelay ? 86400 : 1000;
    if (value > limit) return std::to_string(limit);
    if (value < 1) return timeDelay ? "0" : "1";
    return text.substr(0, 100);
}

int32_t TrackbarTargetFor(const std::string& text, int32_t position) {
    int64_t value = 0;
    if (!ParseWhole(text, value)) return position;
    return static_cast<int32_t>(std::min<int64_t>(value, 1000));
}

AccelerationCheck CheckAcceleration(const std::string& status, const std::string& previous,
                                    const std::string& driverIgnore, bool optionBit4) {
    AccelerationCheck c;
    if (status.empty()) return c;
    c.writeDriver = previous != status;
    c.warn = status == "No" && driverIgnore != "1" && !(optionBit4 && !previous.empty());
    return c;
}

std::string DeviceLine(const std::string& description, const std::string& name) {
    return description.substr(0, 127) + "(" + name.substr(0, 31) + ")\r";
}
