#include "core/draw/gauss.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vell::draw;
using namespace vell::draw::test;

TEST(GaussKernel, RadiusAndWeights) {
    struct Case {
        int radius;
        double sigma;
        int expectedRadius;
    };
    // sigma 1: r starts at 2; E / (2S + 1) * 255 is 14 at r = 2, 1 at r = 3 and 0 at
    // r = 4, so the radius is 3. Small sigmas are raised to 0.1 (radius rule gives 1).
    const Case cases[] = {{0, 1.0, 3}, {3, 0.05, 3}, {0, 0.05, 1}, {0, -1.0, 3}, {7, 2.0, 7}, {-5, 1.0, 3}};
    for (const Case& c : cases) {
        const GaussWeights k = GaussKernel(c.radius, c.sigma);
        EXPECT_EQ(k.radius(), c.expectedRadius) << c.radius << " " << c.sigma;
        double sum = k.at(0);
        for (int d = 1; d <= k.radius(); ++d) {
            sum += 2.0 * k.at(d);
            EXPECT_LE(k.at(d), k.at(d - 1));
            const float* slot = k.weights() + 4 * (k.radius() - d);
            EXPECT_TRUE(slot[0] == slot[1] && slot[1] == slot[2] && slot[2] == slot[3]);
        }
        EXPECT_NEAR(sum, 1.0, 1e-6);
    }
    // Sigma 0.05 is treated as 0.1: the weights equal those of sigma 0.1.
    EXPECT_EQ(GaussKernel(3, 0.05).at(1), GaussKernel(3, 0.1).at(1));
    // A huge sigma is held at 250 and still gives a finite radius.
    EXPECT_EQ(GaussKernel(0, 1e9).radius(), GaussKernel(0, 250).radius());
}

TEST(BlurPixels, UniformBlockStaysUniform) {
    for (bool straight : {false, true}) {
        Image img(13, 9, bgra(40, 80, 120, 200));
        EXPECT_TRUE(BlurPixels(img.data(straight), img.data(straight), 4, 2.0));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(img.get(x, y), bgra(40, 80, 120, 200)) << x << "," << y;
    }
}

TEST(BlurPixels, SpreadsAPointSymmetrically) {
    Image img(9, 9, 0);
    img.set(4, 4, bgra(255, 255, 255, 255));
    BlurPixels(img.data(), img.data(), 2, 1.0);
    EXPECT_LT(img.get(4, 4) >> 24, 255u);
    EXPECT_GT(img.get(3, 4) >> 24, 0u);
    EXPECT_EQ(img.get(3, 4), img.get(5, 4));
    EXPECT_EQ(img.get(4, 3), img.get(4, 5));
    EXPECT_EQ(img.get(0, 0), 0u); // beyond the radius
}

// The blur written out step by step over a padded scratch copy, as slow as it is plain:
// the row pipeline of BlurPixels must give its bytes.
Image referenceBlur(const Image& src, int radius, double sigma, bool straight) {
    const GaussWeights k = GaussKernel(radius, sigma);
    const int r = k.radius(), w = src.width, h = src.height, sw = w + 2 * r, sh = h + 2 * r;
    std::vector<uint8_t> s(static_cast<size_t>(sw) * sh * 4);
    auto at = [&](int x, int y) { return &s[(static_cast<size_t>(y) * sw + x) * 4]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = src.bytes.data() + y * src.stride + 4 * x;
            uint8_t* o = at(x + r, y + r);
            for (int c = 0; c < 3; ++c)
                o[c] = straight ? static_cast<uint8_t>(std::nearbyint(static_cast<float>(p[c]) *
                                                                      static_cast<float>(p[3]) / 255.0f))
                                : p[c];
            o[3] = p[3];
        }
    for (int y = r; y < r + h; ++y)
        for (int x = 0; x < r; ++x) {
            std::memcpy(at(x, y), at(r, y), 4);
            std::memcpy(at(r + w + x, y), at(r + w - 1, y), 4);
        }
    for (int y = 0; y < r; ++y) {
        std::memcpy(at(0, y), at(0, r), static_cast<size_t>(sw) * 4);
        std::memcpy(at(0, r + h + y), at(0, r + h - 1), static_cast<size_t>(sw) * 4);
    }
    auto toByte = [](float v) {
        return static_cast<uint8_t>(v <= 0.0f ? 0 : v >= 255.0f ? 255 : std::nearbyint(v));
    };
    for (int i = 0; i < h; ++i)
        for (int x = 0; x < sw; ++x)
            for (int c = 0; c < 4; ++c) {
                float sum = 0.0f;
                for (int d = r; d >= 1; --d)
                    sum += static_cast<float>(at(x, i + r - d)[c] + at(x, i + r + d)[c]) * k.at(d);
                sum += static_cast<float>(at(x, i + r)[c]) * k.at(0);
                at(x, i)[c] = toByte(sum);
            }
    Image out(w, h);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            float sum[4];
            for (int c = 0; c < 4; ++c) {
                sum[c] = 0.0f;
                for (int d = r; d >= 1; --d)
                    sum[c] += static_cast<float>(at(j + r - d, i)[c] + at(j + r + d, i)[c]) * k.at(d);
                sum[c] += static_cast<float>(at(j + r, i)[c]) * k.at(0);
            }
            uint8_t* o = out.px(j, i);
            for (int c = 0; c < 3; ++c)
                o[c] = !straight ? toByte(sum[c]) : sum[3] == 0.0f ? 0 : toByte(sum[c] * 255.0f / sum[3]);
            o[3] = toByte(sum[3]);
        }
    return out;
}

