#include "tests/win/rdcontrol/formskin/formskin_fixture.h"
#include "platform/image/draw_shapes.h"
#include "tests/support/resource_fixture.h"

#include <cstdlib>

namespace vell::fstest {

void settle(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(10);
    }
}

RECT windowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
           "x" + std::to_string(r.bottom - r.top);
}

namespace {
BOOL CALLBACK countWindow(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}
} // namespace

int topLevelWindows() {
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

uint32_t screenRgb(int x, int y) {
    HDC dc = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(nullptr, dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

::testing::AssertionResult closeTo(uint32_t got, uint32_t want, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) >
            tolerance) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "got %06X, want %06X", got, want);
            return ::testing::AssertionFailure() << buf;
        }
    return ::testing::AssertionSuccess();
}

std::unique_ptr<image::TGraphic> solidPicture(int w, int h, TColor colour) {
    auto* png = image::TPngImage::CreateARGB32(w, h, false);
    image::FillRoundRectSmooth(*png, 0, 0, w, h, 0, 0, colour, 0, clNone, false);
    return std::unique_ptr<image::TGraphic>(png);
}

std::unique_ptr<image::TGraphic> framePicture(int w, int h, int Border, TColor colour) {
    auto* png = image::TPngImage::CreateARGB32(w, h, false);
    image::FillRoundRectSmooth(*png, 0, 0, w, h, 0, 0, clNone, Border, colour, true);
    return std::unique_ptr<image::TGraphic>(png);
}

void TLayerSwatch::Paint() {
    bool skip = false;
    FHook(this, skip);
    if (skip) {
        ++SkippedPaints;
        return;
    }
    rd::TRdImage::Paint();
}

void FormSkinTest::SetUp() {
    rdtest::StartModulesOnce();
    rd::StartFollowingAlpha(); // the skinned library's start puts it in place
    form = new tk::TForm(tk::Application());
    form->SetBorderStyle(tk::bsNone);
    form->SetColor(clWhite);
    form->SetBounds(100, 100, 400, 300);
    skin = new rd::TRdFormSkin(form);
    skin->SetName("FormSkin1");
    skin->ShadowFrame()->SetLeft(10);
    skin->ShadowFrame()->SetTop(10);
    skin->ShadowFrame()->SetRight(10);
    skin->ShadowFrame()->SetBottom(10);
    skin->ShadowFrame()->SetEnabled(true);
    skin->InitSkin();
}

void FormSkinTest::TearDown() {
    tk::FreeApplication();
}

void FormSkinTest::show() {
    form->Show();
    settle();
}

} // namespace vell::fstest
