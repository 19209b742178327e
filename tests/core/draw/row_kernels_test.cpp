#include "core/draw/aligned_floats.h"
#include "core/draw/row_kernels.h"
#include "test_images.h"

#include <gtest/gtest.h>

using namespace vell::draw;
using namespace vell::draw::test;

// Every pair of source alpha and destination byte, at several opacities: the vector
// rows give the exact rows' bytes.
TEST(RowKernels, BlendRowsMatchExactOnEveryAlphaAndDestination) {
    std::mt19937 rng(11);
    const int n = 65536 + 3; // a tail the vector loop leaves to the exact row
    std::vector<uint8_t> src(4 * n), dst(4 * n);
    for (int k = 0; k < n; ++k) {
        const int a = (k >> 8) & 255, d = k & 255;
        for (int c = 0; c < 3; ++c) src[4 * k + c] = static_cast<uint8_t>(a ? rng() % (a + 1) : 0);
        src[4 * k + 3] = static_cast<uint8_t>(a);
        for (int c = 0; c < 4; ++c) dst[4 * k + c] = static_cast<uint8_t>(c == 3 ? d : rng() % (d + 1));
    }
    const RowKernels& fast = fastKernels();
    const RowKernels& exact = exactKernels();
    for (int alpha : {255, 254, 128, 1}) {
        SCOPED_TRACE(alpha);
        std::vector<uint8_t> a = dst, b = dst;
        fast.overPremul(a.data(), src.data(), n, static_cast<uint8_t>(alpha));
        exact.overPremul(b.data(), src.data(), n, static_cast<uint8_t>(alpha));
        EXPECT_TRUE(a == b) << "premultiplied";
        // Straight pixels may have any colour, so use the destination bytes as colour too.
        std::vector<uint8_t> straight = src;
        for (int k = 0; k < n; ++k)
            for (int c = 0; c < 3; ++c) straight[4 * k + c] = static_cast<uint8_t>(rng());
        a = dst, b = dst;
        fast.overStraight(a.data(), straight.data(), n, static_cast<uint8_t>(alpha));
        exact.overStraight(b.data(), straight.data(), n, static_cast<uint8_t>(alpha));
        EXPECT_TRUE(a == b) << "straight";
    }
    // Solid colours: every coverage value over every destination byte.
    std::vector<uint8_t> mask(n);
    for (int k = 0; k < n; ++k) mask[k] = static_cast<uint8_t>(k >> 8);
    for (uint32_t colour : {bgra(255, 255, 255, 255), bgra(0, 40, 80, 128), bgra(3, 2, 1, 3)}) {
        std::vector<uint8_t> a = dst, b = dst;
        fast.solidMask(a.data(), colour, mask.data(), n);
        exact.solidMask(b.data(), colour, mask.data(), n);
        EXPECT_TRUE(a == b) << std::hex << colour;
    }
}

TEST(RowKernels, BilinearAndGaussLinesMatchExact) {
    std::mt19937 rng(5);
    const int width = 61;
    std::vector<uint8_t> top(4 * width), bottom(4 * width);
    for (uint8_t& b : top) b = static_cast<uint8_t>(rng());
    for (uint8_t& b : bottom) b = static_cast<uint8_t>(rng());
    std::vector<BilinearTap> taps(width);
    for (BilinearTap& t : taps) {
        t.x0 = static_cast<int32_t>(rng() % width);
        t.x1 = static_cast<int32_t>(rng() % width);
        t.fx = static_cast<int32_t>(rng() % 32768);
    }
    taps[0].fx = 0; // weights of exactly 1 and 0
    for (int fy : {0, 1, 16384, 32767, 12345}) {
        std::vector<int16_t> va(4 * width), vb(4 * width);
        fastKernels().bilinearVertical(va.data(), top.data(), bottom.data(), width, fy);
        exactKernels().bilinearVertical(vb.data(), top.data(), bottom.data(), width, fy);
        EXPECT_TRUE(va == vb) << "vertical fy " << fy;
        std::vector<uint8_t> a(4 * width), b(4 * width);
        fastKernels().bilinearHorizontal(a.data(), va.data(), taps.data(), width);
        exactKernels().bilinearHorizontal(b.data(), va.data(), taps.data(), width);
        EXPECT_TRUE(a == b) << "horizontal fy " << fy;
    }
    // Weight 0 reproduces the pixel exactly in both passes.
    std::vector<int16_t> v(4 * width);
    exactKernels().bilinearVertical(v.data(), top.data(), bottom.data(), width, 0);
    std::vector<BilinearTap> same(width);
    for (int i = 0; i < width; ++i) same[i] = {i, (i + 1) % width, 0};
    std::vector<uint8_t> back(4 * width);
    fastKernels().bilinearHorizontal(back.data(), v.data(), same.data(), width);
    EXPECT_TRUE(back == top);

    // Gaussian passes over random pixels, with a tail the vector loop leaves over.
    alignas(16) const float weights[] = {0.05f, 0.05f, 0.05f, 0.05f, 0.2f, 0.2f, 0.2f, 0.2f, 0.5f, 0.5f, 0.5f, 0.5f};
    std::vector<uint8_t> in(4 * (width + 4) * 5);
    for (uint8_t& b : in) b = static_cast<uint8_t>(rng());
    AlignedFloats floats(in.size()), floatsExact(in.size());
    fastKernels().toFloats(floats.data(), in.data(), static_cast<int>(in.size() / 4));
    exactKernels().toFloats(floatsExact.data(), in.data(), static_cast<int>(in.size() / 4));
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(floats[i], in[i]);
    const float* rows[5];
    for (int k = 0; k < 5; ++k) rows[k] = floats.data() + 4 * (width + 4) * k;
    std::vector<uint8_t> a(4 * width), b(4 * width);
    fastKernels().gaussColumns(a.data(), rows, 0, width, weights, 2);
    exactKernels().gaussColumns(b.data(), rows, 0, width, weights, 2);
    EXPECT_TRUE(a == b) << "columns";
    for (bool straight : {false, true}) {
        fastKernels().gaussRow(a.data(), floats.data(), 0, width, weights, 2, straight);
        exactKernels().gaussRow(b.data(), floats.data(), 0, width, weights, 2, straight);
        EXPECT_TRUE(a == b) << "row, straight " << straight;
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
