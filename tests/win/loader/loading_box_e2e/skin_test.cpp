// What the skin gives the box on the screen: the panel picture stretched by its 16-pixel
// margins, the icon centred above, and the text line in the skin's colour "text.cl_txt_hot"
// (F2F4F7 in the demo skin).
#include "box_geometry.h"
#include "box_session.h"

#include <gtest/gtest.h>

using namespace boxtest;

namespace {

int channel(uint32_t rgb, int shift) {
    return int((rgb >> shift) & 255);
}

} // namespace

void boxtest::ExpectSkinPictures(const Shot& shot, const RECT& box, int scale) {
    // The window manager here shows the layer's premultiplied pixels as they are (there is
    // no compositor), so transparent pixels read black and translucent ones darker.
    for (POINT p : {POINT{box.left, box.top}, POINT{box.right - 1, box.top}, POINT{box.left, box.bottom - 1},
                    POINT{box.right - 1, box.bottom - 1}})
        EXPECT_EQ(shot.At(p.x, p.y), 0u)
            << "the panel's rounded corner at " << p.x - box.left << "," << p.y - box.top;
    // The panel picture's middle, (28,32,38) at opacity 230, stretched over the box.
    for (POINT p : {POINT{30, 120}, POINT{280, 150}, POINT{530, 60}}) {
        const uint32_t px = shot.At(box.left + p.x * scale, box.top + p.y * scale);
        EXPECT_NEAR(channel(px, 16), 25, 3) << p.x << "," << p.y;
        EXPECT_NEAR(channel(px, 8), 29, 3) << p.x << "," << p.y;
        EXPECT_NEAR(channel(px, 0), 34, 3) << p.x << "," << p.y;
    }
    // The icon's opaque middle.
    const POINT icon = IconCentre(box, scale);
    const uint32_t px = shot.At(icon.x, icon.y);
    EXPECT_NEAR(channel(px, 16), 53, 4);
    EXPECT_NEAR(channel(px, 8), 152, 4);
    EXPECT_NEAR(channel(px, 0), 216, 4);
}

void boxtest::ExpectSkinTextColour(const Shot& shot, const RECT& ink) {
    // Fully covered pixels of the glyphs show the colour itself; none is tinted otherwise.
    uint32_t brightest = 0;
    int tinted = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const uint32_t p = shot.At(x, y);
            const int r = channel(p, 16), g = channel(p, 8), b = channel(p, 0);
            if (r > g + 12 || g > b + 12) ++tinted;
            if (r + g + b > channel(brightest, 16) + channel(brightest, 8) + channel(brightest, 0))
                brightest = p;
        }
    EXPECT_EQ(tinted, 0) << "pixels of another hue in " << Describe(ink);
    EXPECT_NEAR(channel(brightest, 16), 0xF2, 10);
    EXPECT_NEAR(channel(brightest, 8), 0xF4, 10);
    EXPECT_NEAR(channel(brightest, 0), 0xF7, 10);
}

TEST(BoxSkin, TheTextLineHasTheSkinsColour) {
    ConfiguredLanguage english(L"");
    RECT box{};
    const Shot empty = ShowAndCapture(L"VLR", &box);
    const Shot shot = ShowAndCapture(L"VLR Init");
    ASSERT_FALSE(empty.pixels.empty() || shot.pixels.empty());
    const RECT ink = DifferenceBounds(empty, shot, LabelArea(box, 1));
    ASSERT_FALSE(IsRectEmpty(&ink));
    ExpectSkinTextColour(shot, ink);
}

TEST(BoxSkin, PanelAndIconComeFromTheSkin) {
    RECT box{};
    const Shot shot = ShowAndCapture(L"VLR", &box);
    ASSERT_FALSE(shot.pixels.empty());
    ExpectSkinPictures(shot, box, 1);
}
