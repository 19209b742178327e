// What the skin gives the box on the screen: the text line in the skin's colour
// "text.cl_txt_hot" (F2F4F7 in the demo skin).
#include "box_geometry.h"
#include "box_session.h"

#include <gtest/gtest.h>

using namespace boxtest;

namespace {

int channel(uint32_t rgb, int shift) { return int((rgb >> shift) & 255); }

} // namespace

TEST(BoxSkin, TheTextLineHasTheSkinsColour) {
    ConfiguredLanguage english(L"");
    RECT box{};
    const Shot empty = ShowAndCapture(L"VLR", &box);
    const Shot shot = ShowAndCapture(L"VLR Init");
    ASSERT_FALSE(empty.pixels.empty() || shot.pixels.empty());
    const RECT ink = DifferenceBounds(empty, shot, LabelArea(box, 1));
    ASSERT_FALSE(IsRectEmpty(&ink));
    // Fully covered pixels of the glyphs show the colour itself; none is tinted otherwise.
    uint32_t brightest = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const uint32_t p = shot.At(x, y);
            const int r = channel(p, 16), g = channel(p, 8), b = channel(p, 0);
            EXPECT_LE(r, g + 12) << "at " << x << "," << y;
            EXPECT_LE(g, b + 12) << "at " << x << "," << y;
            if (r + g + b > channel(brightest, 16) + channel(brightest, 8) + channel(brightest, 0)) brightest = p;
        }
    EXPECT_NEAR(channel(brightest, 16), 0xF2, 10);
    EXPECT_NEAR(channel(brightest, 8), 0xF4, 10);
    EXPECT_NEAR(channel(brightest, 0), 0xF7, 10);
}
