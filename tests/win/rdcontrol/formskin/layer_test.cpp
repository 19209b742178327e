// What the shadow layer shows (the picture, border lines, carried controls), the flash
// fix, an owner inside a form, and bad input: no crash and no window left behind.
#include "tests/win/rdcontrol/formskin/formskin_fixture.h"

#include "rdcontrol/formskin/form_wnd_list.h"
#include "rdcontrol/buttons/image_button.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/application.h"
#include "toolkit/stdctrls.h"

using namespace vell;
using namespace vell::fstest;

namespace {
constexpr TColor clGreenOpaque = 0x0000C000;
constexpr TColor clBlueOpaque = 0x00FF0000;
} // namespace

TEST_F(FormSkinTest, ShadowPictureAndBorderLinesShowAroundTheOwner) {
    auto* below = new tk::TForm(tk::Application());
    below->SetBorderStyle(tk::bsNone);
    below->SetBounds(40, 40, 520, 420);
    below->SetColor(clWhite);
    below->Show();
    settle();
    // An opaque blue frame with a transparent centre, laid around the owner by its
    // nine-slice margins.
    skin->PicShadow()->SetGraphic(framePicture(30, 30, 10, clBlueOpaque));
    skin->PicShadowOption()->SetValue(10, 10, 10, 10);
    skin->PicShadowOption()->SetStretchMode(design::sdmStretch);
    show();
    EXPECT_TRUE(closeTo(screenRgb(95, 250), 0x0000FF)) << "the shadow's margin";
    EXPECT_TRUE(closeTo(screenRgb(300, 250), 0xFFFFFF)) << "the owner";

    // Border lines of 2 pixels in green on the left only.
    int paints = 0;
    skin->OnShadowPaintEnd = [&](tk::TObject*) { ++paints; };
    skin->BorderLines()->SetColor(clGreenOpaque);
    skin->BorderLines()->SetWidth(2);
    skin->BorderLines()->SetTop(false);
    skin->BorderLines()->SetRight(false);
    skin->BorderLines()->SetBottom(false);
    skin->BorderLines()->SetEnabled(true);
    settle();
    EXPECT_GE(paints, 1);
    EXPECT_TRUE(closeTo(screenRgb(99, 250), 0x00C000)) << "left line";
    EXPECT_TRUE(closeTo(screenRgb(98, 250), 0x00C000)) << "left line";
    EXPECT_TRUE(closeTo(screenRgb(96, 250), 0x0000FF)) << "beyond the line";
    EXPECT_TRUE(closeTo(screenRgb(501, 250), 0x0000FF)) << "no right line";
    EXPECT_TRUE(closeTo(screenRgb(300, 99), 0x0000FF)) << "no top line";

    // Moving hands nothing new to the window manager; resizing draws again.
    const int presents = shadow()->PresentCount();
    form->SetBounds(120, 110, 400, 300);
    settle();
    EXPECT_EQ(shadow()->PresentCount(), presents);
    form->SetBounds(120, 110, 380, 300);
    settle();
    EXPECT_GT(shadow()->PresentCount(), presents);
}

