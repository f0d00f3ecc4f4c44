#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {
CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }
}  // namespace

TEST(CommandLine, SwitchFormsAndHandles) {
    for (const char* s : {"/s", "/S", "-s", "xs"}) {
        EXPECT_EQ(Parse({s}).switchText, "s") << s;
        EXPECT_EQ(SelectRunMode(Parse({s}).switchText, false), RunMode::Show) << s;
    }
    CommandLine a = Parse({"/p", "1234"});
    CommandLine b = Parse({"/p:1234"});
    EXPECT_EQ(a.switchText, "p");
    EXPECT_EQ(a.parentHandle, 1234u);
    EXPECT_EQ(b.switchText, "p");
    EXPECT_EQ(b.parentHandle, 1234u);
    // The colon form wins over a second argument.
    EXPECT_EQ(Parse({"/p:77", "1234"}).parentHandle, 77u);
    CommandLine c = Parse({"/c:0012345"});
    EXPECT_EQ(c.switchText, "c");
    EXPECT_EQ(c.parentHandle, 12345u);
    EXPECT_EQ(SelectRunMode(c.switchText, false), RunMode::Settings);
    // A handle with bit 31 set, as signed or unsigned text, names the same
    // window: the sign extension of its 32 bits.
    const auto high = static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(0x80012344u)));
    EXPECT_EQ(Parse({"/p", "-2147409084"}).parentHandle, high);
    EXPECT_EQ(Parse({"/p", "2147558212"}).parentHandle, high);
}

TEST(CommandLine, BadHandlesReadAsZero) {
    EXPECT_EQ(Parse({"/p"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p", ""}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p", "12ab"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p", "0x10"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p", "99999999999"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p", "4294967296"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p:"}).parentHandle, 0u);
}

TEST(CommandLine, ModeTable) {
    EXPECT_EQ(SelectRunMode(Parse({}).switchText, false), RunMode::Settings);
    EXPECT_EQ(SelectRunMode(Parse({""}).switchText, false), RunMode::Settings);
    EXPECT_EQ(SelectRunMode(Parse({"/c"}).switchText, false), RunMode::Settings);
    EXPECT_EQ(SelectRunMode(Parse({"/a", "1"}).switchText, false), RunMode::ChangePassword);
    EXPECT_EQ(SelectRunMode(Parse({"/x"}).switchText, false), RunMode::None);
    EXPECT_EQ(SelectRunMode(Parse({"/show"}).switchText, false), RunMode::None);
    EXPECT_EQ(SelectRunMode(Parse({"/"}).switchText, false), RunMode::Settings);
    // A pending run-settings request turns only the show into settings.
    EXPECT_EQ(SelectRunMode("s", true), RunMode::Settings);
    EXPECT_EQ(SelectRunMode("p", true), RunMode::Preview);
}
