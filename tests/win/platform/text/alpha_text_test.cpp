#include "platform/text/alpha_text.h"

#include "platform/image/dc_registry.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"
#include "platform/intercept/draw_redirects.h"
#include "platform/intercept/platform_calls.h"
#include "platform/text/canvas_font.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace vell;
using namespace vell::win;

namespace {

constexpr int kW = 200, kH = 48;
const wchar_t kText[] = L"Launching Vellora";

// A memory DC on a 32-bit DIB section with a font selected; transparent black at first.
class Surface {
  public:
    Surface(int quality, bool registered, int w = kW, int h = kH)
        : w_(w), h_(h), dc_(::CreateCompatibleDC(nullptr)), dib_(DibSection::create(w, h, 32)),
          sel_(dc_.get(), dib_.handle()), font_(::CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                                              DEFAULT_CHARSET, 0, 0, quality, 0, L"Tahoma")),
          fontSel_(dc_.get(), font_.get()), registered_(registered) {
        if (registered_) MakeDC32(dc(), this);
        fill(0);
    }
    ~Surface() {
        if (registered_) RemoveDC32(dc(), this);
    }
    HDC dc() const { return dc_.get(); }
    int width() const { return w_; }
    int height() const { return h_; }
    uint8_t* bits() const { return dib_.bits(); }
    const uint8_t* px(int x, int y) const {
        ::GdiFlush();
        return dib_.bits() + (static_cast<size_t>(y) * w_ + x) * 4;
    }
    uint8_t alpha(int x, int y) const { return px(x, y)[3]; }
    void fill(uint32_t v) {
        ::GdiFlush();
        for (int i = 0; i < w_ * h_; ++i)
            std::memcpy(dib_.bits() + static_cast<size_t>(i) * 4, &v, 4);
    }
    std::vector<uint8_t> bytes() const {
        ::GdiFlush();
        return std::vector<uint8_t>(dib_.bits(), dib_.bits() + static_cast<size_t>(w_) * h_ * 4);
    }
    bool white(int x, int y) const {
        const uint8_t* p = px(x, y);
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }

  private:
    int w_, h_;
    UniqueMemoryDC dc_;
    DibSection dib_;
    SelectObjectGuard sel_;
    UniqueFont font_;
    SelectObjectGuard fontSel_;
    bool registered_;
};

// The same text drawn by the platform itself, black on white, on an unregistered surface.
std::unique_ptr<Surface> Reference(int quality, const std::function<void(HDC)>& draw) {
    auto ref = std::make_unique<Surface>(quality, false);
    ref->fill(0xFFFFFFFF);
    ::SetBkMode(ref->dc(), TRANSPARENT);
    ::SetTextColor(ref->dc(), RGB(0, 0, 0));
    draw(ref->dc());
    ::GdiFlush();
    return ref;
}

class AlphaText : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        InstallDrawingRedirects();
        InstallAlphaTextRenderer();
    }
};

struct QualityCase {
    const char* name;
    int quality;
    bool antialiased;
};
const QualityCase kQualities[] = {
    {"plain", NONANTIALIASED_QUALITY, false},
    {"antialiased", ANTIALIASED_QUALITY, true},
};

// Expected alpha of black text over transparent pixels, from the platform's own rendering.
uint8_t ExpectedCoverage(const uint8_t* ref, bool antialiased) {
    if (ref[0] == 255 && ref[1] == 255 && ref[2] == 255) return 0;
    if (antialiased) return static_cast<uint8_t>(255 - (ref[2] * ref[2] + 127) / 255);
    const int grey = (ref[2] * 77 + ref[1] * 151 + ref[0] * 28) >> 8;
    return static_cast<uint8_t>(std::min(255 - grey + 22, 255));
}

