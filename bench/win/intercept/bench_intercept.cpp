// Cost of the drawing interception on an ordinary window DC: FillRect and DrawTextW
// through the redirected imports against the platform functions called directly.
#include "platform/intercept/draw_redirects.h"
#include "platform/intercept/platform_calls.h"
#include "platform/win/handles.h"
#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

using namespace vell;

using benchtiming::BestSecondsPerCall;

int main() {
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    if (!wnd) return 1;
    win::WindowDC dc(wnd);
    InstallDrawingRedirects();
    const PlatformCalls& P = Platform();
    HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    RECT r{0, 0, 32, 32};
    RECT tr{0, 0, 200, 40};

    // Alternating rounds, best of each, after one warm-up round of both.
    auto fillPlain = [&](int) { P.FillRect(dc.get(), &r, brush); };
    auto fillHooked = [&](int) { ::FillRect(dc.get(), &r, brush); };
    auto textPlain = [&](int) { P.DrawTextW(dc.get(), L"Launching Vellora...", -1, &tr, 0); };
    auto textHooked = [&](int) { ::DrawTextW(dc.get(), L"Launching Vellora...", -1, &tr, 0); };
    const int n = 20000, m = 5000;
    BestSecondsPerCall(n / 10, fillPlain);
    BestSecondsPerCall(n / 10, fillHooked);
    BestSecondsPerCall(m / 10, textPlain);
    BestSecondsPerCall(m / 10, textHooked);
    double fp = 1e30, fh = 1e30, tp = 1e30, th = 1e30;
    for (int round = 0; round < 3; ++round) {
        fp = std::min(fp, BestSecondsPerCall(n, fillPlain));
        fh = std::min(fh, BestSecondsPerCall(n, fillHooked));
        tp = std::min(tp, BestSecondsPerCall(m, textPlain));
        th = std::min(th, BestSecondsPerCall(m, textHooked));
    }

    std::printf("interception on a window DC (best of 15 timed loops each)\n");
    std::printf("  FillRect   platform %8.3f us  redirected %8.3f us  ratio %.3f\n", fp * 1e6, fh * 1e6,
                fh / fp);
    std::printf("  DrawTextW  platform %8.3f us  redirected %8.3f us  ratio %.3f\n", tp * 1e6, th * 1e6,
                th / tp);
    ::DestroyWindow(wnd);
    return 0;
}
