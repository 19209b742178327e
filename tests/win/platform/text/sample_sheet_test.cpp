// Paints a sheet of text and shapes into a transparent 32-bit image through the redirected
// drawing functions and writes it as sample-sheet.png into the build folder, for a look.
#include "core/draw/gauss.h"
#include "core/draw/tint.h"
#include "platform/image/draw_image.h"
#include "platform/image/draw_shapes.h"
#include "platform/image/png_image.h"
#include "platform/intercept/draw_redirects.h"
#include "platform/text/alpha_text.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace vell;
using vell::image::TPngImage;

namespace {

win::UniqueFont MakeFont(int height, int quality, int weight = FW_NORMAL) {
    return win::UniqueFont(
        ::CreateFontW(-height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0, L"Tahoma"));
}

void Label(HDC dc, HFONT font, COLORREF color, int x, int y, const wchar_t* text, UINT flags = 0) {
    HGDIOBJ old = ::SelectObject(dc, font);
    ::SetTextColor(dc, color);
    RECT r{x, y, x + 200, y + 30};
    ::DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER | flags);
    ::SelectObject(dc, old);
}

// A block of the image's pixels as a kernel descriptor.
draw::TPixelData Block(TPngImage& img, int x, int y, int w, int h) {
    auto* row0 = static_cast<uint8_t*>(img.GetScanline(y));
    auto* row1 = static_cast<uint8_t*>(img.GetScanline(y + 1));
    draw::TPixelData d;
    d.Width = w;
    d.Height = h;
    d.Stride = static_cast<int32_t>(row1 - row0);
    d.Format = draw::pfBits32;
    d.BitsPerPixel = 32;
    d.Scan0 = row0 + x * 4;
    return d;
}

void Picture(HDC dc, int x, int y) {
    const COLORREF colours[] = {RGB(220, 40, 40), RGB(40, 180, 60), RGB(40, 80, 220), RGB(240, 200, 30)};
    for (int i = 0; i < 4; ++i) {
        win::UniqueBrush b(::CreateSolidBrush(colours[i]));
        RECT r{x + (i % 2) * 40, y + (i / 2) * 30, x + (i % 2) * 40 + 40, y + (i / 2) * 30 + 30};
        ::FillRect(dc, &r, b.get());
    }
    ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::Ellipse(dc, x + 25, y + 15, x + 55, y + 45);
}