TEST_F(AlphaText, BlackTextOnTransparentGetsCoverageAsAlpha) {
    for (const QualityCase& q : kQualities) {
        SCOPED_TRACE(q.name);
        RECT r{10, 8, kW - 10, kH - 8};
        Surface s(q.quality, true);
        ::SetBkMode(s.dc(), TRANSPARENT);
        ::SetTextColor(s.dc(), RGB(0, 0, 0));
        RECT rr = r;
        const int got = ::DrawTextW(s.dc(), kText, -1, &rr, DT_SINGLELINE);
        auto ref = Reference(q.quality, [&](HDC dc) {
            RECT x = r;
            Platform().DrawTextW(dc, kText, -1, &x, DT_SINGLELINE);
        });
        EXPECT_GT(got, 0);
        int ink = 0, mismatches = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint8_t want = ExpectedCoverage(ref->px(x, y), q.antialiased);
                const uint8_t* p = s.px(x, y);
                ink += want != 0;
                if (std::abs(p[3] - want) > 1 || p[0] || p[1] || p[2]) ++mismatches;
            }
        EXPECT_GT(ink, 50);
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(AlphaText, TranslucentWhiteTextStaysAtItsOpacity) {
    Surface s(ANTIALIASED_QUALITY, true);
    ::SetBkMode(s.dc(), TRANSPARENT);
    ::SetTextColor(s.dc(), 0x80FFFFFF);
    RECT r{0, 0, kW, kH};
    ::DrawTextW(s.dc(), kText, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    int maxAlpha = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = s.px(x, y);
            maxAlpha = std::max<int>(maxAlpha, p[3]);
            EXPECT_LE(p[2], p[3]); // premultiplied
        }
    EXPECT_GT(maxAlpha, 100);
    EXPECT_LE(maxAlpha, 128);
    EXPECT_EQ(::GetTextColor(s.dc()), 0x80FFFFFFu);
}

TEST_F(AlphaText, OpaqueTargetStaysOpaqueAndGetsTheText) {
    for (const QualityCase& q : kQualities) {
        SCOPED_TRACE(q.name);
        Surface s(q.quality, true);
        s.fill(0xFFFFFFFF);
        ::SetBkMode(s.dc(), TRANSPARENT);
        ::SetTextColor(s.dc(), RGB(0, 0, 0));
        RECT r{4, 4, kW - 4, kH - 4};
        ::DrawTextW(s.dc(), kText, -1, &r, DT_SINGLELINE | DT_VCENTER);
        auto ref = Reference(q.quality, [&](HDC dc) {
            RECT x = r;
            Platform().DrawTextW(dc, kText, -1, &x, DT_SINGLELINE | DT_VCENTER);
        });
        int notOpaque = 0, differ = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                notOpaque += s.alpha(x, y) != 255;
                differ += std::abs(s.px(x, y)[1] - ref->px(x, y)[1]) > 2;
            }
        EXPECT_EQ(notOpaque, 0);
        EXPECT_EQ(differ, 0);
    }
}

// Alpha-weighted centre of the pixels.
struct Centre {
    double x = 0, y = 0;
    int count = 0;
};
Centre AlphaCentre(const Surface& s) {
    Centre c;
    double sum = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const int a = s.alpha(x, y);
            c.x += a * x;
            c.y += a * y;
            sum += a;
            c.count += a != 0;
        }
    if (sum > 0) c.x /= sum, c.y /= sum;
    return c;
}

// Also for centred text, whose lines the renderer places by their ink: the shadow follows.
TEST_F(AlphaText, ShadowFlagAddsASoftShadowDownRight) {
    RECT r{10, 8, kW - 10, kH - 8};
    for (UINT align : {UINT(DT_LEFT), UINT(DT_CENTER)}) {
        SCOPED_TRACE(align);
        auto draw = [&](Surface& s, UINT extra) {
            ::SetBkMode(s.dc(), TRANSPARENT);
            ::SetTextColor(s.dc(), RGB(255, 255, 255));
            RECT x = r;
            ::DrawTextW(s.dc(), kText, -1, &x, DT_SINGLELINE | align | extra);
        };
        Surface plain(ANTIALIASED_QUALITY, true), shadowed(ANTIALIASED_QUALITY, true);
        draw(plain, 0);
        draw(shadowed, DT_VELL_SHADOW);
        const Centre a = AlphaCentre(plain), b = AlphaCentre(shadowed);
        EXPECT_GT(b.count, a.count + 50);
        EXPECT_GT(b.x, a.x + 0.2);
        EXPECT_GT(b.y, a.y + 0.2);
        // Where the text left nothing, only the dark, partly transparent shadow is.
        int softDark = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (plain.alpha(x, y) == 0 && shadowed.alpha(x, y) != 0) {
                    const uint8_t* p = shadowed.px(x, y);
                    EXPECT_EQ(p[2], 0);
                    EXPECT_LT(p[3], 255);
                    ++softDark;
                }
        EXPECT_GT(softDark, 50);
    }
}

