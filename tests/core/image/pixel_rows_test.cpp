#include "core/image/blank_cache.h"
#include "core/image/layout.h"
#include "core/image/pixel_rows.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vell::image;

TEST(ImageLayout, StoredDepthAndBitCount) {
    struct Case {
        int type, depth, stored, bits24, bits32;
    };
    const Case cases[] = {
        {0, 1, 1, 1, 1},
        {0, 2, 4, 4, 4},
        {0, 16, 16, 8, 8},
        {3, 8, 8, 8, 8},
        {4, 4, 4, 4, 4},
        {2, 8, 8, 24, 24},
        {2, 16, 16, 24, 24},
        {6, 8, 8, 24, 32},
        {6, 16, 16, 24, 32},
        {240, 1, 8, 32, 32},
        // Pairs that have no layout.
        {2, 4, 0, 0, 0},
        {3, 16, 0, 0, 0},
        {6, 4, 0, 0, 0},
        {1, 8, 0, 0, 0},
        {0, 3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " depth " << c.depth);
        EXPECT_EQ(storedBitDepth(c.type, c.depth), c.stored);
        if (c.stored == 0) continue;
        EXPECT_EQ(layoutBitCount(c.type, c.stored, false), c.bits24);
        EXPECT_EQ(layoutBitCount(c.type, c.stored, true), c.bits32);
    }
    EXPECT_EQ(dibStride(24, 10), 32u);
    EXPECT_EQ(dibStride(4, 3), 4u);
    EXPECT_EQ(dibStride(32, 7), 28u);
    EXPECT_EQ(colorTableSize(0, 16), 256);
    EXPECT_EQ(colorTableSize(3, 4), 16);
    EXPECT_EQ(colorTableSize(0, 2), 4);
    EXPECT_EQ(colorTableSize(2, 8), 0);
}

TEST(ImageLayout, GreyRampThroughGamma) {
    uint8_t gamma[256];
    for (int i = 0; i < 256; ++i)
        gamma[i] = static_cast<uint8_t>(i);
    uint8_t ramp[16 * 4];
    greyRamp(ramp, 4, gamma);
    const int expected[] = {0, 85, 170, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ramp[i * 4], expected[i]);
        EXPECT_EQ(ramp[i * 4 + 2], expected[i]);
        EXPECT_EQ(ramp[i * 4 + 3], 0);
    }
    gamma[85] = 7;
    greyRamp(ramp, 4, gamma);
    EXPECT_EQ(ramp[4], 7);
}

TEST(PixelRows, PremultiplyRoundTrip) {
    // Alpha 128 and colour 200 give 100 and back 199; alpha 0 gives 0 and stays 0.
    uint8_t px[] = {200, 200, 200, 128, 50, 60, 70, 0, 1, 2, 3, 255};
    premultiplyRow(px, 4, px + 3, 4, 3);
    EXPECT_EQ(px[0], 100);
    EXPECT_EQ(px[4], 0);
    EXPECT_EQ(px[8], 1);
    unpremultiplyRow(px, 4, px + 3, 4, 3, false);
    EXPECT_EQ(px[0], 199);
    EXPECT_EQ(px[4], 0);
    EXPECT_EQ(px[7], 0);
    EXPECT_EQ(px[10], 3);
}

TEST(PixelRows, UnpremultiplyInvertsTransparentPixels) {
    uint8_t bgr[] = {9, 8, 7, 100, 100, 100};
    uint8_t alpha[] = {0, 200};
    unpremultiplyRow(bgr, 3, alpha, 1, 2, true);
    EXPECT_EQ(alpha[0], 255);
    EXPECT_EQ(bgr[0], 9);
    EXPECT_EQ(bgr[2], 7);
    EXPECT_EQ(alpha[1], 200);
    EXPECT_EQ(bgr[3], 128);
}

