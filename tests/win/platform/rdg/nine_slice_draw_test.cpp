#include "platform/image/nine_slice_draw.h"
#include "platform/image/rdg_image.h"
#include "rdg_helpers.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vell::image;
using namespace vell::image::test;
using vell::design::TDesignRect;
using vell::design::TSuperStretchMode;

namespace {

// Where a painted pixel came from (its blue and green are the source x and y), or
// (-1, -1) for a pixel left transparent.
struct From {
    int x, y;
    bool operator==(const From&) const = default;
};
std::ostream& operator<<(std::ostream& o, const From& f) {
    return o << "(" << f.x << ", " << f.y << ")";
}

From fromAt(TPngImage& img, int x, int y) {
    const uint32_t v = pixelAt(img, x, y);
    if (v == 0) return {-1, -1};
    return {int(v & 0xFF), int((v >> 8) & 0xFF)};
}

TDesignRect& option(TDesignRect& o, int l, int t, int r, int b, TSuperStretchMode mode) {
    o.SetValue(l, t, r, b);
    o.SetStretchMode(mode);
    return o;
}

struct Probe {
    int x, y;
    From expected;
};

void expectProbes(TPngImage& dst, std::initializer_list<Probe> probes, const char* what) {
    for (const Probe& p : probes)
        EXPECT_EQ(fromAt(dst, p.x, p.y), p.expected) << what << " at (" << p.x << ", " << p.y << ")";
}

} // namespace

TEST(NineSliceDraw, MarginsOfAnAxisThatKeepsItsSizeAreIgnored) {
    auto src = coordPicture(100, 50);
    TDesignRect o;
    option(o, 16, 16, 16, 16, vell::design::sdmStretch);

    auto same = target(100, 50);
    DrawDesignGraphic(src.get(), RECT{0, 0, 100, 50}, nullptr, &o, same.get());
    for (int y = 0; y < 50; y += 7)
        for (int x = 0; x < 100; x += 9)
            ASSERT_EQ(fromAt(*same, x, y), (From{x, y}));

    // Twice as wide: only Left and Right apply; rows are copied 1:1.
    auto wide = target(200, 50);
    DrawDesignGraphic(src.get(), RECT{0, 0, 200, 50}, nullptr, &o, wide.get());
    expectProbes(
        *wide,
        {{5, 40, {5, 40}}, {199, 49, {99, 49}}, {184, 3, {84, 3}}, {100, 10, {50, 10}}, {16, 0, {16, 0}}},
        "200 x 50");
}

TEST(NineSliceDraw, PiecesPerMode) {
    // 64 x 64 into 300 x 200 with margins 16: corners unscaled, edges and centre
    // 32 pixels of source stretched to 268 x 168 (or tiled in sdmFill).
    auto src = coordPicture(64, 64);
    struct Case {
        TSuperStretchMode mode;
        std::initializer_list<Probe> probes;
    };
    const From none{-1, -1};
    const Case cases[] = {
        {vell::design::sdmStretch,
         {{0, 0, {0, 0}},
          {15, 15, {15, 15}},
          {284, 0, {48, 0}},
          {299, 199, {63, 63}},
          {0, 184, {0, 48}},
          {16, 0, {16, 0}},
          {283, 5, {47, 5}},
          {150, 100, {16 + 134 * 32 / 268, 16 + 84 * 32 / 168}}}},
        {vell::design::sdmFill,
         // The centre is tiled from its corner: the last column is 12 = 268 - 8 * 32 wide,
         // the last row 8 = 168 - 5 * 32 high.
         {{16, 16, {16, 16}},
          {16 + 32, 16 + 33, {16, 17}},
          {16 + 256, 16, {16, 16}},
          {283, 183, {27, 23}},
          {16 + 40, 3, {24, 3}},
          {5, 16 + 40, {5, 24}}}},
        {vell::design::sdmFrame,
         {{150, 100, none},
          {0, 0, {0, 0}},
          {150, 3, {16 + 134 * 32 / 268, 3}},
          {3, 100, {3, 16 + 84 * 32 / 168}}}},
        {vell::design::sdmCorner,
         {{150, 100, none},
          {150, 3, none},
          {3, 100, none},
          {0, 0, {0, 0}},
          {299, 0, {63, 0}},
          {0, 199, {0, 63}},
          {299, 199, {63, 63}}}},
    };
    for (const Case& c : cases) {
        TDesignRect o;
        option(o, 16, 16, 16, 16, c.mode);
        auto dst = target(300, 200);
        DrawDesignGraphic(src.get(), RECT{0, 0, 300, 200}, nullptr, &o, dst.get());
        expectProbes(*dst, c.probes, ("mode " + std::to_string(int(c.mode))).c_str());
    }
}

TEST(NineSliceDraw, FillStretchesPiecesNarrowerThanFour) {
    // A 35-wide source leaves a 3-pixel centre: stretched, so every column is painted
    // from the centre's three columns in order.
    auto src = coordPicture(35, 64);
    TDesignRect o;
    option(o, 16, 16, 16, 16, vell::design::sdmFill);
    auto dst = target(100, 64);
    DrawDesignGraphic(src.get(), RECT{0, 0, 100, 64}, nullptr, &o, dst.get());
    EXPECT_EQ(fromAt(*dst, 16, 20), (From{16, 20}));
    EXPECT_EQ(fromAt(*dst, 83, 20), (From{18, 20}));
}