TEST_F(AlphaText, CalcRectMeasuresLikeThePlatformAndDrawsNothing) {
    Surface s(ANTIALIASED_QUALITY, true), ref(ANTIALIASED_QUALITY, false);
    for (UINT flags : {UINT(DT_SINGLELINE), UINT(DT_WORDBREAK), UINT(DT_CENTER | DT_WORDBREAK)}) {
        RECT a{0, 0, 60, 0}, b{0, 0, 60, 0};
        const int ha = ::DrawTextW(s.dc(), kText, -1, &a, flags | DT_CALCRECT);
        const int hb = Platform().DrawTextW(ref.dc(), kText, -1, &b, flags | DT_CALCRECT);
        EXPECT_EQ(ha, hb);
        EXPECT_TRUE(::EqualRect(&a, &b));
    }
    for (uint8_t v : s.bytes())
        ASSERT_EQ(v, 0);
}

TEST_F(AlphaText, OrdinaryDCsGetThePlatformDrawingOnly) {
    // An unregistered 32-bit surface: exactly what the platform draws (alpha left 0).
    Surface s(ANTIALIASED_QUALITY, false), ref(ANTIALIASED_QUALITY, false);
    for (Surface* t : {&s, &ref}) {
        ::SetBkMode(t->dc(), TRANSPARENT);
        ::SetTextColor(t->dc(), RGB(200, 30, 30));
    }
    RECT a{0, 0, kW, kH}, b = a;
    EXPECT_EQ(AlphaDrawTextW(s.dc(), kText, -1, &a, DT_CENTER | DT_SINGLELINE | DT_VELL_SHADOW),
              Platform().DrawTextW(ref.dc(), kText, -1, &b, DT_CENTER | DT_SINGLELINE));
    EXPECT_EQ(s.bytes(), ref.bytes());

    // A window DC.
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(wnd);
    {
        WindowDC dc(wnd);
        RECT c{0, 0, kW, kH}, d = c;
        EXPECT_EQ(::DrawTextW(dc.get(), kText, -1, &c, DT_SINGLELINE),
                  Platform().DrawTextW(dc.get(), kText, -1, &d, DT_SINGLELINE));
        EXPECT_TRUE(::TextOutW(dc.get(), 2, 2, kText, 5));
    }
    ::DestroyWindow(wnd);
}

TEST_F(AlphaText, EmptyHugeAndMissingInputsAreSafe) {
    Surface s(ANTIALIASED_QUALITY, true);
    RECT r{0, 0, kW, kH};
    EXPECT_EQ(::DrawTextW(s.dc(), L"", -1, &r, 0), Platform().DrawTextW(s.dc(), L"", -1, &r, 0));
    EXPECT_EQ(::DrawTextW(s.dc(), kText, 0, &r, 0), Platform().DrawTextW(s.dc(), kText, 0, &r, 0));
    EXPECT_EQ(AlphaDrawTextW(s.dc(), nullptr, 0, &r, 0), Platform().DrawTextW(s.dc(), nullptr, 0, &r, 0));
    EXPECT_EQ(AlphaDrawTextW(nullptr, kText, -1, &r, 0), 0);
    EXPECT_FALSE(AlphaTextOutW(nullptr, 0, 0, kText, 3));
    EXPECT_FALSE(AlphaExtTextOutW(nullptr, 0, 0, 0, nullptr, kText, 3, nullptr));
    EXPECT_TRUE(::TextOutW(s.dc(), 0, 0, L"", 0));
    RECT empty{5, 5, 5, 5};
    ::DrawTextW(s.dc(), kText, -1, &empty, 0);
    RECT outside{kW + 10, 0, kW + 100, kH};
    ::DrawTextW(s.dc(), kText, -1, &outside, 0);
    for (uint8_t v : s.bytes())
        ASSERT_EQ(v, 0);

    std::wstring huge(100000, L'W');
    for (UINT flags : {UINT(0), UINT(DT_CENTER | DT_SINGLELINE), UINT(DT_WORDBREAK | DT_END_ELLIPSIS)}) {
        RECT h{0, 0, kW, kH};
        ::DrawTextW(s.dc(), huge.c_str(), -1, &h, flags);
    }
    ::TextOutW(s.dc(), -50, 0, huge.c_str(), static_cast<int>(huge.size()));
    ::SetTextAlign(s.dc(), TA_RIGHT);
    ::TextOutW(s.dc(), kW, 0, huge.c_str(), static_cast<int>(huge.size()));
    ::SetTextAlign(s.dc(), TA_LEFT | TA_TOP);
    int opaque = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            opaque += s.alpha(x, y) == 255;
    EXPECT_GT(opaque, 100);
}

