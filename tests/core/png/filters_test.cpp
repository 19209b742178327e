#include <gtest/gtest.h>

#include <vector>

#include "core/png/filters.h"

using namespace vell::png;

// The fast row paths against the plain ones, for every filter, pixel size and a spread of
// row lengths, in place and into another row; filtering then unfiltering gives the row back.
TEST(Filters, FastUnfilterEqualsPlainAndInvertsFilter) {
    uint32_t seed = 1;
    auto next = [&seed] { return uint8_t((seed = seed * 1103515245u + 12345u) >> 16); };
    for (uint32_t bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
        for (size_t pixels : {1u, 2u, 5u, 16u, 67u}) {
            const size_t n = pixels * bpp;
            std::vector<uint8_t> prev(n), raw(n);
            for (auto& b : prev)
                b = next();
            for (auto& b : raw)
                b = next();
            for (uint8_t type = 0; type <= 4; ++type) {
                std::vector<uint8_t> filtered(n);
                filterRow(type, raw.data(), prev.data(), n, bpp, filtered.data());
                auto fast = filtered, plain = filtered;
                std::vector<uint8_t> apart(n), plainApart(n);
                ASSERT_TRUE(unfilterRow(type, fast.data(), fast.data(), prev.data(), n, bpp));
                ASSERT_TRUE(unfilterRowPlain(type, plain.data(), plain.data(), prev.data(), n, bpp));
                ASSERT_TRUE(unfilterRow(type, filtered.data(), apart.data(), prev.data(), n, bpp));
                ASSERT_TRUE(unfilterRowPlain(type, filtered.data(), plainApart.data(), prev.data(), n, bpp));
                EXPECT_EQ(fast, plain) << "type " << int(type) << " bpp " << bpp << " n " << n;
                EXPECT_EQ(plain, raw) << "type " << int(type) << " bpp " << bpp << " n " << n;
                EXPECT_EQ(apart, raw) << "type " << int(type) << " bpp " << bpp << " n " << n;
                EXPECT_EQ(plainApart, raw) << "type " << int(type) << " bpp " << bpp << " n " << n;
            }
            EXPECT_FALSE(unfilterRow(5, raw.data(), raw.data(), prev.data(), n, bpp));
        }
    }
}

TEST(Filters, PaethPredictorPrefersLeftThenAbove) {
    EXPECT_EQ(paethPredictor(10, 10, 10), 10);
    EXPECT_EQ(paethPredictor(1, 2, 3), 1); // p = 0: |p-a| = 1 is nearest
    EXPECT_EQ(paethPredictor(3, 9, 3), 9); // p = 9 = b
    EXPECT_EQ(paethPredictor(9, 3, 9), 3);
    EXPECT_EQ(paethPredictor(5, 7, 6), 6);   // p = 6 = c
    EXPECT_EQ(paethPredictor(8, 11, 10), 8); // a and c equally near: a
}
