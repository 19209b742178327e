// What one tick of the image button costs, painted into a 32-bit image: a frame of the hover
// cross-fade of a 200 x 60 button against a plain draw of its normal picture, and a frame of
// the busy rotation of a 64 x 64 picture against a plain draw of that picture.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/buttons/image_button.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vell;

namespace {

std::unique_ptr<image::TGraphic> picture(int w, int h, uint32_t argb) {
    auto* png = image::TPngImage::CreateBlank(6, 8, w, h, false, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, w, h}, argb);
    png->FillRect(RECT{w / 4, h / 4, w * 3 / 4, h * 3 / 4}, 0x80402010); // translucent middle
    return std::unique_ptr<image::TGraphic>(png);
}

struct Timing {
    double best, median;
};

// Milliseconds of Step (a tick) followed by a paint of the button.
Timing measure(rd::TRdImageButton& b, const std::function<void()>& Step) {
    image::TPngImage* png =
        image::TPngImage::CreateBlank(6, 8, b.Width(), b.Height(), true, false, true, false);
    std::vector<double> runs;
    for (int round = 0; round < 400; ++round) {
        const double t = benchtiming::NowMs();
        Step();
        b.DrawTo(png->CanvasHandle(), 0, 0);
        ::GdiFlush();
        runs.push_back(benchtiming::NowMs() - t);
    }
    png->ReleaseRef();
    std::sort(runs.begin(), runs.end());
    return Timing{runs.front(), runs[runs.size() / 2]};
}

void report(const char* what, Timing t, Timing plain) {
    std::printf("  %-34s best %7.4f ms  median %7.4f ms  (plain draw: best %7.4f, median %7.4f; %.1fx)\n",
                what, t.best, t.median, plain.best, plain.median, t.median / std::max(plain.median, 1e-6));
}

} // namespace

int main() {
    image::StartImageEngine();
    rd::TRdImageButton fade(nullptr), plain(nullptr);
    for (rd::TRdImageButton* b : {&fade, &plain}) {
        b->SetBounds(0, 0, 200, 60);
        b->ImageNormal()->SetGraphic(picture(200, 60, 0xFF3A4250));
        b->ImageOver()->SetGraphic(picture(200, 60, 0xFF4A6FA5));
        b->SetCaption(u"Button");
    }
    fade.SetHoverEffect(rd::ibeDouble);
    fade.Perform(tk::CM_MOUSEENTER);
    const Timing fadeFrame = measure(fade, [&] {
        if (!fade.AniTimer()->Enabled()) // the fade ended: the other way again
            fade.Perform(fade.IsMouseOver() ? tk::CM_MOUSELEAVE : tk::CM_MOUSEENTER);
        fade.AniTimer()->Timer();
    });
    const Timing plainFrame = measure(plain, [&] { plain.Invalidate(); });

    rd::TRdImageButton busy(nullptr), still(nullptr);
    for (rd::TRdImageButton* b : {&busy, &still})
        b->SetBounds(0, 0, 64, 64);
    busy.ImageBusy()->SetGraphic(picture(64, 64, 0xFF2F74E0));
    still.ImageNormal()->SetGraphic(picture(64, 64, 0xFF2F74E0));
    busy.SetBusy(true);
    const Timing busyFrame = measure(busy, [&] { busy.BusyTimer()->Timer(); });
    const Timing stillFrame = measure(still, [&] { still.Invalidate(); });

    std::printf("Image button ticks, painted into a 32-bit image (400 runs):\n");
    report("hover fade frame, 200 x 60", fadeFrame, plainFrame);
    report("busy rotation frame, 64 x 64", busyFrame, stillFrame);
    std::printf("  50 buttons fading at once: %.2f ms of each 10 ms tick (median)\n", fadeFrame.median * 50);
    return 0;
}
