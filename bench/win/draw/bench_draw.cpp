// Cost of drawing a 560 x 240 picture (the loading box's panel size): the compositor into
// one of our image DCs (direct) and onto a foreign 32-bit DC (through a scratch copy),
// against the platform's AlphaBlend of the same pixels; and the smooth shapes and cuts.
#include "platform/image/draw_image.h"
#include "platform/image/draw_shapes.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"
#include "bench/win/bench_timing.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

using namespace vell;
using namespace vell::image;

namespace {

constexpr int W = 560, H = 240;

template <typename F> double MsPerCall(int n, F f) {
    return 1000.0 * benchtiming::BestSecondsPerCall(n, f);
}

// A premultiplied picture with a soft alpha ramp.
void Fill(TPngImage& img) {
    for (int y = 0; y < img.GetHeight(); ++y) {
        auto* row = static_cast<uint8_t*>(img.GetScanline(y));
        for (int x = 0; x < img.GetWidth(); ++x) {
            const uint8_t a = static_cast<uint8_t>(x * 255 / (img.GetWidth() - 1));
            const uint8_t px[4] = {static_cast<uint8_t>(a / 2), static_cast<uint8_t>(a / 3), a, a};
            std::memcpy(row + 4 * x, px, 4);
        }
    }
    img.AlphaMode = pamPremultiplied;
}

} // namespace

int main() {
    TPngImage src, target;
    src.MakeBlank(6, 8, W, H, true, true);
    Fill(src);
    target.MakeBlank(6, 8, W, H, true, true);
    target.AlphaMode = pamPremultiplied;
    HDC imageDC = target.CanvasHandle();

    win::DibSection foreign = win::DibSection::create(W, H, 32);
    win::UniqueMemoryDC foreignDC(::CreateCompatibleDC(nullptr));
    win::SelectObjectGuard select(foreignDC.get(), foreign.handle());

    TDrawRectParams p;
    p.DstW = p.SrcW = W, p.DstH = p.SrcH = H;
    const double direct = MsPerCall(50, [&] { DrawRect(src, imageDC, p); });
    const double scratch = MsPerCall(50, [&] { DrawRect(src, foreignDC.get(), p); });
    const BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC srcDC = src.CanvasHandle();
    const double platform =
        MsPerCall(50, [&] { ::AlphaBlend(foreignDC.get(), 0, 0, W, H, srcDC, 0, 0, W, H, bf); });
    TDrawRectParams half = p;
    half.SrcW = W / 2, half.SrcH = H / 2;
    const double nearest2x = MsPerCall(50, [&] { DrawRect(src, imageDC, half); });
    half.Smooth = psfFastSmooth;
    const double bilinear2x = MsPerCall(20, [&] { DrawRect(src, imageDC, half); });

    std::printf("draw %dx%d premultiplied, unscaled:\n", W, H);
    std::printf("  into an image DC         %8.3f ms\n", direct);
    std::printf("  onto a foreign 32-bit DC %8.3f ms\n", scratch);
    std::printf("  platform AlphaBlend      %8.3f ms  (compositor / AlphaBlend: %.2f direct, %.2f foreign)\n",
                platform, direct / platform, scratch / platform);
    std::printf("  2x enlarged, nearest     %8.3f ms\n", nearest2x);
    std::printf("  2x enlarged, bilinear    %8.3f ms\n", bilinear2x);

    const double roundRect = MsPerCall(10, [&] {
        FillRoundRectSmooth(target, 0, 0, W, H, 32, 32, RGB(250, 245, 225), 2, RGB(40, 80, 220), true);
    });
    const double ellipse = MsPerCall(
        10, [&] { FillEllipseSmooth(target, 0, 0, W, H, RGB(230, 120, 30), 0, 0x20000000, false); });
    const double cutRound = MsPerCall(20, [&] { CutRoundRectSmooth(target, 0, 0, W, H, 16, 16); });
    const double cutEllipse = MsPerCall(10, [&] { CutEllipseSmooth(target, 0, 0, W, H); });
    std::printf("smooth shapes %dx%d:\n", W, H);
    std::printf("  FillRoundRectSmooth      %8.3f ms\n", roundRect);
    std::printf("  FillEllipseSmooth        %8.3f ms\n", ellipse);
    std::printf("  CutRoundRectSmooth       %8.3f ms (rounded mask cached)\n", cutRound);
    std::printf("  CutEllipseSmooth         %8.3f ms\n", cutEllipse);
    return 0;
}
