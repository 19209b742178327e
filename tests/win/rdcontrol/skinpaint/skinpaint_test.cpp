// Skinned windowed controls on real windows: pixels read from the screen (or from a 32-bit
// image the control painted into), invalidation followed through the background ticks of
// the translucent windows it reaches.
#include "core/component/writer.h"
#include "platform/image/png_image.h"
#include "rdcontrol/library.h"
#include "rdcontrol/base/custom_control.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/formskin/layer_form.h"
#include "rdcontrol/panels/paint_box.h"
#include "rdcontrol/panels/panel.h"
#include "rdcontrol/register_windowed.h"
#include "rdcontrol/paint/skinned_link.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/support/gui_handles.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace vell;
using rd::TRdLayerForm;
using rd::TRdPanel;

constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clGreen = 0x00008000;

void settle() {
    for (int i = 0; i < 8; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(10);
    }
}

struct Rgb {
    int r, g, b;
};
Rgb rgbOf(COLORREF c) {
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}
::testing::AssertionResult close(Rgb got, Rgb want, int tolerance = 3) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.r << ", " << got.g << ", " << got.b << "), want ("
                                         << want.r << ", " << want.g << ", " << want.b << ")";
}

// The screen's pixel at a client point of a window.
Rgb screenAt(tk::TWinControl* w, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(w->Handle(), &p);
    HDC dc = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(dc, p.x, p.y);
    ::ReleaseDC(nullptr, dc);
    return rgbOf(c);
}

struct SkinPaintTest : ::testing::Test {
    tk::TForm* form = nullptr;
    void SetUp() override {
        rdtest::StartModulesOnce();
        rd::StartSkinnedLibrary();
        ASSERT_TRUE(rd::SkinnedPaintingStarted());
        form = new tk::TForm(tk::Application());
        form->SetBorderStyle(tk::bsNone);
        form->SetColor(clWhite);
        form->SetBounds(40, 40, 320, 220);
    }
    void TearDown() override { tk::FreeApplication(); }

    template <class T> T* add(tk::TWinControl* parent, int l, int t, int w, int h, TColor color) {
        auto* c = new T(form);
        c->SetParent(parent);
        c->SetBounds(l, t, w, h);
        c->SetColor(color);
        if constexpr (std::is_base_of_v<tk::TPanel, T>) c->SetShowCaption(false);
        return c;
    }
    void show() {
        form->Show();
        settle();
    }
};

// Half of blue over what lies beneath: premultiplied blue 128 over (1 - 128/255) of it.
Rgb halfBlueOver(Rgb under) {
    auto keep = [](int v) { return v * 127 / 255; };
    return Rgb{keep(under.r), keep(under.g), 128 + keep(under.b)};
}

TEST_F(SkinPaintTest, TranslucentPanelShowsThePlainControlBeneathAtTheSkinsOpacityAlsoAfterItMoves) {
    tk::TPanel* under = add<tk::TPanel>(form, 20, 20, 60, 60, clRed);
    TRdPanel* glass = add<TRdPanel>(form, 10, 10, 280, 180, clBlue);
    glass->AllSkin()->Draw()->SetDrawAlpha(128);
    EXPECT_TRUE(glass->AllSkin()->DrawParentBg);
    show();

    const Rgb red{255, 0, 0}, white{255, 255, 255};
    EXPECT_TRUE(close(screenAt(glass, 40, 40), halfBlueOver(red)));
    EXPECT_TRUE(close(screenAt(glass, 200, 40), halfBlueOver(white)));

    under->SetBounds(180, 20, 60, 60);
    settle();
    EXPECT_TRUE(close(screenAt(glass, 40, 40), halfBlueOver(white)));
    EXPECT_TRUE(close(screenAt(glass, 200, 40), halfBlueOver(red)));

    // Opaque again: the panel covers what lies beneath.
    glass->AllSkin()->Draw()->SetDrawAlpha(255);
    settle();
    EXPECT_FALSE(glass->AllSkin()->DrawParentBg);
    EXPECT_TRUE(close(screenAt(glass, 200, 40), Rgb{0, 0, 255}));
}

bool pendingPaint(tk::TWinControl* w) {
    return ::GetUpdateRect(w->Handle(), nullptr, FALSE) != 0;
}

