#include "core/color/colors.h"
#include "platform/color/system_colors.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace vell;

TEST(SystemColors, ResolveThroughThePlatform) {
    InstallSystemColors();
    for (int index : {COLOR_BTNFACE, COLOR_WINDOW, COLOR_HIGHLIGHT, COLOR_MENUBAR}) {
        EXPECT_EQ(SkinColorToRGB(0xFF000000u | static_cast<TColor>(index)), ::GetSysColor(index)) << index;
    }
    TColor face = 0;
    ASSERT_TRUE(SkinIdentToColor(u"clBtnFace", face));
    EXPECT_EQ(SkinColorToRGB(face), ::GetSysColor(COLOR_BTNFACE));
    SetSystemColorProvider(nullptr);
}
