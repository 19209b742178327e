#include "core/draw/cpu.h"
#include "core/draw/pixel_data.h"
#include "core/draw/tick.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vell::draw;

namespace {

KernelErrorCode errorOf(void (*f)()) {
    try {
        f();
    } catch (const KernelError& e) {
        return e.code();
    }
    return static_cast<KernelErrorCode>(-1);
}

} // namespace

TEST(PixelData, InitFillsFormatAndStride) {
    uint8_t buffer[64];
    struct Case {
        int width, format, stride, bpp;
    };
    const Case cases[] = {{3, pfBits1, 4, 1},   {33, pfBits1, 8, 1},   {3, pfBits4, 4, 4},
                          {5, pfBits8, 8, 8},   {3, pfBits16a, 8, 16}, {3, pfBits24, 12, 24},
                          {3, pfBits32, 12, 32}};
    for (const Case& c : cases) {
        TPixelData d;
        InitPixelData(c.width, 2, 0, d, buffer, c.format);
        EXPECT_EQ(d.Stride, c.stride) << c.format;
        EXPECT_EQ(d.BitsPerPixel, c.bpp);
        EXPECT_EQ(d.Flags, c.format == pfBits32 ? pdStraightAlpha : 0);
    }
    TPixelData d;
    InitPixelData(3, 2, -40, d, buffer, pfBits32); // bottom-up rows keep their stride
    EXPECT_EQ(d.Stride, -40);
    EXPECT_EQ(errorOf([] {
                  TPixelData x;
                  InitPixelData(1, 1, 0, x, nullptr, 8);
              }),
              KernelErrorCode::FormatNotSupported);
    EXPECT_STREQ(kernelErrorMessage(KernelErrorCode::FormatNotSupported),
                 "The image pixel format not supported.");
}

TEST(PixelData, SubBlocks) {
    static uint8_t buffer[10 * 8 * 4];
    static TPixelData source;
    InitPixelData(10, 8, 0, source, buffer, pfBits32);
    struct Case {
        int x, y, w, h;
        int width, height, offset; // expected, or width -1 for InvalidRect
    };
    const Case cases[] = {
        {0, 0, 10, 8, 10, 8, 0},
        {2, 3, 4, 2, 4, 2, 3 * 40 + 8},
        {8, 0, 5, 8, 2, 8, 32},
        {-2, 0, 5, 8, 3, 8, 0},
        {10, 0, 1, 1, -1, 0, 0},
        {12, 0, 1, 1, -1, 0, 0},
        {0, 0, 0, 8, -1, 0, 0},
        {-5, 0, 5, 8, -1, 0, 0},
        {-9, 0, 5, 8, -1, 0, 0},
        {INT_MAX, 0, 1, 1, -1, 0, 0},
        {0, 0, INT_MAX, INT_MAX, 10, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        TPixelData sub;
        if (c.width < 0) {
            try {
                SubPixelData(source, c.x, c.y, sub, c.w, c.h);
                ADD_FAILURE() << "accepted";
            } catch (const KernelError& e) {
                EXPECT_STREQ(e.what(), "Invalid rectangular area.");
            }
            continue;
        }
        SubPixelData(source, c.x, c.y, sub, c.w, c.h);
        EXPECT_EQ(sub.Width, c.width);
        EXPECT_EQ(sub.Height, c.height);
        EXPECT_EQ(sub.Scan0 - buffer, c.offset);
        EXPECT_EQ(sub.Parent, &source);
        EXPECT_EQ(sub.Flags, pdStraightAlpha);
    }
    EXPECT_EQ(errorOf([] {
                  TPixelData empty, sub;
                  SubPixelData(empty, 0, 0, sub, 1, 1);
              }),
              KernelErrorCode::InvalidImageData);
    EXPECT_EQ(errorOf([] {
                  TPixelData bits, sub;
                  InitPixelData(8, 8, 0, bits, buffer, pfBits4);
                  SubPixelData(bits, 0, 0, sub, 1, 1);
              }),
              KernelErrorCode::FormatNotSupported);
}

TEST(PixelData, OwnedBlocksAreZeroed) {
    PixelBlock block(5, 3, pfBits32);
    EXPECT_EQ(block.data().Flags, pdOwnsMemory);
    EXPECT_EQ(block.data().Stride, 20);
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(block.data().Scan0[i], 0);
    EXPECT_EQ(errorOf([] { PixelBlock huge(INT_MAX, INT_MAX, pfBits32); }), KernelErrorCode::OutOfMemory);
}

TEST(Cpu, FeatureTestIsStable) {
#if defined(__SSE2__)
    EXPECT_TRUE(CpuHasSSE2()); // a build that assumes SSE2 only runs where it exists
#endif
    EXPECT_EQ(CpuHasSSE2(), CpuHasSSE2());
}

TEST(Tick, ExtendsAcrossWraps) {
    TickExtender t;
    EXPECT_EQ(t.extend(0xFFFFFF00u), 0xFFFFFF00ull);
    EXPECT_EQ(t.extend(0xFFFFFFF0u), 0xFFFFFFF0ull);
    EXPECT_EQ(t.extend(5), 0x100000005ull); // wrapped: never goes backwards
    EXPECT_EQ(t.extend(100), 0x100000064ull);
    EXPECT_EQ(t.extend(90), 0x10000005Aull); // a stale reading is no wrap
    EXPECT_EQ(t.extend(110), 0x10000006Eull);
    EXPECT_EQ(t.extend(0xFFFFFFFFu), 0x1FFFFFFFFull);
    EXPECT_EQ(t.extend(1), 0x200000001ull);
}
