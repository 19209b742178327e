// Skinned hints on real windows.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/controls/html_label.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"

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

struct HintTest : ::testing::Test {
    tk::TForm* form = nullptr;
    TRdSkinHint* style = nullptr;
    RECT wa{};
    void SetUp() override {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        rd::RegisterSkinHints();
        wa = tk::Screen()->WorkAreaRectAt(POINT{0, 0});
        form = new tk::TForm(tk::Application());
        form->SetBorderStyle(tk::bsNone);
        form->SetBounds(wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top);
        style = new TRdSkinHint(form);
        style->SetAlphaBlendAnimation(false);
        solid(style->ArrowImageUp(), 16, 8);
        solid(style->ArrowImageDown(), 16, 8);
        form->Show();
        settle();
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
        {w / 4, h / 4, hint::Side::Below},         {3 * w / 4, h / 4, hint::Side::Below},
        {w / 4, 3 * h / 4, hint::Side::Above},     {3 * w / 4, 3 * h / 4, hint::Side::Above},
        {0, h / 4, hint::Side::Below},             {w - 60, h / 4, hint::Side::Below},
        {w / 2 - 100, 0, hint::Side::Below},       {w / 2 - 100, h - 24, hint::Side::Above},
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
            // The window holds the arrow and touches the control with it.
            if (c.side == hint::Side::Below) EXPECT_EQ(r.top, ctl.bottom) << c.x << "," << c.y;
            if (c.side == hint::Side::Above) EXPECT_EQ(r.bottom, ctl.top) << c.x << "," << c.y;
            EXPECT_EQ(r.bottom - r.top, win->LastPlacement().Body.Height() + 8);
            if (c.side == hint::Side::Below) { // the arrow picture's dark grey over the control's side
                const hint::Box& a = win->LastPlacement().Arrow;
                HDC dc = ::GetDC(nullptr);
                const COLORREF arrow = ::GetPixel(dc, r.left + (a.Left + a.Right) / 2, r.top + 4);
                const COLORREF body = ::GetPixel(dc, r.left + 2, r.top + 12);
                ::ReleaseDC(nullptr, dc);
                EXPECT_EQ(arrow, RGB(0x20, 0x20, 0x20)) << c.x << "," << c.y;
                EXPECT_EQ(body, RGB(255, 255, 255)) << c.x << "," << c.y;
            }
        }
        style->HideHint();
        settle(2);
        EXPECT_FALSE(win->WindowVisible());
        delete p;
    }
    style->SetArrowAutoUp(true);
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
    style->SetAlphaBlendAnimation(true);
    std::vector<int> alphas;
    unsigned clock = 0;
    TRdSkinHintWindow* win = nullptr;
    TRdSkinHintWindow::SetFadeClock(
        [&] {
            return clock;
        },
        [&](int) {
            clock += 30; // the pause passes one step's interval
            if (win && win->HandleAllocated()) {
                BYTE a = 0;
                DWORD flags = 0;
                if (::GetLayeredWindowAttributes(win->Handle(), nullptr, &a, &flags) && (alphas.empty() || alphas.back() != a))
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
    for (int i = 0; i < 10; ++i) settle(10);
    EXPECT_TRUE(win->WindowVisible());
    ::SetCursorPos(wa.right - 5, wa.bottom - 5);
    const DWORD start = ::GetTickCount();
    while (win->WindowVisible() && ::GetTickCount() - start < 2000) settle(2);
    EXPECT_FALSE(win->WindowVisible());
    EXPECT_LT(::GetTickCount() - start, 1000u);
}

TEST_F(HintTest, AThousandQuickShowsWhileControlsGo) {
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
