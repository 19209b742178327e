#include "core/draw/compose.h"
#include "core/pixel/tables.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vell::draw;
using namespace vell::draw::test;

namespace {

// A one-row source of `width` pixels over raw bytes.
DrawSource rowSource(const uint8_t* bytes, int width, SourceLayout layout) {
    DrawSource s;
    s.pixels = bytes;
    s.stride = 8;
    s.width = width;
    s.height = 1;
    s.layout = layout;
    return s;
}

ComposeParams unscaled(int w, int h, uint8_t alpha = 255) {
    ComposeParams p;
    p.dstW = p.srcW = w;
    p.dstH = p.srcH = h;
    p.alpha = alpha;
    return p;
}

} // namespace

// One source pixel onto one destination pixel, with the expected premultiplied result.
TEST(Compose, OnePixelBlends) {
    struct Case {
        const char* name;
        uint32_t src;
        bool premultiplied;
        uint8_t alpha;
        bool gray;
        uint32_t dst;
        uint32_t expected;
    };
    const uint32_t white = bgra(255, 255, 255, 255);
    const Case cases[] = {
        // PreMul[128][200] = 100 plus PreMul[127][255] = 127; alpha Screen[128][255].
        {"straight half red on white", bgra(0, 0, 200, 128), false, 255, false, white,
         bgra(127, 127, 227, 255)},
        {"premultiplied half red on white", bgra(0, 0, 100, 128), true, 255, false, white,
         bgra(127, 127, 227, 255)},
        {"opacity zero draws nothing", bgra(10, 20, 30, 255), true, 0, false, white, white},
        {"transparent pixel draws nothing", bgra(0, 0, 0, 0), true, 255, false, bgra(1, 2, 3, 4),
         bgra(1, 2, 3, 4)},
        {"transparent straight pixel with colour", bgra(9, 9, 9, 0), false, 255, false, bgra(1, 2, 3, 4),
         bgra(1, 2, 3, 4)},
        {"opaque pixel replaces", bgra(10, 20, 30, 255), false, 255, false, bgra(1, 2, 3, 4),
         bgra(10, 20, 30, 255)},
        {"grey of pure red", bgra(0, 0, 255, 255), false, 255, true, white, bgra(76, 76, 76, 255)},
        // E = PreMul[255][128] = 128; colour PreMul[128][200] + PreMul[127][0] = 100.
        {"straight opaque at half opacity on clear", bgra(0, 0, 200, 255), false, 128, false, 0,
         bgra(0, 0, 100, 128)},
        // Premultiplied: colour weight is the opacity, E = PreMul[128][128] = 64.
        {"premultiplied half at half opacity", bgra(0, 0, 100, 128), true, 128, false, 0, bgra(0, 0, 50, 64)},
        // E = PreMul[1][100] = 0: skipped although the pixel is not transparent.
        {"effective alpha zero skips", bgra(200, 200, 200, 1), false, 100, false, bgra(5, 6, 7, 8),
         bgra(5, 6, 7, 8)},
        // A premultiplied pixel whose colour exceeds its alpha saturates instead of wrapping.
        {"overbright premultiplied saturates", bgra(0, 0, 250, 10), true, 255, false, white,
         bgra(245, 245, 255, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool fast : {true, false}) {
            setFastPathsEnabled(fast);
            // Six pixels so that the vector rows run on the first four and the tail on the rest.
            Image src(6, 1, c.src), dst(6, 1, c.dst);
            ComposeParams p = unscaled(6, 1, c.alpha);
            p.gray = c.gray;
            compose(dst.target(), src.source(c.premultiplied), p);
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(dst.get(x, 0), c.expected) << "pixel " << x << " fast " << fast;
        }
    }
    setFastPathsEnabled(true);
}

TEST(Compose, KeyColourIsNotDrawn) {
    Image src(3, 1), dst(3, 1, bgra(1, 1, 1, 255));
    src.set(0, 0, bgra(10, 20, 30, 255));
    src.set(1, 0, bgra(40, 50, 60, 255)); // the key colour
    src.set(2, 0, bgra(40, 50, 61, 255));
    ComposeParams p = unscaled(3, 1);
    p.hasKey = true;
    p.key = bgra(40, 50, 60, 0);
    compose(dst.target(), src.source(false), p);
    EXPECT_EQ(dst.get(0, 0), bgra(10, 20, 30, 255));
    EXPECT_EQ(dst.get(1, 0), bgra(1, 1, 1, 255));
    EXPECT_EQ(dst.get(2, 0), bgra(40, 50, 61, 255));
}

TEST(Compose, NearestEnlargementDuplicatesPixels) {
    Image src(10, 10), dst(20, 20);
    std::mt19937 rng(1);
    randomize(src, rng, true);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            src.set(x, y, src.get(x, y) | 0xFF000000u); // opaque: result = source
    ComposeParams p;
    p.dstW = p.dstH = 20;
    p.srcW = p.srcH = 10;
    compose(dst.target(), src.source(true), p);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(dst.get(x, y), src.get(x / 2, y / 2)) << x << "," << y;
}

TEST(Compose, FilterChoice) {
    Image img(4, 4);
    const DrawSource s = img.source(true);
    struct Case {
        int srcW, srcH, dstW, dstH;
        SmoothFilter asked, expected;
    };
    const Case cases[] = {
        {10, 10, 20, 20, SmoothFilter::Smooth, SmoothFilter::FastSmooth}, // box asked for an enlargement
        {10, 10, 20, 5, SmoothFilter::Smooth, SmoothFilter::FastSmooth},  // one axis enlarged
        {10, 10, 10, 5, SmoothFilter::Smooth,
         SmoothFilter::FastSmooth}, // one axis unchanged counts as enlarged
        {10, 10, 5, 5, SmoothFilter::Smooth, SmoothFilter::Smooth},
        {10, 10, 10, 10, SmoothFilter::FastSmooth, SmoothFilter::None}, // nothing scaled
        {10, 10, 5, 5, SmoothFilter::None, SmoothFilter::None},
    };
    for (const Case& c : cases) {
        ComposeParams p;
        p.srcW = c.srcW, p.srcH = c.srcH, p.dstW = c.dstW, p.dstH = c.dstH, p.smooth = c.asked;
        EXPECT_EQ(effectiveFilter(s, p), c.expected)
            << c.srcW << "x" << c.srcH << " -> " << c.dstW << "x" << c.dstH;
    }
    DrawSource indexed = s;
    indexed.layout = SourceLayout::Indexed8;
    ComposeParams p;
    p.srcW = p.srcH = 10, p.dstW = p.dstH = 5, p.smooth = SmoothFilter::Smooth;
    EXPECT_EQ(effectiveFilter(indexed, p), SmoothFilter::None);
}

TEST(Compose, BilinearInterpolatesBetweenNeighbours) {
    // 2 x 1 source, black and white, enlarged to 4 x 1: step (2 - 1) * 32768 / 4 = 8192,
    // so the weights of white are 0, 1/4, 1/2, 3/4.
    Image src(2, 1), dst(4, 1);
    src.set(0, 0, bgra(0, 0, 0, 255));
    src.set(1, 0, bgra(255, 255, 255, 255));
    ComposeParams p;
    p.srcW = 2, p.srcH = 1, p.dstW = 4, p.dstH = 1, p.smooth = SmoothFilter::FastSmooth;
    compose(dst.target(), src.source(true), p);
    const int expected[] = {0, 64, 128, 191}; // (255 * w + 16384) >> 15
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(dst.get(x, 0), bgra(expected[x], expected[x], expected[x], 255)) << x;
}

TEST(Compose, BilinearPremultipliesStraightSources) {
    // A transparent pixel's colour must not bleed into its neighbour's.
    Image src(2, 1), dst(3, 1);
    src.set(0, 0, bgra(0, 0, 255, 255));
    src.set(1, 0, bgra(255, 0, 0, 0)); // transparent, straight blue
    ComposeParams p;
    p.srcW = 2, p.srcH = 1, p.dstW = 3, p.dstH = 1, p.smooth = SmoothFilter::FastSmooth;
    compose(dst.target(), src.source(false), p);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(dst.get(x, 0) & 0xFF, 0u) << "blue bled into pixel " << x;
}

TEST(Compose, BoxAveragesBlocks) {
    // 4 x 2 straight source (two equal rows) to 2 x 1: each output averages 2 x 2
    // pixels, colour weighted by alpha.
    Image src(4, 2), dst(2, 1);
    for (int y = 0; y < 2; ++y) {
        src.set(0, y, bgra(0, 0, 200, 255));
        src.set(1, y, bgra(0, 0, 100, 255));
        src.set(2, y, bgra(0, 0, 200, 255));
        src.set(3, y, bgra(0, 0, 0, 0)); // no weight in the colour, half the alpha
    }
    ComposeParams p;
    p.srcW = 4, p.srcH = 2, p.dstW = 2, p.dstH = 1, p.smooth = SmoothFilter::Smooth;
    compose(dst.target(), src.source(false), p);
    EXPECT_EQ(dst.get(0, 0), bgra(0, 0, 150, 255));
    // Colour 200 at alpha 128: PreMul[128][200] = 100.
    EXPECT_EQ(dst.get(1, 0), bgra(0, 0, 100, 128));
}

TEST(Compose, IndexedAndPlaneSources) {
    // 4-bit indices, high nibble first, through a palette with a transparent entry.
    const uint32_t palette[3] = {bgra(0, 0, 0, 0), bgra(10, 20, 30, 255), bgra(50, 60, 70, 255)};
    const uint8_t indices[2] = {0x12, 0x0F}; // 1, 2, 0, 15 (past the palette: transparent)
    DrawSource s = rowSource(indices, 4, SourceLayout::Indexed4);
    s.palette = palette;
    s.paletteSize = 3;
    Image dst(4, 1, bgra(1, 1, 1, 1));
    compose(dst.target(), s, unscaled(4, 1));
    EXPECT_EQ(dst.get(0, 0), bgra(10, 20, 30, 255));
    EXPECT_EQ(dst.get(1, 0), bgra(50, 60, 70, 255));
    EXPECT_EQ(dst.get(2, 0), bgra(1, 1, 1, 1));
    EXPECT_EQ(dst.get(3, 0), bgra(1, 1, 1, 1));

    // 1-bit, most significant bit first.
    const uint8_t bits[1] = {0x40}; // 0, 1, 0
    s.pixels = bits;
    s.layout = SourceLayout::Indexed1;
    s.width = 3;
    Image dst1(3, 1);
    compose(dst1.target(), s, unscaled(3, 1));
    EXPECT_EQ(dst1.get(0, 0), 0u);
    EXPECT_EQ(dst1.get(1, 0), bgra(10, 20, 30, 255));

    // Grey with an alpha plane: the plane's alpha replaces the palette's.
    const uint8_t greyPlane[3] = {0, 255, 128};
    s.alpha = greyPlane;
    s.alphaStride = 3;
    Image dstPlane(3, 1, bgra(255, 255, 255, 255));
    const uint8_t ones[1] = {0xE0}; // 1, 1, 1
    s.pixels = ones;
    compose(dstPlane.target(), s, unscaled(3, 1));
    EXPECT_EQ(dstPlane.get(0, 0), bgra(255, 255, 255, 255));
    EXPECT_EQ(dstPlane.get(1, 0), bgra(10, 20, 30, 255));
    EXPECT_EQ(dstPlane.get(2, 0), bgra(132, 137, 142, 255)); // PreMul[128][c] + 127

    // 24-bit with an alpha plane, straight: the first table case.
    const uint8_t rgb[6] = {0, 0, 200, 9, 9, 9};
    const uint8_t plane[2] = {128, 0};
    DrawSource s24 = rowSource(rgb, 2, SourceLayout::Bgr24);
    s24.alpha = plane;
    s24.alphaStride = 2;
    Image dst24(2, 1, bgra(255, 255, 255, 255));
    compose(dst24.target(), s24, unscaled(2, 1));
    EXPECT_EQ(dst24.get(0, 0), bgra(127, 127, 227, 255));
    EXPECT_EQ(dst24.get(1, 0), bgra(255, 255, 255, 255));
}

TEST(Compose, MaskModesChangeOnlyAlpha) {
    Image mask(1, 1, bgra(0, 0, 0, 128));
    struct Case {
        MaskMode mode;
        bool premultiplied;
        uint32_t dst, expected;
    };
    const Case cases[] = {
        {MaskMode::Replace, false, bgra(10, 20, 30, 255), bgra(10, 20, 30, 128)},
        {MaskMode::Multiply, false, bgra(10, 20, 30, 200), bgra(10, 20, 30, 100)}, // MulTable[128][200]
        // Premultiplied: 200 at alpha 255 is straight 200, premultiplied by 128 is 100.
        {MaskMode::Replace, true, bgra(200, 200, 200, 255), bgra(100, 100, 100, 128)},
    };
    for (const Case& c : cases) {
        Image dst(1, 1, c.dst);
        ComposeParams p = unscaled(1, 1);
        p.mask = c.mode;
        compose(dst.target(c.premultiplied), mask.source(false), p);
        EXPECT_EQ(dst.get(0, 0), c.expected) << static_cast<int>(c.mode) << " " << c.premultiplied;
    }
}

TEST(Compose, GeometryNeverFails) {
    Image src(4, 4, bgra(9, 9, 9, 255));
    struct Case {
        const char* name;
        int dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH;
        int painted; // pixels of the 8 x 8 target that change
    };
    const Case cases[] = {
        {"zero width", 0, 0, 0, 4, 0, 0, 4, 4, 0},
        {"negative size", 0, 0, -4, -4, 0, 0, 4, 4, 0},
        {"zero source", 0, 0, 4, 4, 0, 0, 0, 4, 0},
        {"far right", 100, 0, 4, 4, 0, 0, 4, 4, 0},
        {"far left", -100, 0, 4, 4, 0, 0, 4, 4, 0},
        {"partly outside", -2, -2, 4, 4, 0, 0, 4, 4, 4},
        {"huge destination", INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, 0, 0, 4, 4, 64},
        {"end overflows", INT_MAX - 1, 0, INT_MAX, 4, 0, 0, 4, 4, 0},
        {"source outside the image repeats the edge", 0, 0, 2, 2, 100, -100, 2, 2, 4},
        {"huge source", 0, 0, 8, 8, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 64},
    };
    for (SmoothFilter f : {SmoothFilter::None, SmoothFilter::FastSmooth, SmoothFilter::Smooth})
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Image dst(8, 8);
            ComposeParams p;
            p.dstX = c.dstX, p.dstY = c.dstY, p.dstW = c.dstW, p.dstH = c.dstH;
            p.srcX = c.srcX, p.srcY = c.srcY, p.srcW = c.srcW, p.srcH = c.srcH;
            p.smooth = f;
            compose(dst.target(), src.source(true), p);
            int painted = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    painted += dst.get(x, y) != 0;
            EXPECT_EQ(painted, c.painted) << "filter " << static_cast<int>(f);
        }
    // A clip rectangle limits the drawing; an empty target or source draws nothing.
    Image dst(8, 8);
    ComposeParams p = unscaled(4, 4);
    p.hasClip = true;
    p.clip = {1, 1, 3, 2};
    compose(dst.target(), src.source(true), p);
    int painted = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            painted += dst.get(x, y) != 0;
    EXPECT_EQ(painted, 2);
    compose(DrawTarget{}, src.source(true), unscaled(4, 4));
    compose(dst.target(), DrawSource{}, unscaled(4, 4));
}

