// The image button's click mask: with ImageRange set, only the points where the mask
// picture draws something take the mouse.
#include "rdcontrol/buttons/image_button.h"

#include "rdcontrol/picture/design_graphic.h"

namespace vell::rd {

// The click mask at client size: black where the mask picture draws nothing.
void TRdImageButton::BuildMask() {
    if (InState(tk::csDesigning) || !HasGraphic(FImageRange.get()) || FImageOption->Empty()) return;
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    if (FMemImageRange && FMemImageRange->Width() == w && FMemImageRange->Height() == h) return;
    FMemImageRange.reset();
    image::PngRef mask(image::TPngImage::CreateBlank(2, 8, w, h, true, false, false, false));
    if (!mask) return;
    const RECT all{0, 0, w, h};
    mask->FillRect(all, 0);
    DrawDesignGraphic(nullptr, FImageRange->Graphic(), all, mask->CanvasHandle(), FImageOption.get());
    ::GdiFlush();
    FMemImageRange = std::move(mask);
}

void TRdImageButton::HitTest(tk::TMessage& m) {
    TRdGraphicControl::WndProc(m);
    if (m.Result == 0 || !HasGraphic(FImageRange.get())) return;
    const POINT p = tk::MessagePoint(this, m);
    image::TRdGraphic* mask = nullptr;
    if (!FImageOption->Empty()) {
        if (!FMemImageRange) {
            m.Result = 0;
            return;
        }
        mask = FMemImageRange.get();
    } else {
        mask = dynamic_cast<image::TRdGraphic*>(FImageRange->Graphic());
        if (!mask) return; // not one of ours: every point hits
    }
    if (p.x < 0 || p.y < 0 || p.x >= mask->Width() || p.y >= mask->Height()) {
        m.Result = 0;
        return;
    }
    if (const uint8_t* alpha = mask->GetAlphaScanline(p.y); alpha && alpha[p.x] == 0) {
        m.Result = 0;
        return;
    }
    if ((mask->GetPixels(p.x, p.y) & 0x00FFFFFF) == 0) m.Result = 0;
}

} // namespace vell::rd
