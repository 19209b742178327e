#include "core/draw/smooth.h"
#include "core/draw/tint.h"
#include "core/draw/transform.h"
#include "test_images.h"

#include <gtest/gtest.h>

using namespace vell::draw;
using namespace vell::draw::test;

TEST(LumaColor, Cases) {
    struct Case {
        int y;
        Bgr colour, expected;
    };
    const Case cases[] = {
        {100, {0, 0, 255}, {34, 34, 255}},   // pure red
        {77, {50, 50, 50}, {77, 77, 77}},    // a grey gives the grey of y
        {0, {0, 0, 255}, {1, 0, 0}},         // dark end: the lowest channel (blue) is 1, not 0
        {255, {255, 0, 0}, {255, 255, 255}}, // bright blue saturates to white
    };
    for (const Case& c : cases) {
        const Bgr got = LumaColor(c.y, c.colour);
        EXPECT_EQ(got, c.expected) << "y " << c.y << " got " << int(got.b) << "," << int(got.g) << ","
                                   << int(got.r);
    }
    // The luminance is kept within rounding across the range, for any hue.
    for (Bgr colour : {Bgr{0, 0, 255}, Bgr{200, 100, 30}, Bgr{10, 240, 10}})
        for (int y = 20; y <= 235; y += 15) {
            const Bgr c = LumaColor(y, colour);
            const double luma = 0.11 * c.b + 0.59 * c.g + 0.30 * c.r;
            EXPECT_NEAR(luma, y, 2.0)
                << int(colour.b) << "," << int(colour.g) << "," << int(colour.r) << " y " << y;
        }
}

TEST(TintPixels, MapsBlueThroughTheTable) {
    Image img(2, 1);
    img.set(0, 0, bgra(100, 100, 100, 128));
    img.set(1, 0, bgra(0, 0, 0, 0));
    Image premul = img;
    TintPixels(img.data(true), bgra(0, 0, 255, 255)); // straight: alpha kept
    EXPECT_EQ(img.get(0, 0), bgra(34, 34, 255, 128));
    EXPECT_EQ(img.get(1, 0), bgra(1, 0, 0, 0));
    TintPixels(premul.data(false), bgra(0, 0, 255, 255)); // not straight: the whole entry
    EXPECT_EQ(premul.get(0, 0), bgra(34, 34, 255, 255));

    Image grey(1, 1, bgra(100, 100, 100, 255));
    TintPixels(grey.data(true), bgra(0, 0, 255, 0)); // strength 0: the plain grey
    EXPECT_EQ(grey.get(0, 0), bgra(100, 100, 100, 255));
    Image half(1, 1, bgra(100, 100, 100, 255));
    TintPixels(half.data(true), bgra(0, 0, 255, 128)); // round((34-100)*128/255+100), round((255-100)*...)
    EXPECT_EQ(half.get(0, 0), bgra(67, 67, 178, 255));

    TPixelData bad;
    EXPECT_THROW(TintPixels(bad, 0), KernelError);
}

TEST(SmoothStep3x3, Cases) {
    // A uniform plane stays uniform; a single bright pixel spreads in reading order.
    std::vector<uint8_t> plane(5 * 4, 80);
    SmoothStep3x3(plane.data(), 5, 5, 4, 1, 1, 3);
    for (uint8_t v : plane)
        ASSERT_EQ(v, 80);

    // Weights 1/2,1,1/2 / 1,2,1 / 1/2,1,1/2, each half truncated, sum >> 3.
    uint8_t one[9] = {0, 0, 0, 0, 255, 0, 0, 0, 0};
    SmoothStep3x3(one, 3, 3, 3, 1, 1, 1);
    EXPECT_EQ(one[0], 127 >> 3);                         // BR/2 = 127
    EXPECT_EQ(one[1], (one[0] / 2 + one[0] + 255) >> 3); // TL and L are new values
    EXPECT_EQ(one[4], (one[0] / 2 + one[1] + one[2] / 2 + one[3] + 2 * 255) >> 3);

    // Only the first `channels` bytes change; neighbours are clamped at the edges.
    uint8_t px[2 * 3] = {90, 10, 77, 30, 50, 77};
    SmoothStep3x3(px, 6, 2, 1, 3, 2, 1);
    EXPECT_EQ(px[2], 77);
    EXPECT_EQ(px[5], 77);
    SmoothStep3x3(nullptr, 0, 5, 5, 4, 4, 1); // nothing to do
}