// Every vector table must give the bytes of the exact rows, on images of odd sizes, for
// every sampling path and opacity.
TEST(Compose, FastPathsMatchExact) {
    std::mt19937 rng(7);
    struct Case {
        int srcW, srcH, dstW, dstH;
        SmoothFilter filter;
    };
    const Case cases[] = {
        {37, 23, 37, 23, SmoothFilter::None},       {37, 23, 75, 49, SmoothFilter::None},
        {37, 23, 75, 49, SmoothFilter::FastSmooth}, {53, 41, 26, 19, SmoothFilter::FastSmooth},
        {53, 41, 26, 19, SmoothFilter::Smooth},     {1, 1, 9, 7, SmoothFilter::FastSmooth},
    };
    for (const Case& c : cases)
        for (bool premultiplied : {true, false})
            for (int alpha : {255, 128, 3}) {
                SCOPED_TRACE(testing::Message() << c.srcW << "x" << c.srcH << "->" << c.dstW << "x" << c.dstH
                                                << " filter " << static_cast<int>(c.filter) << " premul "
                                                << premultiplied << " alpha " << alpha);
                Image src(c.srcW, c.srcH, 0, 4, 12), dst(c.dstW + 3, c.dstH + 2, 0, 4, 4);
                randomize(src, rng, premultiplied);
                randomize(dst, rng, true);
                Image exact = dst;
                ComposeParams p;
                p.dstX = 1, p.dstY = 1, p.dstW = c.dstW, p.dstH = c.dstH;
                p.srcW = c.srcW, p.srcH = c.srcH, p.alpha = static_cast<uint8_t>(alpha), p.smooth = c.filter;
                withExactKernels([&] { compose(exact.target(), src.source(premultiplied), p); });
                forEachVectorTable([&](const char* name) {
                    Image fast = dst;
                    compose(fast.target(), src.source(premultiplied), p);
                    ASSERT_TRUE(fast == exact) << name;
                });
            }
}

