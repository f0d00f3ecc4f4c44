#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "library/settings.h"

namespace {
MemoryRegistryKey KeyWith(std::initializer_list<std::pair<const char*, const char*>> values) {
    MemoryRegistryKey k;
    for (auto& [n, v] : values) k.WriteString(n, v);
    return k;
}
}  // namespace

TEST(SettingInt, DefaultsClampAndNegatives) {
    EXPECT_EQ(ParseSettingInt("", 5000), 5000);
    EXPECT_EQ(ParseSettingInt("abc", 5000), 5000);
    EXPECT_EQ(ParseSettingInt("12abc", 5000), 5000);
    EXPECT_EQ(ParseSettingInt(" 12", 5000), 5000);
    EXPECT_EQ(ParseSettingInt("-", 7), 7);
    EXPECT_EQ(ParseSettingInt("1000000001", 5), 1000000000);
    EXPECT_EQ(ParseSettingInt("2147483647", 5), 1000000000);
    EXPECT_EQ(ParseSettingInt("99999999999", 5), 5);  // not a 32-bit number
    EXPECT_EQ(ParseSettingInt("-5", 5000), -5);
    EXPECT_EQ(ParseSettingInt("-2147483648", 0), -2147483647 - 1);
    EXPECT_EQ(ParseSettingInt("+42", 0), 42);
    EXPECT_EQ(ParseSettingInt("007", 0), 7);
}

TEST(SettingInt, NonStringValuesReadAsDefault) {
    MemoryRegistryKey k;
    const uint32_t dword = 9;
    k.Put("Delay", kRegDword, {9, 0, 0, 0});
    (void)dword;
    EXPECT_EQ(ReadSettingInt(k, "Delay", 5000), 5000);
    EXPECT_EQ(ReadSettingInt(k, "Missing", 17), 17);
}

TEST(LoadSettings, EmptyKeyGivesTheDefaults) {
    MemoryRegistryKey k;
    TSettings s;
    s.Screens = 1;
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_EQ(s.Delay, 5000);
    EXPECT_EQ(s.Convert, 5000);
    EXPECT_EQ(s.OrderMode, 2);
    EXPECT_FALSE(s.StartFromRandom);
    EXPECT_EQ(s.Screens, 4);
    EXPECT_EQ(s.PhotosPerPage, 2);
    EXPECT_TRUE(s.StopKey && s.ArrowKeys && s.MouseMove && s.rtresize && s.TextOverlay && s.ColorManage);
    EXPECT_FALSE(s.Wallpaper || s.oglsoft || s.crop || s.ignoreexif || s.Textbg || s.RandomPos);
    EXPECT_EQ(s.FontColor, 0x0000FF00u);
    EXPECT_STREQ(s.Font.lfFaceName, "Courier New");
    EXPECT_EQ(s.Font.lfHeight, -13);
    EXPECT_EQ(s.Font.lfWeight, 400);
    EXPECT_EQ(s.Font.lfCharSet, 1);
    EXPECT_EQ(s.TextPos, 3);
}

TEST(LoadSettings, UnusableKeyGivesDefaultsWithOneScreen) {
    TSettings s;
    s.Delay = 1;
    s.Screens = 4;
    LoadSettingsFrom(nullptr, nullptr, s);
    EXPECT_EQ(s.Delay, 5000);
    EXPECT_EQ(s.Screens, 1);
    EXPECT_EQ(s.PhotosPerPage, 1);
}

