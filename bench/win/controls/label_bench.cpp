// The skinned label's layout and drawing into a 32-bit image (the box's way of painting it):
// a one-line and a ten-line caption, each laid out again (caption set) and drawn.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/labels/label.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace vell;

namespace {

// Seconds on the benchmarks' shared clock.
double now() {
    return benchtiming::NowMs() / 1e3;
}

double measure(rd::TRdLabel& label, const std::u16string& caption, image::TPngImage& png) {
    double best = 1e9;
    for (int round = 0; round < 50; ++round) {
        label.SetCaption(u"");
        const double t = now();
        label.SetCaption(caption);
        label.DrawTo(png.CanvasHandle(), 0, 0);
        ::GdiFlush();
        best = std::min(best, now() - t);
    }
    return best;
}

} // namespace

int main() {
    image::StartImageEngine();
    rd::TRdLabel label(nullptr);
    label.SetAutoSize(false);
    label.SetWordWrap(true);
    label.SetAlignment(tk::taCenter);
    label.Font()->SetName(u"Segoe UI");
    label.Font()->SetHeight(-15);
    label.SetBounds(0, 0, 465, 220);
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 465, 220, true, false, true, false);
    std::u16string ten;
    for (int i = 0; i < 10; ++i)
        ten += u"Screen changing. Reconfiguring Vellora, line " + std::u16string(1, u'0' + i) + u"\r\n";
    const double one = measure(label, u"Screen changing. Reconfiguring Vellora...", *png);
    const double many = measure(label, ten, *png);
    std::printf("Label layout and draw into a 32-bit image (465 x 220, Segoe UI -15, centred, word wrap):\n");
    std::printf("  one line   %7.3f ms\n  ten lines  %7.3f ms\n", one * 1e3, many * 1e3);
    png->ReleaseRef();
    return 0;
}
