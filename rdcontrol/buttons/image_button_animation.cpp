// The image button's animation: the cross-fade between its normal and hover pictures as
// the mouse comes and goes (HoverEffect), and the busy picture that turns while Busy.
#include "rdcontrol/buttons/image_button.h"

#include "core/draw/rotate.h"
#include "platform/image/draw_image.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/system_prefs.h"

namespace vell::rd {

namespace {

// Without client-area animation the busy picture still turns, by an eighth once a second.
unsigned busyInterval() {
    return tk::ClientAreaAnimation() ? 30 : 1000;
}

// The rows of a 32-bit image as a block of pixels.
draw::PixelView PixelsOf(image::TPngImage& I) {
    auto* row0 = static_cast<uint8_t*>(I.GetScanline(0));
    const ptrdiff_t stride = I.Height() > 1 ? static_cast<uint8_t*>(I.GetScanline(1)) - row0
                                            : static_cast<ptrdiff_t>(I.Width()) * 4;
    return draw::PixelView{row0, stride, I.Width(), I.Height()};
}

} // namespace

// ---- the hover fade ----

bool TRdImageButton::FadePossible() const {
    return Enabled() && tk::ClientAreaAnimation() && FHoverEffect != ibeNone && !FShowCheckBox && !FExpand &&
           !FBoundsAdjusting && HasGraphic(FImageNormal.get()) && HasGraphic(FImageOver.get());
}

void TRdImageButton::AniTick() {
    if (FButtonState == ibsDown && FIsMouseOver) {
        FAniTimer->SetEnabled(false);
        FAniState = ibaNone;
        FAniAlpha = 0;
    } else {
        if (FAniAlpha == 0) FAniAlpha = 80;
        const int next = FAniAlpha + 10;
        if (next >= 220) {
            FAniTimer->SetEnabled(false);
            FAniState = ibaNone;
            FAniAlpha = 0;
        } else {
            FAniAlpha = static_cast<uint8_t>(next);
        }
    }
    Invalidate();
}

bool TRdImageButton::DrawFade(tk::TCanvas& Canvas, const RECT& Client) {
    image::TGraphic* normal = PrivateOr(FImageNormal.get(), FMemImageNormal.get());
    image::TGraphic* over = PrivateOr(FImageOver.get(), FMemImageOver.get());
    if (!normal || !over || normal->Empty() || over->Empty()) return false;
    image::TGraphic* first = FAniState == ibaMouseEnter ? over : normal;
    image::TGraphic* second = FAniState == ibaMouseEnter ? normal : over;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    blend.SourceConstantAlpha = FHoverEffect == ibeSingle ? 255 : FAniAlpha;
    DrawDesignGraphicBlend(blend, &Canvas, first, nullptr, FImageOption.get(), Client);
    blend.SourceConstantAlpha = static_cast<BYTE>(255 - FAniAlpha);
    DrawDesignGraphicBlend(blend, &Canvas, second, nullptr, FImageOption.get(), Client);
    return true;
}

// ---- the busy picture ----

void TRdImageButton::SetBusy(bool Value) {
    if (Value == FBusyState) return;
    FBusyState = Value;
    SetEnabled(!Value);
    if (Value) {
        SetButtonState(ibsBusy);
        FBusyCaption = FCaption;
        SetCaption(u"");
    } else {
        SetButtonState(ibsNormal);
        SetCaption(FBusyCaption);
        FBusyCaption.clear();
    }
    FBusyTimer->SetInterval(busyInterval());
    FBusyTimer->SetEnabled(Value);
    Invalidate();
}

void TRdImageButton::BusyTick() {
    const bool calm = !tk::ClientAreaAnimation();
    FBusyTimer->SetInterval(busyInterval());
    float next = FBusyRotate + (calm ? 45 : 5);
    if (next > 360) next -= 360;
    FBusyRotate = next;
    Invalidate();
}

// The busy picture as a premultiplied 32-bit image, made once per picture change.
void TRdImageButton::BusyPictureChanged() {
    FBusyPicture.reset();
    FBusyFrame.reset();
    image::TGraphic* g = FImageBusy->Graphic();
    if (!g || g->Empty() || g->Width() <= 0 || g->Height() <= 0) return;
    const int w = g->Width(), h = g->Height();
    image::PngRef copy(image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false));
    if (!copy) return;
    copy->SetAlphaPreMultiplied(true);
    const RECT all{0, 0, w, h};
    copy->FillRect(all, 0);
    try {
        DrawDesignGraphic(nullptr, g, all, copy->CanvasHandle(), nullptr);
        ::GdiFlush();
    } catch (...) {
        return; // a picture that cannot be drawn leaves no busy picture
    }
    FBusyPicture = std::move(copy);
    if (FBusyState) Invalidate();
}

void TRdImageButton::DrawBusy(tk::TCanvas& Canvas) {
    if (!FBusyState || !FBusyPicture) return;
    const int w = FBusyPicture->Width(), h = FBusyPicture->Height();
    // The picture turns about the centre of its rectangle centred in the control; only the
    // part of the turned picture inside the control is rendered.
    const double cx = (Width() - w) / 2 + w / 2.0, cy = (Height() - h) / 2 + h / 2.0;
    const int half = draw::rotationFrameSide(w, h) / 2 + 1;
    RECT frame{static_cast<LONG>(cx) - half, static_cast<LONG>(cy) - half, static_cast<LONG>(cx) + half + 1,
               static_cast<LONG>(cy) + half + 1};
    const RECT client = GetClientRect();
    if (!::IntersectRect(&frame, &frame, &client)) return;
    const int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    if (!FBusyFrame || FBusyFrame->Width() != fw || FBusyFrame->Height() != fh) {
        FBusyFrame.reset(image::TPngImage::CreateBlank(6, 8, fw, fh, false, false, true, false));
        if (!FBusyFrame) return;
        FBusyFrame->SetAlphaPreMultiplied(true);
    }
    draw::rotatePremultiplied(PixelsOf(*FBusyFrame), PixelsOf(*FBusyPicture), FBusyRotate, cx - frame.left,
                              cy - frame.top);
    image::Draw(*FBusyFrame, Canvas.Handle(), frame);
}

} // namespace vell::rd
