#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {
LRESULT send(HWND w, UINT msg, int x, int y, WPARAM keys = 0) {
    return ::SendMessageW(w, msg, keys, MAKELPARAM(x, y));
}
std::vector<std::string> take(TBlock* b) {
    std::vector<std::string> out;
    out.swap(b->log);
    return out;
}
using Log = std::vector<std::string>;
} // namespace

TEST(Mouse, MessagesReachTheTopmostWindowlessChildInItsCoordinates) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 300, 200);
    auto* under = new TBlock(&form, {0, 0, 100, 100}, 0);
    auto* over = new TBlock(&form, {50, 50, 100, 100}, 0);
    std::vector<std::string> formLog;
    form.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        formLog.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    HWND w = form.Handle();

    // Press inside the upper child, move out while pressed: the capture keeps the messages.
    send(w, WM_MOUSEMOVE, 60, 60);
    EXPECT_EQ(take(over), (Log{"enter", "move 10,10"}));
    send(w, WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(GetCaptureControl(), over);
    send(w, WM_MOUSEMOVE, 10, 20, MK_LBUTTON);
    send(w, WM_LBUTTONUP, 70, 75);
    EXPECT_EQ(take(over), (Log{"down 10,10", "move -40,-30", "click", "up 20,25"}));
    EXPECT_EQ(GetCaptureControl(), nullptr);
    EXPECT_TRUE(take(under).empty());

    // Moving to the lower child: leave, then enter.
    send(w, WM_MOUSEMOVE, 20, 20);
    EXPECT_EQ(take(over), (Log{"leave"}));
    EXPECT_EQ(take(under), (Log{"enter", "move 20,20"}));

    // A child that answers no hit lets the one beneath take the press.
    over->hit = false;
    send(w, WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    send(w, WM_LBUTTONUP, 60, 60);
    EXPECT_TRUE(take(over).empty());
    EXPECT_EQ(take(under), (Log{"down 60,60", "click", "up 60,60"}));

    // Nothing there: the form's own handlers.
    send(w, WM_LBUTTONDOWN, 250, 150, MK_LBUTTON);
    send(w, WM_LBUTTONUP, 250, 150);
    EXPECT_EQ(formLog, (Log{"down 250,150"}));

    // A disabled or hidden child is passed over.
    under->SetEnabled(false);
    EXPECT_EQ(form.ControlAtPos(POINT{20, 20}, false), nullptr);
    EXPECT_EQ(form.ControlAtPos(POINT{20, 20}, true), under);
}

TEST(Mouse, ReleasingAChildDuringCaptureClearsTheCapture) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 100);
    auto* b = new TBlock(&form, {0, 0, 50, 50}, 0);
    HWND w = form.Handle();
    send(w, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_EQ(GetCaptureControl(), b);
    Free(b);
    EXPECT_NE(GetCaptureControl(), static_cast<TControl*>(b));
    send(w, WM_MOUSEMOVE, 6, 6, MK_LBUTTON); // no stale target
    EXPECT_EQ(form.MouseControl(), nullptr);
}
