// The shadow window on real windows: where it is through the owner's life, its z-order,
// activation and the mouse, its opacity, and the owner's window region.
#include "tests/win/rdcontrol/formskin/formskin_fixture.h"

#include "toolkit/application.h"
#include "toolkit/stdctrls.h"

using namespace vell;
using namespace vell::fstest;

TEST_F(FormSkinTest, ShadowFollowsTheOwnerThroughMoveResizeHideMinimiseMaximiseRestoreAndDestroy) {
    const int before = topLevelWindows();
    show();
    ASSERT_NE(shadowWnd(), nullptr);
    HWND f = form->Handle();
    struct Step {
        const char* what;
        std::function<void()> act;
        bool visible;
        const char* rect; // the shadow's, when visible
    } steps[] = {
        {"shown", [] {}, true, "90,90 420x320"},
        {"moved", [&] { form->SetBounds(200, 150, 400, 300); }, true, "190,140 420x320"},
        {"resized", [&] { form->SetBounds(200, 150, 500, 200); }, true, "190,140 520x220"},
        {"moved by the platform", [&] { ::MoveWindow(f, 220, 160, 500, 200, TRUE); }, true,
         "210,150 520x220"},
        {"hidden", [&] { form->Hide(); }, false, ""},
        {"shown again", [&] { form->Show(); }, true, "210,150 520x220"},
        {"minimised", [&] { ::ShowWindow(f, SW_MINIMIZE); }, false, ""},
        {"restored", [&] { ::ShowWindow(f, SW_RESTORE); }, true, "210,150 520x220"},
        {"maximised", [&] { ::ShowWindow(f, SW_MAXIMIZE); }, false, ""},
        {"restored from maximised", [&] { ::ShowWindow(f, SW_RESTORE); }, true, "210,150 520x220"},
    };
    for (const Step& s : steps) {
        s.act();
        settle();
        EXPECT_EQ(::IsWindowVisible(shadowWnd()) != 0, s.visible) << s.what;
        if (s.visible) {
            EXPECT_EQ(rectText(windowRect(shadowWnd())), s.rect) << s.what;
            EXPECT_EQ(shadow()->DrawW(), shadow()->Width()) << s.what;
            EXPECT_EQ(shadow()->DrawH(), shadow()->Height()) << s.what;
        }
    }
    // The owner's window goes: so does the shadow's.
    form->DestroyHandle();
    settle();
    EXPECT_FALSE(shadow()->HandleAllocated());
    EXPECT_EQ(topLevelWindows(), before);
    // Shown again, the shadow comes back with it.
    form->Show();
    settle();
    ASSERT_NE(shadowWnd(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(shadowWnd()));
    tk::Free(form);
    settle();
    EXPECT_EQ(topLevelWindows(), before);
}

TEST_F(FormSkinTest, ShadowStaysDirectlyAboveItsOwnerAndNeverTakesActivation) {
    show();
    HWND f = form->Handle();
    EXPECT_EQ(::GetWindow(f, GW_HWNDPREV), shadowWnd());
    auto* other = new tk::TForm(tk::Application());
    other->SetBounds(150, 150, 200, 150);
    other->Show();
    settle();
    ::SetForegroundWindow(other->Handle());
    settle();
    EXPECT_EQ(::GetWindow(f, GW_HWNDPREV), shadowWnd()) << "another window activated";
    ::SetForegroundWindow(f);
    settle();
    EXPECT_EQ(::GetWindow(f, GW_HWNDPREV), shadowWnd()) << "the owner activated again";
    for (HWND w : {::GetForegroundWindow(), ::GetActiveWindow()})
        EXPECT_NE(w, shadowWnd());
    // Its style: layered, never activated, no taskbar button, owned by the form.
    const LONG ex = ::GetWindowLongW(shadowWnd(), GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
    EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_EQ(::GetWindow(shadowWnd(), GW_OWNER), f);
}

namespace {

void clickAt(int x, int y) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    for (DWORD flags : {DWORD(MOUSEEVENTF_MOVE), DWORD(MOUSEEVENTF_LEFTDOWN), DWORD(MOUSEEVENTF_LEFTUP)}) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = (x * 65536 + sw / 2) / sw;
        in.mi.dy = (y * 65536 + sh / 2) / sh;
        in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, &in, sizeof(in));
        settle(3);
    }
}

} // namespace

