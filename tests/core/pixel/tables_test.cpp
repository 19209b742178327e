#include "core/pixel/tables.h"

#include <gtest/gtest.h>

using namespace vell::pixel;

TEST(PixelTables, KnownEntries) {
    struct Case {
        int x, y, preMul, unPreMul, screen, mul;
    };
    const Case cases[] = {
        {0, 200, 0, 0, 200, 0},         {128, 200, 100, 255, 228, 100}, {128, 100, 50, 199, 178, 50},
        {255, 255, 255, 255, 255, 255}, {255, 0, 0, 0, 255, 0},         {1, 1, 0, 255, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "x=" << c.x << " y=" << c.y);
        EXPECT_EQ(preMul(c.x, c.y), c.preMul);
        EXPECT_EQ(unPreMul(c.x, c.y), c.unPreMul);
        EXPECT_EQ(screen(c.x, c.y), c.screen);
        EXPECT_EQ(mul(c.x, c.y), c.mul);
    }
}

TEST(PixelTables, PremultiplyRoundTripKeepsOpaqueAndNearlyKeepsHalf) {
    // Alpha 128, colour 200: premultiplied 100, back to 199.
    EXPECT_EQ(unPreMul(128, preMul(128, 200)), 199);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(unPreMul(255, preMul(255, c)), c);
}
