// A skinned hint's show, from the call to its first visible frame, against the framework's
// plain hint window showing the same text: best of 30 each, the window already made. The
// skinned look (a background picture whose margins and the arrow lie on the form skin's
// shadow layer) and the style without a background picture.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

using namespace vell;

namespace {

std::unique_ptr<image::TGraphic> picture(int w, int h, uint32_t colour) {
    auto* png = image::TPngImage::CreateARGB32(w, h, false);
    png->FillRect(RECT{0, 0, w, h}, colour);
    return std::unique_ptr<image::TGraphic>(png);
}

void pump() {
    for (int i = 0; i < 5; ++i)
        tk::Application()->ProcessMessages();
}

template <class Show, class Hide> double best(Show&& show, Hide&& hide) {
    double b = 1e18;
    for (int i = 0; i < 30; ++i) {
        const double t = benchtiming::NowMs();
        show();
        ::GdiFlush();
        b = std::min(b, benchtiming::NowMs() - t);
        hide();
        pump();
    }
    return b;
}

} // namespace

int main() {
    image::StartImageEngine();
    rd::RegisterPictureFormats();
    rd::RegisterSkinHints();
    auto* form = new tk::TForm(tk::Application());
    form->SetBounds(100, 100, 400, 300);
    auto* panel = new tk::TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(40, 40, 100, 30);
    form->Show();
    pump();
    const std::u16string text = u"Saves the file under its name, replacing what was there";
    auto* style = new rd::TRdSkinHint(form);
    style->SetAlphaBlendAnimation(false);
    const double unskinned =
        best([&] { style->ShowHint(panel, text, nullptr, 0); }, [&] { style->HideHint(); });
    style->BackgroundImage()->SetGraphic(picture(30, 30, 0x80000000));
    style->BackgroundOption()->SetValue(10, 10, 10, 10);
    style->ArrowImageUp()->SetGraphic(picture(16, 10, 0xFF404040));
    style->ArrowImageDown()->SetGraphic(picture(16, 10, 0xFF404040));
    const double skinned =
        best([&] { style->ShowHint(panel, text, nullptr, 0); }, [&] { style->HideHint(); });

    // With fading: the first frame is the window at the first step's alpha.
    style->SetAlphaBlendAnimation(true);
    double fadeFirst = 1e18;
    for (int i = 0; i < 10; ++i) {
        double start = 0, first = 0;
        rd::TRdSkinHintWindow::SetFadeClock(nullptr, [&](int ms) {
            if (first == 0 && style->OwnWindow() && style->OwnWindow()->CurrentAlpha() > 0)
                first = benchtiming::NowMs();
            ::Sleep(static_cast<DWORD>(ms));
        });
        start = benchtiming::NowMs();
        style->ShowHint(panel, text, nullptr, 0);
        if (first > 0) fadeFirst = std::min(fadeFirst, first - start);
        style->HideHint();
        pump();
        ::Sleep(400);
        pump();
    }
    rd::TRdSkinHintWindow::SetFadeClock(nullptr, nullptr);

    auto* plain = new tk::THintWindow(form);
    const double framework = best(
        [&] {
            RECT r = plain->CalcHintRect(300, text, nullptr);
            ::OffsetRect(&r, 140, 170);
            plain->ActivateHint(r, text);
        },
        [&] { plain->ReleaseHandle(); });

    std::printf("Hint show, call to first visible frame (best of 30, window made before):\n");
    std::printf("  skinned hint, no fade        %8.3f ms (with its shadow layer)\n", skinned);
    std::printf("  style without background     %8.3f ms\n", unskinned);
    std::printf("  skinned hint, fading (first) %8.3f ms (the first step comes one interval, 30 ms, in)\n",
                fadeFirst);
    std::printf("  framework's plain hint       %8.3f ms\n", framework);
    std::printf("  ratio without fade           %8.2fx\n", skinned / std::max(framework, 1e-6));
    tk::Free(form);
    rd::StopSkinHints();
    return 0;
}
