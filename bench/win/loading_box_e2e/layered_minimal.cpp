// The yardstick of the box benchmark: a 32-bit program that creates a 560x240 layered
// window, gives it its pixels with one UpdateLayeredWindow, shows it without activation
// and says so (the loader's VELL_SHOWN_SIGNAL); then it waits for its close request.
// Built twice: bare, and (VELL_WITH_COM) initialising COM first as the loader must, which
// also brings COM's libraries in before the program starts: the fair floor.
#include "loader/lib/startup_signal.h"

#ifdef VELL_WITH_COM
#include <objbase.h>
#endif

namespace {

LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef VELL_WITH_COM
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
#endif
    constexpr int w = 560, h = 240;
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"LayeredMinimal";
    ::RegisterClassW(&wc);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND wnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                 L"minimal", WS_POPUP, x, y, w, h, nullptr, nullptr, instance, nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, dib);
    auto* px = static_cast<DWORD*>(bits);
    for (int i = 0; i < w * h; ++i)
        px[i] = 0xE6191C22; // dark, translucent, premultiplied
    SIZE size{w, h};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &source, 0, &blend, ULW_ALPHA);
    ::ShowWindow(wnd, SW_SHOWNOACTIVATE);
    vell::loader::SetStartupSignal(L"VELL_SHOWN_SIGNAL");
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    ::SelectObject(dc, old);
    ::DeleteObject(dib);
    ::DeleteDC(dc);
#ifdef VELL_WITH_COM
    if (com) ::CoUninitialize();
#endif
    return 0;
}