TEST(LoadSettings, ValuesAndDerivedFields) {
    MemoryRegistryKey k = KeyWith({{"Delay", "abc"}, {"Convert", "-5"}, {"Order", "25"}, {"Screens", "2"},
                                   {"TextFileName", "29"}, {"MouseMove", "0"}, {"crop", "7"}});
    TSettings s;
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_EQ(s.Delay, 5000);
    EXPECT_EQ(s.Convert, -5);
    EXPECT_EQ(s.OrderMode, 1);
    EXPECT_TRUE(s.StartFromRandom);
    EXPECT_TRUE(s.StartFromPrevious);
    EXPECT_EQ(s.PhotosPerPage, 1);
    EXPECT_TRUE(s.ShowFileName);
    EXPECT_FALSE(s.ShowPath);
    EXPECT_TRUE(s.ShowExtension);
    EXPECT_TRUE(s.ShowFolder);
    EXPECT_TRUE(s.ShowDateTaken);  // bit 16
    EXPECT_FALSE(s.MouseMove);
    EXPECT_TRUE(s.crop);

    k.WriteString("ColorManage", "0");
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_FALSE(s.ColorManage);

    // "AutoLayout": on for any number but 0, off when absent or not a number.
    EXPECT_FALSE(s.AutoLayout);
    for (auto [text, on] : {std::pair{"1", true}, {"0", false}, {"2", true}, {"yes", false}, {"", false}}) {
        k.WriteString("AutoLayout", text);
        LoadSettingsFrom(&k, nullptr, s);
        EXPECT_EQ(s.AutoLayout, on) << text;
        EXPECT_EQ(s.Screens, 2) << "the fixed choice stays beside it";
    }

    for (auto [screens, perPage] : {std::pair{1, 1}, {2, 1}, {4, 2}, {0, 1}}) {
        k.WriteString("Screens", std::to_string(screens));
        LoadSettingsFrom(&k, nullptr, s);
        EXPECT_EQ(s.PhotosPerPage, perPage) << screens;
    }
}

TEST(LoadSettings, FontValues) {
    TSettings s;
    MemoryRegistryKey k;
    k.WriteBinary("Font", "", 0);  // empty: the default
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_STREQ(s.Font.lfFaceName, "Courier New");

    LogFontA arial = DefaultFont();
    arial.lfHeight = -20;
    std::strcpy(arial.lfFaceName, "Arial");
    k.WriteBinary("Font", &arial, sizeof arial);
    const uint8_t red[4] = {0xFF, 0, 0, 0};
    k.WriteBinary("FontColor", red, 4);
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_STREQ(s.Font.lfFaceName, "Arial");
    EXPECT_EQ(s.Font.lfHeight, -20);
    EXPECT_EQ(s.FontColor, 0xFFu);

    // A face name without its terminating zero is cut, never read past.
    LogFontA unterminated = arial;
    std::memset(unterminated.lfFaceName, 'A', sizeof unterminated.lfFaceName);
    k.WriteBinary("Font", &unterminated, sizeof unterminated);
    LoadSettingsFrom(&k, nullptr, s);
    EXPECT_EQ(std::strlen(s.Font.lfFaceName), 31u);

    k.WriteString("Font", "Arial");
    EXPECT_THROW(LoadSettingsFrom(&k, nullptr, s), std::runtime_error);
    k.WriteBinary("Font", &arial, sizeof arial);
    std::vector<uint8_t> tooLong(61, 0);
    k.WriteBinary("Font", tooLong.data(), tooLong.size());
    EXPECT_THROW(LoadSettingsFrom(&k, nullptr, s), std::runtime_error);
    k.WriteBinary("Font", &arial, sizeof arial);
    const uint8_t five[5] = {};
    k.WriteBinary("FontColor", five, 5);
    EXPECT_THROW(LoadSettingsFrom(&k, nullptr, s), std::runtime_error);
}

TEST(LoadSettings, ConfiguredFoldersInValueNameOrder) {
    MemoryRegistryKey main, folders;
    folders.WriteString("b", "C:\\B");
    folders.WriteString("a", "C:\\A");
    TSettings s;
    s.ConfiguredFolders = {"old"};
    LoadSettingsFrom(&main, &folders, s);
    EXPECT_EQ(s.ConfiguredFolders, (std::vector<std::string>{"C:\\A", "C:\\B"}));
    // Without the subkey the list is left alone.
    LoadSettingsFrom(&main, nullptr, s);
    EXPECT_EQ(s.ConfiguredFolders.size(), 2u);
}

