#include "loader/lib/full_screen.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace vell::loader;

TEST(FullScreen, OnlyAForeignWindowCoveringExactlyThePrimaryScreenCounts) {
    struct Case {
        RECT rect;
        const wchar_t* cls;
        bool full;
    };
    const Case cases[] = {
        {{0, 0, 1280, 800}, L"SomeGame", true},
        {{0, 0, 1280, 800}, L"", true},
        {{0, 0, 1280, 800}, L"Progman", false},
        {{0, 0, 1280, 800}, L"PROGMAN", false},
        {{0, 0, 1280, 800}, L"workerw", false},
        {{0, 0, 1280, 800}, L"TMainBox", false},
        {{0, 0, 1280, 800}, L"tvlrdwmainform", false},
        {{0, 0, 1280, 800}, L"TMainBox2", true}, // whole names only
        {{0, 0, 1280, 800}, L"Progma", true},
        {{0, 0, 1281, 800}, L"SomeGame", false},
        {{0, 0, 1280, 801}, L"SomeGame", false},
        {{-1, 0, 1280, 800}, L"SomeGame", false},
        {{0, 1, 1280, 800}, L"SomeGame", false},
        {{-1, -1, 1281, 801}, L"SomeGame", false}, // larger than the screen
        {{0, 0, 1279, 800}, L"SomeGame", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsFullScreenWindow(c.rect, 1280, 800, c.cls), c.full)
            << loadertest::WideToUtf8(c.cls) << " " << c.rect.left << "," << c.rect.top << "," << c.rect.right
            << "," << c.rect.bottom;
}

namespace {

// Shows a window of another process as the foreground window and asks the loader's check.
bool checkWithForeignWindow(const std::wstring& cls, int x, int y, int w, int h) {
    wchar_t args[128];
    swprintf(args, 128, L" %d %d %d %d", x, y, w, h);
    loadertest::Started probe = loadertest::Start(L"\"" + loadertest::ProbeFile(L"loader_probe.exe") +
                                                  L"\" window " + cls + L" caption" + args);
    HWND wnd = nullptr;
    for (int i = 0; i < 500 && !wnd; ++i) {
        wnd = ::FindWindowW(cls.c_str(), L"caption");
        if (!wnd) ::Sleep(20);
    }
    bool result = false;
    if (wnd) {
        for (int i = 0; i < 250 && ::GetForegroundWindow() != wnd; ++i)
            ::Sleep(20);
        EXPECT_EQ(::GetForegroundWindow(), wnd) << "the probe's window did not come to the foreground";
        result = IsForegroundFullScreen();
        ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    } else {
        ADD_FAILURE() << "no probe window";
    }
    EXPECT_EQ(loadertest::Finish(probe), 0u);
    return result;
}

} // namespace

TEST(FullScreen, RealForeignWindows) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_TRUE(checkWithForeignWindow(L"ProbeGame", 0, 0, sw, sh));
    EXPECT_FALSE(checkWithForeignWindow(L"ProbeGame", 0, 0, sw + 1, sh)) << "one pixel wider";
    EXPECT_FALSE(checkWithForeignWindow(L"ProbeGame", 0, 0, sw, sh + 1)) << "one pixel higher";
    EXPECT_FALSE(checkWithForeignWindow(L"ProbeGame", 10, 10, 200, 100));
    for (const wchar_t* excluded : {L"WorkerW", L"Progman", L"TMainBox", L"TVLRDWMainForm"})
        EXPECT_FALSE(checkWithForeignWindow(excluded, 0, 0, sw, sh)) << loadertest::WideToUtf8(excluded);
}

TEST(FullScreen, NoForeignWindow) {
    // Nothing of another program in front: the desktop or nothing is the foreground.
    EXPECT_FALSE(IsForegroundFullScreen());
}
