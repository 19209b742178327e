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
