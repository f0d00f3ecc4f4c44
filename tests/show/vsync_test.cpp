#include "show/vsync.h"

#include <gtest/gtest.h>


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

}  // namespace
