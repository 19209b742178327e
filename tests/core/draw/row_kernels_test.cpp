#include "core/draw/aligned_floats.h"
#include "core/draw/row_kernels.h"
#include "core/pixel/tables.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vell::draw;
using namespace vell::draw::test;

// Every pair of source alpha and destination byte, at every opacity: the vector rows give
// the exact rows' bytes. Alphas come in runs of 256 pixels, so whole registers are
// transparent or opaque too; every fifth premultiplied pixel has colour bytes above its
// alpha, which the rows must saturate as the exact ones do.
TEST(RowKernels, BlendRowsMatchExactOnEveryAlphaAndDestination) {
    std::mt19937 rng(11);
    const int n = 65536 + 7; // a tail the vector loops leave to narrower code
    std::vector<uint8_t> src(4 * n), dst(4 * n);
    for (int k = 0; k < n; ++k) {
        const int a = (k >> 8) & 255, d = k & 255;
        for (int c = 0; c < 3; ++c)
            src[4 * k + c] = static_cast<uint8_t>(k % 5 == 0 ? rng() : a ? rng() % (a + 1) : 0);
        src[4 * k + 3] = static_cast<uint8_t>(a);
        for (int c = 0; c < 4; ++c)
            dst[4 * k + c] = static_cast<uint8_t>(c == 3 ? d : rng() % (d + 1));
    }
    // Straight pixels may have any colour.
    std::vector<uint8_t> straight = src;
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < 3; ++c)
            straight[4 * k + c] = static_cast<uint8_t>(rng());
    std::vector<uint8_t> mask(n);
    for (int k = 0; k < n; ++k)
        mask[k] = static_cast<uint8_t>(k >> 8);
    const RowKernels& exact = exactKernels();
    const std::vector<KernelTable> tables = vectorKernelTables();
    // Every opacity, each over every pair of source alpha and destination byte; odd
    // opacities from an unaligned start.
    for (int alpha = 1; alpha <= 255; ++alpha) {
        SCOPED_TRACE(alpha);
        const int offset = alpha & 1, count = n - offset;
        std::vector<uint8_t> premul = dst, straightOut = dst;
        exact.overPremul(premul.data() + 4 * offset, src.data() + 4 * offset, count,
                         static_cast<uint8_t>(alpha));
        exact.overStraight(straightOut.data() + 4 * offset, straight.data() + 4 * offset, count,
                           static_cast<uint8_t>(alpha));
        for (const KernelTable& table : tables) {
            SCOPED_TRACE(table.name);
            std::vector<uint8_t> a = dst;
            table.kernels->overPremul(a.data() + 4 * offset, src.data() + 4 * offset, count,
                                      static_cast<uint8_t>(alpha));
            ASSERT_TRUE(a == premul) << "premultiplied";
            a = dst;
            table.kernels->overStraight(a.data() + 4 * offset, straight.data() + 4 * offset, count,
                                        static_cast<uint8_t>(alpha));
            ASSERT_TRUE(a == straightOut) << "straight";
        }
    }
    // Solid colours: every coverage value over every destination byte; the last two have
    // colour bytes above their alpha.
    for (uint32_t colour :
         {bgra(255, 255, 255, 255), bgra(0, 40, 80, 128), bgra(3, 2, 1, 3), bgra(9, 8, 7, 255),
          bgra(1, 1, 1, 0), bgra(200, 10, 10, 100), bgra(0, 0, 90, 2)}) {
        for (int offset : {0, 3}) {
            std::vector<uint8_t> b = dst;
            exact.solidMask(b.data() + 4 * offset, colour, mask.data() + offset, n - offset);
            for (const KernelTable& table : tables) {
                std::vector<uint8_t> a = dst;
                table.kernels->solidMask(a.data() + 4 * offset, colour, mask.data() + offset, n - offset);
                EXPECT_TRUE(a == b) << table.name << " " << std::hex << colour;
            }
        }
    }
}

// The vector rows divide byte products by 255 as ((x*y + 128) * 257) >> 16; that is the
// tables' rounding for every pair of bytes.
TEST(RowKernels, RoundedDivisionBy255MatchesTheTables) {
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) {
            const int viaShift = ((x * y + 128) * 257) >> 16;
            ASSERT_EQ(viaShift, vell::pixel::preMul(static_cast<uint8_t>(x), static_cast<uint8_t>(y)))
                << x << " " << y;
        }
}

