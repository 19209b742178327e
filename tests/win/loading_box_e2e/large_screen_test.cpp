// The box on a large screen (run on a 3840x2160 display; skipped on smaller ones): twice
// its size, centred, with its text line laid out at twice the font height and the large
// skin's pictures.
#include "box_geometry.h"
#include "box_session.h"

#include <gtest/gtest.h>

using namespace boxtest;

TEST(LargeScreen, TheBoxIsDoubledAndCentred) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    if (sw < 3000) GTEST_SKIP() << "needs a large screen (VELL_SCREEN=3840x2160)";
    ConfiguredLanguage english(L"");
    RECT box{};
    const Shot empty = ShowAndCapture(L"VLR", &box);
    const RECT centred = CentredBox(sw, sh, 2);
    EXPECT_TRUE(EqualRect(&box, &centred)) << Describe(box) << ", centred is " << Describe(centred);

    RECT where{};
    const Shot shot = ShowAndCapture(L"VLR Init", &where);
    ASSERT_TRUE(EqualRect(&where, &box));
    const RECT label = LabelArea(box, 2);
    const RECT ink = DifferenceBounds(empty, shot, label);
    ASSERT_FALSE(IsRectEmpty(&ink)) << "no text drawn";
    const RECT layout = LaidOutText(L"Launching Vellora...", label.right - label.left, -30);
    EXPECT_NEAR(ink.right - ink.left, layout.right - layout.left, 12)
        << Describe(ink) << " layout " << Describe(layout);
    EXPECT_NEAR((ink.left + ink.right) / 2, (label.left + label.right) / 2, 8) << Describe(ink);
    EXPECT_GT(ink.bottom - ink.top, 15) << "the font is twice the height";
    // The large skin's pictures, at twice their size.
    ExpectSkinPictures(empty, box, 2);
}

TEST(LargeScreen, WithoutTheLargeSkinTheBoxIsDoubledWithTheNormalSkin) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    if (sw < 3000) GTEST_SKIP() << "needs a large screen (VELL_SCREEN=3840x2160)";
    RECT box{};
    const Shot shot = ShowAndCapture(L"VLR", &box, ProductFolderWithoutLargeSkin());
    ASSERT_FALSE(shot.pixels.empty());
    const RECT centred = CentredBox(sw, sh, 2);
    EXPECT_TRUE(EqualRect(&box, &centred)) << Describe(box);
    // The normal skin's 80x80 icon drawn from the doubled position (480, 112): its middle
    // is at (520, 152), and the large icon's middle (560, 192) shows the panel.
    const uint32_t iconMiddle = shot.At(box.left + 520, box.top + 152);
    EXPECT_NEAR(int((iconMiddle >> 16) & 255), 53, 4);
    EXPECT_NEAR(int((iconMiddle >> 8) & 255), 152, 4);
    EXPECT_NEAR(int(iconMiddle & 255), 216, 4);
    EXPECT_EQ(shot.At(box.left + 560, box.top + 192), shot.At(box.left + 60, box.top + 240)) << "panel";
}
