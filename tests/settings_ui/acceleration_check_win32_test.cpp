// The acceleration check against the test prefix's real OpenGL and registry.
#include <gtest/gtest.h>

#include "library/registry.h"
#include "settings_ui/acceleration_check.h"
#include "show/gl_control_win32.h"

// The driver kind is recorded, and changed when it changes; with a hardware
// driver nothing is asked.
TEST(AccelerationCheck, RecordsTheDriverKind) {
    const std::string kind = ProbeDriverKind();
    if (kind.empty() || kind == "No") GTEST_SKIP() << "this display would ask a question: " << kind;
    RegWriteString("driver", "No");
    CheckOpenGLAcceleration();
    EXPECT_EQ(RegReadString("driver"), kind);
    RegRemoveValue("driver");
}