TEST_F(SkinPaintTest, PrivateRequestsReachTranslucentChildrenOrTheSiblingsAboveButNeverTheWindowItself) {
    TRdPanel* below = add<TRdPanel>(form, 0, 0, 120, 120, clBlue);
    tk::TPanel* host = add<tk::TPanel>(form, 20, 20, 200, 150, clWhite);
    TRdPanel* child = add<TRdPanel>(host, 10, 10, 60, 60, clBlue);
    TRdPanel* above = add<TRdPanel>(form, 100, 100, 150, 100, clBlue);
    TRdPanel* opaque = add<TRdPanel>(form, 60, 60, 50, 50, clGreen);
    for (TRdPanel* p : {below, child, above})
        p->AllSkin()->Draw()->SetDrawAlpha(100);
    show();
    for (TRdPanel* p : {below, child, above})
        ASSERT_NE(p->AllSkin()->DrawBufferBkgTk, 0u);
    ASSERT_EQ(opaque->AllSkin()->DrawBufferBkgTk, 0u); // draws no background at all
    auto stale = [](TRdPanel* p) { return p->AllSkin()->DrawBufferBkgTk == 0; };

    rd::InvalidateRequest(host, rd::irChildren);
    EXPECT_TRUE(stale(child));
    EXPECT_FALSE(stale(above));
    EXPECT_FALSE(stale(below));
    EXPECT_TRUE(pendingPaint(child));
    EXPECT_FALSE(pendingPaint(host));
    settle();
    EXPECT_FALSE(stale(child));

    rd::InvalidateRequest(host, rd::irSiblings);
    EXPECT_FALSE(stale(child));
    EXPECT_TRUE(stale(above));
    EXPECT_FALSE(stale(below));
    EXPECT_FALSE(pendingPaint(opaque)); // opaque: not touched
    EXPECT_TRUE(pendingPaint(above));
    EXPECT_FALSE(pendingPaint(host));
    settle();

    // A plain window asking for its alignment refreshes the translucent windows around it.
    host->RequestAlign();
    EXPECT_TRUE(stale(child));
    EXPECT_TRUE(stale(above));
    EXPECT_FALSE(pendingPaint(host));
    settle();

    // An ordinary invalidation of the form's area refreshes the translucent panels on it,
    // but stops at the opaque host.
    RECT r{0, 0, 320, 220};
    form->InvalidateWindow(&r, true);
    EXPECT_TRUE(stale(below));
    EXPECT_TRUE(stale(above));
    EXPECT_FALSE(stale(child));
}

// Pixels of a panel painted on its own into a 32-bit image (PaintTo).
struct Painted {
    image::TPngImage* img;
    explicit Painted(tk::TWinControl* c)
        : img(image::TPngImage::CreateARGB32(c->Width(), c->Height(), true)) {
        ::PatBlt(img->CanvasHandle(), 0, 0, c->Width(), c->Height(), BLACKNESS);
        c->PaintTo(img->CanvasHandle(), 0, 0);
        ::GdiFlush();
    }
    ~Painted() { img->ReleaseRef(); }
    // Blue, green, red, alpha of a pixel.
    std::uint32_t at(int x, int y) { return static_cast<std::uint32_t*>(img->GetScanline(y))[x]; }
};

TEST_F(SkinPaintTest, AChangeUnderABlurredChildRepaintsAsFarAsTheBlurReads) {
    tk::TPanel* host = add<tk::TPanel>(form, 10, 10, 200, 150, clWhite);
    TRdPanel* frosted = add<TRdPanel>(host, 20, 20, 160, 110, clBlue);
    frosted->AllSkin()->Draw()->SetDrawAlpha(100);
    frosted->AllSkin()->Draw()->SetDrawBkgBlur(4);
    show();
    ASSERT_FALSE(pendingPaint(host));
    RECT changed{50, 50, 60, 60};
    host->InvalidateWindow(&changed, true);
    RECT pending{};
    ::GetUpdateRect(host->Handle(), &pending, FALSE);
    EXPECT_EQ(pending.left, 50 - 6);
    EXPECT_EQ(pending.bottom, 60 + 6);
    EXPECT_TRUE(frosted->AllSkin()->DrawBufferBkgTk == 0);
    settle();
}