TEST_F(FormSkinTest, ListedControlIsDrawnOnlyOnTheShadowLayerAlsoBeyondTheOwnersEdge) {
    auto* swatch = new TLayerSwatch(form);
    swatch->SetName("Swatch1");
    swatch->SetParent(form);
    swatch->SetBounds(380, 50, 28, 40); // 8 pixels beyond the right edge
    swatch->SetStretch(true);
    swatch->Picture()->SetGraphic(solidPicture(4, 4, clGreenOpaque));
    auto* plain = new TLayerSwatch(form);
    plain->SetName("Plain1");
    plain->SetParent(form);
    plain->SetBounds(20, 50, 20, 20);
    plain->SetStretch(true);
    plain->Picture()->SetGraphic(solidPicture(4, 4, clGreenOpaque));
    skin->DrawControlList()->Add(u"Swatch1");
    skin->DrawControlList()->Add(u"Missing");
    skin->DrawControlList()->Add(u"FormSkin1"); // not a control for the layer
    EXPECT_EQ(skin->DrawControlList()->Objects(0), swatch);
    EXPECT_EQ(skin->DrawControlList()->Objects(1), nullptr);
    EXPECT_EQ(skin->DrawControlList()->Objects(2), nullptr);
    show();
    swatch->Repaint();
    plain->Repaint();
    settle();
    EXPECT_TRUE(closeTo(screenRgb(100 + 390, 170), 0x00C000)) << "over the owner";
    EXPECT_TRUE(closeTo(screenRgb(100 + 404, 170), 0x00C000)) << "beyond the owner's edge";
    EXPECT_GT(swatch->SkippedPaints, 0) << "its paint on the owner is left out";
    EXPECT_EQ(plain->SkippedPaints, 0);
    EXPECT_TRUE(closeTo(screenRgb(100 + 30, 160), 0x00C000)) << "an unlisted control paints on the owner";

    // Out of the list, it paints on the owner again and the layer forgets it.
    skin->DrawControlList()->Clear();
    EXPECT_FALSE(swatch->ShadowPaintHook());
    swatch->Invalidate();
    settle();
    const int skipped = swatch->SkippedPaints;
    swatch->Repaint();
    settle();
    EXPECT_EQ(swatch->SkippedPaints, skipped);
    EXPECT_TRUE(closeTo(screenRgb(100 + 390, 170), 0x00C000));
    EXPECT_FALSE(closeTo(screenRgb(100 + 404, 170), 0x00C000)) << "beyond the edge: gone with the layer";

    // A listed control that is freed leaves the list's object empty.
    skin->DrawControlList()->Add(u"Swatch1");
    EXPECT_EQ(skin->DrawControlList()->Objects(0), swatch);
    tk::Free(swatch);
    EXPECT_EQ(skin->DrawControlList()->Objects(0), nullptr);
    skin->Refresh();
    settle();
}

TEST_F(FormSkinTest, ListedImageButtonPaintsOnlyOnTheShadowLayerAndStillSizesToItsCaption) {
    auto makeButton = [&](const char* name, int left) {
        auto* b = new rd::TRdImageButton(form);
        b->SetName(name);
        b->SetParent(form);
        b->SetBounds(left, 50, 28, 40);
        b->ImageNormal()->SetGraphic(solidPicture(28, 40, clGreenOpaque));
        return b;
    };
    rd::TRdImageButton* listed = makeButton("Btn1", 380); // 8 pixels beyond the right edge
    rd::TRdImageButton* plain = makeButton("Btn2", 20);
    int onOwner = 0, onLayer = 0;
    listed->OnPaint = [&](tk::TObject*) { ++(skin->ShadowCanvas() ? onLayer : onOwner); };
    skin->DrawControlList()->Add(u"Btn1");
    ASSERT_EQ(skin->DrawControlList()->Objects(0), listed);
    EXPECT_TRUE(listed->ShadowPaintHook());
    show();
    onOwner = onLayer = 0;
    listed->Repaint();
    plain->Repaint();
    settle();
    EXPECT_EQ(onOwner, 0) << "its paint on the owner is left out";
    EXPECT_GT(onLayer, 0);
    EXPECT_TRUE(closeTo(screenRgb(100 + 390, 100 + 70), 0x00C000)) << "over the owner";
    EXPECT_TRUE(closeTo(screenRgb(100 + 404, 100 + 70), 0x00C000)) << "beyond the owner's edge";
    EXPECT_TRUE(closeTo(screenRgb(100 + 30, 100 + 70), 0x00C000)) << "an unlisted button paints on the owner";
    // A resize measures the caption by a paint on a memory device context; that measuring
    // leaves the button on the layer as it was.
    listed->SetBounds(380, 50, 28, 41);
    EXPECT_TRUE(closeTo(screenRgb(100 + 404, 100 + 70), 0x00C000)) << "at once after a resize";

    // Sized to its caption, the listed button measures like an unlisted one.
    for (rd::TRdImageButton* b : {listed, plain}) {
        b->SetCaption(u"A caption wider than the button");
        b->SetAutoSizeByText(true);
    }
    EXPECT_GT(plain->Width(), 28);
    EXPECT_EQ(listed->Width(), plain->Width());
    EXPECT_EQ(listed->LastTextRect().right - listed->LastTextRect().left,
              plain->LastTextRect().right - plain->LastTextRect().left);

    // Out of the list, it paints on the owner again.
    skin->DrawControlList()->Clear();
    EXPECT_FALSE(listed->ShadowPaintHook());
    onOwner = 0;
    listed->Repaint();
    settle();
    EXPECT_GT(onOwner, 0);
}

