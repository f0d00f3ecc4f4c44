#include "show/vsync.h"

#include <gtest/gtest.h>

#include "library/registry.h"
#include "library/settings.h"

namespace {

TEST(VSync, DriverKindFromPixelFormatFlags) {
    EXPECT_STREQ(DriverKindFromFlags(0x25), "ICD");
    EXPECT_STREQ(DriverKindFromFlags(0x25 | 0x40), "No");
    EXPECT_STREQ(DriverKindFromFlags(0x25 | 0x1000), "No");
    EXPECT_STREQ(DriverKindFromFlags(0x25 | 0x40 | 0x1000), "MCD");
}

TEST(VSync, FirstShowDecides) {
    bool changed = false;
    EXPECT_EQ(VSyncStateAtStart(0, true, 0.0, changed), 1);
    EXPECT_TRUE(changed);
    EXPECT_EQ(VSyncStateAtStart(0, true, 0.4999, changed), 1);
    EXPECT_EQ(VSyncStateAtStart(0, true, 0.5, changed), 2);
    EXPECT_EQ(VSyncStateAtStart(0, true, 0.999999, changed), 2);
    EXPECT_EQ(VSyncStateAtStart(0, false, 0.0, changed), 3);
    EXPECT_TRUE(changed);
    EXPECT_EQ(VSyncStateAtStart(1, false, 0.0, changed), 3);
    EXPECT_TRUE(changed);
    EXPECT_EQ(VSyncStateAtStart(2, false, 0.0, changed), 3);
    for (int s : {1, 2, 3, 4}) {
        EXPECT_EQ(VSyncStateAtStart(s, true, 0.7, changed), s);
        EXPECT_FALSE(changed);
    }
    EXPECT_EQ(VSyncStateAtStart(4, false, 0.7, changed), 4);
    EXPECT_FALSE(changed);
    EXPECT_EQ(SwapIntervalForState(1), 1);
    for (int s : {0, 2, 3, 4, 9}) EXPECT_EQ(SwapIntervalForState(s), 0);
}

TEST(VSync, SlowSecondsTurnVSyncOffAfterMoreThan100) {
    FrameRateWatch w;
    int32_t state = 1;
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(w.Second(45, state));
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(w.Second(45, state));
    EXPECT_EQ(state, 4);
    // One good second resets the count.
    FrameRateWatch v;
    state = 1;
    for (int i = 0; i < 100; ++i) v.Second(49, state);
    v.Second(50, state);
    EXPECT_EQ(v.SlowSeconds(), 0);
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(v.Second(10, state));
    EXPECT_EQ(state, 1);
    // With vsync off the rate does not matter.
    state = 2;
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(v.Second(5, state));
    EXPECT_EQ(state, 2);
}

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
