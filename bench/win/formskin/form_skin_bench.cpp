// Moving and resizing a shown 800 x 600 form with a form skin (a 20-pixel shadow from a
// nine-slice picture, border lines, rounded corners) against the same form without one:
// time per step, the shadow layer's update included, and the memory the shadow costs.
#include "platform/image/draw_shapes.h"
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "toolkit/forms.h"

#include "bench/win/bench_timing.h"

#include <psapi.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace vell;

namespace {

constexpr int kW = 800, kH = 600, kMargin = 20;

void pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

size_t privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                           sizeof(pmc));
    return pmc.PrivateUsage;
}

// A soft shadow: rings of rising opacity towards the middle, the middle transparent.
std::unique_ptr<image::TGraphic> shadowPicture() {
    const int size = 3 * kMargin;
    auto* png = image::TPngImage::CreateARGB32(size, size, false);
    for (int i = 0; i < kMargin; ++i) {
        const TColor c = static_cast<TColor>((4 + i * 6) << 24);
        image::FillRoundRectSmooth(*png, i, i, size - i, size - i, 0, 0, clNone, 1, c, true);
    }
    return std::unique_ptr<image::TGraphic>(png);
}

tk::TForm* makeForm(bool skinned, rd::TRdFormSkin** skinOut) {
    auto* form = new tk::TForm(tk::Application());
    form->SetBorderStyle(tk::bsNone);
    form->SetColor(clWhite);
    form->SetBounds(100, 100, kW, kH);
    if (skinned) {
        auto* skin = new rd::TRdFormSkin(form);
        for (int i = 0; i < 4; ++i)
            skin->ShadowFrame()->SetIndex(i, kMargin);
        skin->PicShadow()->SetGraphic(shadowPicture());
        skin->PicShadowOption()->SetValue(kMargin, kMargin, kMargin, kMargin);
        skin->PicShadowOption()->SetStretchMode(design::sdmStretch);
        skin->BorderLines()->SetColor(0x00404040);
        skin->BorderLines()->SetEnabled(true);
        skin->EllipseSize()->SetSize(8, 8);
        skin->ShadowFrame()->SetEnabled(true);
        skin->InitSkin();
        *skinOut = skin;
    }
    form->Show();
    for (int i = 0; i < 10; ++i) {
        pump();
        ::Sleep(10);
    }
    return form;
}

// Median milliseconds of a step over rounds; each step repaints what it invalidated.
double medianStep(tk::TForm* form, int rounds, const std::function<void(int)>& step) {
    std::vector<double> t;
    for (int i = 0; i < rounds; ++i) {
        const double start = benchtiming::NowMs();
        step(i);
        ::UpdateWindow(form->Handle());
        ::GdiFlush();
        t.push_back(benchtiming::NowMs() - start);
        pump();
    }
    return benchtiming::Median(t);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    image::StartImageEngine();
    struct Result {
        double move, resize;
    } r[2];
    size_t formBytes[2] = {0, 0};
    int presentsOnMove = -1;
    // The first form of the process pays for the window class and the caches: a round that
    // is not counted goes first.
    for (int skinned = -1; skinned < 2; ++skinned) {
        const bool counted = skinned >= 0;
        const int k = counted ? skinned : 0;
        rd::TRdFormSkin* skin = nullptr;
        const size_t before = privateBytes();
        tk::TForm* form = makeForm(k != 0, &skin);
        if (counted) formBytes[k] = privateBytes() - before;
        const int presents = skin ? skin->FormShadowBg()->PresentCount() : 0;
        r[k].move =
            medianStep(form, rounds, [&](int i) { form->SetBounds(100 + i % 40, 100 + i % 30, kW, kH); });
        if (skin) presentsOnMove = skin->FormShadowBg()->PresentCount() - presents;
        r[k].resize = medianStep(
            form, rounds, [&](int i) { form->SetBounds(100, 100, kW + (i % 2) * 16, kH + (i % 2) * 12); });
        tk::Free(form);
        pump();
    }
    std::printf("form skin, %d x %d form, %d-pixel shadow, median of %d steps\n", kW, kH, kMargin, rounds);
    std::printf(
        "  move:   %.3f ms without, %.3f ms with the form skin: %.2fx (target 1.2x); layers handed over "
        "while moving: %d\n",
        r[0].move, r[1].move, r[1].move / r[0].move, presentsOnMove);
    std::printf("  resize: %.3f ms without, %.3f ms with the form skin: %.2fx (target 3x)\n", r[0].resize,
                r[1].resize, r[1].resize / r[0].resize);
    const int sw = kW + 2 * kMargin, sh = kH + 2 * kMargin;
    std::printf(
        "  shadow window: %d x %d layer = %d KiB of pixels (kept by the window manager; the drawing image "
        "lives only while the layer is drawn)\n",
        sw, sh, sw * sh * 4 / 1024);
    if (formBytes[0] || formBytes[1])
        std::printf("  private memory of the shadowed form over the plain one: %lld KiB\n",
                    (static_cast<long long>(formBytes[1]) - static_cast<long long>(formBytes[0])) / 1024);
    else
        std::printf("  private memory: not reported by the platform\n");
    tk::FreeApplication();
    return 0;
}
