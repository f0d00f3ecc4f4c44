#pragma once
// The settings window's rules that need no window: what the General tab's
// controls show for the settings and what they store back, the seconds boxes'
// text rules, the two "Start from" check boxes, and when the OpenGL
// acceleration warning is due.
#include <cstdint>
#include <string>

#include "library/settings.h"

// The General tab's control values (and the Photos tab's "Auto rotate
// photos (EXIF)"), as the controls hold them.
struct GeneralTabValues {
    std::string delayText = "0";    // "Time delay", whole seconds
    std::string convertText = "0";  // "Turn over duration", whole seconds
    bool sequential = false, reverse = false, random = false;
    bool startFromPrevious = false, startFromRandom = false;
    bool screens1 = false, screens2 = false, screens4 = false;
    bool byShape = false;  // "Arrange by photo shape", the group's fourth choice
    bool arrowKeys = false, stopKey = false, wallpaper = false, mouseMove = false;
    bool colorManage = false;
    bool autoRotate = false;
    bool showFileName = false, path = false, folder = false, extension = false;
    bool dateTaken = false;
    int32_t positionIndex = -1;  // "Top", "Center", "Bottom"; -1 when none is selected
    bool transparent = false;
};

// Throws std::runtime_error "text pos error2" for a "TextPos" outside 1..3.
GeneralTabValues ValuesFromSettings(const TSettings& s);
// Throws std::runtime_error "text pos error" without a position, and
// std::invalid_argument "'<text>' is not a valid integer value" for a seconds
// box that does not hold a number. Unchecked radio groups leave their setting.
void StoreValuesIntoSettings(const GeneralTabValues& v, TSettings& s);

// The display order of the radio buttons: the first checked of Sequential
// (1), Random (2), Reverse (4); `current` when none is.
int32_t OrderModeOf(bool sequential, bool random, bool reverse, int32_t current);

// "Start from random" and "Start from previous" exclude each other: the one
// just clicked stays, the other is cleared.
void StartOptionClicked(bool clickedRandom, bool& startFromRandom, bool& startFromPrevious);

// A seconds box after a text update: only digits stay; `removed` characters
// were taken out (the caret moves back as many).
struct DigitsOnly {
    std::string text;
    int32_t removed = 0;
};
DigitsOnly KeepDigits(const std::string& text);
// What a seconds box holds when it loses the focus: at most 86400 ("Time
// delay") or 1000 ("Turn over duration"); below 1 becomes 0 or 1; not a
// number becomes 5.
std::string SecondsOnLeave(const std::string& text, bool timeDelay);
// Where the trackbar goes for the box's text: the number capped at 1000, or
// `position` when the text is not a number.
int32_t TrackbarTargetFor(const std::string& text, int32_t position);

// The acceleration check: "driver" is rewritten when the status changed; the
// warning is due only for "No", unless "driverignore" is "1" or option bit 4
// is set and there was a previous status.
struct AccelerationCheck {
    bool writeDriver = false;
    bool warn = false;
};
AccelerationCheck CheckAcceleration(const std::string& status, const std::string& previous,
                                    const std::string& driverIgnore, bool optionBit4);

// One display device for the driver-help page: its description (at most 127
// characters) and name (at most 31), as "description(name)" and a carriage
// return.
std::string DeviceLine(const std::string& description, const std::string& name);