TEST(Compose, SolidColourThroughCoverageMask) {
    std::mt19937 rng(3);
    const int w = 29, h = 7;
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
    for (uint8_t& m : mask)
        m = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng() % 3 == 0 ? 255 : rng());
    for (uint32_t colour : {bgra(10, 20, 200, 255), bgra(5, 10, 100, 128)}) {
        Image dst(w + 2, h, 0), exact(w + 2, h);
        randomize(dst, rng, true);
        exact = dst;
        drawSolidMask(dst.target(), colour, mask.data(), w, 1, 0, w, h);
        withExactKernels([&] { drawSolidMask(exact.target(), colour, mask.data(), w, 1, 0, w, h); });
        EXPECT_TRUE(dst == exact);
    }
    // Full coverage of an opaque colour writes the colour; no coverage leaves the target.
    Image dst(2, 1, bgra(1, 2, 3, 4));
    const uint8_t m[2] = {255, 0};
    drawSolidMask(dst.target(), bgra(10, 20, 30, 255), m, 2, 0, 0, 2, 1);
    EXPECT_EQ(dst.get(0, 0), bgra(10, 20, 30, 255));
    EXPECT_EQ(dst.get(1, 0), bgra(1, 2, 3, 4));
    // Placed partly outside: clipped, no access outside either buffer.
    drawSolidMask(dst.target(), bgra(10, 20, 30, 255), m, 2, -1, 0, 2, 1);
    drawSolidMask(dst.target(), bgra(10, 20, 30, 255), m, 2, INT_MAX, INT_MAX, INT_MAX, 1);
}

TEST(Compose, MulDivRoundsLikeWindows) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {{1, 1, 2, 1},  {3, 1, 2, 2},        {-1, 1, 2, -1},  {-3, 1, 2, -2},
                          {5, 7, 0, -1}, {INT_MAX, 2, 1, -1}, {10, 20, 3, 67}, {7, 5, -2, -18}};
    for (const Case& c : cases)
        EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}