TEST(PixelRows, WidenInPlaceAndNarrow) {
    std::vector<uint8_t> buf = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    const uint8_t alpha[] = {10, 20, 30};
    widenRow24To32(buf.data(), buf.data(), alpha, 3);
    EXPECT_EQ(buf, (std::vector<uint8_t>{1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30}));
    uint8_t a[3] = {};
    narrowRow32To24(buf.data(), buf.data(), a, 3);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 9),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(a[2], 30);
    widenRow24To32(buf.data(), buf.data(), nullptr, 1);
    EXPECT_EQ(buf[3], 255);
}

TEST(PixelRows, FillRowLayouts) {
    uint8_t row[8] = {};
    fillRow(row, 32, 2, 0x80112233u);
    EXPECT_EQ(row[0], 0x33);
    EXPECT_EQ(row[3], 0x80);
    EXPECT_EQ(row[7], 0x80);
    uint8_t row24[7] = {};
    fillRow(row24, 24, 2, 0xFF010203u);
    EXPECT_EQ(row24[0], 3);
    EXPECT_EQ(row24[5], 1);
    EXPECT_EQ(row24[6], 0);
    fillRow(row, 8, 3, 0x1234);
    EXPECT_EQ(row[2], 0x34);
    fillRow(row, 4, 3, 0); // packed layouts are not filled
    EXPECT_EQ(row[0], 0x34);
}

TEST(PixelRows, ResizeSpans) {
    struct Case {
        int oldW, oldH, newW, newH, offX, offY;
        CopySpan span;
    };
    const Case cases[] = {
        {10, 10, 10, 10, 5, 0, {5, 0, 0, 0, 5, 10}},    {10, 10, 20, 20, 0, 0, {0, 0, 0, 0, 10, 10}},
        {10, 10, 20, 20, -5, -3, {0, 0, 5, 3, 10, 10}}, {10, 10, 4, 4, 3, 3, {3, 3, 0, 0, 4, 4}},
        {10, 10, 5, 5, 20, 0, {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const CopySpan s = resizeSpan(c.oldW, c.oldH, c.newW, c.newH, c.offX, c.offY);
        SCOPED_TRACE(testing::Message() << c.offX << "," << c.offY);
        if (c.span.empty()) {
            EXPECT_TRUE(s.empty());
            continue;
        }
        EXPECT_EQ(s.srcX, c.span.srcX);
        EXPECT_EQ(s.srcY, c.span.srcY);
        EXPECT_EQ(s.dstX, c.span.dstX);
        EXPECT_EQ(s.dstY, c.span.dstY);
        EXPECT_EQ(s.width, c.span.width);
        EXPECT_EQ(s.height, c.span.height);
    }
}

TEST(BlankCacheRules, SlackAndVictim) {
    EXPECT_EQ(cacheAllocSize(40), 140);
    EXPECT_EQ(cacheAllocSize(300), 400);
    EXPECT_EQ(cacheAllocSize(600), 800);
    // All free: the smallest area goes.
    CacheSlotState s[kBlankCacheSlots] = {{100}, {50}, {70}, {20}, {90}, {30}, {40}, {60}};
    EXPECT_EQ(chooseCacheVictim(s), 3);
    // The smallest is in use: the smallest free one goes.
    s[3].inUse = true;
    EXPECT_EQ(chooseCacheVictim(s), 5);
    // Slot 0 in use: a free slot goes even when it is larger.
    CacheSlotState t[kBlankCacheSlots] = {{10, true}, {50}, {70}, {5, true}, {90}, {30}, {40}, {60}};
    EXPECT_EQ(chooseCacheVictim(t), 5);
    // All in use: the smallest in-use slot below slot 0's area, else slot 0.
    for (auto& slot : t)
        slot.inUse = true;
    EXPECT_EQ(chooseCacheVictim(t), 3);
    t[3].area = 500;
    EXPECT_EQ(chooseCacheVictim(t), 0);
}
