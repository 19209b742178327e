// Where a skinned hint goes: the quadrant chooses the side, the work area flips, shifts and
// clamps it; and the fade's steps.
#include "core/hint/placement.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vell::hint;

namespace {

// A 1000 x 800 work area whose form is the whole screen; a 40 x 20 control; a 100 x 50
// hint; 16 x 8 arrows up and down, 8 x 16 left and right.
PlacementInput at(int x, int y) {
    PlacementInput in;
    in.Control = {x, y, x + 40, y + 20};
    in.WorkArea = {0, 0, 1000, 800};
    in.ReferenceX = 500;
    in.ReferenceY = 400;
    in.BodyWidth = 100;
    in.BodyHeight = 50;
    in.Arrows = {16, 8, 16, 8, 8, 16, 8, 16};
    return in;
}

const char* name(Side s) {
    switch (s) {
    case Side::Below:
        return "below";
    case Side::Above:
        return "above";
    case Side::Right:
        return "right";
    default:
        return "left";
    }
}

} // namespace

TEST(HintPlacement, QuarterChoosesTheSide) {
    const struct {
        int x, y;
        bool horizontal, autoUp, autoDown;
        int quadrant;
        Side side;
        Box body;
        Box arrow;
    } cases[] = {
        // Centred (the default): the body centred on the control, the arrow on the body.
        {100, 100, false, false, false, 1, Side::Below, {70, 128, 170, 178}, {42, 0, 58, 8}},
        {800, 100, false, false, false, 2, Side::Below, {770, 128, 870, 178}, {42, 0, 58, 8}},
        {100, 600, false, false, false, 3, Side::Above, {70, 542, 170, 592}, {42, 42, 58, 50}},
        {800, 600, false, false, false, 4, Side::Above, {770, 542, 870, 592}, {42, 42, 58, 50}},
        {480, 390, false, false, false, 4, Side::Above, {450, 332, 550, 382}, {42, 42, 58, 50}}, // on the
                                                                                                 // centre
        {100, 100, false, true, false, 1, Side::Above, {70, 42, 170, 92}, {42, 42, 58, 50}},
        {100, 600, false, false, true, 3, Side::Below, {70, 628, 170, 678}, {42, 0, 58, 8}},
        {100, 100, true, false, false, 1, Side::Right, {148, 85, 248, 135}, {0, 17, 8, 33}},
        {800, 100, true, false, false, 2, Side::Left, {692, 85, 792, 135}, {92, 17, 100, 33}},
        // ArrowAutoUp asks for the left, which leaves the screen: flipped back to the right.
        {100, 600, true, true, false, 3, Side::Right, {148, 585, 248, 635}, {0, 17, 8, 33}},
    };
    for (const auto& c : cases) {
        PlacementInput in = at(c.x, c.y);
        in.HorizontalArrows = c.horizontal;
        in.ArrowAutoUp = c.autoUp;
        in.ArrowAutoDown = c.autoDown;
        const Placement p = Place(in);
        const std::string what = std::to_string(c.x) + "," + std::to_string(c.y);
        EXPECT_EQ(p.Quadrant, c.quadrant) << what;
        EXPECT_STREQ(name(p.Where), name(c.side)) << what;
        EXPECT_EQ(p.Body, c.body) << what;
        EXPECT_TRUE(p.ArrowShown) << what;
        EXPECT_EQ(p.Arrow, c.arrow) << what;
    }
}

TEST(HintPlacement, AtTheNearCorner) {
    PlacementInput in = at(100, 100);
    in.Centred = false;
    Placement p = Place(in); // quadrant 1: left edges aligned, the arrow over the control's middle
    EXPECT_EQ(p.Body, (Box{100, 128, 200, 178}));
    EXPECT_EQ(p.Arrow, (Box{11, 0, 27, 8}));
    in = at(800, 100);
    in.Centred = false;
    p = Place(in); // quadrant 2: right edges aligned
    EXPECT_EQ(p.Body, (Box{740, 128, 840, 178}));
    EXPECT_EQ(p.Arrow, (Box{73, 0, 89, 8}));
    in = at(100, 100);
    in.Centred = false;
    in.Control.Right = in.Control.Left + 20; // narrower than one and a half arrows: centred
    p = Place(in);
    EXPECT_EQ(p.Body.Left, 100 - 40);
}

