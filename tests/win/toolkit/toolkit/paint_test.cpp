#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {
constexpr COLORREF kBack = RGB(1, 2, 3);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 230);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(90, 90, 90);
} // namespace

// A windowed control with windowless children, and a windowed child with a windowless
// child of its own, painted through PaintTo into a 32-bit DIB at an offset.
TEST(Paint, PaintToDrawsTheTreeInOrderClippedAtAnOffset) {
    TPanel host(nullptr);
    host.SetBounds(0, 0, 100, 80);
    host.SetColor(kGreen);
    auto* red = new TBlock(&host, {10, 10, 30, 20}, kRed);
    auto* blue = new TBlock(&host, {20, 15, 30, 20}, kBlue); // later sibling: above red
    auto* hidden = new TBlock(&host, {60, 5, 20, 20}, kRed);
    hidden->SetVisible(false);
    new TBlock(&host, {90, 70, 50, 50}, kRed); // reaches out of the host: clipped
    auto* inner = new TPanel(nullptr);
    inner->SetParent(&host);
    inner->SetBounds(50, 40, 40, 30);
    inner->SetColor(kWhite);
    new TBlock(inner, {5, 5, 10, 10}, kGrey);

    Surface s(130, 110, kBack);
    host.PaintTo(s.dc(), 10, 10);
    struct Case {
        int x, y;
        COLORREF expected;
        const char* what;
    } cases[] = {
        {5, 5, kBack, "outside the host"},
        {11, 11, kGreen, "host background"},
        {10 + 12, 10 + 12, kRed, "first child"},
        {10 + 25, 10 + 20, kBlue, "overlap: the later sibling"},
        {10 + 65, 10 + 10, kGreen, "hidden child not painted"},
        {10 + 95, 10 + 75, kRed, "child at the host's corner"},
        {112, 85, kBack, "child clipped at the host's edge"},
        {10 + 52, 10 + 42, kWhite, "windowed child"},
        {10 + 57, 10 + 47, kGrey, "windowless child of the windowed child"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.at(c.x, c.y), c.expected) << c.what;
    EXPECT_EQ(red->paints, 1);
    EXPECT_EQ(hidden->paints, 0);
    EXPECT_FALSE(host.ControlState() & csPaintCopy);
    (void)blue;
}

TEST(Paint, PanelWithoutColourLeavesTheBackground) {
    TPanel host(nullptr);
    host.SetBounds(0, 0, 40, 40);
    host.SetColor(clNone);
    new TBlock(&host, {10, 10, 10, 10}, kRed);
    Surface s(40, 40, kBack);
    host.PaintTo(s.dc(), 0, 0);
    EXPECT_EQ(s.at(2, 2), kBack);
    EXPECT_EQ(s.at(12, 12), kRed);
}

TEST(Paint, LabelDrawsItsCaptionWordWrapped) {
    TPanel host(nullptr);
    host.SetBounds(0, 0, 120, 80);
    host.SetColor(kWhite);
    auto* lbl = new TLabel(nullptr);
    lbl->SetParent(&host);
    lbl->SetAutoSize(false);
    lbl->SetWordWrap(true);
    lbl->SetAlignment(taCenter);
    lbl->SetBounds(0, 0, 120, 80);
    lbl->Font()->SetColor(RGB(0, 0, 0));
    lbl->Font()->SetHeight(-12);
    lbl->SetCaption(u"Screen changing. Reconfiguring Vellora...");
    EXPECT_EQ(lbl->DrawTextFlags() & (DT_WORDBREAK | DT_CENTER), UINT(DT_WORDBREAK | DT_CENTER));
    Surface s(120, 80, kBack);
    host.PaintTo(s.dc(), 0, 0);
    // Dark pixels on at least two text lines, none in the empty bottom part.
    auto darkRows = [&](int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 120; ++x)
                if (GetRValue(s.at(x, y)) < 128) {
                    ++n;
                    break;
                }
        return n;
    };
    EXPECT_GT(darkRows(0, 14), 0);
    EXPECT_GT(darkRows(14, 30), 0);
    EXPECT_EQ(darkRows(60, 80), 0);
}

TEST(Paint, InvalidationGoesThroughTheHooks) {
    struct Recorder : TToolkitHooks {
        std::vector<RECT> rects;
        int forced = 0; // window invalidations that concern the forced control
        void InvalidateWindow(TWinControl* c, const RECT* r, bool erase) override {
            rects.push_back(r ? *r : RECT{-1, -1, -1, -1});
            if (TControl* f = ForceInvalidateControl(); f && (c->ContainsControl(f) || f->ContainsControl(c)))
                ++forced;
            TToolkitHooks::InvalidateWindow(c, r, erase);
        }
    } recorder;
    InstallToolkitHooks(&recorder);
    {
        TPanel host(nullptr);
        host.SetBounds(0, 0, 50, 50);
        auto* b = new TBlock(&host, {5, 6, 10, 10}, kRed);
        host.HandleNeeded();
        recorder.rects.clear();
        b->Invalidate();
        ASSERT_EQ(recorder.rects.size(), 1u);
        EXPECT_EQ(str(recorder.rects[0]), str(RECT{5, 6, 15, 16}));
        b->SetVisible(false);
        recorder.rects.clear();
        b->Invalidate();
        EXPECT_TRUE(recorder.rects.empty());
        // A forced control is invalidated while hidden, and the window invalidations that
        // concern it (its window's, here) are counted.
        SetForceInvalidateControl(b);
        recorder.forced = 0;
        b->Invalidate();
        ASSERT_EQ(recorder.rects.size(), 1u);
        host.InvalidateWindow(nullptr, false);
        EXPECT_EQ(recorder.forced, 2);
        delete b;
        EXPECT_EQ(ForceInvalidateControl(), nullptr);
    }
    RemoveToolkitHooks(&recorder);
}

// A paint box draws what its handler paints; a control coloured clDefault takes the form's
// colour, and one that paints its parent's background the colour behind it.
TEST(Paint, PaintBoxAndBackgroundColours) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 60, 40);
    form.SetColor(kBlue);
    auto* box = new TPaintBox(nullptr);
    box->SetBounds(0, 0, 10, 10);
    box->SetParent(&form);
    box->OnPaint = [box](TObject*) {
        box->Canvas()->Brush()->SetColor(kRed);
        RECT r{0, 0, 10, 10};
        box->Canvas()->FillRect(r);
    };
    auto* plain = new TPanel(nullptr);
    plain->SetBounds(20, 0, 10, 10);
    plain->SetParent(&form);
    plain->SetColor(vell::clDefault);
    auto* backed = new TPanel(nullptr);
    backed->SetBounds(40, 0, 10, 10);
    backed->SetParent(&form);
    backed->SetColor(kGreen);
    backed->SetParentBackground(true);

    Surface s(60, 40, kBack);
    form.PaintTo(s.dc(), 0, 0);
    EXPECT_EQ(s.at(5, 5), kRed);
    EXPECT_EQ(s.at(25, 5), kBlue);
    EXPECT_EQ(s.at(45, 5), kBlue);
    EXPECT_EQ(s.at(55, 30), kBlue);
}
