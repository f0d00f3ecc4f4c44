// The vsync decision against the in-memory main key of native builds.
#include <gtest/gtest.h>

#include "library/registry.h"
#include "library/settings.h"
#include "show/vsync.h"

namespace {

class VSyncStore : public ::testing::Test {
protected:
    void SetUp() override {
        NativeMainKey().Clear();
        Settings = TSettings();
    }
    std::string Stored() { return RegReadString("vsync"); }
};

TEST_F(VSyncStore, HardwareShowAt45FpsWrites4After101Seconds) {
    Settings.vsync = 1;
    EXPECT_EQ(DecideVSync("ICD"), 1);
    EXPECT_EQ(Stored(), "");  // nothing changed, nothing written
    for (int i = 0; i < 100; ++i) CheckFrameRate(45);
    EXPECT_EQ(Stored(), "");
    CheckFrameRate(45);
    EXPECT_EQ(Stored(), "4");
    EXPECT_EQ(Settings.vsync, 4);
    // The next show starts with vertical sync off.
    EXPECT_EQ(DecideVSync("ICD"), 0);
}

TEST_F(VSyncStore, GenericDriverWrites3AndNeverTurnsVSyncOn) {
    EXPECT_EQ(DecideVSync("No"), 0);
    EXPECT_EQ(Stored(), "3");
    for (int i = 0; i < 200; ++i) CheckFrameRate(20);
    EXPECT_EQ(Stored(), "3");
    NativeMainKey().Clear();
    Settings.vsync = 1;
    EXPECT_EQ(DecideVSync("MCD"), 0);
    EXPECT_EQ(Stored(), "3");
}

TEST_F(VSyncStore, FirstHardwareShowStoresItsChoice) {
    EXPECT_GE(DecideVSync("ICD"), 0);
    const std::string s = Stored();
    EXPECT_TRUE(s == "1" || s == "2") << s;
    EXPECT_EQ(std::to_string(Settings.vsync), s);
}

TEST_F(VSyncStore, OglsoftNeitherReadsNorWrites) {
    Settings.oglsoft = true;
    Settings.vsync = 0;
    EXPECT_EQ(DecideVSync("No"), -1);
    Settings.vsync = 1;
    for (int i = 0; i < 200; ++i) CheckFrameRate(10);
    EXPECT_EQ(Stored(), "");
    EXPECT_EQ(Settings.vsync, 1);
}

TEST_F(VSyncStore, RefusedWriteIsNotReported) {
    NativeMainKey().refuseWrites = true;
    EXPECT_NO_THROW(DecideVSync("No"));
    EXPECT_EQ(Settings.vsync, 3);
    NativeMainKey().refuseWrites = false;
}

}  // namespace
