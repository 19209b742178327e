// A full repaint of the loading box's content (a 560 x 240 skinned panel holding its
// nine-slice background picture, the icon and the centred line of text) into a 32-bit
// layer image, the box's own way (PaintTo after the panel's rendering went stale), against
// a raw nine-slice draw of the same background picture at the same size.
#include "core/design/design_rect.h"
#include "platform/image/engine_startup.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_image.h"
#include "rdcontrol/library.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/panels/panel.h"
#include "rdcontrol/register_windowed.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/forms.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace vell;

namespace {

constexpr int kW = 560, kH = 240;

image::TPngImage* loadPicture(const wchar_t* name) {
    auto* png = new image::TPngImage;
    png->LoadFromFile(std::wstring(L"" VELL_SOURCE_DIR "\\skins\\black\\images\\") + name);
    return png;
}

// Best of the runs, in milliseconds.
double best(const std::function<void()>& once) {
    double best = 1e9;
    for (int round = 0; round < 200; ++round) {
        const double t = benchtiming::NowMs();
        once();
        ::GdiFlush();
        best = std::min(best, benchtiming::NowMs() - t);
    }
    return best;
}

} // namespace

int main() {
    image::StartImageEngine();
    rd::StartSkinnedLibrary();

    image::TPngImage* layer = image::TPngImage::CreateBlank(6, 8, kW, kH, true, false, true, false);
    HDC dc = layer->CanvasHandle();

    tk::TForm form(nullptr);
    form.SetBorderStyle(tk::bsNone);
    form.SetColor(clBlack); // as the box has it
    form.SetBounds(0, 0, kW, kH);
    auto* panel = new rd::TRdPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, kW, kH);
    panel->SetColor(clNone);
    panel->SetShowCaption(false);
    auto* bg = new rd::TRdImage(&form);
    bg->SetParent(panel);
    bg->SetAlign(tk::alClient);
    bg->SetStretch(true);
    bg->Picture()->SetGraphic(std::unique_ptr<image::TGraphic>(loadPicture(L"img_preview_pannel.png")));
    if (design::TDesignRect* o = bg->PictureOption()) {
        o->SetLeft(16);
        o->SetTop(16);
        o->SetRight(16);
        o->SetBottom(16);
    }
    auto* icon = new rd::TRdImage(&form);
    icon->SetParent(panel);
    icon->SetBounds(240, 56, 80, 80);
    icon->SetAutoSize(true);
    icon->Picture()->SetGraphic(std::unique_ptr<image::TGraphic>(loadPicture(L"app_icon_tip.png")));
    auto* label = new rd::TRdLabel(&form);
    label->SetParent(panel);
    label->SetBounds(48, 170, 465, 55);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetAlignment(tk::taCenter);
    label->Font()->SetName(u"Segoe UI");
    label->Font()->SetHeight(-15);
    label->Font()->SetColor(0x00E0E0E0);
    label->SetCaption(u"Screen changing. Reconfiguring Vellora...");
    form.HandleNeeded();
    panel->HandleNeeded();
    // Shown through a per-pixel layer, as the box is.
    ::SetWindowLongW(form.Handle(), GWL_EXSTYLE,
                     ::GetWindowLongW(form.Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);

    const double full = best([&] {
        ::BitBlt(dc, 0, 0, kW, kH, nullptr, 0, 0, BLACKNESS);
        panel->Invalidate(); // the panel's rendering goes stale, as after a change inside it
        panel->PaintTo(dc, 0, 0);
    });

    // What each part adds: the panel alone, then with its children one by one.
    auto fullWith = [&](bool withBg, bool withIcon, bool withLabel) {
        bg->SetVisible(withBg);
        icon->SetVisible(withIcon);
        label->SetVisible(withLabel);
        const double t = best([&] {
            ::BitBlt(dc, 0, 0, kW, kH, nullptr, 0, 0, BLACKNESS);
            panel->Invalidate();
            panel->PaintTo(dc, 0, 0);
        });
        bg->SetVisible(true);
        icon->SetVisible(true);
        label->SetVisible(true);
        return t;
    };
    const double empty = fullWith(false, false, false), onlyBg = fullWith(true, false, false),
                 bgIcon = fullWith(true, true, false);

    image::TPngImage* picture = loadPicture(L"img_preview_pannel.png");
    design::TDesignRect option;
    option.SetLeft(16);
    option.SetTop(16);
    option.SetRight(16);
    option.SetBottom(16);
    const RECT all{0, 0, kW, kH};
    const double raw = best([&] {
        ::BitBlt(dc, 0, 0, kW, kH, nullptr, 0, 0, BLACKNESS);
        image::DrawDesignGraphic(picture, all, dc, &option, layer);
    });

    const double cached = best([&] {
        ::BitBlt(dc, 0, 0, kW, kH, nullptr, 0, 0, BLACKNESS);
        panel->PaintTo(dc, 0, 0); // nothing changed: copied from the panel's draw buffer
    });

    std::printf(
        "The box's panel (%d x %d: nine-slice background, icon, one line of text) into a 32-bit layer:\n", kW,
        kH);
    std::printf("  full repaint            %7.3f ms\n", full);
    std::printf("    panel alone %.3f ms, + background %.3f, + icon %.3f, + text %.3f\n", empty, onlyBg,
                bgIcon, full);
    std::printf("  unchanged (from buffer) %7.3f ms\n", cached);
    std::printf("  raw nine-slice alone    %7.3f ms\n", raw);
    std::printf("  full repaint / raw nine-slice: %.2fx (target 1.5x)\n", full / raw);
    picture->ReleaseRef();
    layer->ReleaseRef();
    return 0;
}