TEST_F(SkinPaintTest, PanelFillsItsColourOrGradientWithAlpha) {
    struct Case {
        TColor from, to;
        bool vertical;
        std::uint32_t first, middle, last; // 0xAARRGGBB at the start, middle and end
    };
    const Case cases[] = {
        {clRed, clBlue, false, 0xFFFF0000, 0xFF7F0080, 0xFF0000FF},
        {clRed, clBlue, true, 0xFFFF0000, 0xFF7F0080, 0xFF0000FF},
        {clRed, clDefault, false, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000},
        {clNone, clDefault, false, 0, 0, 0}, // the loading box's panel paints nothing itself
        {clNone, clWhite, false, 0x00000000, 0x7F7F7F7F, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << c.from << " to " << c.to << (c.vertical ? " vertical" : ""));
        auto* panel = new TRdPanel(nullptr);
        panel->SetShowCaption(false);
        panel->SetBounds(0, 0, 101, 101);
        panel->SetColor(c.from);
        panel->SetColorTo(c.to);
        panel->SetColorToVert(c.vertical);
        {
            Painted p(panel);
            auto along = [&](int i) { return c.vertical ? p.at(50, i) : p.at(i, 50); };
            EXPECT_EQ(along(0), c.first);
            EXPECT_NEAR(static_cast<double>(along(50) >> 24), static_cast<double>(c.middle >> 24), 2);
            EXPECT_NEAR(static_cast<double>((along(50) >> 16) & 0xFF),
                        static_cast<double>((c.middle >> 16) & 0xFF), 2);
            EXPECT_NEAR(static_cast<double>(along(50) & 0xFF), static_cast<double>(c.middle & 0xFF), 2);
            EXPECT_EQ(along(100), c.last);
        }
        delete panel;
    }
}

// Half of red as the display shows a layer: over the white form beneath, or over black
// where the display has no compositor to blend layered windows with what lies beneath.
bool halfRed(Rgb got) {
    return close(got, Rgb{255, 127, 127}) || close(got, Rgb{128, 0, 0});
}