TEST(SampleSheet, WritesTextShapesAndPictures) {
    InstallDrawingRedirects();
    InstallAlphaTextRenderer();
    constexpr int W = 440, H = 365;
    TPngImage* img = TPngImage::CreateARGB32(W, H, true);
    ASSERT_TRUE(img);
    HDC dc = img->CanvasHandle();
    ASSERT_TRUE(dc);
    ::SetBkMode(dc, TRANSPARENT);

    win::UniqueFont plain = MakeFont(16, NONANTIALIASED_QUALITY);
    win::UniqueFont smooth = MakeFont(16, ANTIALIASED_QUALITY);
    win::UniqueFont bold = MakeFont(20, ANTIALIASED_QUALITY, FW_BOLD);

    Label(dc, plain.get(), RGB(0, 0, 0), 10, 5, L"Plain black text");
    Label(dc, smooth.get(), RGB(0, 0, 0), 220, 5, L"Antialiased black text");
    Label(dc, smooth.get(), RGB(255, 255, 255), 10, 35, L"White with shadow", DT_VELL_SHADOW);
    Label(dc, bold.get(), RGB(40, 120, 230), 220, 35, L"Blue bold, shadow", DT_VELL_SHADOW);
    Label(dc, smooth.get(), 0x80C00000, 10, 65, L"Half-transparent navy");
    Label(dc, plain.get(), RGB(200, 0, 0), 220, 65, L"Plain red, shadow", DT_VELL_SHADOW);

    // Shapes.
    win::UniqueBrush green(::CreateSolidBrush(RGB(30, 160, 70)));
    RECT fr{10, 105, 70, 145};
    ::FillRect(dc, &fr, green.get());
    win::UniqueBrush glass(::CreateSolidBrush(0x80FF8000));
    RECT gr{45, 125, 115, 165};
    ::FillRect(dc, &gr, glass.get());
    win::UniquePen red(::CreatePen(PS_SOLID, 3, RGB(200, 30, 30)));
    HGDIOBJ oldPen = ::SelectObject(dc, red.get());
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, 130, 105, 200, 160);
    ::SelectObject(dc, green.get());
    ::Ellipse(dc, 150, 120, 210, 170);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);

    // Text on an opaque patch (the fast path) and on a translucent one.
    win::UniqueBrush paper(::CreateSolidBrush(RGB(250, 245, 225)));
    RECT pr{220, 100, 430, 130};
    ::FillRect(dc, &pr, paper.get());
    Label(dc, plain.get(), RGB(0, 0, 0), 225, 100, L"On an opaque patch");
    RECT tr{220, 135, 430, 165};
    ::FillRect(dc, &tr, glass.get());
    Label(dc, smooth.get(), RGB(255, 255, 255), 225, 135, L"On glass, shadow", DT_VELL_SHADOW);

    // Pictures: plain, tinted, blurred.
    Picture(dc, 10, 180);
    Picture(dc, 110, 180);
    Picture(dc, 210, 180);
    ::GdiFlush();
    draw::TintPixels(Block(*img, 110, 180, 80, 60), 0xFF2090E0);
    draw::BlurPixels(Block(*img, 210, 180, 80, 60), Block(*img, 210, 180, 80, 60), 4, 2.0);
    Label(dc, smooth.get(), RGB(0, 0, 0), 310, 195, L"plain, tint, blur");

    // Opaque label backgrounds, with and without a shadow.
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, RGB(30, 90, 50));
    Label(dc, smooth.get(), RGB(255, 255, 255), 10, 250, L"Opaque label, shadow", DT_VELL_SHADOW);
    ::SetBkColor(dc, 0x80505050);
    Label(dc, smooth.get(), RGB(255, 255, 0), 220, 250, L"Translucent label");
    ::SetBkMode(dc, TRANSPARENT);

    // Smooth shapes, and pictures cut to a rounded rectangle and to an ellipse.
    using namespace vell::image;
    FillEllipseSmooth(*img, 10, 290, 70, 350, RGB(230, 120, 30), 0, clDefault, false);
    FillRoundRectSmooth(*img, 80, 290, 160, 350, 24, 24, RGB(250, 245, 225), 3, RGB(40, 80, 220), true);
    FillEllipseSmooth(*img, 120, 310, 190, 360, 0x80FF8000, 2, RGB(20, 20, 20), false);
    for (int i = 0; i < 2; ++i) {
        TPngImage* pic = TPngImage::CreateARGB32(80, 60, true);
        Picture(pic->CanvasHandle(), 0, 0);
        ::GdiFlush();
        if (i == 0)
            CutRoundRectSmooth(*pic, 0, 0, 80, 60, 24, 24);
        else
            CutEllipseSmooth(*pic, 0, 0, 80, 60);
        DrawTo(*pic, img, 200 + i * 90, 290, nullptr);
        pic->Free();
    }
    Label(dc, smooth.get(), RGB(0, 0, 0), 380, 305, L"cut");

    // Any transparent pixel of a premultiplied image has black colour.
    int transparent = 0, inked = 0;
    for (int y = 0; y < H; ++y) {
        auto* p = static_cast<const uint8_t*>(img->GetScanline(y));
        for (int x = 0; x < W; ++x, p += 4) {
            if (p[3] == 0) {
                ++transparent;
                EXPECT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
            } else {
                ++inked;
                EXPECT_LE(std::max({p[0], p[1], p[2]}), p[3]) << x << "," << y;
            }
        }
    }
    EXPECT_GT(transparent, W * H / 3);
    EXPECT_GT(inked, 5000);

    img->SetAlphaPreMultiplied(true);
    EXPECT_NO_THROW(img->SaveToFile(VELL_BINARY_DIR L"\\sample-sheet.png"));
    img->Free();
}

} // namespace