TEST(SaveSettings, FixedOrderEncodingsAndRoundTrip) {
    MemoryRegistryKey k = KeyWith({{"Order", "25"}, {"Delay", "7000"}, {"TextFileName", "22"}});
    TSettings s;
    LoadSettingsFrom(&k, nullptr, s);
    MemoryRegistryKey out;
    SaveSettingsTo(out, s);
    EXPECT_EQ(out.ValueNames(),
              (std::vector<std::string>{"Delay", "Convert", "Order", "StopKey", "ArrowKeys", "Wallpaper", "MouseMove",
                                        "ignoreexif", "ColorManage", "Screens", "AutoLayout", "Font", "FontColor",
                                        "TextFileName", "TextPos", "Textbg"}));
    EXPECT_EQ(out.Read("Order")->Text(), "25");
    EXPECT_EQ(s.Order, 1);  // reduced to the order mode after writing
    EXPECT_EQ(out.Read("Delay")->Text(), "7000");
    EXPECT_EQ(out.Read("StopKey")->Text(), "1");
    EXPECT_EQ(out.Read("TextFileName")->Text(), "22");
    EXPECT_EQ(out.Read("Font")->type, kRegBinary);
    EXPECT_EQ(out.Read("Font")->data.size(), 60u);
    EXPECT_EQ(out.Read("FontColor")->data, (std::vector<uint8_t>{0, 0xFF, 0, 0}));

    TSettings again;
    LoadSettingsFrom(&out, nullptr, again);
    EXPECT_EQ(again.OrderMode, 1);
    EXPECT_TRUE(again.StartFromRandom && again.StartFromPrevious);
    MemoryRegistryKey out2;
    SaveSettingsTo(out2, again);
    EXPECT_EQ(out2.Read("Order")->Text(), "25");

    // A display order chosen in the settings window (reverse, no start
    // options) is what gets saved.
    again.OrderMode = 4;
    again.StartFromRandom = again.StartFromPrevious = false;
    SaveSettingsTo(out2, again);
    EXPECT_EQ(out2.Read("Order")->Text(), "4");
}

TEST(SaveSettings, RefusedWriteReachesTheCaller) {
    MemoryRegistryKey k;
    k.refuseWrites = true;
    TSettings s;
    EXPECT_THROW(SaveSettingsTo(k, s), std::runtime_error);
}

TEST(MessageFont, HeightFollowsScreenWidth) {
    EXPECT_EQ(MessageFontHeight(320), -16);
    EXPECT_EQ(MessageFontHeight(639), -16);
    EXPECT_EQ(MessageFontHeight(640), -14);
    EXPECT_EQ(MessageFontHeight(1000), -14);
    EXPECT_EQ(MessageFontHeight(1001), -16);
    EXPECT_EQ(MessageFontHeight(1299), -16);
    EXPECT_EQ(MessageFontHeight(1300), -18);
    EXPECT_EQ(MessageFontHeight(2000), -18);
    EXPECT_EQ(MessageFontHeight(2001), -16);
}

TEST(RunSettings, OnlyTheExactTextOneIsARequest) {
    auto text = [](const char* t) { return std::optional<RegValue>(RegValue{kRegSz, {t, t + std::strlen(t)}}); };
    EXPECT_TRUE(IsRunSettingsRequest(text("1")));
    EXPECT_FALSE(IsRunSettingsRequest(text("1 ")));
    EXPECT_FALSE(IsRunSettingsRequest(text("01")));
    EXPECT_FALSE(IsRunSettingsRequest(text("")));
    EXPECT_FALSE(IsRunSettingsRequest(std::nullopt));
    EXPECT_FALSE(IsRunSettingsRequest(RegValue{kRegDword, {1, 0, 0, 0}}));
}
