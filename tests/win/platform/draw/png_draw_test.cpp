#include "platform/image/draw_image.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <gtest/gtest.h>

using namespace vell::image;
using namespace vell::image::test;

namespace {

// A 24-bit memory DC filled white.
struct WhiteDC {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap;
    HGDIOBJ old;
    explicit WhiteDC(int w, int h) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~WhiteDC() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
};

// A 16 x 16 icon from a colour bitmap (32-bit with alpha, or 24-bit) and an AND mask whose
// left half is transparent.
HICON MakeIcon(bool withAlpha) {
    HDC screen = GetDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = {
        sizeof(BITMAPINFOHEADER), 16, -16, 1, static_cast<WORD>(withAlpha ? 32 : 24), BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* p = static_cast<uint8_t*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* q = withAlpha ? p + (y * 16 + x) * 4 : p + y * 48 + x * 3;
            q[0] = 0, q[1] = 0, q[2] = withAlpha ? 64 : 200;
            if (withAlpha) q[3] = x < 8 ? 0 : 128;
        }
    uint8_t maskBits[16 * 2];
    for (int y = 0; y < 16; ++y)
        maskBits[y * 2] = 0xFF, maskBits[y * 2 + 1] = 0;
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits);
    ICONINFO ii{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
    ReleaseDC(nullptr, screen);
    return icon;
}

} // namespace

TEST(PngDraw, DrawAndDrawTransparentThroughTheCompositor) {
    Image32 src(4, 4, bgra(0, 0, 255, 255), pamDefined);
    WhiteDC target(12, 4);
    TGraphic& picture = src.img;
    picture.Draw(target.dc, RECT{0, 0, 4, 4});
    src.img.DrawTransparent(target.dc, RECT{4, 0, 8, 4}, 128);
    src.img.SetGrayMode(true);
    src.img.SetAlphaBlendValue(128);
    src.img.Draw(target.dc, RECT{8, 0, 12, 4});
    EXPECT_EQ(GetPixel(target.dc, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target.dc, 5, 1), RGB(255, 127, 127));
    EXPECT_EQ(GetPixel(target.dc, 9, 1), RGB(165, 165, 165)); // grey 76 at half opacity over white

    // Nothing to draw, nowhere to draw, nothing visible.
    TPngImage empty;
    empty.Draw(target.dc, RECT{0, 0, 4, 4});
    src.img.Draw(nullptr, RECT{0, 0, 4, 4});
    src.img.Draw(target.dc, RECT{4, 4, 0, 0});
    src.img.Draw(target.dc, RECT{-100, -100, -50, -50});
    EXPECT_EQ(GetPixel(target.dc, 3, 3), RGB(255, 0, 0));
}

TEST(PngDraw, PixelInformationSetsThePhysicalSize) {
    struct Case {
        const char* name;
        uint32_t ppm;
        TUnitType unit;
        int size; // drawn width and height
    };
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const uint32_t screenPpm = static_cast<uint32_t>(dpi / 0.0254 + 0.5);
    const Case cases[] = {
        {"screen density", screenPpm, utMeter, 4},
        {"half density", screenPpm / 2, utMeter, 8},
        {"aspect only", 1, utUnknown, 4},
        {"zero", 0, utMeter, 4},
    };
    for (const Case& c : cases) {
        Image32 src(4, 4, bgra(0, 0, 0, 255));
        if (c.ppm || c.unit == utMeter) {
            TChunkpHYs* phys = src.img.PixelInformation();
            ASSERT_NE(phys, nullptr);
            phys->fPPUnitX = phys->fPPUnitY = c.ppm;
            phys->fUnit = c.unit;
        }
        WhiteDC target(12, 12);
        DrawUsingPixelInformation(src.img, target.dc, POINT{1, 1});
        EXPECT_EQ(GetPixel(target.dc, c.size, c.size), RGB(0, 0, 0)) << c.name;
        EXPECT_EQ(GetPixel(target.dc, c.size + 1, c.size + 1), RGB(255, 255, 255)) << c.name;
    }
}

TEST(PngDraw, AssignIconTakesAlphaOrTheMask) {
    HICON alpha = MakeIcon(true), masked = MakeIcon(false);
    ASSERT_TRUE(alpha && masked);
    TPngImage img;
    SIZE size{};
    ASSERT_TRUE(img.AssignIcon(alpha, true, &size));
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(size.cy, 16);
    EXPECT_EQ(img.AlphaMode, pamPremultiplied);
    EXPECT_EQ(img.GetPixels(12, 5) >> 24, 128u);
    EXPECT_EQ(img.GetPixels(2, 5) >> 24, 0u);

    ASSERT_TRUE(img.AssignIcon(masked));
    EXPECT_EQ(img.GetPixels(12, 5), 0xFF0000C8u); // red 200, opaque
    EXPECT_EQ(img.GetPixels(2, 5), 0u);

    // Into an existing larger image: its top-left corner takes the icon, the rest stays.
    Image32 big(20, 20, bgra(1, 2, 3, 255));
    ASSERT_TRUE(big.img.AssignIcon(masked, false));
    EXPECT_EQ(big.img.GetWidth(), 20);
    EXPECT_EQ(big.get(12, 5), bgra(0, 0, 200, 255));
    EXPECT_EQ(big.get(18, 18), bgra(1, 2, 3, 255));

    EXPECT_FALSE(img.AssignIcon(nullptr));
    DestroyIcon(alpha);
    DestroyIcon(masked);
}