// Pixels with alpha in `s` are exactly the pixels the platform inked in `ref` (black on white).
void ExpectSameInk(const Surface& s, const Surface& ref, int minInk) {
    int missing = 0, extra = 0, ink = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool want = !ref.white(x, y);
            ink += want;
            missing += want && s.alpha(x, y) == 0;
            extra += !want && s.alpha(x, y) != 0;
        }
    EXPECT_GT(ink, minInk);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(extra, 0);
}

// The same ink as the platform's in every row, each row moved as a whole (centred lines
// are placed by their ink).
void ExpectSameInkAlongRows(const Surface& s, const Surface& ref, int minInk) {
    int ink = 0, differing = 0;
    for (int y = 0; y < kH; ++y) {
        std::vector<int> want, got;
        for (int x = 0; x < kW; ++x) {
            if (!ref.white(x, y)) want.push_back(x);
            if (s.alpha(x, y)) got.push_back(x);
        }
        ink += int(want.size());
        if (want.size() != got.size()) {
            ++differing;
            continue;
        }
        for (size_t i = 0; i < want.size(); ++i)
            if (got[i] - want[i] != got[0] - want[0]) {
                ++differing;
                break;
            }
    }
    EXPECT_GT(ink, minInk);
    EXPECT_EQ(differing, 0) << "rows whose ink differs from the platform's by more than a move";
}

// DrawText placements: the renderer's pixels are exactly where the platform draws, or,
// for centred lines, in the same rows moved sideways.
TEST_F(AlphaText, DrawTextPlacementsKeepTheWholeText) {
    struct Case {
        const char* name;
        UINT flags;
        RECT rect;
    };
    const Case cases[] = {
        {"centred", DT_SINGLELINE | DT_CENTER | DT_VCENTER, {0, 0, kW, kH}},
        {"right bottom", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, {0, 0, kW - 3, kH - 2}},
        {"word break centred", DT_WORDBREAK | DT_CENTER, {40, 0, 120, kH}},
        {"word break ellipsis", DT_WORDBREAK | DT_END_ELLIPSIS, {10, 2, 90, 20}},
        {"no clip", DT_NOCLIP | DT_SINGLELINE, {10, 10, 30, 20}},
        {"path ellipsis", DT_SINGLELINE | DT_PATH_ELLIPSIS, {10, 10, 80, 30}},
    };
    const wchar_t text[] = L"Launching Vellora now\\with a longer line";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(ANTIALIASED_QUALITY, true);
        ::SetBkMode(s.dc(), TRANSPARENT);
        ::SetTextColor(s.dc(), RGB(0, 0, 0));
        RECT r = c.rect;
        ::DrawTextW(s.dc(), text, -1, &r, c.flags);
        auto ref = Reference(ANTIALIASED_QUALITY, [&](HDC dc) {
            RECT x = c.rect;
            Platform().DrawTextW(dc, text, -1, &x, c.flags);
        });
        if (c.flags & DT_CENTER)
            ExpectSameInkAlongRows(s, *ref, 20);
        else
            ExpectSameInk(s, *ref, 20);
    }
}

