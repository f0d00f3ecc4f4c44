// The settings window's layout unit and keyboard-focus table.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "settings_ui/focus_table.h"
#include "settings_ui/layout_units.h"

namespace {

TEST(LayoutUnits, ScaleToAndFromTheScreenRoundingHalvesToEven) {
    EXPECT_EQ(ScaleToScreen(100, 96), 100);
    EXPECT_EQ(ScaleToScreen(100, 120), 125);
    EXPECT_EQ(ScaleToScreen(100, 144), 150);
    EXPECT_EQ(ScaleToScreen(583, 144), 874);  // 874.5: the even neighbour
    EXPECT_EQ(ScaleToScreen(585, 144), 878);  // 877.5
    EXPECT_EQ(ScaleToScreen(1, 120), 1);      // 1.25
    EXPECT_EQ(ScaleToScreen(3, 120), 4);      // 3.75
    EXPECT_EQ(ScaleToScreen(-3, 144), -4);    // -4.5
    EXPECT_EQ(ScaleToScreen(-5, 144), -8);    // -7.5
    EXPECT_EQ(ScaleToScreen(7, 0), 7);        // no DPI known: layout units
    EXPECT_EQ(ScaleFromScreen(150, 144), 100);
    EXPECT_EQ(ScaleFromScreen(125, 120), 100);
    EXPECT_EQ(ScaleFromScreen(-30, 144), -20);
    EXPECT_EQ(ScaleFromScreen(3, 144), 2);  // exactly 2
    EXPECT_EQ(ScaleFromScreen(5, 120), 4);
    EXPECT_EQ(ScaleFromScreen(10, 192), 5);
    EXPECT_EQ(ScaleFromScreen(9, 192), 4);  // 4.5
    // Large values do not overflow on the way.
    EXPECT_EQ(ScaleToScreen(30000000, 192), 60000000);
    for (int dpi : {96, 120, 144, 192})
        for (int v = -50; v <= 700; ++v) ASSERT_EQ(ScaleFromScreen(ScaleToScreen(v, dpi), dpi), v) << dpi;
}

std::string FocusError(FocusTable& table, int32_t id) {
    try {
        table.Register(id, 0x1234);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(FocusTable, KeepsRegistrationOrderAndRefusesBadIdsAndOverflow) {
    FocusTable table;
    table.Register(27, 0x100);
    table.Register(16, 0x200);
    table.Register(0, 0x300);
    table.Register(0, 0x400);  // a second control without a command id
    EXPECT_EQ(table.Count(), 4);
    EXPECT_EQ(table.At(0), 0x100u);
    EXPECT_EQ(table.At(3), 0x400u);
    EXPECT_EQ(table.At(4), 0u);
    EXPECT_EQ(table.Find(16), 0x200u);
    EXPECT_EQ(table.Find(0), 0x400u);
    EXPECT_EQ(table.Find(17), 0u);
    EXPECT_EQ(table.Find(-1), 0u);
    EXPECT_EQ(table.Find(200), 0u);

    EXPECT_EQ(FocusError(table, 200), "focus=4, id=200");
    EXPECT_EQ(FocusError(table, -1), "focus=4, id=-1");
    EXPECT_EQ(table.Count(), 4);  // a refused window is not entered
    EXPECT_EQ(FocusError(table, 199), "no error");

    while (table.Count() < FocusTable::kCapacity) table.Register(5, 0x500);
    EXPECT_EQ(FocusError(table, 5), "focus=199, id=5");
    EXPECT_EQ(table.At(FocusTable::kCapacity - 1), 0x500u);

    table.Reset();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Find(27), 0u);
}

}  // namespace
