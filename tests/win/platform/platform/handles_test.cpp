#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <gtest/gtest.h>

using namespace vell::win;

TEST(Handles, MemoryDcDrawsIntoDibSection) {
    UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    DibSection dib = DibSection::create(4, 3);
    ASSERT_TRUE(dib);
    {
        SelectObjectGuard sel(dc.get(), dib.handle());
        UniqueBrush brush(::CreateSolidBrush(RGB(10, 20, 30)));
        RECT r{1, 1, 3, 2};
        ::FillRect(dc.get(), &r, brush.get());
        ::GdiFlush();
    }
    const uint8_t* p = dib.bits() + (1 * 4 + 1) * 4; // row 1, column 1, top-down
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(dib.bits()[0], 0);
}

TEST(Handles, MoveTransfersOwnership) {
    UniqueKernelHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(a);
    HANDLE raw = a.get();
    UniqueKernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
}

TEST(Handles, ScreenIsThere) {
    // The test display is an Xvfb screen of the harness.
    EXPECT_GT(::GetSystemMetrics(SM_CXSCREEN), 0);
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    ::DestroyWindow(wnd);
}
