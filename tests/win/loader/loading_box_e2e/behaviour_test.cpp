// How the box behaves among other windows: centred, no taskbar button, not activated or
// moved by the mouse, and not shown over a foreign full-screen program.
#include "box_geometry.h"
#include "box_session.h"

#include <gtest/gtest.h>

using namespace boxtest;

namespace {

// Mouse input in screen pixels, as a user's hand would give it.
void mouse(int x, int y, DWORD buttons) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + sw / 2) / sw;
    in.mi.dy = (y * 65536 + sh / 2) / sh;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    ::SendInput(1, &in, sizeof(in));
    PumpFor(30);
}

} // namespace

TEST(BoxBehaviour, CentredWithoutTaskbarButtonAndNeverActivatedOrMovedByTheMouse) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    OwnWindow own(L"E2EActiveWindow", WS_OVERLAPPEDWINDOW, RECT{10, 10, 250, 150});
    ASSERT_EQ(::GetForegroundWindow(), own.get()) << "the test's window did not become active";

    LoaderRun run(L"VLR Init");
    HWND box = run.WaitForBox();
    ASSERT_NE(box, nullptr);
    const RECT placed = WindowRect(box);
    const RECT centred = CentredBox(sw, sh, 1);
    EXPECT_TRUE(EqualRect(&placed, &centred)) << Describe(placed) << ", centred is " << Describe(centred);
    EXPECT_TRUE(TaskbarWindowsOf(run.Pid()).empty()) << "a window of the loader has a taskbar button";
    EXPECT_EQ(::GetForegroundWindow(), own.get()) << "showing the box took the activation";

    // A click, then a drag from the middle of the box.
    const int cx = (placed.left + placed.right) / 2, cy = (placed.top + placed.bottom) / 2;
    mouse(cx, cy, 0);
    mouse(cx, cy, MOUSEEVENTF_LEFTDOWN);
    mouse(cx, cy, MOUSEEVENTF_LEFTUP);
    mouse(cx, cy, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 8; ++step)
        mouse(cx + step * 10, cy + step * 6, 0);
    mouse(cx + 80, cy + 48, MOUSEEVENTF_LEFTUP);
    PumpFor(300);

    const RECT after = WindowRect(box);
    EXPECT_TRUE(EqualRect(&after, &placed)) << "the box moved to " << Describe(after);
    EXPECT_EQ(::GetForegroundWindow(), own.get()) << "the previously active window lost the activation";
    EXPECT_NE(::GetForegroundWindow(), box);
    EXPECT_EQ(run.Close(), 0u);
}

TEST(BoxBehaviour, AForeignFullScreenWindowSuppressesTheBox) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const wchar_t* cls;
        bool suppressed;
    } cases[] = {
        {L"E2EFullScreenGame", true}, {L"Progman", false}, // the shell's desktop covers the screen as well
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(loadertest::WideToUtf8(c.cls));
        OwnWindow full(c.cls, WS_POPUP, RECT{0, 0, sw, sh});
        ASSERT_EQ(::GetForegroundWindow(), full.get());
        LoaderRun run(L"VLR Init");
        if (c.suppressed) {
            EXPECT_EQ(run.Finish(), 0u) << "the loader ends without a box";
            EXPECT_TRUE(BoxWindows().empty());
        } else {
            EXPECT_NE(run.WaitForBox(), nullptr);
            EXPECT_EQ(run.Close(), 0u);
        }
    }
}
