// Windowless controls nested in windowless containers: coordinates through scrolled
// containers, hit tests, precise points beyond 16 bits, hover and capture that survive the
// controls going away, the wheel bubbling out, and cursors.
#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {
using Log = std::vector<std::string>;

LRESULT send(HWND w, UINT msg, int x, int y, WPARAM keys = 0) {
    return ::SendMessageW(w, msg, keys, MAKELPARAM(x, y));
}
Log take(TBlock* b) {
    Log out;
    out.swap(b->log);
    return out;
}

struct Scene {
    Scene() : form(nullptr) {
        form.SetBorderStyle(bsNone);
        form.SetBounds(0, 0, 400, 300);
        box = new TNestBox(&form, {100, 100, 200, 150});
        box->scroll = POINT{0, 30};
        child = new TNestedBlock(box, {10, 10, 50, 50});
        wnd = form.Handle();
    }
    TForm form;
    TNestBox* box;
    TNestedBlock* child;
    HWND wnd;
};
} // namespace

TEST(Nesting, CoordinatesRunThroughScrolledContainers) {
    Scene s;
    // Content (10, 10) of a box scrolled by 30 shows 30 pixels higher: window (110, 80),
    // of which the box shows the part from y = 100 down.
    EXPECT_EQ(s.child->ClientToParent(POINT{0, 0}, s.box).x, 10);
    EXPECT_EQ(s.child->ClientToParent(POINT{0, 0}, s.box).y, 10);
    POINT inWindow = s.child->ClientToParent(POINT{0, 0}, &s.form);
    EXPECT_EQ(inWindow.x, 110);
    EXPECT_EQ(inWindow.y, 80);
    POINT back = s.child->ParentToClient(inWindow, &s.form);
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);
    POINT origin = s.child->GetClientOrigin(), formOrigin = s.form.GetClientOrigin();
    EXPECT_EQ(origin.x - formOrigin.x, 110);
    EXPECT_EQ(origin.y - formOrigin.y, 80);
    EXPECT_TRUE(s.box->ContainsControl(s.child));
    EXPECT_TRUE(s.form.ContainsControl(s.child));

    // Client point (15, 0) of the box is content (15, 30): the child.
    EXPECT_EQ(s.box->ControlAtPos(POINT{15, 0}, false), s.child);
    EXPECT_EQ(s.form.ControlAtPos(POINT{115, 100}, false, false, true), s.child);
    EXPECT_EQ(s.form.ControlAtPos(POINT{115, 100}, false), s.box);

    TForm other(nullptr);
    EXPECT_THROW(s.child->ClientToParent(POINT{0, 0}, &other), EInvalidOperation);
    TBlock loose(nullptr, {0, 0, 5, 5}, 0);
    EXPECT_THROW(loose.ClientToParent(POINT{0, 0}), EInvalidOperation);
}

TEST(Nesting, MessagesReachNestedControlsInTheirOwnCoordinatesBeyond16Bits) {
    Scene s;
    // Press on the child: it captures through the window.
    send(s.wnd, WM_LBUTTONDOWN, 115, 110, MK_LBUTTON);
    EXPECT_EQ(GetCaptureControl(), s.child);
    send(s.wnd, WM_MOUSEMOVE, 300, 250, MK_LBUTTON); // outside, still the child's
    send(s.wnd, WM_LBUTTONUP, 116, 111);
    EXPECT_EQ(take(s.child), (Log{"down 5,30", "move 190,170", "click", "up 6,31"}));
    EXPECT_EQ(GetCaptureControl(), nullptr);

    // A wide box far to the left: the point inside it passes 32767, and the nested child
    // there reads it in full.
    s.box->SetBounds(-39000, 0, 45000, 200);
    s.box->scroll = POINT{0, 0};
    auto* distant = new TNestedBlock(s.box, {40000, 10, 500, 50});
    send(s.wnd, WM_LBUTTONDOWN, 1005, 20, MK_LBUTTON);
    send(s.wnd, WM_LBUTTONUP, 1005, 20);
    EXPECT_EQ(take(distant), (Log{"down 5,10", "click", "up 5,10"}));
    // The container itself got the point beyond 16 bits through the precise point.
    EXPECT_EQ(s.box->lastPoint.x, 40005);
}

