#include "platform/image/dc_registry.h"
#include "platform/intercept/draw_redirects.h"
#include "platform/intercept/platform_calls.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace vell;
using namespace vell::win;

namespace {

constexpr int kSize = 16;

// Pixels as 0xAARRGGBB (the bytes blue, green, red, alpha).
constexpr uint32_t Px(int a, int r, int g, int b) {
    return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
}

constexpr uint32_t Opaque(COLORREF c) {
    return Px(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

// A memory DC on a 32-bit DIB section, cleared to transparent black.
class Surface {
  public:
    explicit Surface(int bits = 32, int w = kSize, int h = kSize)
        : w_(w), h_(h), dc_(::CreateCompatibleDC(nullptr)), dib_(DibSection::create(w, h, bits)),
          sel_(dc_.get(), dib_.handle()) {}
    HDC dc() const { return dc_.get(); }
    uint32_t at(int x, int y) const {
        ::GdiFlush();
        uint32_t v;
        std::memcpy(&v, dib_.bits() + (static_cast<size_t>(y) * w_ + x) * 4, 4);
        return v;
    }
    void fill(uint32_t v) {
        ::GdiFlush();
        for (int i = 0; i < w_ * h_; ++i)
            std::memcpy(dib_.bits() + i * 4, &v, 4);
    }
    std::vector<uint8_t> bytes(int bpp) const {
        ::GdiFlush();
        const size_t stride = ((static_cast<size_t>(w_) * bpp + 31) / 32) * 4;
        return std::vector<uint8_t>(dib_.bits(), dib_.bits() + stride * h_);
    }
    // Counts pixels inside [x0,x1) x [y0,y1) with exactly this value.
    int count(uint32_t v, int x0 = 0, int y0 = 0, int x1 = kSize, int y1 = kSize) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += at(x, y) == v;
        return n;
    }

  private:
    int w_, h_;
    UniqueMemoryDC dc_;
    DibSection dib_;
    SelectObjectGuard sel_;
};

// A registered alpha surface.
class AlphaSurface : public Surface {
  public:
    AlphaSurface() { MakeDC32(dc(), this); }
    ~AlphaSurface() { RemoveDC32(dc(), this); }
};

class Redirected : public testing::Test {
  protected:
    static void SetUpTestSuite() { InstallDrawingRedirects(); }
};

void Fill(HDC dc, RECT r, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    ::FillRect(dc, &r, brush.get());
}

} // namespace

// ---- Fills ----

TEST_F(Redirected, FillRectOnAlphaDC) {
    struct Case {
        const char* what;
        COLORREF brush;
        uint32_t inside;
    };
    const Case cases[] = {
        {"solid red", RGB(255, 0, 0), Px(255, 255, 0, 0)},
        {"half-transparent blue", 0x80FF0000, Px(128, 0, 0, 128)},
        {"white", RGB(255, 255, 255), Px(255, 255, 255, 255)},
        {"black", RGB(0, 0, 0), Px(255, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AlphaSurface s;
        Fill(s.dc(), RECT{2, 3, 6, 8}, c.brush);
        EXPECT_EQ(s.at(2, 3), c.inside);
        EXPECT_EQ(s.at(5, 7), c.inside);
        EXPECT_EQ(s.count(c.inside), 4 * 5);
        EXPECT_EQ(s.count(0), kSize * kSize - 20); // outside unchanged
    }
}

TEST_F(Redirected, FillRectHollowAndSystemBrushes) {
    AlphaSurface s;
    s.fill(Px(255, 1, 2, 3));
    RECT r{0, 0, 4, 4};
    EXPECT_NE(::FillRect(s.dc(), &r, static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH))), 0);
    EXPECT_EQ(s.at(0, 0), 0u);
    EXPECT_EQ(s.at(3, 3), 0u);
    EXPECT_EQ(s.at(4, 4), Px(255, 1, 2, 3));

    // Handle 1 + COLOR_WINDOW means the window colour's brush.
    ::FillRect(s.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(s.at(1, 1), Opaque(::GetSysColor(COLOR_WINDOW)));

    // A half-transparent fill over an opaque one: source-over in premultiplied bytes.
    AlphaSurface t;
    Fill(t.dc(), RECT{0, 0, 8, 8}, RGB(255, 255, 255));
    Fill(t.dc(), RECT{0, 0, 8, 8}, 0x800000FF); // red at opacity 128
    EXPECT_EQ(t.at(0, 0), Px(255, 255, 127, 127));
}

TEST_F(Redirected, WhiteFillOnAnyDib32) {
    Surface plain; // not registered, but a 32-bit DIB section
    Fill(plain.dc(), RECT{0, 0, 2, 2}, RGB(255, 255, 255));
    EXPECT_EQ(plain.at(0, 0), Px(255, 255, 255, 255));
    Fill(plain.dc(), RECT{0, 0, 2, 2}, RGB(255, 0, 0)); // other colours: the platform's own fill
    EXPECT_EQ(plain.at(0, 0), Px(0, 255, 0, 0));
}

TEST_F(Redirected, FrameRectEdgeAndFrameControl) {
    AlphaSurface s;
    UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
    RECT r{1, 1, 7, 7};
    ::FrameRect(s.dc(), &r, red.get());
    EXPECT_EQ(s.at(1, 1), Px(255, 255, 0, 0));
    EXPECT_EQ(s.at(6, 6), Px(255, 255, 0, 0));
    EXPECT_EQ(s.at(3, 3), 0u); // interior untouched
    EXPECT_EQ(s.count(Px(255, 255, 0, 0)), 20);

    AlphaSurface e;
    RECT er{0, 0, 10, 10};
    ASSERT_TRUE(::DrawEdge(e.dc(), &er, EDGE_RAISED, BF_RECT));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(e.at(i, 0) >> 24, 255u) << i;
        EXPECT_EQ(e.at(i, 1) >> 24, 255u) << i; // the inner edge line too
        EXPECT_EQ(e.at(9, i) >> 24, 255u) << i;
    }
    EXPECT_EQ(e.at(5, 5), 0u);

    AlphaSurface m;
    RECT mr{0, 0, 10, 10};
    ::DrawEdge(m.dc(), &mr, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
    EXPECT_EQ(m.count(0, 0, 0, 10, 10), 0);
    EXPECT_EQ(m.at(5, 5), Opaque(::GetSysColor(COLOR_BTNFACE)));

    AlphaSurface b;
    RECT br{0, 0, 12, 12};
    ASSERT_TRUE(::DrawFrameControl(b.dc(), &br, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(b.count(0, 0, 0, 12, 12), 0); // all opaque

    AlphaSurface radio;
    RECT rr{0, 0, 13, 13};
    ASSERT_TRUE(::DrawFrameControl(radio.dc(), &rr, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
    EXPECT_EQ(radio.at(0, 0), 0u);         // outside the circle
    EXPECT_EQ(radio.at(6, 6) >> 24, 255u); // the dot
}

// ---- Blits and pixels ----

TEST_F(Redirected, BlitsMakeOpaque) {
    Surface src24(24);
    Fill(src24.dc(), RECT{0, 0, kSize, kSize}, RGB(10, 20, 30));
    AlphaSurface s;
    ASSERT_TRUE(::BitBlt(s.dc(), 2, 2, 4, 4, src24.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(s.at(2, 2), Px(255, 10, 20, 30));
    EXPECT_EQ(s.at(5, 5), Px(255, 10, 20, 30));
    EXPECT_EQ(s.at(6, 6), 0u);

    ASSERT_TRUE(::StretchBlt(s.dc(), 8, 8, 6, 6, src24.dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(s.count(Px(255, 10, 20, 30), 8, 8, 14, 14), 36);

    ASSERT_TRUE(::BitBlt(s.dc(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(s.at(1, 1), Px(255, 0, 0, 0));

    // A 32-bit DIB source keeps its own alpha.
    Surface src32;
    src32.fill(Px(64, 64, 0, 0));
    ASSERT_TRUE(::BitBlt(s.dc(), 12, 0, 2, 2, src32.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(s.at(12, 0), Px(64, 64, 0, 0));
}

TEST_F(Redirected, SetPixelIsOpaque) {
    AlphaSurface s;
    EXPECT_EQ(::SetPixel(s.dc(), 3, 4, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(s.at(3, 4), Px(255, 1, 2, 3));
    EXPECT_EQ(s.count(0), kSize * kSize - 1);
}

// ---- Shapes and lines ----

TEST_F(Redirected, ShapesUsePenAndBrush) {
    AlphaSurface s;
    UniquePen pen(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    UniqueBrush brush(::CreateSolidBrush(RGB(0, 0, 255)));
    SelectObjectGuard p(s.dc(), pen.get()), b(s.dc(), brush.get());
    ASSERT_TRUE(::Rectangle(s.dc(), 1, 1, 8, 8));
    EXPECT_EQ(s.at(1, 1), Px(255, 255, 0, 0));
    EXPECT_EQ(s.at(7, 4), Px(255, 255, 0, 0));
    EXPECT_EQ(s.at(4, 4), Px(255, 0, 0, 255));
    EXPECT_EQ(s.at(8, 8), 0u);
    EXPECT_EQ(s.at(0, 0), 0u);

    AlphaSurface e;
    SelectObjectGuard ep(e.dc(), pen.get()), eb(e.dc(), brush.get());
    ASSERT_TRUE(::Ellipse(e.dc(), 0, 0, 16, 16));
    EXPECT_EQ(e.at(0, 0), 0u);
    EXPECT_EQ(e.at(8, 8), Px(255, 0, 0, 255));
    ASSERT_TRUE(::RoundRect(e.dc(), 0, 0, 16, 16, 12, 12)); // same bounds, smaller corners
    EXPECT_EQ(e.at(0, 0), 0u);
    EXPECT_EQ(e.at(0, 8), Px(255, 255, 0, 0));

    // A half-transparent brush with an opaque pen: fill and outline keep their own opacity.
    AlphaSurface h;
    UniqueBrush halfBlue(::CreateSolidBrush(0x80FF0000));
    SelectObjectGuard hp(h.dc(), pen.get()), hb(h.dc(), halfBlue.get());
    ASSERT_TRUE(::Rectangle(h.dc(), 1, 1, 8, 8));
    EXPECT_EQ(h.at(1, 1), Px(255, 255, 0, 0));
    EXPECT_EQ(h.at(4, 4), Px(128, 0, 0, 128));

    // R2_NOP draws nothing.
    AlphaSurface n;
    ::SetROP2(n.dc(), R2_NOP);
    ::Rectangle(n.dc(), 0, 0, 8, 8);
    EXPECT_EQ(n.count(0), kSize * kSize);
}

TEST_F(Redirected, LinesAndCurrentPosition) {
    AlphaSurface s;
    UniquePen pen(::CreatePen(PS_SOLID, 1, RGB(0, 255, 0)));
    SelectObjectGuard p(s.dc(), pen.get());
    ::MoveToEx(s.dc(), 1, 2, nullptr);
    ASSERT_TRUE(::LineTo(s.dc(), 9, 2));
    EXPECT_EQ(s.count(Px(255, 0, 255, 0)), 8); // 1..8, the end point excluded
    EXPECT_EQ(s.at(9, 2), 0u);
    POINT pos{};
    ::GetCurrentPositionEx(s.dc(), &pos);
    EXPECT_EQ(pos.x, 9);
    EXPECT_EQ(pos.y, 2);

    const POINT pts[] = {{0, 5}, {0, 10}, {5, 10}};
    ASSERT_TRUE(::Polyline(s.dc(), pts, 3));
    EXPECT_EQ(s.at(0, 7), Px(255, 0, 255, 0));
    EXPECT_EQ(s.at(3, 10), Px(255, 0, 255, 0));

    UniquePen half(::CreatePen(PS_SOLID, 1, 0x40FFFFFF));
    SelectObjectGuard hp(s.dc(), half.get());
    ::MoveToEx(s.dc(), 0, 14, nullptr);
    ::LineTo(s.dc(), 4, 14);
    EXPECT_EQ(s.at(2, 14), Px(64, 64, 64, 64));

    ::SetROP2(s.dc(), R2_NOP);
    EXPECT_EQ(::LineTo(s.dc(), 15, 15), -1);
    EXPECT_EQ(s.at(15, 15), 0u);
}

// ---- Pictures ----

TEST_F(Redirected, IconsAndImageLists) {
    AlphaSurface s;
    HICON icon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(::DrawIconEx(s.dc(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL));
    EXPECT_GT(s.count(0), 0) << "some icon pixels are transparent";
    int opaque = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            opaque += s.at(x, y) >> 24 == 255;
    EXPECT_GT(opaque, 0);

    // A masked 24-bit image list item: masked pixels stay transparent.
    HIMAGELIST list = ::ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 1);
    ASSERT_NE(list, nullptr);
    Surface item(24, 4, 4), mask(24, 4, 4);
    Fill(item.dc(), RECT{0, 0, 4, 4}, RGB(0, 128, 0));
    Fill(mask.dc(), RECT{0, 0, 4, 4}, RGB(0, 0, 0));
    Fill(mask.dc(), RECT{0, 0, 2, 4}, RGB(255, 255, 255)); // left half transparent
    UniqueBitmap itemBmp(::CreateCompatibleBitmap(item.dc(), 4, 4)),
        maskBmp(::CreateBitmap(4, 4, 1, 1, nullptr));
    {
        UniqueMemoryDC a(::CreateCompatibleDC(nullptr)), m(::CreateCompatibleDC(nullptr));
        SelectObjectGuard sa(a.get(), itemBmp.get()), sm(m.get(), maskBmp.get());
        Platform().BitBlt(a.get(), 0, 0, 4, 4, item.dc(), 0, 0, SRCCOPY);
        Platform().BitBlt(m.get(), 0, 0, 4, 4, mask.dc(), 0, 0, SRCCOPY);
    }
    ASSERT_EQ(::ImageList_Add(list, itemBmp.get(), maskBmp.get()), 0);
    AlphaSurface l;
    EXPECT_TRUE(::ImageList_DrawEx(list, 0, l.dc(), 4, 4, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL));
    EXPECT_EQ(l.at(4, 4), 0u);
    EXPECT_EQ(l.at(6, 4), Px(255, 0, 128, 0));
    EXPECT_EQ(l.at(7, 7), Px(255, 0, 128, 0));
    ::ImageList_Destroy(list);
}

// ---- Text ----

namespace {
int gTextCalls = 0;
int WINAPI FakeDrawText(HDC, LPCWSTR, int, LPRECT, UINT) {
    return ++gTextCalls, 7;
}
} // namespace

TEST_F(Redirected, TextGoesToTheAlphaRenderer) {
    AlphaSurface a;
    Surface plain(24);
    RECT r{0, 0, kSize, kSize};
    SetAlphaTextRenderer(AlphaTextRenderer{FakeDrawText, nullptr, nullptr, nullptr});
    EXPECT_EQ(::DrawTextW(a.dc(), L"x", 1, &r, 0), 7);
    EXPECT_EQ(gTextCalls, 1);
    EXPECT_NE(::DrawTextW(plain.dc(), L"x", 1, &r, 0), 7); // platform text on other DCs
    EXPECT_EQ(gTextCalls, 1);
    // No renderer for TextOutW: the platform's function runs.
    EXPECT_TRUE(::TextOutW(a.dc(), 0, 0, L"x", 1));
    SetAlphaTextRenderer(AlphaTextRenderer{});
    EXPECT_NE(::DrawTextW(a.dc(), L"x", 1, &r, 0), 7);
}

// ---- Other DCs: exactly the platform ----

namespace {

using Op = std::function<void(HDC dc, const PlatformCalls* platform)>;

// Each drawing call either through the (redirected) import or straight to the platform.
const std::vector<std::pair<const char*, Op>>& Ops() {
    static const std::vector<std::pair<const char*, Op>> ops = {
        {"FillRect",
         [](HDC dc, const PlatformCalls* p) {
             RECT r{1, 1, 9, 9};
             HBRUSH b = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
             p ? p->FillRect(dc, &r, b) : ::FillRect(dc, &r, b);
         }},
        {"FrameRect",
         [](HDC dc, const PlatformCalls* p) {
             RECT r{2, 2, 12, 12};
             HBRUSH b = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
             p ? p->FrameRect(dc, &r, b) : ::FrameRect(dc, &r, b);
         }},
        {"DrawEdge",
         [](HDC dc, const PlatformCalls* p) {
             RECT r{0, 0, 14, 14};
             p ? p->DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT) : ::DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
         }},
        {"Rectangle",
         [](HDC dc, const PlatformCalls* p) {
             p ? p->Rectangle(dc, 3, 3, 13, 10) : ::Rectangle(dc, 3, 3, 13, 10);
         }},
        {"Ellipse",
         [](HDC dc, const PlatformCalls* p) {
             p ? p->Ellipse(dc, 0, 0, 15, 15) : ::Ellipse(dc, 0, 0, 15, 15);
         }},
        {"LineTo",
         [](HDC dc, const PlatformCalls* p) {
             ::MoveToEx(dc, 0, 0, nullptr);
             p ? p->LineTo(dc, 15, 11) : ::LineTo(dc, 15, 11);
         }},
        {"SetPixel",
         [](HDC dc, const PlatformCalls* p) {
             p ? p->SetPixel(dc, 5, 6, RGB(9, 8, 7)) : ::SetPixel(dc, 5, 6, RGB(9, 8, 7));
         }},
        {"BitBlt",
         [](HDC dc, const PlatformCalls* p) {
             p ? p->BitBlt(dc, 4, 4, 5, 5, nullptr, 0, 0, DSTINVERT)
               : ::BitBlt(dc, 4, 4, 5, 5, nullptr, 0, 0, DSTINVERT);
         }},
        {"DrawTextW",
         [](HDC dc, const PlatformCalls* p) {
             RECT r{0, 0, 16, 16};
             p ? p->DrawTextW(dc, L"Ag", 2, &r, 0) : ::DrawTextW(dc, L"Ag", 2, &r, 0);
         }},
    };
    return ops;
}

} // namespace

TEST_F(Redirected, OrdinaryDibDCsDrawExactlyAsThePlatform) {
    for (int bits : {24, 32}) {
        for (const auto& [name, op] : Ops()) {
            SCOPED_TRACE(testing::Message() << name << " on " << bits << " bits");
            if (bits == 32 && std::string(name) == "FillRect") continue; // white fills are special on DIBs
            Surface viaImport(bits), viaPlatform(bits);
            op(viaImport.dc(), nullptr);
            op(viaPlatform.dc(), &Platform());
            EXPECT_EQ(viaImport.bytes(bits), viaPlatform.bytes(bits));
        }
    }
}

TEST_F(Redirected, WindowDCDrawsExactlyAsThePlatform) {
    HWND wnd = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, kSize, kSize,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    ::UpdateWindow(wnd);
    auto capture = [&](const Op& op, const PlatformCalls* p) {
        WindowDC dc(wnd);
        RECT all{0, 0, kSize, kSize};
        Platform().FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        op(dc.get(), p);
        Surface shot(24);
        Platform().BitBlt(shot.dc(), 0, 0, kSize, kSize, dc.get(), 0, 0, SRCCOPY);
        return shot.bytes(24);
    };
    for (const auto& [name, op] : Ops()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(capture(op, nullptr), capture(op, &Platform()));
    }
    ::DestroyWindow(wnd);
}

// ---- Bad input ----

TEST_F(Redirected, BadInputDrawsNothingAndDoesNotCrash) {
    AlphaSurface s;
    HBRUSH red = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    const RECT bad[] = {{5, 5, 5, 9}, {5, 5, 9, 5}, {9, 9, 2, 2}, {100, 100, 200, 200}, {-50, -50, -10, -10}};
    for (HDC dc : {s.dc(), HDC(nullptr)}) {
        for (RECT r : bad) {
            ::FillRect(dc, &r, red);
            ::FrameRect(dc, &r, red);
            ::DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
            ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONRADIO);
            ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
            ::Ellipse(dc, r.left, r.top, r.right, r.bottom);
            ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, 0, 0, BLACKNESS);
            ::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, s.dc(), 0, 0, 4, 4, SRCCOPY);
            ::SetPixel(dc, r.left, r.top, 0);
            ::MoveToEx(dc, r.left, r.top, nullptr);
            ::LineTo(dc, r.right, r.bottom);
        }
        ::FillRect(dc, nullptr, red);
        ::Polyline(dc, nullptr, 3);
        ::DrawIconEx(dc, 0, 0, nullptr, 0, 0, 0, nullptr, DI_NORMAL);
        ::ImageList_DrawEx(nullptr, 0, dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    }
    // Only the inverted rectangle {9,9,2,2} may have drawn (GDI normalises it); the pixels
    // far from it are untouched.
    EXPECT_EQ(s.at(15, 15), 0u);
    EXPECT_EQ(s.at(0, 15), 0u);
}
