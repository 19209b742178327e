#include "core/draw/rotate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vell::draw;

namespace {

struct Block {
    int w, h;
    std::vector<uint8_t> px;
    Block(int w_, int h_) : w(w_), h(h_), px(std::size_t(w_) * h_ * 4, 0) {}
    PixelView view() { return PixelView{px.data(), w * 4, w, h}; }
    uint8_t* at(int x, int y) { return &px[(std::size_t(y) * w + x) * 4]; }
};

// An opaque picture of one straight colour, premultiplied (opaque: the same bytes).
Block solid(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
    Block s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = s.at(x, y);
            p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
        }
    return s;
}

} // namespace

TEST(RotatePremultiplied, QuarterTurnsMatchTheExactTurnAndZeroIsACopy) {
    Block src(7, 7);
    for (int i = 0; i < 7 * 7 * 4; i += 4) {
        const uint8_t a = uint8_t(i * 5 % 256);
        src.px[i + 3] = a;
        src.px[i + 0] = uint8_t(a / 2), src.px[i + 1] = uint8_t(a / 3), src.px[i + 2] = a;
    }
    Block same(7, 7);
    rotatePremultiplied(same.view(), src.view(), 0);
    EXPECT_EQ(same.px, src.px);
    Block turned(7, 7), exact(7, 7);
    rotatePremultiplied(turned.view(), src.view(), 90);
    rotatePixels(exact.view(), src.view(), pta90);
    EXPECT_EQ(turned.px, exact.px);
    rotatePremultiplied(turned.view(), src.view(), 360 + 90);
    EXPECT_EQ(turned.px, exact.px);
}

// At every angle the edges fade to transparency without a fringe: each pixel stays
// premultiplied (colour <= alpha) and un-premultiplies to the picture's own colour,
// and the picture keeps its area.
TEST(RotatePremultiplied, EdgesKeepTheColourAndTheArea) {
    const Block src = solid(20, 12, 40, 160, 230);
    for (double angle : {5.0, 30.0, 45.0, 137.5, 355.0}) {
        Block s = src;
        const int side = rotationFrameSide(20, 12);
        EXPECT_EQ(side, 24);
        Block dst(side, side);
        dst.px.assign(dst.px.size(), 0xEE); // overwritten, not blended
        rotatePremultiplied(dst.view(), s.view(), angle);
        long alphaSum = 0;
        int partial = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const uint8_t* p = dst.at(x, y);
                alphaSum += p[3];
                ASSERT_LE(p[0], p[3]) << angle;
                ASSERT_LE(p[1], p[3]) << angle;
                ASSERT_LE(p[2], p[3]) << angle;
                if (p[3] == 0) {
                    EXPECT_EQ(p[0] | p[1] | p[2], 0);
                    continue;
                }
                if (p[3] < 255) ++partial;
                if (p[3] < 16) continue; // too faint to carry a colour in 8 bits
                const int tol = 255 / p[3] + 1;
                EXPECT_NEAR(p[0] * 255 / p[3], 40, tol) << angle << " at " << x << "," << y;
                EXPECT_NEAR(p[1] * 255 / p[3], 160, tol) << angle;
                EXPECT_NEAR(p[2] * 255 / p[3], 230, tol) << angle;
            }
        EXPECT_GT(partial, 0) << angle; // the edges are antialiased
        EXPECT_NEAR(double(alphaSum), 255.0 * 20 * 12, 255.0 * 20 * 12 * 0.02) << angle;
    }
}

TEST(RotatePremultiplied, EmptyBlocksAreSafe) {
    Block dst(4, 4);
    dst.px.assign(dst.px.size(), 9);
    rotatePremultiplied(dst.view(), PixelView{}, 30); // no source: transparent
    for (uint8_t b : dst.px)
        EXPECT_EQ(b, 0);
    Block src = solid(3, 3, 1, 2, 3);
    rotatePremultiplied(PixelView{}, src.view(), 30); // no destination: nothing
    EXPECT_EQ(rotationFrameSide(0, 5), 0);
    EXPECT_EQ(rotationFrameSide(-3, 5), 0);
}