TEST(Nesting, HoveredAndCapturedControlsThatGoAwayLeaveNothingBehind) {
    Scene s;
    send(s.wnd, WM_MOUSEMOVE, 115, 110);
    EXPECT_EQ(s.form.MouseControl(), s.box);
    send(s.wnd, WM_LBUTTONDOWN, 115, 110, MK_LBUTTON);
    ASSERT_EQ(GetCaptureControl(), s.child);

    // The captured nested child goes while the button is down.
    Free(s.child);
    EXPECT_EQ(GetCaptureControl(), nullptr);
    send(s.wnd, WM_MOUSEMOVE, 116, 111, MK_LBUTTON);
    send(s.wnd, WM_LBUTTONUP, 116, 111);

    // The hovered container goes with the mouse over it.
    auto* other = new TBlock(&s.form, {0, 0, 50, 50}, 0);
    send(s.wnd, WM_MOUSEMOVE, 120, 120);
    ASSERT_EQ(s.form.MouseControl(), s.box);
    Free(s.box);
    EXPECT_EQ(s.form.MouseControl(), nullptr);
    send(s.wnd, WM_MOUSEMOVE, 121, 121);
    send(s.wnd, WM_MOUSEMOVE, 10, 10);
    EXPECT_EQ(take(other), (Log{"enter", "move 10,10"}));
}

TEST(Nesting, TheWheelBubblesOutUntilSomeoneTakesIt) {
    Scene s;
    s.form.SetVisible(true);
    Log log;
    s.box->OnMouseWheel = [&](TObject*, TShiftState, int delta, POINT, bool& handled) {
        log.push_back("box " + std::to_string(delta));
        handled = true;
    };
    s.form.OnMouseWheelDown = [&](TObject*, TShiftState, POINT, bool& handled) {
        log.push_back("form down");
        handled = true;
    };
    POINT screen = s.form.ClientToScreen(POINT{115, 110});
    // Over the child, which has no handler: its container scrolls.
    ::SendMessageW(s.wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    // Outside the box: the form's own chain.
    screen = s.form.ClientToScreen(POINT{20, 250});
    ::SendMessageW(s.wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(log, (Log{"box -120", "form down"}));
}

TEST(Nesting, TheCursorIsTheDeepestControlsOwn) {
    Scene s;
    s.box->SetCursor(crSizeAll);
    EXPECT_EQ(s.form.DefaultCursorAt(POINT{115, 110}), crSizeAll); // the child has none
    s.child->SetCursor(crHandPoint);
    EXPECT_EQ(s.form.DefaultCursorAt(POINT{115, 110}), crHandPoint);
    EXPECT_EQ(s.form.DefaultCursorAt(POINT{5, 5}), crDefault);
    EXPECT_EQ(Screen()->Cursors(crHandPoint), ::LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(Screen()->Cursors(crNone), nullptr);
}

TEST(Nesting, TransparentHitTestsStillHitNestedChildren) {
    struct Glass : TPanel {
        using TPanel::TPanel;
        void WndProc(TMessage& m) override {
            if (m.Msg == CM_HITTEST) {
                m.Result = HTTRANSPARENT;
                return;
            }
            TPanel::WndProc(m);
        }
    };
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 200);
    auto* glass = new Glass(nullptr);
    glass->SetBounds(0, 0, 200, 200);
    glass->SetParent(&form);
    new TBlock(glass, {20, 20, 30, 30}, 0);
    form.Show();
    HWND w = glass->Handle();
    POINT over = glass->ClientToScreen(POINT{25, 25}), empty = glass->ClientToScreen(POINT{150, 150});
    EXPECT_EQ(::SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(over.x, over.y)), HTCLIENT);
    EXPECT_EQ(::SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(empty.x, empty.y)), HTTRANSPARENT);
}

TEST(Nesting, DragTargetsAndDeviceContextsReachNestedControls) {
    Scene s;
    s.form.SetBounds(0, 0, 400, 300);
    s.form.SetVisible(true);
    POINT screen = s.form.ClientToScreen(POINT{115, 110});
    EXPECT_EQ(FindDragTarget(screen, false), s.child);
    EXPECT_EQ(FindDragTarget(s.form.ClientToScreen(POINT{5, 5}), false), &s.form);

    // The child's DC draws at its place in the window, clipped to it.
    HWND wnd = nullptr;
    HDC dc = s.child->GetDeviceContext(wnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(wnd, s.wnd);
    POINT origin{};
    ::GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 110);
    EXPECT_EQ(origin.y, 80);
    RECT clip{};
    ::GetClipBox(dc, &clip);
    EXPECT_EQ(clip.right - clip.left, 50);
    ::ReleaseDC(wnd, dc);
}
