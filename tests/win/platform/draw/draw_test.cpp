#include "platform/image/draw_image.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace vell::image;
using namespace vell::image::test;

TEST(DrawImage, IntoAnotherImage) {
    struct Case {
        const char* name;
        uint32_t src;
        TPngAlphaMode mode;
        bool gray;
        uint32_t expected;
    };
    const Case cases[] = {
        {"straight half red", bgra(0, 0, 200, 128), pamDefined, false, bgra(127, 127, 227, 255)},
        {"premultiplied half red", bgra(0, 0, 100, 128), pamPremultiplied, false, bgra(127, 127, 227, 255)},
        {"grey of red", bgra(0, 0, 255, 255), pamDefined, true, bgra(76, 76, 76, 255)},
        {"transparent", bgra(0, 0, 0, 0), pamPremultiplied, false, bgra(255, 255, 255, 255)},
    };
    for (const Case& c : cases) {
        Image32 src(3, 2, c.src, c.mode), dst(3, 2, bgra(255, 255, 255, 255));
        TDrawRectParams p = whole(3, 2);
        p.Gray = c.gray;
        DrawRect(src.img, nullptr, p, &dst.img);
        EXPECT_EQ(dst.get(2, 1), c.expected) << c.name;
    }
    // A fresh target of unknown alpha meaning becomes premultiplied.
    Image32 src(1, 1, bgra(1, 2, 3, 255)), dst(1, 1, 0, pamUnknown);
    DrawRect(src.img, nullptr, whole(1, 1), &dst.img);
    EXPECT_EQ(dst.img.AlphaMode, pamPremultiplied);
}

TEST(DrawImage, OntoDeviceContexts) {
    Image32 src(4, 4, bgra(0, 0, 100, 128));
    // An image's own DC is written directly, honouring its viewport origin.
    Image32 target(10, 10, bgra(255, 255, 255, 255), pamPremultiplied, true);
    HDC dc = target.img.CanvasHandle();
    ASSERT_NE(dc, nullptr);
    POINT old;
    SetViewportOrgEx(dc, 3, 2, &old);
    DrawRect(src.img, dc, whole(4, 4));
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    GdiFlush();
    EXPECT_EQ(target.get(3, 2), bgra(127, 127, 227, 255));
    EXPECT_EQ(target.get(6, 5), bgra(127, 127, 227, 255));
    EXPECT_EQ(target.get(2, 2), bgra(255, 255, 255, 255));
    EXPECT_EQ(target.get(7, 2), bgra(255, 255, 255, 255));

    // Any other DC goes through a scratch copy; only colour is compared.
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(mem, bitmap);
    RECT all{0, 0, 8, 8};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TDrawRectParams p = whole(4, 4);
    p.DstX = 2;
    DrawRect(src.img, mem, p);
    EXPECT_EQ(GetPixel(mem, 2, 0), RGB(227, 127, 127));
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(255, 255, 255));
    // A clip region limits the drawing.
    HRGN clip = CreateRectRgn(0, 0, 3, 8);
    SelectClipRgn(mem, clip);
    Image32 blue(8, 8, bgra(255, 0, 0, 255));
    DrawRect(blue.img, mem, whole(8, 8));
    EXPECT_EQ(GetPixel(mem, 2, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 3, 2), RGB(227, 127, 127));
    SelectClipRgn(mem, nullptr);
    DeleteObject(clip);
    SelectObject(mem, previous);
    DeleteDC(mem);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

TEST(DrawImage, TransparencyOfOtherLayouts) {
    // 24-bit colour with a transparent colour: those pixels are skipped.
    TPngImage rgb;
    rgb.MakeBlank(2, 8, 2, 1, false, false);
    uint8_t* row = static_cast<uint8_t*>(rgb.GetScanline(0));
    const uint8_t px[6] = {10, 20, 30, 40, 50, 60};
    std::memcpy(row, px, 6);
    rgb.SetTransparentColor(RGB(60, 50, 40)); // the second pixel (red 60, green 50, blue 40)
    Image32 dst(2, 1, bgra(1, 1, 1, 255));
    DrawRect(rgb, nullptr, whole(2, 1), &dst.img);
    EXPECT_EQ(dst.get(0, 0), bgra(10, 20, 30, 255));
    EXPECT_EQ(dst.get(1, 0), bgra(1, 1, 1, 255));

    // Indexed with per-entry alpha.
    TPngImage indexed;
    indexed.MakeBlank(3, 8, 2, 1, false, false);
    indexed.CreateAlpha(255);
    TChunkIHDR* h = indexed.HeaderOrNull();
    ASSERT_NE(h->ChunkTRNS, nullptr);
    h->BitmapInfo.bmiColors[1] = RGBQUAD{9, 8, 7, 0};
    h->ChunkTRNS->PaletteValues[0] = 0;
    static_cast<uint8_t*>(indexed.GetScanline(0))[1] = 1;
    Image32 dst2(2, 1, bgra(1, 1, 1, 255));
    DrawRect(indexed, nullptr, whole(2, 1), &dst2.img);
    EXPECT_EQ(dst2.get(0, 0), bgra(1, 1, 1, 255));
    EXPECT_EQ(dst2.get(1, 0), bgra(9, 8, 7, 255));
}