// Every kernel table gives the plain blur's bytes: odd sizes, radii past the block's
// size, straight and premultiplied pixels, in place and into another block.
TEST(BlurPixels, EveryKernelTableMatchesThePlainBlur) {
    std::mt19937 rng(9);
    struct Case {
        int w, h, radius;
        double sigma;
        bool straight;
    };
    const Case cases[] = {{31, 17, 3, 1.5, false},  {5, 3, 10, 5.0, false}, {29, 11, 2, 1.0, true},
                          {1, 1, 1, 0.5, false},    {40, 2, 0, 2.0, true},  {9, 23, 4, 2.0, false},
                          {4, 3, 300, 150.0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.w << "x" << c.h << " r" << c.radius << " straight " << c.straight);
        Image src(c.w, c.h, 0, 4, 8);
        randomize(src, rng, !c.straight);
        const Image expected = referenceBlur(src, c.radius, c.sigma, c.straight);
        auto check = [&](const char* name) {
            SCOPED_TRACE(name);
            Image into(c.w, c.h), inPlace = src;
            BlurPixels(into.data(), src.data(c.straight), c.radius, c.sigma);
            EXPECT_TRUE(into == expected);
            BlurPixels(inPlace.data(c.straight), inPlace.data(c.straight), c.radius, c.sigma);
            EXPECT_TRUE(inPlace == expected);
        };
        withExactKernels([&] { check("exact"); });
        forEachVectorTable(check);
    }
}

TEST(BlurPixels, PairsBlocksAndRejectsBadOnes) {
    Image big(10, 10, bgra(1, 2, 3, 4)), small(4, 3, bgra(9, 9, 9, 9));
    BlurPixels(big.data(), small.data(), 1, 1.0); // common size 4 x 3
    EXPECT_EQ(big.get(3, 2), bgra(9, 9, 9, 9));
    EXPECT_EQ(big.get(4, 2), bgra(1, 2, 3, 4));

    TPixelData bad = big.data();
    bad.Scan0 = nullptr;
    EXPECT_EQ(kernelErrorOf([&] { BlurPixels(bad, small.data(), 1, 1.0); }), "Invalid image data.");
    TPixelData eight = big.data();
    eight.Format = pfBits8;
    EXPECT_EQ(kernelErrorOf([&] { BlurPixels(eight, small.data(), 1, 1.0); }),
              "Must be 32 bit image pixel format.");
    // A radius whose padded copy could not be held is reported, not attempted.
    for (int radius : {1 << 30, 100000})
        EXPECT_EQ(kernelErrorOf([&] { BlurPixels(small.data(), small.data(), radius, 1.0); }),
                  "Not enough memory.")
            << radius;
    EXPECT_EQ(kernelErrorOf([&] { GaussKernel(1 << 30, 1.0); }), "Not enough memory.");
}

TEST(SharpenPixels, Cases) {
    std::mt19937 rng(2);
    Image noisy(17, 11);
    randomize(noisy, rng, true);

    Image uniform(7, 5, bgra(30, 60, 90, 255));
    SharpenPixels(uniform.data(), 300, 0, 2.0);
    EXPECT_TRUE(uniform == Image(7, 5, bgra(30, 60, 90, 255)));

    Image same = noisy; // Amount 100: |e| = |d| <= 255, so threshold 255 stops everything
    SharpenPixels(same.data(), 100, 255, 1.0);
    EXPECT_TRUE(same == noisy);

    Image sharpened = noisy;
    SharpenPixels(sharpened.data(), 200, 0, 1.0);
    EXPECT_FALSE(sharpened == noisy);

    // An edge gets steeper: the dark side darker, the bright side brighter.
    Image edge(8, 1);
    for (int x = 0; x < 8; ++x)
        edge.set(x, 0, x < 4 ? bgra(100, 100, 100, 255) : bgra(150, 150, 150, 255));
    SharpenPixels(edge.data(), 100, 0, 1.0);
    EXPECT_LT(edge.get(3, 0) & 0xFF, 100u);
    EXPECT_GT(edge.get(4, 0) & 0xFF, 150u);

    for (int amount : {0, 501, -1})
        EXPECT_EQ(kernelErrorOf([&] { SharpenPixels(noisy.data(), amount, 0, 1.0); }), "Illegal parameters.")
            << amount;
}
