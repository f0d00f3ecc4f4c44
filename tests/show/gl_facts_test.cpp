#include "show/gl_facts.h"

#include <gtest/gtest.h>

#include "diagnostics/events_log.h"
#include "library/registry.h"

namespace {

TEST(GLFacts, VersionAndExtensionParsing) {
    int major = 0, minor = 0;
    EXPECT_TRUE(ParseGLVersion("4.5 (Compatibility Profile) Mesa 22.3.6", major, minor));
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 5);
    EXPECT_TRUE(ParseGLVersion("1.1.0", major, minor));
    EXPECT_EQ(minor, 1);
    EXPECT_FALSE(ParseGLVersion("", major, minor));
    EXPECT_FALSE(ParseGLVersion(nullptr, major, minor));
    EXPECT_FALSE(ParseGLVersion("OpenGL ES 3.0", major, minor));
    EXPECT_FALSE(ParseGLVersion("4.", major, minor));

    const char* list = "WGL_ARB_pixel_format WGL_EXT_swap_control_tear WGL_EXT_swap_control";
    EXPECT_TRUE(HasExtensionWord(list, "WGL_EXT_swap_control"));
    EXPECT_TRUE(HasExtensionWord(list, "WGL_ARB_pixel_format"));
    EXPECT_FALSE(HasExtensionWord("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
    EXPECT_FALSE(HasExtensionWord("XWGL_EXT_swap_control", "WGL_EXT_swap_control"));
    EXPECT_FALSE(HasExtensionWord(nullptr, "x"));
}

TEST(GLFacts, FactsAndEvents) {
    RegWriteString("event", "");
    TmyEventsLog log;
    TmyEventsLog* saved = EventsLog;
    EventsLog = &log;
    StoreGLFacts("4.5 Mesa", "ICD", "llvmpipe", "Mesa");
    EXPECT_EQ(RecordedGLFacts.version, "4.5 Mesa");
    EXPECT_EQ(RecordedGLFacts.driverKind, "ICD");
    EXPECT_EQ(RecordedGLFacts.accelerator, "llvmpipe (Mesa)");
    EXPECT_TRUE(log.Has(kEventGlAccelerated));
    EXPECT_FALSE(log.Has(kEventGlNotAccelerated));
    StoreGLFacts(nullptr, "No", nullptr, "V");
    EXPECT_EQ(RecordedGLFacts.accelerator, " (V)");
    EXPECT_TRUE(log.Has(kEventGlNotAccelerated));
    EventsLog = saved;
}

}  // namespace
