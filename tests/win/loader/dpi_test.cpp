#include "loader/lib/dpi_awareness.h"

#include <gtest/gtest.h>

using namespace vell::loader::dpi;

TEST(LargeScreen, DecidesOverWorkAreaAndDpi) {
    struct Case {
        int w, h, dpi;
        bool large;
    };
    const Case cases[] = {
        {1920, 1040, 144, false}, // M <= 1920
        {1920, 1200, 192, false},
        {1040, 1920, 192, false},
        {2560, 1400, 120, false}, // not M >= 3000, DPI <= 125
        {2560, 1400, 125, false},
        {2560, 1400, 126, true},
        {2560, 1400, 144, true},
        {3840, 2100, 96, true},   // M >= 3000
        {2999, 1600, 96, false},
        {3000, 1600, 96, true},
        {5120, 1400, 144, false}, // a wide strip: H < M/2 and H < 1920
        {5120, 1919, 144, false},
        {5120, 2559, 144, true},  // a strip, but high enough on its own
        {3000, 1499, 96, false},
        {3000, 1500, 96, true},   // H = M/2 is not a strip
        {7680, 1920, 96, true},
        {7680, 1919, 96, false},
        {1400, 5120, 144, true},  // portrait is never a strip
        {0, 0, 96, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLargeScreenFor(c.w, c.h, c.dpi), c.large) << c.w << "x" << c.h << " at " << c.dpi;
}

TEST(LargeScreen, ProcessStateStartsAtItsDefaults) {
    EXPECT_FALSE(LargeScreen);
    EXPECT_FLOAT_EQ(LargeScreenScale, 2.0f);
    EXPECT_GT(VLR_GetDPINew(), 0);
}

TEST(WindowsVersion, ComparesAgainstTheRunningSystem) {
    EXPECT_TRUE(IsWindowsVersionOrGreater(5, 0, 0));
    EXPECT_FALSE(IsWindowsVersionOrGreater(99, 0, 0));
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v)));
#pragma GCC diagnostic pop
    const WORD major = WORD(v.dwMajorVersion), minor = WORD(v.dwMinorVersion), sp = v.wServicePackMajor;
    EXPECT_TRUE(IsWindowsVersionOrGreater(major, minor, sp));
    EXPECT_FALSE(IsWindowsVersionOrGreater(major, minor, WORD(sp + 1))) << "the service pack counts";
    EXPECT_FALSE(IsWindowsVersionOrGreater(major, WORD(minor + 1), 0));
}
