#include <gtest/gtest.h>

#include <vector>

#include "core/pixel/premultiply.h"
#include "core/pixel/tables.h"

using namespace vell::pixel;

// Every (alpha, colour) pair through the fast path equals the table; groups of four
// opaque or clear pixels take shortcuts, so those are mixed in and the tail is odd.
TEST(Premultiply, FastPathEqualsTableForEveryPair) {
    std::vector<uint8_t> px;
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            px.insert(px.end(), {uint8_t(c), uint8_t(255 - c), uint8_t(c ^ 0x55), uint8_t(a)});
    for (int i = 0; i < 9; ++i)
        px.insert(px.end(), {1, 2, 3, uint8_t(i % 2 ? 255 : 0)});
    std::vector<uint8_t> fast(px.size()), exact(px.size());
    premultiplyBgra(px.data(), fast.data(), px.size() / 4);
    premultiplyBgraExact(px.data(), exact.data(), px.size() / 4);
    ASSERT_EQ(fast, exact);
    EXPECT_EQ(exact[128 * 1024 + 200 * 4], preMul(128, 200));
    EXPECT_EQ(preMul(128, 200), 100);
    // In place, and back through the inverse table.
    premultiplyBgra(px.data(), px.data(), px.size() / 4);
    EXPECT_EQ(px, exact);
    unpremultiplyBgra(px.data(), px.data(), px.size() / 4);
    EXPECT_EQ(px[128 * 1024 + 200 * 4], 199);
}

// A block larger than the caches, with an odd tail.
TEST(Premultiply, LargeBlocksEqualTable) {
    const size_t n = (size_t(1) << 20) + 3;
    std::vector<uint8_t> px(n * 4);
    uint32_t s = 9;
    for (auto& b : px)
        b = uint8_t((s = s * 1103515245u + 12345u) >> 16);
    std::vector<uint8_t> fast(px.size()), exact(px.size());
    premultiplyBgra(px.data(), fast.data(), n);
    premultiplyBgraExact(px.data(), exact.data(), n);
    EXPECT_EQ(fast, exact);
}