// Each band of rows with ink (bands closer than `minGap` rows are one line): its columns.
std::vector<std::pair<int, int>> InkLines(const Surface& s, int minGap) {
    std::vector<std::pair<int, int>> lines;
    int gap = minGap;
    for (int y = 0; y < s.height(); ++y) {
        int first = s.width(), last = -1;
        for (int x = 0; x < s.width(); ++x)
            if (s.alpha(x, y)) {
                first = std::min(first, x);
                last = x;
            }
        if (last < 0) {
            ++gap;
            continue;
        }
        if (gap >= minGap || lines.empty())
            lines.push_back({first, last + 1});
        else
            lines.back() = {std::min(lines.back().first, first), std::max(lines.back().second, last + 1)};
        gap = 0;
    }
    return lines;
}

// Centred text has each line's ink in the middle of its rectangle, whatever the width the
// platform measured for it: Wine measures joined Arabic wider than it draws it. Whatever
// face the request gets, the margins left and right of every line are equal within a pixel.
TEST_F(AlphaText, CentredLinesHaveTheirInkInTheMiddle) {
    struct Case {
        const char* name;
        const wchar_t* text;
        UINT flags;
        size_t minLines;
    };
    const Case cases[] = {
        {"one line", L"Launching Vellora...", DT_SINGLELINE | DT_CENTER | DT_VCENTER, 1},
        {"hebrew", L"\u05D4\u05DE\u05E1\u05DA \u05DE\u05E9\u05EA\u05E0\u05D4. Vellora...",
         DT_CENTER | DT_WORDBREAK, 1},
        {"arabic",
         L"\u062A\u062A\u063A\u064A\u0651\u0631 \u0625\u0639\u062F\u0627\u062F\u0627\u062A "
         L"\u0627\u0644\u0634\u0627\u0634\u0629. Vellora...",
         DT_CENTER | DT_WORDBREAK | DT_NOPREFIX, 1},
        {"wrapped", L"Vellora is starting its desktop layout, which takes a moment", DT_CENTER | DT_WORDBREAK,
         2},
    };
    constexpr int w = 420, h = 200;
    for (const QualityCase& q : kQualities)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(q.name) + " " + c.name);
            Surface s(q.quality, true, w, h);
            UniqueFont font(::CreateFontW(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, q.quality,
                                          0, L"Segoe UI"));
            SelectObjectGuard selected(s.dc(), font.get());
            ::SetBkMode(s.dc(), TRANSPARENT);
            ::SetTextColor(s.dc(), RGB(255, 255, 255));
            const RECT r{30, 10, w - 50, h};
            RECT rr = r;
            EXPECT_GT(::DrawTextW(s.dc(), c.text, -1, &rr, c.flags), 0);
            const auto lines = InkLines(s, 4);
            ASSERT_GE(lines.size(), c.minLines);
            for (const auto& [left, right] : lines)
                EXPECT_NEAR(left - r.left, r.right - right, 1) << "ink " << left << ".." << right;
        }
}

// TextOut in every alignment: the renderer's pixels are exactly where the platform draws.
TEST_F(AlphaText, TextOutAlignmentsKeepTheWholeText) {
    struct Case {
        const char* name;
        UINT align;
        int x, y;
    };
    const Case cases[] = {
        {"left top", TA_LEFT | TA_TOP, 10, 10},
        {"right", TA_RIGHT | TA_TOP, kW - 10, 10},
        {"centre", TA_CENTER | TA_TOP, kW / 2, 10},
        {"baseline", TA_LEFT | TA_BASELINE, 10, 30},
        {"baseline right", TA_RIGHT | TA_BASELINE, kW - 10, 30},
        {"baseline centre", TA_CENTER | TA_BASELINE, kW / 2, 30},
        {"bottom", TA_LEFT | TA_BOTTOM, 10, kH - 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int variant = 0; variant < 2; ++variant) {
            Surface s(ANTIALIASED_QUALITY, true);
            ::SetBkMode(s.dc(), TRANSPARENT);
            ::SetTextColor(s.dc(), RGB(0, 0, 0));
            ::SetTextAlign(s.dc(), c.align);
            if (variant == 0)
                ::TextOutW(s.dc(), c.x, c.y, kText, 17);
            else
                ::ExtTextOutW(s.dc(), c.x, c.y, 0, nullptr, kText, 17, nullptr);
            auto ref = Reference(ANTIALIASED_QUALITY, [&](HDC dc) {
                ::SetTextAlign(dc, c.align);
                Platform().TextOutW(dc, c.x, c.y, kText, 17);
            });
            ExpectSameInk(s, *ref, 50);
        }
    }
}

