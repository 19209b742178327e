#include "core/design/nine_slice.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vell::design;

namespace {
using P = SlicePart;
struct Expect {
    P part;
    SliceRect dst, src;
    bool tiled;
};
void expectPieces(const std::vector<SlicePiece>& got, const std::vector<Expect>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].part, want[i].part);
        EXPECT_EQ(got[i].dst, want[i].dst);
        EXPECT_EQ(got[i].src, want[i].src);
        EXPECT_EQ(got[i].tiled, want[i].tiled);
    }
}
const SliceMargins k16{16, 16, 16, 16};
} // namespace

TEST(NineSlice, StretchIgnoresMarginsOfAnAxisThatKeepsItsSize) {
    expectPieces(nineSlicePieces(100, 50, {0, 0, 100, 50}, k16, sdmStretch),
                 {{P::Centre, {0, 0, 100, 50}, {0, 0, 100, 50}, false}});
    expectPieces(nineSlicePieces(100, 50, {10, 20, 200, 50}, k16, sdmDefault),
                 {{P::Centre, {26, 20, 168, 50}, {16, 0, 68, 50}, false},
                  {P::Left, {10, 20, 16, 50}, {0, 0, 16, 50}, false},
                  {P::Right, {194, 20, 16, 50}, {84, 0, 16, 50}, false}});
    // sdmFill keeps margins even when the size matches.
    EXPECT_EQ(nineSlicePieces(100, 50, {0, 0, 100, 50}, k16, sdmFill).size(), 9u);
}

TEST(NineSlice, NinePiecesInPaintingOrder) {
    expectPieces(nineSlicePieces(64, 64, {0, 0, 300, 200}, k16, sdmStretch),
                 {{P::Centre, {16, 16, 268, 168}, {16, 16, 32, 32}, false},
                  {P::TopLeft, {0, 0, 16, 16}, {0, 0, 16, 16}, false},
                  {P::Top, {16, 0, 268, 16}, {16, 0, 32, 16}, false},
                  {P::TopRight, {284, 0, 16, 16}, {48, 0, 16, 16}, false},
                  {P::Left, {0, 16, 16, 168}, {0, 16, 16, 32}, false},
                  {P::Right, {284, 16, 16, 168}, {48, 16, 16, 32}, false},
                  {P::BottomLeft, {0, 184, 16, 16}, {0, 48, 16, 16}, false},
                  {P::Bottom, {16, 184, 268, 16}, {16, 48, 32, 16}, false},
                  {P::BottomRight, {284, 184, 16, 16}, {48, 48, 16, 16}, false}});
}

TEST(NineSlice, ModesChooseThePieces) {
    auto parts = [](TSuperStretchMode mode) {
        std::vector<P> r;
        for (auto& p : nineSlicePieces(64, 64, {0, 0, 300, 200}, k16, mode))
            r.push_back(p.part);
        return r;
    };
    EXPECT_EQ(parts(sdmCorner), (std::vector<P>{P::TopLeft, P::TopRight, P::BottomLeft, P::BottomRight}));
    EXPECT_EQ(parts(sdmFrame), (std::vector<P>{P::TopLeft, P::Top, P::TopRight, P::Left, P::Right,
                                               P::BottomLeft, P::Bottom, P::BottomRight}));
}

TEST(NineSlice, FillTilesPiecesOfAtLeastFourPixels) {
    // A 3-pixel-wide middle is stretched; the 32-pixel one is tiled.
    auto narrow = nineSlicePieces(35, 64, {0, 0, 300, 200}, k16, sdmFill);
    EXPECT_FALSE(narrow[0].tiled); // centre 3 x 32
    EXPECT_FALSE(narrow[2].tiled); // top edge 3 wide
    EXPECT_TRUE(narrow[4].tiled);  // left edge 32 high
    std::vector<SliceRect> dst, src;
    paintNineSlice(64, 64, {0, 0, 300, 200}, k16, sdmFill, nullptr,
                   [&](const SliceRect& d, const SliceRect& s) {
                       if (d.x >= 16 && d.y >= 16 && d.x < 284 && d.y < 184) {
                           dst.push_back(d);
                           src.push_back(s);
                       }
                   });
    // The centre: 268 = 8 x 32 + 12 columns, 168 = 5 x 32 + 8 rows, column by column.
    ASSERT_EQ(dst.size(), 9u * 6u);
    EXPECT_EQ(dst[0], (SliceRect{16, 16, 32, 32}));
    EXPECT_EQ(dst[1], (SliceRect{16, 48, 32, 32}));
    EXPECT_EQ(dst[5], (SliceRect{16, 176, 32, 8}));
    EXPECT_EQ(src[5], (SliceRect{16, 16, 32, 8}));
    EXPECT_EQ(dst.back(), (SliceRect{272, 176, 12, 8}));
    EXPECT_EQ(src.back(), (SliceRect{16, 16, 12, 8}));
}

TEST(NineSlice, OddMarginsAndHugeDestinationsStaySafe) {
    // Margins wider than the destination: corners overlap, nothing else has room.
    auto overlap = nineSlicePieces(64, 64, {0, 0, 20, 20}, k16, sdmStretch);
    ASSERT_EQ(overlap.size(), 4u);
    EXPECT_EQ(overlap[1].dst, (SliceRect{4, 0, 16, 16}));
    // Negative and extreme values never overflow.
    for (SliceMargins m : {SliceMargins{-5, -5, -5, -5}, SliceMargins{INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                           SliceMargins{INT_MIN, 3, INT_MAX, -1}})
        for (int mode = 0; mode < kStretchModeCount; ++mode)
            nineSlicePieces(64, 64, {INT_MAX - 10, INT_MIN + 5, INT_MAX, INT_MAX}, m,
                            TSuperStretchMode(mode));
    // A tiled destination of 2^31 pixels square visits only the tiles inside the clip.
    long visits = 0;
    SliceRect clip{100, 100, 64, 64};
    paintNineSlice(64, 64, {0, 0, INT_MAX, INT_MAX}, k16, sdmFill, &clip,
                   [&](const SliceRect&, const SliceRect&) { ++visits; });
    EXPECT_EQ(visits, 9 + 4); // nine centre tiles, and the corners (never tiled, not clipped here)
}