TEST(HintPlacement, WorkAreaFlipsShiftsAndClamps) {
    // Leaving the bottom (quadrant 1 asks for below, the work area ends at 150): flips above.
    PlacementInput in = at(100, 100);
    in.WorkArea.Bottom = 150;
    in.ReferenceY = 400;
    Placement p = Place(in);
    EXPECT_EQ(p.Where, Side::Above);
    EXPECT_EQ(p.Body.Bottom, 100 - 8);
    EXPECT_TRUE(p.ArrowShown);

    // Leaving the right edge: shifted left, the arrow still over the control.
    in = at(950, 100);
    in.Control.Right = 990;
    p = Place(in);
    EXPECT_EQ(p.Body.Right, 1000);
    ASSERT_TRUE(p.ArrowShown);
    const int arrowMiddle = p.Body.Left + (p.Arrow.Left + p.Arrow.Right) / 2;
    EXPECT_EQ(arrowMiddle, 970);

    // A control at the very edge: the arrow would leave the body, so it is dropped.
    in = at(995, 100);
    in.Control.Right = 1000;
    in.Centred = false;
    p = Place(in);
    EXPECT_EQ(p.Body.Right, 1000);

    // A hint taller than the room on both sides stays on its side, clamped, without arrow.
    in = at(100, 10);
    in.WorkArea.Bottom = 60;
    p = Place(in);
    EXPECT_GE(p.Body.Top, 0);
    EXPECT_LE(p.Body.Bottom, 60);
    EXPECT_FALSE(p.ArrowShown);

    // Each edge of the work area: the hint always ends inside it.
    for (int x : {0, 480, 960})
        for (int y : {0, 390, 780})
            for (bool horizontal : {false, true}) {
                PlacementInput e = at(x, y);
                e.HorizontalArrows = horizontal;
                const Placement q = Place(e);
                EXPECT_GE(q.Body.Left, 0) << x << "," << y;
                EXPECT_GE(q.Body.Top, 0) << x << "," << y;
                EXPECT_LE(q.Body.Right, 1000) << x << "," << y;
                EXPECT_LE(q.Body.Bottom, 800) << x << "," << y;
            }

    // Without an arrow picture for the side there is no arrow, and no room is kept for one.
    in = at(100, 100);
    in.Arrows = {};
    p = Place(in);
    EXPECT_FALSE(p.ArrowShown);
    EXPECT_EQ(p.Body.Top, 120);
}

TEST(HintFade, StepsAndTiming) {
    // The defaults: 10 steps, target 255: eleven values of 25 apart, the last capped.
    const int step = FadeStep(255, 10);
    EXPECT_EQ(step, 25);
    std::vector<int> shown{0};
    while (shown.back() < 255)
        shown.push_back(FadeInNext(shown.back(), 255, step));
    EXPECT_EQ(shown, (std::vector<int>{0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255}));
    EXPECT_EQ(shown.size() - 1, 11u);
    EXPECT_EQ(FadeStep(5, 10), 1); // at least one
    EXPECT_EQ(FadeStep(255, 0), 255);
    std::vector<int> out{255};
    while (out.back() > 0)
        out.push_back(FadeOutNext(out.back(), step));
    EXPECT_EQ(out.size(), 12u);
    EXPECT_EQ(out[10], 5);
    EXPECT_EQ(out[11], 0);
}

TEST(HintPlacement, ShadowFrameTipAndArrowOffsets) {
    // A 10-pixel shadow layer around the body: the body keeps its place, the arrow lies in
    // the layer's coordinates; tip offsets move the body, the edge's arrow offset the arrow.
    const struct {
        int x, y;
        bool horizontal;
        int tip;         // TipDownOffY, TipUpOffY, TipRightOffX or TipLeftOffX for the side
        int arrowOffset; // ArrowOffsetUpY, DownY, LeftX or RightX for the side
        int quadrant;    // forced (0: from the reference)
        Side side;
        Box body;
        Box arrow;
    } cases[] = {
        {100, 100, false, 0, 0, 0, Side::Below, {70, 128, 170, 178}, {52, 0, 68, 8}},
        {100, 100, false, 3, 2, 0, Side::Below, {70, 131, 170, 181}, {52, 2, 68, 10}},
        {100, 600, false, -3, -2, 0, Side::Above, {70, 539, 170, 589}, {52, 60, 68, 68}},
        {100, 100, true, 4, 1, 0, Side::Right, {152, 85, 252, 135}, {1, 27, 9, 43}},
        {800, 100, true, -4, -1, 0, Side::Left, {688, 85, 788, 135}, {111, 27, 119, 43}},
        // The caller's quarter wins over the reference: quarter 3 puts it above.
        {100, 100, false, 0, 0, 3, Side::Above, {70, 42, 170, 92}, {52, 62, 68, 70}},
    };
    for (const auto& c : cases) {
        PlacementInput in = at(c.x, c.y);
        in.ShadowFrame = {10, 10, 10, 10};
        in.HorizontalArrows = c.horizontal;
        in.TipDownOffY = in.TipUpOffY = in.TipRightOffX = in.TipLeftOffX = c.tip;
        in.ArrowOffsetUpY = in.ArrowOffsetDownY = in.ArrowOffsetLeftX = in.ArrowOffsetRightX = c.arrowOffset;
        in.Quadrant = c.quadrant;
        const Placement p = Place(in);
        const std::string what =
            std::to_string(c.x) + "," + std::to_string(c.y) + " tip " + std::to_string(c.tip);
        EXPECT_STREQ(name(p.Where), name(c.side)) << what;
        EXPECT_EQ(p.Body, c.body) << what;
        EXPECT_EQ(p.Arrow, c.arrow) << what;
    }
}

TEST(HintPlacement, MonitorScaledBySystem) {
    const struct {
        int mw, mh, dw, dh;
        bool scaled;
    } cases[] = {
        {1920, 1080, 1920, 1080, false}, {1080, 1920, 1920, 1080, false}, // turned
        {1280, 720, 1920, 1080, true},   {1920, 1080, 3840, 2160, true},
        {1920, 1080, 0, 0, false}, // no display mode known
    };
    for (const auto& c : cases)
        EXPECT_EQ(MonitorScaled(c.mw, c.mh, c.dw, c.dh), c.scaled)
            << c.mw << "x" << c.mh << " " << c.dw << "x" << c.dh;
}