TEST(Transform, RotateAndFlip) {
    Image src(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            src.set(x, y, bgra(x, y, 0, 255));
    auto view = [](Image& i) { return PixelView{i.bytes.data(), i.stride, i.width, i.height}; };

    Image r90(2, 3), r180(3, 2), r270(2, 3);
    rotatePixels(view(r90), view(src), pta90);
    rotatePixels(view(r180), view(src), pta180);
    rotatePixels(view(r270), view(src), pta270);
    // Clockwise: the top-left corner goes to the top-right.
    EXPECT_EQ(r90.get(1, 0), src.get(0, 0));
    EXPECT_EQ(r90.get(0, 0), src.get(0, 1));
    EXPECT_EQ(r90.get(0, 2), src.get(2, 1));
    EXPECT_EQ(r180.get(0, 0), src.get(2, 1));
    EXPECT_EQ(r270.get(0, 0), src.get(2, 0));
    EXPECT_EQ(r270.get(1, 2), src.get(0, 1));

    Image wrong(3, 3, bgra(1, 1, 1, 1));
    rotatePixels(view(wrong), view(src), pta90); // mismatched size: untouched
    EXPECT_EQ(wrong.get(0, 0), bgra(1, 1, 1, 1));

    Image h = src, v = src;
    flipPixels(view(h), ptaHorzFlip);
    flipPixels(view(v), ptaVertFlip);
    EXPECT_EQ(h.get(0, 0), src.get(2, 0));
    EXPECT_EQ(h.get(1, 1), src.get(1, 1));
    EXPECT_EQ(v.get(2, 0), src.get(2, 1));
    flipPixels(view(h), ptaHorzFlip);
    EXPECT_TRUE(h == src);
}

TEST(Transform, CopiesClipAndOverlap) {
    auto view = [](Image& i) { return PixelView{i.bytes.data(), i.stride, i.width, i.height}; };
    Image src(4, 4), dst(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.set(x, y, bgra(x, y, 1, 255));
    copyRect(view(dst), -1, 2, view(src), 0, 0, 4, 4, 4); // clipped on the left and bottom
    EXPECT_EQ(dst.get(0, 2), src.get(1, 0));
    EXPECT_EQ(dst.get(2, 3), src.get(3, 1));
    EXPECT_EQ(dst.get(3, 3), 0u);
    EXPECT_EQ(dst.get(0, 1), 0u);

    Image same = src; // overlapping move down by one row within one image
    copyRect(view(same), 0, 1, view(same), 0, 0, 4, 3, 4);
    for (int y = 1; y < 4; ++y)
        EXPECT_EQ(same.get(2, y), src.get(2, y - 1));

    copyRect(view(dst), 0, 0, view(src), 5, 5, INT_MAX, INT_MAX, 4); // nothing overlaps

    uint8_t rgb[6] = {1, 2, 3, 4, 5, 6}, plane[2] = {7, 8}, wide[8], back[6], alpha[2];
    widenRow24To32(wide, rgb, plane, 2);
    EXPECT_EQ(wide[3], 7);
    EXPECT_EQ(wide[6], 6);
    widenRow24To32(wide, rgb, nullptr, 2);
    EXPECT_EQ(wide[7], 255);
    splitRow32To24(back, alpha, wide, 2);
    EXPECT_EQ(0, memcmp(back, rgb, 6));
    EXPECT_EQ(alpha[1], 255);
}

TEST(Transform, AlphaMasks) {
    auto view = [](Image& i) { return PixelView{i.bytes.data(), i.stride, i.width, i.height}; };
    // A 50 % mask multiplied into an opaque image halves its alpha.
    Image img(3, 2, bgra(200, 200, 200, 255)), mask(3, 2, bgra(128, 128, 128, 128));
    applyAlphaMask(view(img), view(mask), true, true);
    EXPECT_EQ(img.get(2, 1), bgra(100, 100, 100, 128));
    Image straight(1, 1, bgra(200, 200, 200, 200));
    Image m(1, 1, bgra(0, 0, 0, 50));
    applyAlphaMask(view(straight), view(m), false, false);
    EXPECT_EQ(straight.get(0, 0), bgra(200, 200, 200, 50));

    Image clear(2, 1, bgra(9, 9, 9, 9));
    clearAlpha(view(clear), false);
    EXPECT_EQ(clear.get(1, 0), bgra(9, 9, 9, 0));
    clearAlpha(view(clear), true);
    EXPECT_EQ(clear.get(1, 0), 0u);
}