TEST(FormSkinFlashFix, FormStaysTransparentForItsFirstMomentOnScreenAndItsOnShowRunsOnce) {
    rdtest::StartModulesOnce();
    auto* form = new tk::TForm(tk::Application());
    form->SetBorderStyle(tk::bsNone);
    form->SetBounds(100, 100, 300, 200);
    form->SetAlphaBlend(true);
    form->SetAlphaBlendValue(230);
    int shows = 0;
    form->OnShow = [&](tk::TObject*) { ++shows; };
    auto* skin = new rd::TRdFormSkin(form);
    skin->SetFixFlashBlack(true);
    skin->InitSkin();
    form->Show();
    EXPECT_EQ(form->AlphaBlendValue(), 0);
    EXPECT_EQ(shows, 1);
    for (int i = 0; i < 30 && form->AlphaBlendValue() == 0; ++i)
        settle(1);
    EXPECT_EQ(form->AlphaBlendValue(), 230);
    form->Hide();
    form->Show();
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(form->AlphaBlendValue(), 230) << "only the first showing";
    tk::FreeApplication();
}

TEST_F(FormSkinTest, OwnerInsideAFormFollowsThatFormThroughItsHookList) {
    auto* panel = new tk::TPanel(form);
    panel->SetBounds(50, 40, 200, 100);
    auto* inner = new rd::TRdFormSkin(panel);
    inner->ShadowFrame()->Assign(skin->ShadowFrame());
    inner->InitSkin();
    panel->SetParent(form); // inserting it attaches the form's hook list
    EXPECT_EQ(inner->RootForm(), form);
    ASSERT_NE(form->FindComponent("RdFormWndList"), nullptr);
    show();
    ASSERT_TRUE(inner->FormShadowBg()->HandleAllocated());
    HWND s = inner->FormShadowBg()->Handle();
    EXPECT_TRUE(::IsWindowVisible(s));
    EXPECT_EQ(rectText(windowRect(s)), "140,130 220x120");
    form->SetBounds(200, 100, 400, 300);
    settle();
    EXPECT_EQ(rectText(windowRect(s)), "240,130 220x120");
    form->Hide();
    settle();
    EXPECT_FALSE(::IsWindowVisible(s));
    form->Show();
    settle();
    EXPECT_TRUE(::IsWindowVisible(s));
    // The panel leaves the form: the hook list lets its form skin go.
    const int before = static_cast<rd::TRdFormWndList*>(form->FindComponent("RdFormWndList"))->HookCount();
    tk::Free(panel);
    EXPECT_EQ(static_cast<rd::TRdFormWndList*>(form->FindComponent("RdFormWndList"))->HookCount(),
              before - 1);
    form->SetBounds(210, 100, 400, 300);
    settle();
}

