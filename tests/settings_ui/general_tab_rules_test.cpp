// The General tab's rules without a window: the round trip through the
// controls, the seconds boxes, the "Start from" pair and the acceleration
// warning.
#include <gtest/gtest.h>

#include <stdexcept>

#include "settings_ui/general_tab_rules.h"

TEST(GeneralTab, SettingsRoundTripThroughTheControls) {
    TSettings s;
    s.Delay = 7500;
    s.OrderMode = 3;  // shows as "Sequential"
    s.StartFromPrevious = true;
    s.Screens = 2;
    s.ignoreexif = true;
    s.ColorManage = false;
    s.TextPos = 1;
    GeneralTabValues v = ValuesFromSettings(s);
    EXPECT_FALSE(v.colorManage);
    EXPECT_EQ(v.delayText, "7");
    EXPECT_TRUE(v.sequential && !v.random && !v.reverse);
    EXPECT_TRUE(v.screens2 && !v.screens1 && !v.screens4);
    EXPECT_FALSE(v.autoRotate);
    EXPECT_EQ(v.positionIndex, 0);

    // What the user changed goes back; groups with nothing checked stay.
    v.sequential = false;
    v.reverse = true;
    v.screens2 = false;
    v.delayText = "90";
    v.autoRotate = true;
    v.colorManage = true;
    TSettings out = s;
    StoreValuesIntoSettings(v, out);
    EXPECT_TRUE(out.ColorManage);
    EXPECT_EQ(out.Delay, 90000);
    EXPECT_EQ(out.OrderMode, 4);
    EXPECT_EQ(out.Screens, 2);
    EXPECT_FALSE(out.ignoreexif);
    v.screens4 = true;
    StoreValuesIntoSettings(v, out);
    EXPECT_EQ(out.Screens, 4);
    EXPECT_EQ(out.PhotosPerPage, 2);

    // "Arrange by photo shape" leaves the fixed choice in "Screens", and shows
    // as the group's only checked choice; a fixed choice turns it off again.
    v.screens4 = false;
    v.byShape = true;
    StoreValuesIntoSettings(v, out);
    EXPECT_TRUE(out.AutoLayout);
    EXPECT_EQ(out.Screens, 4);
    const GeneralTabValues shaped = ValuesFromSettings(out);
    EXPECT_TRUE(shaped.byShape && !shaped.screens1 && !shaped.screens2 && !shaped.screens4);
    v.byShape = false;
    v.screens1 = true;
    StoreValuesIntoSettings(v, out);
    EXPECT_FALSE(out.AutoLayout);
    EXPECT_EQ(out.Screens, 1);
    v.screens1 = false;

    v.delayText = "";
    EXPECT_THROW(StoreValuesIntoSettings(v, out), std::invalid_argument);
    v.delayText = std::string("5");  // not from a literal: GCC 12 warns falsely (-Wrestrict)
    v.positionIndex = -1;
    try {
        StoreValuesIntoSettings(v, out);
        ADD_FAILURE() << "no position was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "text pos error");
    }
    s.TextPos = 4;
    EXPECT_THROW(ValuesFromSettings(s), std::runtime_error);
}

TEST(GeneralTab, SecondsBoxes) {
    const DigitsOnly typed = KeepDigits("1x2");
    EXPECT_EQ(typed.text, "12");
    EXPECT_EQ(typed.removed, 1);
    EXPECT_EQ(SecondsOnLeave("0", true), "0");
    EXPECT_EQ(SecondsOnLeave("0", false), "1");
    EXPECT_EQ(SecondsOnLeave("", true), "5");
    EXPECT_EQ(SecondsOnLeave("100000", true), "86400");
    EXPECT_EQ(SecondsOnLeave("1500", false), "1000");
    EXPECT_EQ(SecondsOnLeave("75", true), "75");  // longer than the trackbar's range: the box wins
    EXPECT_EQ(TrackbarTargetFor("75", 3), 75);
    EXPECT_EQ(TrackbarTargetFor("", 3), 3);
    EXPECT_EQ(TrackbarTargetFor("5000", 3), 1000);
}

TEST(GeneralTab, StartOptionsExcludeEachOther) {
    bool fromRandom = true, fromPrevious = true;
    StartOptionClicked(true, fromRandom, fromPrevious);
    EXPECT_TRUE(fromRandom && !fromPrevious);
    fromPrevious = true;
    StartOptionClicked(false, fromRandom, fromPrevious);
    EXPECT_TRUE(!fromRandom && fromPrevious);
}

TEST(GeneralTab, AccelerationWarningOnlyForSoftwareOpenGL) {
    const AccelerationCheck first = CheckAcceleration("No", "", "", false);
    EXPECT_TRUE(first.warn && first.writeDriver);
    EXPECT_FALSE(CheckAcceleration("No", "No", "1", false).warn);  // "Cancel" was chosen once
    EXPECT_FALSE(CheckAcceleration("No", "No", "", false).writeDriver);
    EXPECT_FALSE(CheckAcceleration("No", "ICD", "", true).warn);
    EXPECT_TRUE(CheckAcceleration("No", "", "", true).warn);
    EXPECT_FALSE(CheckAcceleration("ICD", "No", "", false).warn);
    EXPECT_FALSE(CheckAcceleration("", "No", "", false).writeDriver);
    EXPECT_EQ(DeviceLine(std::string(130, 'd'), std::string(40, 'n')),
              std::string(127, 'd') + "(" + std::string(31, 'n') + ")\r");
}
