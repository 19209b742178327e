// Skinned hints on real windows.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"
#include "tests/support/system_prefs_scope.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <vector>

using namespace vell;
using rd::TRdSkinHint;
using rd::TRdSkinHintWindow;

namespace {

void settle(int rounds = 5) {
    for (int i = 0; i < rounds; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(5);
    }
}

int threadCount() {
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te{sizeof te};
    int n = 0;
    if (::Thread32First(snap, &te)) do {
            n += te.th32OwnerProcessID == ::GetCurrentProcessId();
        } while (::Thread32Next(snap, &te));
    ::CloseHandle(snap);
    return n;
}

BOOL CALLBACK countWindow(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}
int windowCount() {
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

tk::TPicture* solid(tk::TPicture* p, int w, int h) {
    auto* png = image::TPngImage::CreateARGB32(w, h, false);
    png->FillRect(RECT{0, 0, w, h}, 0xFF202020);
    p->SetGraphic(std::unique_ptr<image::TGraphic>(png));
    return p;
}

// A 30 x 30 background whose 10-pixel margins are a dark grey shadow and whose middle is
// white.
tk::TPicture* shadowed(tk::TPicture* p) {
    auto* png = image::TPngImage::CreateARGB32(30, 30, false);
    png->FillRect(RECT{0, 0, 30, 30}, 0xFF404040);
    png->FillRect(RECT{10, 10, 20, 20}, 0xFFFFFFFF);
    p->SetGraphic(std::unique_ptr<image::TGraphic>(png));
    return p;
}

COLORREF screenPixel(int x, int y) {
    HDC dc = ::GetDC(nullptr);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(nullptr, dc);
    return c;
}

RECT windowRect(tk::TWinControl* w) {
    RECT r{};
    if (w && w->HandleAllocated()) ::GetWindowRect(w->Handle(), &r);
    return r;
}

rd::TRdFormShadowBg* shadowOf(TRdSkinHintWindow* w) {
    return w && w->FormSkin() ? w->FormSkin()->FormShadowBg() : nullptr;
}

struct HintTest : ::testing::Test {
    tk::TForm* form = nullptr;
    TRdSkinHint* style = nullptr;
    RECT wa{};
    void SetUp() override {
        static bool engine = (image::StartImageEngine(), rd::RegisterPictureFormats(), true);
        (void)engine;
        rd::StartFollowingAlpha(); // the skinned library's start puts it in place
        rd::RegisterSkinHints();
        wa = tk::Screen()->WorkAreaRectAt(POINT{0, 0});
        form = new tk::TForm(tk::Application());
        form->SetBorderStyle(tk::bsNone);
        form->SetBounds(wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top);
        style = newStyle();
        form->SetColor(0x00F0F0F0);
        form->Show();
        settle();
    }
    // A style without fading whose skinned look is a shadowed background with 10-pixel
    // margins around the window and 16 x 8 arrows whose tips touch the control.
    TRdSkinHint* newStyle() {
        auto* s = new TRdSkinHint(form);
        s->SetAlphaBlendAnimation(false);
        solid(s->ArrowImageUp(), 16, 8);
        solid(s->ArrowImageDown(), 16, 8);
        shadowed(s->BackgroundImage());
        s->BackgroundOption()->SetValue(10, 10, 10, 10);
        s->BackgroundOption()->SetTipDownOffY(2);
        s->BackgroundOption()->SetTipUpOffY(-2);
        return s;
    }
    void TearDown() override {
        TRdSkinHintWindow::SetFadeClock(nullptr, nullptr);
        rd::StopSkinHints();
        tk::FreeApplication();
    }
    tk::TPanel* control(int x, int y, int w = 60, int h = 24) {
        auto* p = new tk::TPanel(form);
        p->SetParent(form);
        p->SetBounds(x, y, w, h);
        return p;
    }
    TRdSkinHintWindow* show(tk::TControl* c, const std::u16string& text = u"A hint text", int hidePause = 0) {
        style->ShowHint(c, text, nullptr, hidePause);
        settle(2);
        return style->OwnWindow();
    }
};

} // namespace

TEST_F(HintTest, QuarterAndEdgePlacement) {
    const int w = wa.right - wa.left, h = wa.bottom - wa.top;
    const struct {
        int x, y;
        hint::Side side;
    } cases[] = {
        {w / 4, h / 4, hint::Side::Below},     {3 * w / 4, h / 4, hint::Side::Below},
        {w / 4, 3 * h / 4, hint::Side::Above}, {3 * w / 4, 3 * h / 4, hint::Side::Above},
        {0, h / 4, hint::Side::Below},         {w - 60, h / 4, hint::Side::Below},
        {w / 2 - 100, 0, hint::Side::Below},   {w / 2 - 100, h - 24, hint::Side::Above},
    };
    for (const auto& c : cases) {
        tk::TPanel* p = control(c.x, c.y);
        TRdSkinHintWindow* win = show(p);
        ASSERT_TRUE(win);
        ASSERT_TRUE(win->WindowVisible());
        RECT r;
        ::GetWindowRect(win->Handle(), &r);
        const RECT ctl{wa.left + c.x, wa.top + c.y, wa.left + c.x + 60, wa.top + c.y + 24};
        EXPECT_EQ(win->LastPlacement().Where, c.side) << c.x << "," << c.y;
        if (c.side == hint::Side::Below) EXPECT_GE(r.top, ctl.bottom) << c.x << "," << c.y;
        if (c.side == hint::Side::Above) EXPECT_LE(r.bottom, ctl.top) << c.x << "," << c.y;
        EXPECT_GE(r.left, wa.left);
        EXPECT_LE(r.right, wa.right);
        EXPECT_GE(r.top, wa.top);
        EXPECT_LE(r.bottom, wa.bottom);
        const bool edge = c.x == 0 || c.x == w - 60;
        if (!edge) {
            EXPECT_TRUE(win->LastPlacement().ArrowShown) << c.x << "," << c.y;
            // The window is the body; its shadow layer holds the arrow, whose tip touches
            // the control.
            EXPECT_EQ(r.bottom - r.top, win->LastPlacement().Body.Height());
            const RECT layer = windowRect(shadowOf(win));
            if (c.side == hint::Side::Below) EXPECT_EQ(layer.top, ctl.bottom) << c.x << "," << c.y;
            if (c.side == hint::Side::Above) EXPECT_EQ(layer.bottom, ctl.top) << c.x << "," << c.y;
            const hint::Box& a = win->LastArrowRect();
            const int arrowY = c.side == hint::Side::Below ? layer.top + 4 : layer.top + a.Top + 4;
            EXPECT_EQ(screenPixel(layer.left + (a.Left + a.Right) / 2, arrowY), RGB(0x20, 0x20, 0x20))
                << c.x << "," << c.y;
            EXPECT_EQ(screenPixel(r.left + 2, r.top + 2), RGB(255, 255, 255)) << c.x << "," << c.y;
        }
        style->HideHint();
        settle(2);
        EXPECT_FALSE(win->WindowVisible());
        delete p;
    }
    style->ArrowOption()->SetArrowAutoUp(true);
    TRdSkinHintWindow* win = show(control(w / 4, h / 4));
    EXPECT_EQ(win->LastPlacement().Where, hint::Side::Above);
}

TEST_F(HintTest, TitleMaxWidthAndTheFrameworksPath) {
    TRdSkinHintWindow* win = show(control(100, 100), u"Save##Saves the file");
    EXPECT_EQ(win->Title(), u"Save");
    EXPECT_EQ(win->HtmLabel()->Caption(), u"Saves the file");
    style->SetMaxWidth(tk::Screen()->Width() + 1);
    EXPECT_EQ(style->MaxWidth(), 300);
    style->SetMaxWidth(200);
    EXPECT_EQ(style->MaxWidth(), 200);

    // A control whose CustomHint is the style uses it through the framework's hints.
    tk::TPanel* p = control(300, 200);
    p->SetHint(u"framework hint");
    p->SetShowHint(true);
    p->SetCustomHint(style);
    EXPECT_EQ(p->CustomHint(), nullptr);
    EXPECT_EQ(rd::SkinHintOf(p), style);
    EXPECT_NE(p->FindComponent("RdUseSkinHint"), nullptr);
    POINT at{wa.left + 310, wa.top + 210};
    tk::Application()->ShowHintFor(p, at);
    settle(2);
    auto* appWin = dynamic_cast<TRdSkinHintWindow*>(tk::Application()->HintWindow());
    ASSERT_TRUE(appWin);
    EXPECT_TRUE(appWin->WindowVisible());
    EXPECT_EQ(appWin->HtmLabel()->Caption(), u"framework hint");
    int pause = 0;
    p->Perform(tk::CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
    EXPECT_EQ(pause, 500);
    delete style; // the control forgets it
    style = nullptr;
    EXPECT_EQ(rd::SkinHintOf(p), nullptr);
}

TEST_F(HintTest, FadeInStepsReadFromTheLayeredWindow) {
    testprefs::Scope animate(testprefs::Scope::ClientAreaAnimation, true);
    style->SetAlphaBlendAnimation(true);
    std::vector<int> alphas;
    unsigned clock = 0;
    TRdSkinHintWindow* win = nullptr;
    TRdSkinHintWindow::SetFadeClock(
        [&] { return clock; },
        [&](int) {
            clock += 30; // the pause passes one step's interval
            if (win && win->HandleAllocated()) {
                BYTE a = 0;
                DWORD flags = 0;
                if (::GetLayeredWindowAttributes(win->Handle(), nullptr, &a, &flags) &&
                    (alphas.empty() || alphas.back() != a))
                    alphas.push_back(a);
            }
        });
    style->ShowHint(control(100, 100), u"fading", nullptr, 0); // makes the window
    win = style->OwnWindow();
    style->HideHint();
    settle(30);
    alphas.clear();
    style->ShowHint(control(100, 100), u"fading", nullptr, 0);
    EXPECT_EQ(alphas, (std::vector<int>{0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250}));
    BYTE a = 0;
    ::GetLayeredWindowAttributes(win->Handle(), nullptr, &a, nullptr);
    EXPECT_EQ(a, 255);
}

// Without client-area animation a fading style shows the hint at its full opacity at once
// and hides it at once; with it, the fade-out still runs after the hide request.
TEST_F(HintTest, ReducedMotionShowsAndHidesAtOnce) {
    style->SetAlphaBlendAnimation(true);
    TRdSkinHintWindow* win = nullptr; // made by the first show
    for (bool animate : {false, true}) {
        SCOPED_TRACE(animate ? "animation on" : "animation off");
        testprefs::Scope prefs(testprefs::Scope::ClientAreaAnimation, animate);
        std::vector<int> alphas;
        unsigned clock = 0;
        TRdSkinHintWindow::SetFadeClock(
            [&] { return clock; },
            [&](int) {
                clock += 30;
                BYTE a = 0;
                if (win && ::GetLayeredWindowAttributes(win->Handle(), nullptr, &a, nullptr))
                    alphas.push_back(a);
            });
        win = show(control(100, 100), u"calm");
        ASSERT_NE(win, nullptr);
        BYTE a = 0;
        ::GetLayeredWindowAttributes(win->Handle(), nullptr, &a, nullptr);
        EXPECT_EQ(a, 255);
        EXPECT_EQ(alphas.empty(), !animate); // no step in between without animation
        style->HideHint();
        EXPECT_EQ(::IsWindowVisible(win->Handle()) != FALSE, animate);
        TRdSkinHintWindow::SetFadeClock(nullptr, nullptr);
        for (int i = 0; i < 400 && ::IsWindowVisible(win->Handle()); ++i)
            settle(1);
        EXPECT_FALSE(::IsWindowVisible(win->Handle()));
    }
}

TEST_F(HintTest, AutoHideOnKeysNotOnMouseMoves) {
    TRdSkinHintWindow* win = show(control(100, 100), u"auto hide", 5000);
    ASSERT_TRUE(win->AutoHide);
    ASSERT_TRUE(win->WindowVisible());
    ::PostMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    settle();
    EXPECT_TRUE(win->WindowVisible());
    ::PostMessageW(form->Handle(), WM_KEYDOWN, 'A', 0);
    settle();
    EXPECT_FALSE(win->WindowVisible());
}

TEST_F(HintTest, HoveringTheHintKeepsIt) {
    tk::TPanel* p = control(100, 100);
    TRdSkinHintWindow* win = show(p, u"hover me");
    RECT r;
    ::GetWindowRect(win->Handle(), &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_FALSE(win->ShouldHideHint()); // the framework asks: the poll decides
    for (int i = 0; i < 10; ++i)
        settle(10);
    EXPECT_TRUE(win->WindowVisible());
    ::SetCursorPos(wa.right - 5, wa.bottom - 5);
    const DWORD start = ::GetTickCount();
    while (win->WindowVisible() && ::GetTickCount() - start < 2000)
        settle(2);
    EXPECT_FALSE(win->WindowVisible());
    EXPECT_LT(::GetTickCount() - start, 1000u);
}

TEST_F(HintTest, AThousandQuickShowsWhileControlsGo) {
    testprefs::Scope animate(testprefs::Scope::ClientAreaAnimation, true);
    style->SetAlphaBlendAnimation(true);
    style->SetAlphaBlendAnimationTimes(3);
    style->SetAlphaBlendAnimationInterval(1);
    unsigned clock = 0; // the fade-in runs on at once; the worker's fade-out in real time
    TRdSkinHintWindow::SetFadeClock([&] { return clock += 1; }, [](int) {});
    const int threads = threadCount();
    const int windows = windowCount();
    for (int i = 0; i < 1000; ++i) {
        tk::TPanel* p = control(50 + i % 300, 80);
        style->ShowHint(p, u"quick", nullptr, 0);
        style->HideHint(); // the worker starts fading out
        delete p;          // mid-fade
        if (i % 50 == 0) tk::Application()->ProcessMessages();
    }
    settle(20);
    delete style; // its window and worker go with it
    style = nullptr;
    settle(5);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(windowCount(), windows);
}

TEST_F(HintTest, ShadowLayerAroundTheBody) {
    // The background's margins (or the ShadowFrame values that replace them) lie around the
    // window on its shadow layer: shadow pixels there, the form's beyond; the layer takes
    // the window's opacity; corners set the window's region.
    const struct {
        int frameLeft; // ShadowFrameLeft (-1: the picture's margin, 10)
        int alpha;     // the style's AlphaBlendValue
        int ellipse;   // EllipseWidth and EllipseHeight
        int layerLeft; // the layer's left edge from the body's
    } cases[] = {
        {-1, 255, 0, 10},
        {4, 255, 0, 4},
        {-1, 128, 8, 10},
    };
    const COLORREF formColour = RGB(0xF0, 0xF0, 0xF0);
    for (const auto& c : cases) {
        style->BackgroundOption()->SetShadowFrameLeft(c.frameLeft);
        style->SetAlphaBlendValue(c.alpha);
        style->BackgroundOption()->SetEllipseWidth(c.ellipse);
        style->BackgroundOption()->SetEllipseHeight(c.ellipse);
        const std::string what = "frame " + std::to_string(c.frameLeft) + " alpha " + std::to_string(c.alpha);
        tk::TPanel* p = control(400, 300);
        TRdSkinHintWindow* win = show(p, u"shadowed");
        ASSERT_TRUE(win && win->SkinnedLook()) << what;
        rd::TRdFormShadowBg* shadow = shadowOf(win);
        ASSERT_TRUE(shadow && shadow->ShadowVisible()) << what;
        const RECT body = windowRect(win), layer = windowRect(shadow);
        EXPECT_EQ(body.left - layer.left, c.layerLeft) << what;
        EXPECT_EQ(layer.right - body.right, 10) << what;
        EXPECT_EQ(layer.bottom - body.bottom, 10) << what;
        EXPECT_EQ(shadow->ConstantAlpha(), c.alpha) << what;
        // In the right margin, mid-height: the shadow (of an opaque hint); just beyond the
        // layer: the form.
        const int y = (body.top + body.bottom) / 2;
        if (c.alpha == 255) EXPECT_EQ(screenPixel(body.right + 5, y), RGB(0x40, 0x40, 0x40)) << what;
        EXPECT_EQ(screenPixel(layer.right + 2, y), formColour) << what;
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(::GetWindowRgn(win->Handle(), rgn) != ERROR, c.ellipse != 0) << what;
        ::DeleteObject(rgn);
        style->HideHint();
        settle(2);
        EXPECT_FALSE(shadow->ShadowVisible()) << what;
        delete p;
    }
    // Without a background picture: the plain look, no shadow layer shown, no arrow.
    style->BackgroundImage()->SetGraphic(nullptr);
    TRdSkinHintWindow* win = show(control(400, 300), u"plain");
    EXPECT_FALSE(win->SkinnedLook());
    EXPECT_FALSE(shadowOf(win)->ShadowVisible());
    EXPECT_FALSE(win->LastPlacement().ArrowShown);
}

TEST_F(HintTest, EndOfSessionStopsTheFadeWorker) {
    // A slow fade-out is running when the session ends: the hint goes at once and its worker
    // is joined; a later hint shows with a new worker.
    style->SetAlphaBlendAnimation(true);
    style->SetAlphaBlendAnimationInterval(300);
    unsigned clock = 0; // the fade-in passes at once
    TRdSkinHintWindow::SetFadeClock([&] { return clock += 1000; }, [](int) {});
    const struct {
        UINT msg;
        WPARAM wParam;
        LRESULT result;
    } cases[] = {{WM_QUERYENDSESSION, 0, 1}, {WM_ENDSESSION, 1, 0}};
    const int threads = threadCount();
    for (const auto& c : cases) {
        TRdSkinHintWindow* win = show(control(100, 100), u"fading out");
        ASSERT_TRUE(win->WindowVisible());
        style->HideHint();
        settle(2);
        ASSERT_TRUE(win->FadeWorkerRunning()) << c.msg;
        ASSERT_TRUE(win->WindowVisible()) << c.msg; // still fading
        EXPECT_EQ(::SendMessageW(win->Handle(), c.msg, c.wParam, 0), c.result) << c.msg;
        EXPECT_FALSE(win->WindowVisible()) << c.msg;
        EXPECT_FALSE(win->FadeWorkerRunning()) << c.msg;
        EXPECT_FALSE(shadowOf(win)->ShadowVisible()) << c.msg;
        EXPECT_EQ(threadCount(), threads) << c.msg;
        settle(5); // calls the worker queued before it ended do nothing
        EXPECT_FALSE(win->WindowVisible()) << c.msg;
    }
    TRdSkinHintWindow* win = show(control(100, 100), u"again");
    EXPECT_TRUE(win->WindowVisible());
}

TEST_F(HintTest, TextControlPositionEventsAndLinks) {
    // A control shown instead of the text: in the window, the window its size; the next
    // text hint lets it go, and so does a window that is freed.
    auto* swatch = new tk::TPanel(form);
    swatch->SetBounds(0, 0, 120, 40);
    TRdSkinHintWindow* win = nullptr;
    style->ShowHint(control(100, 100), swatch, nullptr, 0);
    settle(2);
    win = style->OwnWindow();
    ASSERT_TRUE(win);
    EXPECT_EQ(swatch->Parent(), win);
    EXPECT_TRUE(swatch->Visible());
    EXPECT_FALSE(win->HtmLabel()->Visible());
    EXPECT_EQ(windowRect(win).right - windowRect(win).left, 120);
    EXPECT_EQ(windowRect(win).bottom - windowRect(win).top, 40);
    show(control(100, 100), u"text again");
    EXPECT_EQ(swatch->Parent(), nullptr);
    EXPECT_TRUE(win->HtmLabel()->Visible());
    style->ShowHint(control(100, 100), swatch, nullptr, 0);
    settle(2);
    delete style; // the window goes, the control stays with its owner
    style = nullptr;
    EXPECT_EQ(swatch->Parent(), nullptr);
    delete swatch;

    // OnCalcPosHint chooses the quarter and moves the control's rectangle.
    style = newStyle();
    // posType 0 leaves the style's choice (centred on the control); a positive quarter puts
    // the hint at the control's near corner as in that quarter, a negative one centres it.
    const struct {
        int posType, dx;
        hint::Side side;
        bool centred;
    } cases[] = {{0, 0, hint::Side::Below, true},
                 {3, 0, hint::Side::Above, false},
                 {-1, 200, hint::Side::Below, true}};
    for (const auto& c : cases) {
        style->OnCalcPosHint = [&](tk::TControl*, TRdSkinHintWindow*, int& pos, int& x, int&, int&, int&,
                                   std::u16string&) {
            if (c.posType) pos = c.posType;
            x += c.dx;
        };
        win = show(control(300, 200), u"placed");
        EXPECT_EQ(win->LastPlacement().Where, c.side) << c.posType;
        const RECT r = windowRect(win);
        const int left = wa.left + 300 + c.dx;
        if (c.centred)
            EXPECT_NEAR((r.left + r.right) / 2, left + 30, 1) << c.posType;
        else
            EXPECT_EQ(r.left, left) << c.posType;
    }
    style->OnCalcPosHint = nullptr;

    // A label's hint (through the framework) points at its text, not at the whole label.
    auto* label = new tk::TLabel(form);
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(300, 400, 400, 24);
    label->SetCaption(u"Hi");
    label->SetHint(u"at the text");
    label->SetShowHint(true);
    label->SetCustomHint(style);
    tk::Application()->ShowHintFor(label, POINT{wa.left + 305, wa.top + 405});
    settle(2);
    auto* appWin = dynamic_cast<TRdSkinHintWindow*>(tk::Application()->HintWindow());
    ASSERT_TRUE(appWin && appWin->WindowVisible());
    const RECT r = windowRect(appWin);
    EXPECT_LT((r.left + r.right) / 2, wa.left + 300 + 60);
    tk::Application()->CancelHint();

    // Every link of a hint is underlined in the link font.
    win = show(control(300, 200), u"<A>one</A> and <a href=\"x\">two</a>");
    ASSERT_EQ(win->HtmLabel()->LinkItems()->Count(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(win->HtmLabel()->LinkItems()->GetItem(i)->Font()->Style().has(tk::fsUnderline)) << i;
}

TEST_F(HintTest, ActiveHintEventAndShutDown) {
    // OnActiveHint may change the framework's hint text or refuse the hint.
    tk::TPanel* p = control(300, 200);
    p->SetHint(u"framework hint");
    p->SetShowHint(true);
    p->SetCustomHint(style);
    bool allow = true;
    style->OnActiveHint = [&](std::u16string& text, bool& canShow, tk::THintInfo&) {
        text = allow ? u"changed" : u"refused";
        canShow = allow;
    };
    const POINT at{wa.left + 310, wa.top + 210};
    tk::Application()->ShowHintFor(p, at);
    settle(2);
    auto* appWin = dynamic_cast<TRdSkinHintWindow*>(tk::Application()->HintWindow());
    ASSERT_TRUE(appWin);
    EXPECT_TRUE(appWin->WindowVisible());
    EXPECT_EQ(appWin->HtmLabel()->Caption(), u"changed");
    allow = false;
    tk::Application()->ShowHintFor(p, at); // the shown hint goes, no other comes
    const DWORD start = ::GetTickCount();
    while (appWin->WindowVisible() && ::GetTickCount() - start < 1000)
        settle(2);
    EXPECT_FALSE(appWin->WindowVisible());
    EXPECT_EQ(appWin->HtmLabel()->Caption(), u"changed");

    // Shut-down undoes start-up: the classes leave the registry and come back.
    EXPECT_NE(tk::FindClass("TRdSkinHint"), nullptr);
    rd::StopSkinHints();
    EXPECT_EQ(tk::FindClass("TRdSkinHint"), nullptr);
    EXPECT_EQ(tk::FindClass("TUseSkinHint"), nullptr);
    rd::RegisterSkinHints();
    EXPECT_NE(tk::FindClass("TUseSkinHint"), nullptr);
}

TEST_F(HintTest, StyleOptionsAndInnerShow) {
    // The font quality is the font's antialiasing.
    style->SetFontQuality(rd::fdqAntialiased);
    EXPECT_TRUE(style->Font()->Antialiased());
    EXPECT_EQ(style->FontQuality(), rd::fdqAntialiased);
    style->SetFontQuality(rd::fdqDefault);
    EXPECT_FALSE(style->Font()->Antialiased());
    EXPECT_EQ(style->FontQuality(), rd::fdqClearType);
    // A background option filled from its picture takes a third of the picture (30 x 30).
    style->BackgroundOption()->SetEmpty(true);
    style->BackgroundOption()->SetEmpty(false);
    EXPECT_EQ(style->BackgroundOption()->Left(), 10);
    EXPECT_EQ(style->BackgroundOption()->Bottom(), 10);

    // InnerShow keeps a framework hint inside its control's form: one that prefers to go
    // below a control near the form's bottom goes above it instead.
    auto* small = new tk::TForm(tk::Application());
    small->SetBorderStyle(tk::bsNone);
    small->SetBounds(wa.left + 200, wa.top + 200, 300, 200);
    auto* p = new tk::TPanel(small);
    p->SetParent(small);
    p->SetBounds(120, 160, 60, 24);
    p->SetHint(u"inner");
    p->SetShowHint(true);
    p->SetCustomHint(style);
    small->Show();
    settle();
    style->ArrowOption()->SetArrowAutoDown(true);
    for (bool inner : {false, true}) {
        style->ArrowOption()->SetInnerShow(inner);
        tk::Application()->ShowHintFor(p, POINT{wa.left + 330, wa.top + 370});
        settle(2);
        auto* win = dynamic_cast<TRdSkinHintWindow*>(tk::Application()->HintWindow());
        ASSERT_TRUE(win && win->WindowVisible()) << inner;
        EXPECT_EQ(win->LastPlacement().Where, inner ? hint::Side::Above : hint::Side::Below) << inner;
        if (inner) EXPECT_GE(windowRect(win).top, wa.top + 200);
        tk::Application()->CancelHint();
        win->HideHint();
        settle(2);
    }
}