TEST(DrawImage, ScaledAndIntoItself) {
    Image32 src(10, 10, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            src.set(x, y, bgra(x, y, 0, 255));
    Image32 dst(20, 20, 0);
    TDrawRectParams p = whole(10, 10);
    p.DstW = p.DstH = 20;
    DrawRect(src.img, nullptr, p, &dst.img);
    EXPECT_EQ(dst.get(13, 7), src.get(6, 3));

    // Moving an image's left half onto its right half reads the pixels before they change.
    TDrawRectParams self = whole(5, 10);
    self.DstX = 3;
    DrawRect(src.img, nullptr, self, &src.img);
    EXPECT_EQ(src.get(7, 0), bgra(4, 0, 0, 255));
    EXPECT_EQ(src.get(3, 0), bgra(0, 0, 0, 255));
}

TEST(ImageEffects, TurnAndGrey) {
    Image32 img(30, 20, 0);
    img.set(0, 0, bgra(1, 2, 3, 255));
    TurnDirection(img.img, pta90);
    EXPECT_EQ(img.img.GetWidth(), 20);
    EXPECT_EQ(img.img.GetHeight(), 30);
    EXPECT_EQ(img.img.ViewWidth, 20);
    EXPECT_EQ(img.get(19, 0), bgra(1, 2, 3, 255)); // clockwise: top-left to top-right
    TurnDirection(img.img, pta270);
    EXPECT_EQ(img.get(0, 0), bgra(1, 2, 3, 255));
    TurnDirection(img.img, ptaHorzFlip);
    EXPECT_EQ(img.get(29, 0), bgra(1, 2, 3, 255));
    TurnDirection(img.img, pta180);
    EXPECT_EQ(img.get(0, 19), bgra(1, 2, 3, 255));

    Image32 red(2, 2, bgra(0, 0, 255, 200));
    GrayscaleRGB(red.img);
    EXPECT_EQ(red.get(1, 1), bgra(76, 76, 76, 200));
}

TEST(ImageEffects, MasksAndCopies) {
    // A 50 % mask multiplied in halves the alpha inside DestRect and clears the rest.
    Image32 img(6, 4, bgra(200, 200, 200, 255)), mask(3, 4, bgra(128, 128, 128, 128));
    const RECT dest{0, 0, 3, 4};
    UpdateAlpha(img.img, mask.img, nullptr, &dest, nullptr, true);
    EXPECT_EQ(img.get(1, 1), bgra(100, 100, 100, 128));
    EXPECT_EQ(img.get(4, 1), 0u);

    TPngImage rgb;
    rgb.MakeBlank(2, 8, 3, 3, false, false);
    std::memset(rgb.GetScanline(1), 77, 9);
    Image32 wide(4, 4, 0);
    EXPECT_TRUE(CopyBitBlt(wide.img, rgb, 3, 3, 1, 1, 0, 0));
    EXPECT_EQ(wide.get(2, 2), bgra(77, 77, 77, 255));
    EXPECT_EQ(wide.get(0, 0), 0u);
    EXPECT_EQ(wide.img.AlphaMode, pamPremultiplied);
    wide.set(1, 1, bgra(5, 6, 7, 9));
    EXPECT_TRUE(CopyBitBlt(rgb, wide.img, 10, 10, -1, -1, 0, 0)); // clipped on both: rgb(0, 0) <- wide(1, 1)
    const uint8_t* first = static_cast<uint8_t*>(rgb.GetScanline(0));
    EXPECT_EQ(first[0] | first[1] << 8 | first[2] << 16, 0x070605);
    EXPECT_FALSE(CopyBitBlt(rgb, wide.img, 3, 3, 50, 50, 0, 0));
}

TEST(ImageEffects, TintBlurSharpen) {
    Image32 grey(4, 4, bgra(100, 100, 100, 255), pamDefined);
    TintColor(grey.img, RGB(255, 0, 0), false, 255);
    EXPECT_EQ(grey.get(2, 2), bgra(34, 34, 255, 255));

    Image32 uniform(9, 7, bgra(40, 80, 120, 200));
    GaussBlur(uniform.img, 3);
    EXPECT_EQ(uniform.get(4, 3), bgra(40, 80, 120, 200));

    Image32 dot(9, 9, 0);
    dot.set(4, 4, bgra(255, 255, 255, 255));
    GaussBlur(dot.img, 2, 5, 9, 0, 0); // only the left five columns
    EXPECT_NE(dot.get(3, 4), 0u);
    EXPECT_EQ(dot.get(5, 4), 0u);
    GaussBlur(dot.img, 0); // nothing

    Image32 same(5, 5, bgra(10, 20, 30, 255));
    same.set(2, 2, bgra(200, 200, 200, 255));
    UsmSharpen(same.img, 0, 2, 0); // amount out of range: nothing
    UsmSharpen(same.img, 100, 501, 0);
    EXPECT_EQ(same.get(2, 1), bgra(10, 20, 30, 255));
    UsmSharpen(same.img, 200, 1, 0);
    EXPECT_NE(same.get(2, 1), bgra(10, 20, 30, 255));
}

TEST(ImageEffects, MaskLaidOutByItsNineSliceOption) {
    // A 3 x 3 mask: opaque corners and edges, a half-transparent centre, stretched with
    // margins 1 over (2, 2)-(10, 10) of an opaque image.
    Image32 mask(3, 3, bgra(0, 0, 0, 255));
    mask.set(1, 1, bgra(0, 0, 0, 128));
    vell::design::TDesignRect option;
    option.SetValue(1, 1, 1, 1);
    option.SetStretchMode(vell::design::sdmStretch);
    struct Case {
        const char* name;
        bool mixer;
        uint32_t start, centre;
    };
    const Case cases[] = {
        {"replace", false, bgra(200, 200, 200, 200), bgra(200, 200, 200, 128)},
        {"multiply", true, bgra(200, 200, 200, 200), bgra(200, 200, 200, 100)},
    };
    for (const Case& c : cases) {
        Image32 img(12, 12, c.start, pamDefined);
        const RECT dest{2, 2, 10, 10}, update{1, 1, 11, 11};
        UpdateAlpha(img.img, mask.img, &option, &dest, &update, c.mixer);
        EXPECT_EQ(img.get(5, 5), c.centre) << c.name;
        EXPECT_EQ(img.alpha(2, 2), c.mixer ? 200 : 255) << c.name; // corner
        EXPECT_EQ(img.alpha(9, 5), c.mixer ? 200 : 255) << c.name; // right edge
        EXPECT_EQ(img.alpha(1, 5), 0) << c.name;                   // in the update area, outside dest
        EXPECT_EQ(img.alpha(0, 5), 200) << c.name;                 // outside the update area
    }
    // A premultiplied image is re-premultiplied by the new alpha.
    Image32 pre(4, 4, bgra(200, 200, 200, 200));
    const RECT dest{0, 0, 4, 4};
    UpdateAlpha(pre.img, mask.img, &option, &dest, nullptr, false);
    EXPECT_EQ(pre.get(1, 1), bgra(128, 128, 128, 128));
    // Pixels of unknown meaning are taken as premultiplied, as the result is.
    Image32 fresh(4, 4, bgra(200, 200, 200, 255), pamUnknown);
    UpdateAlpha(fresh.img, mask.img, &option, &dest, nullptr, true);
    EXPECT_EQ(fresh.get(1, 1), bgra(100, 100, 100, 128));
    EXPECT_EQ(fresh.img.AlphaMode, pamPremultiplied);
    // An empty or inverted destination clears the update area.
    const RECT inverted{10, 10, 2, 2};
    UpdateAlpha(pre.img, mask.img, &option, &inverted, nullptr, true);
    EXPECT_EQ(pre.get(1, 1), 0u);
}
