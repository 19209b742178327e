#include "platform/color/system_colors.h"
#include "platform/image/draw_internal.h"
#include "platform/image/draw_shapes.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <gtest/gtest.h>

using namespace vell::image;
using namespace vell::image::test;

namespace {

// Counts pixels by alpha: none, partial, full.
struct Coverage {
    int none = 0, partial = 0, full = 0;
    explicit Coverage(Image32& img) {
        for (int y = 0; y < img.img.GetHeight(); ++y)
            for (int x = 0; x < img.img.GetWidth(); ++x) {
                const uint8_t a = img.alpha(x, y);
                (a == 0 ? none : a == 255 ? full : partial)++;
            }
    }
};

} // namespace

TEST(SmoothShapes, FilledEllipseHasSoftEdges) {
    Image32 img(30, 30, 0);
    FillEllipseSmooth(img.img, 0, 0, 30, 30, RGB(255, 0, 0), 0, vell::clDefault, false);
    EXPECT_EQ(img.get(15, 15), bgra(0, 0, 255, 255));
    EXPECT_EQ(img.get(0, 0), 0u);
    EXPECT_EQ(img.get(29, 29), 0u);
    const uint8_t edge = img.alpha(4, 4); // the boundary crosses this pixel at 45 degrees
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 255);
    const Coverage c(img);
    EXPECT_GT(c.partial, 20);
    EXPECT_NEAR(c.full + c.partial / 2, 707, 40); // pi * 15 * 15
    EXPECT_TRUE(img.premultipliedValid());
    EXPECT_EQ(img.img.AlphaMode, pamPremultiplied);
}

TEST(SmoothShapes, RoundRectFramesAndOpacity) {
    // A frame only, kept inside the rectangle: the middle stays transparent.
    Image32 frame(40, 20, 0);
    FillRoundRectSmooth(frame.img, 0, 0, 40, 20, 8, 8, vell::clNone, 2, RGB(0, 0, 255), true);
    EXPECT_EQ(frame.get(20, 10), 0u);
    EXPECT_EQ(frame.get(20, 0), bgra(255, 0, 0, 255));
    EXPECT_EQ(frame.get(20, 1), bgra(255, 0, 0, 255));
    EXPECT_EQ(frame.get(20, 2), 0u);
    EXPECT_EQ(frame.get(0, 0), 0u); // rounded corner

    // A fill carrying an opacity, under an opaque frame of another colour.
    Image32 glass(40, 20, 0);
    FillRoundRectSmooth(glass.img, 0, 0, 40, 20, 8, 8, 0x80FFFFFF, 1, RGB(0, 0, 0), true);
    EXPECT_EQ(glass.get(20, 10), bgra(128, 128, 128, 128));
    EXPECT_EQ(glass.get(20, 0), bgra(0, 0, 0, 255));
    EXPECT_TRUE(glass.premultipliedValid());

    // System colours are resolved to the platform's current colour.
    vell::InstallSystemColors();
    Image32 face(10, 10, 0);
    FillRoundRectSmooth(face.img, 0, 0, 10, 10, 2, 2, vell::clBtnFace, 0, vell::clDefault, false);
    const COLORREF sys = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(face.get(5, 5), bgra(GetBValue(sys), GetGValue(sys), GetRValue(sys), 255));

    // Reversed corners name the same rectangle.
    Image32 a(20, 20, 0), b(20, 20, 0);
    FillRoundRectSmooth(a.img, 2, 3, 17, 18, 6, 6, RGB(9, 99, 199), 0, vell::clDefault, false);
    FillRoundRectSmooth(b.img, 17, 18, 2, 3, 6, 6, RGB(9, 99, 199), 0, vell::clDefault, false);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(a.get(x, y), b.get(x, y)) << x << "," << y;
}