TEST_F(FormSkinTest, WithoutHitTestClicksOnTheShadowReachTheWindowBelowWithItTheFormSkinsEventsFire) {
    auto* below = new tk::TForm(tk::Application());
    below->SetBorderStyle(tk::bsNone);
    below->SetBounds(40, 40, 520, 420);
    below->SetColor(0x00FF0000);
    int belowClicks = 0, skinDowns = 0;
    below->OnMouseDown = [&](tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int) { ++belowClicks; };
    skin->OnMouseDown = [&](tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int) { ++skinDowns; };
    below->Show();
    settle();
    show();
    const POINT onShadow{95, 250}; // 5 pixels left of the form, inside the shadow's margin
    EXPECT_EQ(::WindowFromPoint(onShadow), below->Handle());
    clickAt(onShadow.x, onShadow.y);
    EXPECT_EQ(belowClicks, 1);
    EXPECT_EQ(skinDowns, 0);

    skin->SetHitTest(true);
    settle();
    EXPECT_EQ(::WindowFromPoint(onShadow), shadowWnd());
    clickAt(onShadow.x, onShadow.y);
    EXPECT_EQ(skinDowns, 1);
    EXPECT_EQ(belowClicks, 1);
    EXPECT_NE(::GetForegroundWindow(), shadowWnd());
}

TEST_F(FormSkinTest, FadingTheOwnerFadesTheShadow) {
    show();
    EXPECT_EQ(shadow()->ConstantAlpha(), 255);
    form->SetAlphaBlend(true);
    form->SetAlphaBlendValue(128);
    EXPECT_EQ(shadow()->ConstantAlpha(), 128);
    form->SetAlphaBlendValue(20);
    EXPECT_EQ(shadow()->ConstantAlpha(), 20);
}

TEST_F(FormSkinTest, ASecondFormSkinOnTheSameOwnerFailsAndTheFirstStays) {
    try {
        new rd::TRdFormSkin(form);
        FAIL() << "no exception";
    } catch (const tk::EComponentError& e) {
        EXPECT_STREQ(e.what(), "can not create 2rd TRdFormSkin, exists: FormSkin1");
    }
    EXPECT_EQ(rd::TRdFormSkin::Of(form), skin);
    // Moving a form skin to an owner that has one fails the same way.
    auto* other = new tk::TForm(tk::Application());
    auto* second = new rd::TRdFormSkin(other);
    second->SetName("FormSkin2");
    EXPECT_THROW(second->SetOwnerForm(form), tk::EComponentError);
    EXPECT_EQ(second->OwnerControl(), other);
}

