#include "platform/image/dc_registry.h"
#include "platform/intercept/gradient.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vell;
using namespace vell::win;

namespace {

constexpr int kW = 16, kH = 4;

constexpr uint32_t Px(int a, int r, int g, int b) {
    return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
}

// A kW x kH 32-bit DIB memory DC, transparent black, optionally registered as an alpha DC.
class Canvas {
  public:
    explicit Canvas(bool alphaDC, int bits = 32)
        : alpha_(alphaDC), dc_(::CreateCompatibleDC(nullptr)), dib_(DibSection::create(kW, kH, bits)),
          sel_(dc_.get(), dib_.handle()) {
        if (alpha_) MakeDC32(dc(), this);
    }
    ~Canvas() {
        if (alpha_) RemoveDC32(dc(), this);
    }
    HDC dc() const { return dc_.get(); }
    uint32_t at(int x, int y) const {
        ::GdiFlush();
        uint32_t v;
        std::memcpy(&v, dib_.bits() + (y * kW + x) * 4, 4);
        return v;
    }
    std::vector<uint8_t> bytes() const {
        ::GdiFlush();
        return std::vector<uint8_t>(dib_.bits(), dib_.bits() + kW * kH * 4);
    }

  private:
    bool alpha_;
    UniqueMemoryDC dc_;
    DibSection dib_;
    SelectObjectGuard sel_;
};

const RECT kAll{0, 0, kW, kH};

} // namespace

TEST(FillGradient, OpaqueGradientOnAlphaDCIsOpaque) {
    Canvas c(true);
    FillGradient(c.dc(), kAll, clRed, TGradientDirection::gdHorizontal, 0x00FF0000);
    EXPECT_EQ(c.at(0, 0), Px(255, 255, 0, 0));
    const uint32_t last = c.at(kW - 1, 2);
    EXPECT_EQ(last >> 24, 255u);
    EXPECT_GT(last & 0xFF, 200u); // mostly blue
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(c.at(x, 3) >> 24, 255u) << x;

    // On an ordinary DC: the platform's gradient exactly.
    Canvas plain(false), reference(false);
    FillGradient(plain.dc(), kAll, clRed, TGradientDirection::gdVertical, 0x00FF0000);
    TRIVERTEX v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {kW, kH, 0, 0, 0xFF00, 0}};
    GRADIENT_RECT g{0, 1};
    ::GradientFill(reference.dc(), v, 2, &g, 1, GRADIENT_FILL_RECT_V);
    EXPECT_EQ(plain.bytes(), reference.bytes());
}

TEST(FillGradient, OpacityRampsAlongTheDirection) {
    Canvas c(true);
    FillGradient(c.dc(), kAll, 0x8000FF00, TGradientDirection::gdVertical, 0x0000FF00);
    // Alpha 128 at the top to 255 at the bottom, linear: 128, 170, 212, 255.
    EXPECT_EQ(c.at(5, 0), Px(128, 0, 128, 0));
    EXPECT_EQ(c.at(5, 1) >> 24, 170u);
    EXPECT_EQ(c.at(5, 2) >> 24, 212u);
    EXPECT_EQ(c.at(5, 3), Px(255, 0, 255, 0));
}

TEST(FillGradient, OneColour) {
    struct Case {
        TColor start, end;
        uint32_t expected;
    };
    const Case cases[] = {
        {0x80FF0000, 0x80FF0000, Px(128, 0, 0, 128)}, // half-transparent blue, premultiplied
        {clDefault, clRed, Px(255, 255, 0, 0)},
        {clRed, clDefault, Px(255, 255, 0, 0)},
        {clNone, clNone, 0},
    };
    for (const Case& k : cases) {
        Canvas c(true);
        FillGradient(c.dc(), kAll, k.start, TGradientDirection::gdHorizontal, k.end);
        EXPECT_EQ(c.at(0, 0), k.expected) << std::hex << k.start;
        EXPECT_EQ(c.at(kW - 1, kH - 1), k.expected) << std::hex << k.start;
    }
    Canvas c(true);
    FillGradient(c.dc(), RECT{4, 4, 2, 2}, clRed, TGradientDirection::gdHorizontal, 0x00FF0000); // empty
    FillGradient(nullptr, kAll, clRed, TGradientDirection::gdHorizontal, 0x00FF0000);
    EXPECT_EQ(c.at(3, 3), 0u);
}