TEST_F(AlphaText, UpdateCurrentPositionAdvancesOnce) {
    Surface s(ANTIALIASED_QUALITY, true), ref(ANTIALIASED_QUALITY, false);
    for (Surface* t : {&s, &ref}) {
        ::SetTextAlign(t->dc(), TA_UPDATECP);
        ::MoveToEx(t->dc(), 7, 5, nullptr);
    }
    ::SetTextColor(s.dc(), 0x80000000);
    ::TextOutW(s.dc(), 0, 0, kText, 8);
    Platform().TextOutW(ref.dc(), 0, 0, kText, 8);
    POINT a{}, b{};
    ::GetCurrentPositionEx(s.dc(), &a);
    ::GetCurrentPositionEx(ref.dc(), &b);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_GT(a.x, 7);
}

TEST_F(AlphaText, BackgroundsAndDcStateRestored) {
    struct Case {
        const char* name;
        COLORREF text, back;
        uint8_t inBox; // alpha in the text rectangle away from the glyphs
    };
    const Case cases[] = {
        {"opaque colours", RGB(0, 0, 0), RGB(0, 0, 255), 255},
        {"translucent back", RGB(0, 0, 0), 0x800000FF, 128},
        {"translucent text", 0x80000000, RGB(0, 0, 255), 255},
        {"no back colour", RGB(0, 0, 0), 0x1FFFFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface s(ANTIALIASED_QUALITY, true);
        ::SetBkMode(s.dc(), OPAQUE);
        ::SetTextColor(s.dc(), c.text);
        ::SetBkColor(s.dc(), c.back);
        RECT r{20, 10, 120, 38};
        ::DrawTextW(s.dc(), L"i", -1, &r, DT_SINGLELINE);
        EXPECT_NEAR(s.alpha(21, 11), c.inBox, 1);
        // Beyond the drawn text nothing changed: the margin stays transparent.
        // Only the text's own extent gets the background, not the rest of the rectangle.
        EXPECT_EQ(s.alpha(100, 20), 0);
        EXPECT_EQ(s.alpha(124, 20), 0);
        EXPECT_EQ(s.alpha(150, 20), 0);
        EXPECT_EQ(s.alpha(20, 42), 0);
        EXPECT_EQ(::GetTextColor(s.dc()), c.text);
        EXPECT_EQ(::GetBkColor(s.dc()), c.back);
        EXPECT_EQ(::GetBkMode(s.dc()), OPAQUE);
    }
}

TEST_F(AlphaText, OpaqueBackgroundWithShadowCastsASoftBlockShadow) {
    Surface s(ANTIALIASED_QUALITY, true);
    ::SetBkMode(s.dc(), OPAQUE);
    ::SetTextColor(s.dc(), RGB(255, 255, 255));
    ::SetBkColor(s.dc(), RGB(0, 0, 128));
    RECT r{20, 10, 120, 30};
    ::DrawTextW(s.dc(), L"Shadowed", -1, &r, DT_SINGLELINE | DT_VELL_SHADOW);
    SIZE sz{};
    ::GetTextExtentPoint32W(s.dc(), L"Shadowed", 8, &sz);
    EXPECT_EQ(s.alpha(25, 12), 255);
    // Just right of and below the opaque block: soft, not solid, not empty.
    for (POINT p : {POINT{20 + sz.cx + 1, 10 + sz.cy / 2}, POINT{20 + sz.cx / 2, 10 + sz.cy + 1}}) {
        SCOPED_TRACE(p.x * 1000 + p.y);
        EXPECT_GT(s.alpha(p.x, p.y), 0);
        EXPECT_LT(s.alpha(p.x, p.y), 255);
    }
    EXPECT_EQ(s.alpha(10, 20), 0);
    EXPECT_EQ(s.alpha(60, 45), 0);
}

TEST_F(AlphaText, ExcludedClipAreasStayUntouched) {
    for (const QualityCase& q : kQualities) {
        SCOPED_TRACE(q.name);
        Surface s(q.quality, true);
        ::SetBkMode(s.dc(), TRANSPARENT);
        ::SetTextColor(s.dc(), RGB(0, 0, 0));
        ::ExcludeClipRect(s.dc(), 40, 0, 80, kH);
        RECT r{0, 0, kW, kH};
        ::DrawTextW(s.dc(), kText, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_VELL_SHADOW);
        int left = 0, inside = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (x >= 40 && x < 80)
                    inside += s.alpha(x, y) != 0;
                else
                    left += s.alpha(x, y) != 0;
            }
        EXPECT_EQ(inside, 0);
        EXPECT_GT(left, 50);
    }
}