TEST_F(FormSkinTest, RegionCutsTheCornersRoundOrDiagonallyAndMaximisingTakesItAway) {
    auto* below = new tk::TForm(tk::Application());
    below->SetBorderStyle(tk::bsNone);
    below->SetBounds(60, 60, 480, 380);
    below->SetColor(0x00FF0000); // blue
    below->Show();
    settle();
    show();
    struct Case {
        bool ellipse;
        std::vector<POINT> inside, outside;
    } cases[] = {
        // An 8 x 8 corner ellipse on a region one pixel larger than the window.
        {true,
         {{4, 0}, {0, 4}, {2, 2}, {399, 150}, {200, 299}, {397, 297}},
         {{0, 0}, {399, 0}, {0, 299}, {399, 299}}},
        // Corners cut by straight diagonals through (8, 0) and (0, 8).
        {false, {{8, 0}, {5, 5}, {0, 8}, {200, 0}, {391, 0}}, {{0, 0}, {3, 3}, {7, 0}, {0, 7}, {399, 0}}},
    };
    for (const Case& c : cases) {
        skin->EllipseSize()->SetEllipse(c.ellipse);
        skin->EllipseSize()->SetSize(8, 8);
        settle();
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(::GetWindowRgn(form->Handle(), rgn), ERROR) << c.ellipse;
        for (POINT p : c.inside)
            EXPECT_TRUE(::PtInRegion(rgn, p.x, p.y)) << c.ellipse << " " << p.x << "," << p.y;
        for (POINT p : c.outside)
            EXPECT_FALSE(::PtInRegion(rgn, p.x, p.y)) << c.ellipse << " " << p.x << "," << p.y;
        ::DeleteObject(rgn);
        // On the screen the corner pixel is the window below; the middle is the form.
        EXPECT_TRUE(closeTo(screenRgb(100, 100), 0x0000FF)) << c.ellipse;
        EXPECT_TRUE(closeTo(screenRgb(300, 250), 0xFFFFFF)) << c.ellipse;
        skin->EllipseSize()->SetSize(0, 0);
    }
    skin->EllipseSize()->SetSize(8, 8);
    settle();
    HRGN probe = ::CreateRectRgn(0, 0, 0, 0);
    ::ShowWindow(form->Handle(), SW_MAXIMIZE);
    settle();
    EXPECT_EQ(::GetWindowRgn(form->Handle(), probe), ERROR) << "maximised: no region";
    ::ShowWindow(form->Handle(), SW_RESTORE);
    settle();
    EXPECT_NE(::GetWindowRgn(form->Handle(), probe), ERROR) << "restored: the region is back";
    ::DeleteObject(probe);
}

TEST_F(FormSkinTest, MaximisedOwnerCoversTheWorkAreaOrTheWholeMonitor) {
    show();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT reserved{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN) - 40};
    const bool workAreaSet = ::SystemParametersInfoW(SPI_SETWORKAREA, 0, const_cast<RECT*>(&reserved), 0);
    RECT nowWork{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &nowWork, 0);
    const RECT monitor{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    struct Case {
        bool fullScreen;
        RECT want;
    } cases[] = {{false, nowWork}, {true, monitor}};
    for (const Case& c : cases) {
        skin->SetMaxFullScreenMode(c.fullScreen);
        MINMAXINFO info{};
        ::SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(
            rectText(RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
                          info.ptMaxPosition.y + info.ptMaxSize.y}),
            rectText(c.want))
            << c.fullScreen;
        ::ShowWindow(form->Handle(), SW_MAXIMIZE);
        settle();
        EXPECT_EQ(rectText(windowRect(form->Handle())), rectText(c.want)) << c.fullScreen;
        ::ShowWindow(form->Handle(), SW_RESTORE);
        settle();
    }
    // Switched while maximised, the owner moves to the new target at once.
    ::ShowWindow(form->Handle(), SW_MAXIMIZE);
    settle();
    skin->SetMaxFullScreenMode(false);
    EXPECT_TRUE(::IsZoomed(form->Handle()));
    EXPECT_EQ(rectText(windowRect(form->Handle())), rectText(nowWork));
    if (workAreaSet) ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
}

TEST_F(FormSkinTest, ShadowFrameDisabledKeepsTheShadowHiddenUntilEnabled) {
    skin->ShadowFrame()->SetEnabled(false);
    show();
    EXPECT_FALSE(shadowWnd() && ::IsWindowVisible(shadowWnd()));
    skin->ShadowFrame()->SetEnabled(true);
    settle();
    ASSERT_NE(shadowWnd(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(shadowWnd()));
    EXPECT_EQ(rectText(windowRect(shadowWnd())), "90,90 420x320");
}