TEST(RowKernels, BilinearAndGaussLinesMatchExact) {
    std::mt19937 rng(5);
    const int width = 61;
    std::vector<uint8_t> top(4 * width), bottom(4 * width);
    for (uint8_t& b : top)
        b = static_cast<uint8_t>(rng());
    for (uint8_t& b : bottom)
        b = static_cast<uint8_t>(rng());
    // The extremes next to each other: 0 beside 255 in both directions.
    for (int c = 0; c < 8; ++c) {
        top[c] = c < 4 ? 255 : 0;
        bottom[c] = c < 4 ? 0 : 255;
    }
    // Random columns and weights, and neighbouring columns as a scaled row has them, with
    // runs of equal columns and the weights 0, 1 and 32767.
    const int n = 2 * width + 3;
    std::vector<int32_t> randomCols(n), orderedCols(n);
    std::vector<int16_t> randomWeights(n), orderedWeights(n);
    for (int i = 0; i < n; ++i) {
        randomCols[i] = static_cast<int32_t>(rng() % (width - 1));
        randomWeights[i] = static_cast<int16_t>(i % 7 == 0   ? 0
                                                : i % 7 == 1 ? 32767
                                                : i % 7 == 2 ? 1
                                                             : rng() % 32768);
        orderedCols[i] = i * (width - 1) / n;
        orderedWeights[i] = static_cast<int16_t>(rng() % 32768);
    }
    alignas(16)
        const float weights[] = {0.05f, 0.05f, 0.05f, 0.05f, 0.2f, 0.2f, 0.2f, 0.2f, 0.5f, 0.5f, 0.5f, 0.5f};
    std::vector<uint8_t> in(4 * (width + 4) * 5);
    for (uint8_t& b : in)
        b = static_cast<uint8_t>(rng());
    for (size_t i = 3; i < in.size(); i += 4 * 7)
        in[i] = 0; // alpha 0 now and then

    for (const KernelTable& table : vectorKernelTables()) {
        SCOPED_TRACE(table.name);
        const RowKernels& fast = *table.kernels;
        const RowKernels& exact = exactKernels();
        for (int fy : {0, 1, 16384, 32767, 12345}) {
            std::vector<int16_t> va(4 * width), vb(4 * width);
            fast.bilinearVertical(va.data(), top.data(), bottom.data(), width, fy);
            exact.bilinearVertical(vb.data(), top.data(), bottom.data(), width, fy);
            EXPECT_TRUE(va == vb) << "vertical fy " << fy;
            for (bool ordered : {false, true}) {
                const int32_t* cols = ordered ? orderedCols.data() : randomCols.data();
                const int16_t* w = ordered ? orderedWeights.data() : randomWeights.data();
                std::vector<uint8_t> a(4 * n), b(4 * n);
                fast.bilinearHorizontal(a.data(), va.data(), cols, w, n);
                exact.bilinearHorizontal(b.data(), va.data(), cols, w, n);
                EXPECT_TRUE(a == b) << "horizontal fy " << fy << " ordered " << ordered;
            }
        }
        // Weight 0 reproduces the pixel exactly in both passes.
        std::vector<int16_t> v(4 * width);
        exact.bilinearVertical(v.data(), top.data(), bottom.data(), width, 0);
        std::vector<int32_t> same(width - 1);
        for (int i = 0; i < width - 1; ++i)
            same[i] = i;
        const std::vector<int16_t> none(width - 1, 0);
        std::vector<uint8_t> back(4 * (width - 1));
        fast.bilinearHorizontal(back.data(), v.data(), same.data(), none.data(), width - 1);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), top.begin()));

        // Gaussian passes over random pixels, with a tail the vector loops leave over.
        const size_t pixels = in.size() / 4;
        for (bool premultiply : {false, true}) {
            AlignedFloats floats(in.size()), floatsExact(in.size());
            fast.toFloats(floats.data(), in.data(), static_cast<int>(pixels), premultiply);
            exact.toFloats(floatsExact.data(), in.data(), static_cast<int>(pixels), premultiply);
            for (size_t i = 0; i < in.size(); ++i)
                ASSERT_EQ(floats[i], floatsExact[i]) << i;
            if (!premultiply) {
                for (size_t i = 0; i < in.size(); ++i)
                    ASSERT_EQ(floats[i], in[i]);
            }
        }
        AlignedFloats floats(in.size());
        exact.toFloats(floats.data(), in.data(), static_cast<int>(pixels), false);
        const float* rows[5];
        for (int k = 0; k < 5; ++k)
            rows[k] = floats.data() + 4 * (width + 4) * k;
        for (int first : {0, 1}) {
            // Radius 2 over five rows: one line; radius 1 over the same rows: three lines.
            for (int radius : {2, 1}) {
                const int lines = 5 - 2 * radius;
                const float* w = weights + 4 * (2 - radius);
                AlignedFloats a(4 * width * lines), b(4 * width * lines);
                fast.gaussColumns(a.data(), 4 * width, lines, rows, first, width, w, radius);
                exact.gaussColumns(b.data(), 4 * width, lines, rows, first, width, w, radius);
                for (int i = 0; i < 4 * width * lines; ++i)
                    ASSERT_EQ(a[i], b[i]) << "columns from " << first << ", radius " << radius << " at " << i;
            }
            for (bool straight : {false, true}) {
                std::vector<uint8_t> ra(4 * width), rb(4 * width);
                fast.gaussRow(ra.data(), floats.data(), first, width, weights, 2, straight);
                exact.gaussRow(rb.data(), floats.data(), first, width, weights, 2, straight);
                EXPECT_TRUE(ra == rb) << "row from " << first << ", straight " << straight;
            }
        }
    }
}

TEST(RowKernels, GreyscaleAndAlphaMaskRows) {
    uint8_t row[8] = {0, 0, 255, 7, 255, 255, 255, 9};
    grayscaleRow(row, 2, 4);
    const uint8_t expected[8] = {76, 76, 76, 7, 255, 255, 255, 9};
    EXPECT_EQ(0, memcmp(row, expected, 8));
    uint8_t rgb[3] = {0, 255, 0};
    grayscaleRow(rgb, 1, 3);
    EXPECT_EQ(rgb[0], 150); // 255 * 151 >> 8
}

TEST(RowKernels, FastTableFollowsTheSwitch) {
    setFastPathsEnabled(false);
    EXPECT_EQ(&activeKernels(), &exactKernels());
    setFastPathsEnabled(true);
    EXPECT_EQ(&activeKernels(), &fastKernels());
}