TEST_F(SkinPaintTest, LayerFormAtAlphaBlendValue128ShowsHalfOpacity) {
    show(); // a white form beneath
    auto* layer = new TRdLayerForm(tk::Application());
    layer->SetColor(clRed);
    layer->SetBounds(100, 100, 80, 60);
    layer->Show();
    settle();
    EXPECT_GE(layer->RenderCount(), 1);
    EXPECT_TRUE(::GetWindowLongW(layer->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(close(screenAt(layer, 40, 30), Rgb{255, 0, 0}));

    const int renders = layer->RenderCount();
    layer->SetAlphaBlendValue(128);
    settle();
    EXPECT_EQ(layer->RenderCount(), renders); // the kept layer fades without rendering again
    EXPECT_TRUE(halfRed(screenAt(layer, 40, 30)));
    // Later renders keep the opacity.
    layer->Invalidate();
    settle();
    EXPECT_TRUE(halfRed(screenAt(layer, 40, 30)));
}

TEST_F(SkinPaintTest, InvalidatingAControlOnALayerFormRendersTheLayerNotTheControlsWindow) {
    auto* layer = new TRdLayerForm(tk::Application());
    layer->SetColor(clWhite);
    layer->SetBounds(100, 100, 200, 120);
    auto* panel = new TRdPanel(layer);
    panel->SetParent(layer);
    panel->SetShowCaption(false);
    panel->SetBounds(10, 10, 80, 50);
    panel->SetColor(clBlue);
    layer->Show();
    settle();
    EXPECT_TRUE(close(screenAt(layer, 30, 30), Rgb{0, 0, 255}));

    const int renders = layer->RenderCount();
    panel->SetColor(clGreen);
    EXPECT_FALSE(pendingPaint(panel));
    EXPECT_TRUE(pendingPaint(layer));
    settle();
    EXPECT_GT(layer->RenderCount(), renders);
    EXPECT_TRUE(close(screenAt(layer, 30, 30), Rgb{0, 128, 0}));
}

TEST_F(SkinPaintTest, PanelWithHitTestFalseLetsTheMouseThroughToTheControlBehind) {
    tk::TPanel* behind = add<tk::TPanel>(form, 20, 20, 100, 100, clRed);
    TRdPanel* panel = add<TRdPanel>(form, 10, 10, 150, 150, clBlue);
    show();
    POINT p{50, 50};
    ::ClientToScreen(form->Handle(), &p);
    EXPECT_EQ(::WindowFromPoint(p), panel->Handle());
    panel->SetHitTest(false);
    EXPECT_EQ(::WindowFromPoint(p), behind->Handle());
}

TEST_F(SkinPaintTest, NoWindowOrGdiHandleLeaksOverAThousandPanels) {
    show();
    auto create = [this] {
        TRdPanel* p = add<TRdPanel>(form, 10, 10, 120, 80, clBlue);
        p->AllSkin()->Draw()->SetDrawAlpha(150);
        p->Update();
        delete p;
    };
    for (int i = 0; i < 20; ++i)
        create(); // caches warm up
    settle();
    const DWORD gdi = testgui::GdiObjects(), user = testgui::UserObjects();
    for (int i = 0; i < 1000; ++i)
        create();
    settle();
    EXPECT_LE(testgui::GdiObjects(), gdi + 5);
    EXPECT_LE(testgui::UserObjects(), user + 5);
}

// A windowless paint box nested in Container (on the form when none) that fills itself with
// its colour and counts its paints.
rd::TRdPaintBox* countingBox(tk::TForm* form, rd::TRdGraphicControl* container, RECT r, TColor color,
                             std::map<tk::TObject*, int>& paints) {
    auto* b = new rd::TRdPaintBox(form);
    if (container)
        b->SetGraphicParent(container);
    else
        b->SetParent(form);
    b->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    b->SetColor(color);
    b->OnPaint = [&paints, b](tk::TObject*) {
        ++paints[b];
        b->Canvas()->FillRect(b->GetClientRect());
    };
    return b;
}

TEST_F(SkinPaintTest, InvalidatingOneNestedControlRepaintsOnlyItsArea) {
    // A root holding a 3 x 3 grid of containers, each holding a 2 x 2 grid of leaves.
    std::map<tk::TObject*, int> paints;
    rd::TRdPaintBox* root = countingBox(form, nullptr, {10, 10, 310, 210}, clWhite, paints);
    rd::TRdPaintBox* middle = nullptr;
    rd::TRdPaintBox* leaf = nullptr;
    for (int i = 0; i < 9; ++i) {
        const int cl = (i % 3) * 100, ct = (i / 3) * 66;
        rd::TRdPaintBox* c = countingBox(form, root, {cl, ct, cl + 90, ct + 60}, clGreen, paints);
        rd::TRdPaintBox* last = nullptr;
        for (int j = 0; j < 4; ++j) {
            const int ll = (j % 2) * 45, lt = (j / 2) * 30;
            last = countingBox(form, c, {ll, lt, ll + 40, lt + 25}, clBlue, paints);
        }
        if (i == 4) { // the middle container's last leaf is the one invalidated
            middle = c;
            leaf = last;
        }
    }
    show();
    paints.clear();

    leaf->SetColor(0x000000FF); // red: invalidates the leaf
    // The leaf sits at (45, 30) of the middle container at (100, 66) of the root at (10, 10).
    const RECT want{155, 106, 195, 131};
    RECT pending{};
    ASSERT_TRUE(::GetUpdateRect(form->Handle(), &pending, FALSE));
    EXPECT_TRUE(::EqualRect(&pending, &want))
        << pending.left << "," << pending.top << "," << pending.right << "," << pending.bottom;
    settle();
    // The leaf, and what lies behind it (its container and the root, clipped to its area).
    EXPECT_EQ(paints, (std::map<tk::TObject*, int>{{root, 1}, {middle, 1}, {leaf, 1}}));
    EXPECT_TRUE(close(screenAt(form, 175, 118), Rgb{255, 0, 0}));
    EXPECT_TRUE(close(screenAt(form, 150, 118), Rgb{0, 128, 0})); // the container beside it
}

TEST_F(SkinPaintTest, NoHandleLeaksOverAThousandWindowlessTrees) {
    show();
    auto create = [&] {
        auto* outer = new rd::TRdPaintBox(form);
        outer->SetParent(form);
        outer->SetBounds(10, 10, 200, 100);
        outer->AllSkin()->Draw()->SetDrawAlpha(150); // paints through its draw buffer
        auto* image = new rd::TRdImage(form);
        image->SetGraphicParent(outer);
        image->SetBounds(5, 5, 32, 32);
        image->SetStretch(true);
        image::TPngImage* picture = image::TPngImage::CreateARGB32(16, 16, false);
        picture->FillRect(RECT{0, 0, 16, 16}, 0x80800000);
        image->Picture()->SetGraphic(std::unique_ptr<image::TGraphic>(picture));
        auto* label = new rd::TRdLabel(form);
        label->SetGraphicParent(outer);
        label->SetBounds(40, 5, 150, 40);
        label->SetCaption(u"Launching Vellora...");
        label->AllSkin()->Draw()->SetDrawScale(150);
        form->Update();
        delete outer; // its nested children with it
    };
    for (int i = 0; i < 20; ++i)
        create(); // caches warm up
    settle();
    const DWORD gdi = testgui::GdiObjects(), user = testgui::UserObjects();
    for (int i = 0; i < 1000; ++i)
        create();
    settle();
    EXPECT_LE(testgui::GdiObjects(), gdi + 5);
    EXPECT_LE(testgui::UserObjects(), user);
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(SkinPaintTest, PanelWithoutColourShowsAPerPixelLayeredFormAsTransparent) {
    // The loading box's arrangement: a black form, a panel of no colour, a picture in it.
    form->SetColor(clBlack);
    TRdPanel* panel = add<TRdPanel>(form, 0, 0, 100, 60, clNone);
    auto* picture = new rd::TRdImage(form);
    picture->SetParent(panel);
    picture->SetBounds(20, 10, 40, 40);
    picture->SetStretch(true);
    auto* png = image::TPngImage::CreateARGB32(4, 4, false);
    png->FillRect(RECT{0, 0, 4, 4}, 0xFFFF0000); // opaque red
    picture->Picture()->SetGraphic(std::unique_ptr<image::TGraphic>(png));
    form->HandleNeeded();
    panel->HandleNeeded();
    struct Case {
        const char* form;
        bool layered;
        std::uint32_t outside;
    } cases[] = {
        {"per-pixel layered: nothing behind the panel", true, 0x00000000},
        {"ordinary: the form's black", false, 0xFF000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        const LONG ex = ::GetWindowLongW(form->Handle(), GWL_EXSTYLE);
        ::SetWindowLongW(form->Handle(), GWL_EXSTYLE, c.layered ? ex | WS_EX_LAYERED : ex & ~WS_EX_LAYERED);
        panel->Repaint(); // what lies behind it is taken again
        Painted p(panel);
        EXPECT_EQ(p.at(5, 5), c.outside);
        // A background transparent throughout is not kept.
        EXPECT_EQ(panel->AllSkin()->DrawBufferBkg()->Width() == 1, c.outside == 0);
        EXPECT_EQ(p.at(40, 30), 0xFFFF0000u); // the picture, opaque red (blue, green, red, alpha)
    }
}

TEST_F(SkinPaintTest, ZeroNegativeAndHugeSizesPaintWithoutHarm) {
    show();
    struct Case {
        int w, h;
    } cases[] = {{0, 0}, {-20, -5}, {1, 1}, {60000, 40}, {40, 60000}, {30000, 30000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        // Translucent, scaled and blurred: every buffer is asked for.
        TRdPanel* panel = add<TRdPanel>(form, 5, 5, c.w, c.h, clBlue);
        panel->AllSkin()->Draw()->SetDrawAlpha(120);
        panel->AllSkin()->Draw()->SetDrawBkgBlur(3);
        auto* box = new rd::TRdPaintBox(form);
        box->SetParent(form);
        box->SetBounds(5, 5, c.w, c.h);
        box->AllSkin()->Draw()->SetDrawScale(150);
        form->Update();
        image::TPngImage* img = image::TPngImage::CreateARGB32(64, 64, true);
        panel->PaintTo(img->CanvasHandle(), 0, 0);
        box->DrawTo(img->CanvasHandle(), 0, 0);
        img->ReleaseRef();
        delete box;
        delete panel;
    }
    settle();
}

TEST_F(SkinPaintTest, CustomControlAndPanelReadFromADescription) {
    form->ReadDescription(
        "object f: TForm\n"
        " object cc: TRdCustomControl\n  Left = 5\n  Width = 50\n  Height = 40\n  Left_Invert = 10\n"
        "  AllSkin.Draw.DrawAlpha = 90\n end\n"
        " object p: TRdPanel\n  ColorTo = 16711680\n  ColorToVert = True\n  HitTest = False\n"
        "  BevelOuter = bvLowered\n  BevelWidth = 2\n  Font.Antialiased = True\n end\n"
        " object lf: TRdLayerForm\n  Font.Antialiased = True\n end\n"
        "end");
    auto* cc = dynamic_cast<rd::TRdCustomControl*>(form->FindComponent("cc"));
    auto* p = dynamic_cast<TRdPanel*>(form->FindComponent("p"));
    ASSERT_TRUE(cc && p);
    EXPECT_EQ(cc->Left(), 320 - 10 - 50);
    EXPECT_EQ(cc->AllSkin()->Draw()->DrawAlpha(), 90);
    EXPECT_TRUE(cc->AllSkin()->DrawParentBg);
    EXPECT_EQ(p->ColorTo(), clBlue);
    EXPECT_TRUE(p->ColorToVert());
    EXPECT_FALSE(p->HitTest());
    // The bevel keeps aligned children inside it.
    EXPECT_EQ(p->BevelOuter(), tk::bvLowered);
    RECT inside = p->GetClientRect();
    p->AdjustClientRect(inside);
    EXPECT_EQ(inside.left, 2);
    // The skinned windowed controls draw with the skinned font, whose parent skin class is theirs.
    auto* lf = dynamic_cast<TRdLayerForm*>(form->FindComponent("lf"));
    ASSERT_TRUE(lf);
    for (tk::TControl* c : std::initializer_list<tk::TControl*>{cc, p, lf}) {
        auto* font = dynamic_cast<rd::TRdFont*>(c->Font());
        ASSERT_TRUE(font) << c->Name();
        EXPECT_EQ(font->Antialiased(), c != cc) << c->Name();
    }
    // Written back, the panel says ParentBackground is off (its default is on).
    EXPECT_NE(tk::TWriter(form).WriteRootComponent().find("ParentBackground = False"), std::string::npos);
}

} // namespace

namespace {

TEST_F(SkinPaintTest, AScaledControlGetsMousePointsInItsUnscaledCoordinates) {
    auto* cc = add<rd::TRdCustomControl>(form, 10, 10, 200, 100, clWhite);
    show();
    cc->AllSkin()->Draw()->SetDrawScale(50); // below 100 the window keeps its size
    EXPECT_EQ(cc->Width(), 200);
    POINT got{-1, -1};
    cc->OnMouseDown = [&](tk::TObject*, tk::TMouseButton, tk::TShiftState, int x, int y) {
        got = POINT{x, y};
    };
    ::SendMessageW(cc->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 20));
    ::SendMessageW(cc->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(40, 20));
    EXPECT_EQ(got.x, 80);
    EXPECT_EQ(got.y, 40);
}

TEST_F(SkinPaintTest, AScaledPanelAlignsAgainstAndWritesItsUnscaledSize) {
    TRdPanel* p = add<TRdPanel>(form, 10, 10, 200, 100, clWhite);
    p->SetName("p");
    auto* child = new tk::TPanel(form);
    child->SetParent(p);
    child->SetAlign(tk::alClient);
    p->AllSkin()->Draw()->SetDrawScale(150); // above 100 the window grows
    EXPECT_EQ(p->Width(), 300);
    EXPECT_EQ(child->Width(), 200);
    EXPECT_EQ(child->Height(), 100);
    const std::string text = tk::TWriter(form).WriteRootComponent();
    EXPECT_NE(text.find("Width = 200"), std::string::npos) << text;
    EXPECT_EQ(text.find("Width = 300"), std::string::npos) << text;
}

} // namespace