TEST_F(FormSkinTest, BadShadowInputDrawsSafelyAndLeavesNoWindowBehind) {
    tk::Free(form); // the fixture's form is not used here
    settle();
    const int before = topLevelWindows();
    struct Case {
        const char* what;
        std::function<void(rd::TRdFormSkin&)> set;
    } cases[] = {
        {"margins of 0", [](rd::TRdFormSkin& s) { s.ShadowFrame()->Assign(s.PicShadowOption()); }},
        {"margins of 5000",
         [](rd::TRdFormSkin& s) {
             for (int i = 0; i < 4; ++i)
                 s.ShadowFrame()->SetIndex(i, 5000);
         }},
        {"negative margins",
         [](rd::TRdFormSkin& s) {
             for (int i = 0; i < 4; ++i)
                 s.ShadowFrame()->SetIndex(i, -300);
         }},
        {"missing picture", [](rd::TRdFormSkin& s) { s.PicShadow()->SetGraphic(nullptr); }},
        {"picture that fails to load",
         [](rd::TRdFormSkin& s) {
             EXPECT_ANY_THROW(s.PicShadow()->LoadFromFile(u"Z:\\nonexistent\\shadow.png"));
         }},
        {"pads larger than the layer",
         [](rd::TRdFormSkin& s) {
             s.PicShadow()->SetGraphic(solidPicture(30, 30, 0x80000000));
             s.PicShadowOption()->SetPadLeft(900);
             s.PicShadowOption()->SetPadBottom(-40);
         }},
    };
    for (const Case& c : cases) {
        auto* f = new tk::TForm(tk::Application());
        f->SetBorderStyle(tk::bsNone);
        f->SetBounds(100, 100, 300, 200);
        auto* s = new rd::TRdFormSkin(f);
        for (int i = 0; i < 4; ++i)
            s->ShadowFrame()->SetIndex(i, 12);
        s->ShadowFrame()->SetEnabled(true);
        s->InitSkin();
        c.set(*s);
        f->Show();
        settle(3);
        f->SetBounds(130, 120, 320, 180);
        settle(3);
        if (s->FormShadowBg() && s->FormShadowBg()->HandleAllocated()) {
            const RECT r = windowRect(s->FormShadowBg()->Handle());
            EXPECT_LE(r.right - r.left, 320 + 2 * rd::kMaxShadowMargin) << c.what;
            EXPECT_GE(r.right - r.left, 320) << c.what;
        }
        tk::Free(f);
        settle(2);
        EXPECT_EQ(topLevelWindows(), before) << c.what;
    }
}

TEST_F(FormSkinTest, OwnerFreedDuringItsOwnShowingLeavesNoWindowBehind) {
    tk::Free(form);
    settle();
    const int before = topLevelWindows();
    for (bool flashFix : {false, true}) {
        auto* f = new tk::TForm(tk::Application());
        f->SetBorderStyle(tk::bsNone);
        f->SetAlphaBlend(true);
        f->SetBounds(100, 100, 300, 200);
        f->OnShow = [f](tk::TObject*) { tk::Free(f); };
        auto* s = new rd::TRdFormSkin(f);
        s->ShadowFrame()->SetLeft(10);
        s->ShadowFrame()->SetEnabled(true);
        s->SetFixFlashBlack(flashFix);
        s->InitSkin();
        f->Show();
        settle(4);
        EXPECT_EQ(topLevelWindows(), before) << flashFix;
    }
}

TEST_F(FormSkinTest, FormSkinOnAControlWithoutAWindowWaitsForIt) {
    const int before = topLevelWindows();
    auto* panel = new tk::TPanel(nullptr);
    panel->SetBounds(30, 30, 100, 80);
    auto* inner = new rd::TRdFormSkin(panel);
    for (int i = 0; i < 4; ++i)
        inner->ShadowFrame()->SetIndex(i, 6);
    inner->ShadowFrame()->SetEnabled(true);
    inner->EllipseSize()->SetSize(6, 6);
    inner->InitSkin();
    inner->Refresh();
    EXPECT_FALSE(inner->FormShadowBg()->HandleAllocated());
    EXPECT_EQ(topLevelWindows(), before);
    tk::Free(panel); // never had a window
    EXPECT_EQ(topLevelWindows(), before);

    // Put on a shown form later, the shadow appears around it.
    show();
    auto* late = new tk::TPanel(form);
    late->SetBounds(30, 30, 100, 80);
    auto* lateSkin = new rd::TRdFormSkin(late);
    for (int i = 0; i < 4; ++i)
        lateSkin->ShadowFrame()->SetIndex(i, 6);
    lateSkin->ShadowFrame()->SetEnabled(true);
    lateSkin->InitSkin();
    late->SetParent(form);
    settle();
    ASSERT_TRUE(lateSkin->FormShadowBg()->HandleAllocated());
    EXPECT_EQ(rectText(windowRect(lateSkin->FormShadowBg()->Handle())), "124,124 112x92");
}