TEST(SmoothShapes, BadGeometryDrawsNothingOrOnlyTheVisiblePart) {
    const uint32_t paper = bgra(10, 20, 30, 255);
    struct Case {
        const char* name;
        int x1, y1, x2, y2, w1, h1;
    };
    const Case nothing[] = {
        {"empty", 5, 5, 5, 15, 4, 4},
        {"outside", 30, 0, 60, 20, 4, 4},
        {"far away", -2000000000, -2000000000, -1900000000, -1900000000, 4, 4},
        {"absurd", -2000000000, -2000000000, 2000000000, 2000000000, -5, -5},
    };
    for (const Case& c : nothing) {
        Image32 img(20, 20, paper);
        FillRoundRectSmooth(img.img, c.x1, c.y1, c.x2, c.y2, c.w1, c.h1, RGB(255, 255, 255), 0,
                            vell::clDefault, false);
        FillEllipseSmooth(img.img, c.x1, c.y1, c.x2, c.y2, RGB(255, 255, 255), 3, RGB(0, 0, 0), true);
        EXPECT_EQ(img.get(10, 10), paper) << c.name;
        EXPECT_EQ(img.get(0, 0), paper) << c.name;
    }
    // Half outside: the visible half is drawn as the same shape would be in a larger image.
    Image32 big(40, 20, 0), half(20, 20, 0);
    FillEllipseSmooth(big.img, 0, 0, 40, 20, RGB(0, 255, 0), 0, vell::clDefault, false);
    FillEllipseSmooth(half.img, -20, 0, 20, 20, RGB(0, 255, 0), 0, vell::clDefault, false);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(half.get(x, y), big.get(x + 20, y)) << x << "," << y;
    // Images without pixels, and layouts below 32 bits (which become 32-bit).
    TPngImage empty;
    FillEllipseSmooth(empty, 0, 0, 10, 10, RGB(1, 2, 3), 0, vell::clDefault, false);
    CutRoundRectSmooth(empty, 0, 0, 10, 10, 4, 4);
    EXPECT_TRUE(empty.GetEmpty());
    TPngImage grey;
    grey.MakeBlank(0, 8, 10, 10, false, false);
    FillEllipseSmooth(grey, 0, 0, 10, 10, RGB(255, 255, 255), 0, vell::clDefault, false);
    EXPECT_EQ(grey.Header()->BitCount(), 32u);
    EXPECT_EQ(grey.GetPixels(5, 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(SmoothCuts, RoundRectCornersAndOutside) {
    Image32 img(100, 50, bgra(50, 100, 150, 255));
    CutRoundRectSmooth(img.img, 0, 0, 100, 50, 10, 10);
    for (auto [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}})
        EXPECT_EQ(img.get(x, y), 0u) << x << "," << y;
    for (auto [x, y] : {std::pair{50, 25}, {0, 25}, {50, 0}, {99, 25}, {7, 7}})
        EXPECT_EQ(img.get(x, y), bgra(50, 100, 150, 255)) << x << "," << y;
    const uint8_t edge = img.alpha(1, 1);
    EXPECT_LT(edge, 255);
    EXPECT_TRUE(img.premultipliedValid());

    // A smaller rectangle: the outside is cleared, corners rounded at the rectangle's corners.
    Image32 inner(40, 40, bgra(255, 255, 255, 255));
    CutRoundRectSmooth(inner.img, 30, 35, 5, 10, 8, 8); // corners given in reverse
    EXPECT_EQ(inner.get(4, 20), 0u);
    EXPECT_EQ(inner.get(20, 35), 0u);
    EXPECT_EQ(inner.get(5, 10), 0u);
    EXPECT_EQ(inner.get(17, 22), bgra(255, 255, 255, 255));
    EXPECT_EQ(inner.get(5, 22), bgra(255, 255, 255, 255));

    // Corners larger than the rectangle, or negative, do not fail.
    Image32 odd(20, 20, bgra(255, 255, 255, 255));
    CutRoundRectSmooth(odd.img, 0, 0, 20, 20, 100000, -7);
    EXPECT_EQ(odd.get(10, 10), bgra(255, 255, 255, 255));
    CutRoundRectSmooth(odd.img, 0, 0, 20, 20, -100000, 2000000000);
    EXPECT_EQ(odd.get(10, 10), bgra(255, 255, 255, 255));
}

TEST(SmoothCuts, Ellipse) {
    Image32 img(30, 20, bgra(200, 200, 200, 255), pamPremultiplied);
    CutEllipseSmooth(img.img, 0, 0, 30, 20);
    EXPECT_EQ(img.get(15, 10), bgra(200, 200, 200, 255));
    EXPECT_EQ(img.get(0, 0), 0u);
    EXPECT_EQ(img.get(29, 19), 0u);
    EXPECT_TRUE(img.premultipliedValid());
    // Straight-alpha images keep their colours where the alpha changes.
    Image32 straight(30, 20, bgra(200, 200, 200, 255), pamDefined);
    CutEllipseSmooth(straight.img, 0, 0, 30, 20);
    const uint32_t edge = straight.get(3, 3);
    EXPECT_LT(edge >> 24, 255u);
    EXPECT_EQ(edge & 0xFFFFFF, straight.get(15, 10) & 0xFFFFFF);
}

TEST(SmoothCuts, RoundedMaskCacheKeepsThreeRecentMasks) {
    PngRef first = RoundedMask(30, 30, 10, 10, 0, 0, vell::clDefault, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(RoundedMask(30, 30, 10, 10, 0, 0, vell::clDefault, false).get(), first.get());
    EXPECT_NE(RoundedMask(30, 30, 12, 10, 0, 0, vell::clDefault, false).get(), first.get());
    RoundedMask(31, 30, 10, 10, 0, 0, vell::clDefault, false);
    RoundedMask(32, 30, 10, 10, 0, 0, vell::clDefault, false);
    // Four other masks since: the first one's slot went to another, but its user keeps it.
    PngRef again = RoundedMask(30, 30, 10, 10, 0, 0, vell::clDefault, false);
    EXPECT_NE(again.get(), first.get());
    EXPECT_EQ(first->GetWidth(), 30);
    EXPECT_EQ(first->AlphaMode, pamPremultiplied);
    EXPECT_FALSE(RoundedMask(0, 30, 10, 10, 0, 0, vell::clDefault, false));
}