TEST(NineSliceDraw, EmptyOptionStretchesTheWholePictureAndOpacityMultiplies) {
    auto src = coordPicture(10, 10);
    auto dst = target(20, 20);
    TDesignRect empty;
    DrawDesignGraphic(src.get(), RECT{0, 0, 20, 20}, nullptr, &empty, dst.get());
    EXPECT_EQ(fromAt(*dst, 19, 19), (From{9, 9}));
    EXPECT_EQ(fromAt(*dst, 2, 3), (From{1, 1}));

    // Opacity 0 draws nothing; otherwise it multiplies with the picture's own.
    auto faded = target(10, 10);
    BLENDFUNCTION none{AC_SRC_OVER, 0, 0, AC_SRC_ALPHA};
    DrawDesignGraphicBlend(none, src.get(), nullptr, &empty, RECT{0, 0, 10, 10}, faded.get());
    EXPECT_EQ(pixelAt(*faded, 5, 5), 0u);
    src->SetAlphaBlendValue(128);
    BLENDFUNCTION half{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    DrawDesignGraphicBlend(half, src.get(), nullptr, &empty, RECT{0, 0, 10, 10}, faded.get());
    EXPECT_EQ(pixelAt(*faded, 0, 0) >> 24, 128u);
}

TEST(NineSliceDraw, OddGeometryDrawsWhatFitsAndNeverFails) {
    auto src = coordPicture(16, 16);
    struct Case {
        const char* name;
        int l, t, r, b;
        RECT dest;
    };
    const Case cases[] = {
        {"margins wider than the destination", 100, 100, 100, 100, RECT{0, 0, 20, 20}},
        {"negative margins", -50, -5, -7, -1000, RECT{0, 0, 20, 20}},
        {"extreme margins", INT_MAX, INT_MIN, INT_MAX, INT_MIN, RECT{0, 0, 20, 20}},
        {"zero destination", 4, 4, 4, 4, RECT{5, 5, 5, 5}},
        {"inverted destination", 4, 4, 4, 4, RECT{20, 20, 0, 0}},
        {"huge destination", 4, 4, 4, 4, RECT{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2}},
    };
    for (const Case& c : cases) {
        for (TSuperStretchMode mode :
             {vell::design::sdmStretch, vell::design::sdmFill, vell::design::sdmCorner}) {
            TDesignRect o;
            option(o, c.l, c.t, c.r, c.b, mode);
            auto dst = target(20, 20);
            DrawDesignGraphic(src.get(), c.dest, nullptr, &o, dst.get());
            SUCCEED() << c.name;
        }
    }
    // No target and no graphic: nothing happens.
    TDesignRect o;
    DrawDesignGraphic(src.get(), RECT{0, 0, 5, 5}, nullptr, &o, nullptr);
    DrawDesignGraphic(nullptr, RECT{0, 0, 5, 5}, nullptr, &o, target(5, 5).get());
}

TEST(NineSliceDraw, OntoADeviceContext) {
    auto src = coordPicture(64, 64);
    auto dst = std::make_unique<TPngImage>();
    dst->MakeBlank(6, 8, 300, 200, true, true);
    HDC dc = dst->CanvasHandle();
    ASSERT_NE(dc, nullptr);
    TDesignRect o;
    option(o, 16, 16, 16, 16, vell::design::sdmFill);
    DrawDesignGraphic(src.get(), RECT{0, 0, 300, 200}, dc, &o);
    ::GdiFlush();
    expectProbes(*dst, {{0, 0, {0, 0}}, {299, 199, {63, 63}}, {283, 183, {27, 23}}}, "DC");
}

TEST(NineSliceDraw, OtherPicturesAreSlicedFromACopy) {
    // A picture that only knows how to draw itself: one colour.
    class Solid : public TGraphic {
      public:
        int GetWidth() const override { return 8; }
        int GetHeight() const override { return 8; }
        void SetSize(int, int) override {}
        bool GetEmpty() const override { return false; }
        void Draw(HDC dc, const RECT& r) override {
            HBRUSH b = ::CreateSolidBrush(RGB(10, 20, 30));
            ::FillRect(dc, &r, b);
            ::DeleteObject(b);
        }
        void LoadFromStream(vell::TStream&) override {}
        void SaveToStream(vell::TStream&) override {}
    } solid;
    TDesignRect o;
    option(o, 2, 2, 2, 2, vell::design::sdmStretch);
    auto dst = target(40, 20);
    DrawDesignGraphic(&solid, RECT{0, 0, 40, 20}, nullptr, &o, dst.get());
    EXPECT_EQ(pixelAt(*dst, 0, 0) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(pixelAt(*dst, 39, 19) & 0xFFFFFF, 0x0A141Eu);

    // At an opacity too, with and without margins.
    const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, AC_SRC_ALPHA};
    TDesignRect none;
    for (const TDesignRect* opt : {&o, &none}) {
        auto faded = target(40, 20);
        DrawDesignGraphicBlend(half, &solid, nullptr, opt, RECT{0, 0, 40, 20}, faded.get());
        EXPECT_EQ(pixelAt(*faded, 0, 0) >> 24, 128u);
        EXPECT_EQ(pixelAt(*faded, 20, 10) >> 24, 128u);
    }
}