TEST_F(AlphaText, DrawTextExAndClippedExtTextOut) {
    Surface s(NONANTIALIASED_QUALITY, true);
    ::SetBkMode(s.dc(), TRANSPARENT);
    ::SetTextColor(s.dc(), RGB(0, 0, 0));
    std::wstring text = kText;
    DRAWTEXTPARAMS params{sizeof(params), 4, 0, 0, 0};
    RECT r{0, 0, kW, kH / 2};
    EXPECT_GT(::DrawTextExW(s.dc(), text.data(), -1, &r, DT_SINGLELINE, &params), 0);
    RECT clip{0, kH / 2, 40, kH};
    ::ExtTextOutW(s.dc(), 0, kH / 2, ETO_CLIPPED, &clip, kText, 17, nullptr);
    int top = 0, clippedIn = 0, beyond = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool ink = s.alpha(x, y) != 0;
            if (y < kH / 2)
                top += ink;
            else if (x < 40)
                clippedIn += ink;
            else
                beyond += ink;
        }
    EXPECT_GT(top, 50);
    EXPECT_GT(clippedIn, 10);
    EXPECT_EQ(beyond, 0);
}

} // namespace

namespace {

// Ink of text drawn through an image's canvas in the canvas font: pixel count, and whether
// every inked pixel is the font colour (premultiplied red) over transparency.
struct CanvasInk {
    int pixels = 0;
    bool allRed = true;
    LOGFONTW selected{};
};

CanvasInk DrawOnImageCanvas(vell::tk::TFontStyles style) {
    using namespace vell::image;
    CanvasInk ink;
    TPngImage* img = TPngImage::CreateARGB32(kW, kH, true);
    if (!img) return ink;
    TPngImageCanvas& canvas = img->Canvas();
    vell::text::TCanvasFont& font = canvas.FontEx();
    font.SetName(u"Tahoma");
    font.SetHeight(-15);
    font.SetColor(RGB(255, 0, 0));
    font.SetStyle(style);
    font.SetCharset(ANSI_CHARSET);
    font.SetAntialiased(true);
    canvas.Brush()->SetStyle(vell::tk::bsClear);
    img->AlphaMode = pamUnknown;
    canvas.TextOut(10, 8, u"Launching Vellora");
    ::GetObjectW(::GetCurrentObject(canvas.Handle(), OBJ_FONT), sizeof ink.selected, &ink.selected);
    EXPECT_EQ(img->AlphaMode, pamPremultiplied);
    ::GdiFlush();
    for (int y = 0; y < kH; ++y) {
        const auto* row = static_cast<const uint8_t*>(img->GetScanline(y));
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = row + x * 4;
            if (p[3] == 0) continue;
            ++ink.pixels;
            if (p[0] != 0 || p[1] != 0 || std::abs(p[2] - p[3]) > 1) ink.allRed = false;
        }
    }
    img->Free();
    return ink;
}

} // namespace

TEST_F(AlphaText, ImageCanvasDrawsInItsFontsColourAndStyle) {
    const CanvasInk plain = DrawOnImageCanvas({});
    const CanvasInk bold = DrawOnImageCanvas({vell::tk::fsBold});
    EXPECT_GT(plain.pixels, 50);
    EXPECT_TRUE(plain.allRed);
    EXPECT_TRUE(bold.allRed);
    EXPECT_GT(bold.pixels, plain.pixels);
    EXPECT_EQ(plain.selected.lfWeight, FW_NORMAL);
    EXPECT_EQ(bold.selected.lfWeight, FW_BOLD);
    EXPECT_EQ(bold.selected.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(bold.selected.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(std::wstring(bold.selected.lfFaceName), L"Tahoma");
}
