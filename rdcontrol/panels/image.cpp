#include "rdcontrol/panels/image.h"

#include "core/color/colors.h"
#include "core/geometry/fit_rect.h"
#include "rdcontrol/paint/measure_dc.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/accessible.h"

#include <oleacc.h>

namespace vell::rd {

const tk::ClassInfo& TRdImage::StaticClass() {
    using T = TRdImage;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdImage", &TRdGraphicControl::StaticClass())
            .ord("AutoSize", tk::BooleanType(), &T::AutoSize, &T::SetAutoSize, 0)
            .ord("Center", tk::BooleanType(), &T::Center, &T::SetCenter, 0)
            .ord("IncrementalDisplay", tk::BooleanType(), &T::IncrementalDisplay, &T::SetIncrementalDisplay,
                 0)
            .obj("Picture", tk::ClassTypeOf<tk::TPicture>(), &T::Picture, &T::SetPicture)
            .obj("PictureOption", tk::ClassTypeOf<design::TDesignRect>(), &T::PictureOption,
                 &T::SetPictureOption)
            .ord("Proportional", tk::BooleanType(), &T::Proportional, &T::SetProportional, 0)
            .ord("Stretch", tk::BooleanType(), &T::Stretch, &T::SetStretch, 0)
            .ord("Transparent", tk::BooleanType(), &T::Transparent, &T::SetTransparent, 1)
            .event("OnPaint", &T::OnPaint)
            .event("OnPaintEnd", &T::OnPaintEnd)
            .build();
    return info;
}

TRdImage::TRdImage(tk::TComponent* AOwner)
    : TRdGraphicControl(AOwner), FPicture(std::make_unique<tk::TPicture>()),
      FPictureOption(std::make_unique<design::TDesignRect>()) {
    SetControlStyle(ControlStyle() | tk::csReplicatable);
    FPicture->OnChange = [this](tk::TPicture*) { PictureChanged(this); };
    FPictureOption->OnChange = [this](design::TDesignRect&) { OptionChanged(); };
    SetBounds(Left(), Top(), 105, 105);
}

TRdImage::~TRdImage() {
    FPicture->OnChange = nullptr;
    FPictureOption->OnChange = nullptr;
}

void TRdImage::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    PictureChanged(this);
}
void TRdImage::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    PictureChanged(this);
}
void TRdImage::SetProportional(bool Value) {
    if (Value == FProportional) return;
    FProportional = Value;
    PictureChanged(this);
}
void TRdImage::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    PictureChanged(this);
}
void TRdImage::SetAutoSize(bool Value) {
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    if (Value) PictureChanged(this);
}

void TRdImage::WndProc(tk::TMessage& m) {
    TRdGraphicControl::WndProc(m);
    if (m.Msg == tk::CM_COLORCHANGED) PictureChanged(this);
}

// An option marked empty takes margins from the picture: a third of its size on the left
// and top, none on the right and bottom.
void TRdImage::OptionChanged() {
    if (FPictureOption->ChangeEmpty()) {
        auto handler = std::move(FPictureOption->OnChange);
        FPictureOption->SetValue(FPicture->Width() / 3, FPicture->Height() / 3, -1000, -1000);
        FPictureOption->OnChange = std::move(handler);
    }
    if (!InState(tk::csLoading | tk::csReading)) Invalidate();
}

void TRdImage::DestRect(RECT& Rect) const {
    const RECT client = GetClientRect();
    const geometry::Rect r = geometry::FitRect(
        FPicture->Width(), FPicture->Height(), client.right - client.left, client.bottom - client.top,
        {FStretch, FProportional, FCenter}, geometry::FitRounding::Truncate);
    Rect = RECT{r.Left, r.Top, r.Right, r.Bottom};
}

void TRdImage::UpdateOpaque() {
    const RECT client = GetClientRect();
    const RECT dest = DestRect();
    const bool colourOpaque = ColorAlpha(Color()) == 255;
    image::TGraphic* g = FPicture->Graphic();
    bool opaque = !FTransparent && colourOpaque;
    if (g && !FPicture->Empty()) opaque = opaque && !g->Transparent() && ::EqualRect(&dest, &client);
    const TRdSkinClassDraw* d = AllSkin()->Draw();
    if (d->DrawScale() < 100 || d->DrawAlpha() < 255) opaque = false;
    SetControlStyle(opaque ? ControlStyle() | tk::csOpaque : ControlStyle() & ~tk::csOpaque);
    AllSkin()->DrawBufferTk = 0;
}

void TRdImage::PictureChanged(tk::TObject*) {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0 &&
        !InState(tk::csLoading | tk::csReading))
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    UpdateOpaque();
    if (!FDrawing) Invalidate();
}

void TRdImage::Loaded() {
    TRdGraphicControl::Loaded();
    PictureChanged(this);
}

void TRdImage::Paint() {
    tk::TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    canvas->Brush()->SetColor(Color());
    OnPaint(this);
    const RECT client = GetClientRect();
    if (!FTransparent) {
        canvas->Brush()->SetStyle(tk::bsSolid);
        canvas->FillRect(client);
    } else if (InState(tk::csDesigning) && FPicture->Empty()) {
        canvas->Pen()->SetStyle(tk::psDash);
        canvas->Brush()->SetStyle(tk::bsClear);
        canvas->Rectangle(client.left, client.top, client.right, client.bottom);
    }
    {
        // A picture that changes while it is drawn does not invalidate the control.
        FlagScope drawing(FDrawing);
        if (!FPicture->Empty())
            DrawDesignGraphic(canvas, FPicture->Graphic(), DestRect(), nullptr, FPictureOption.get());
    }
    OnPaintEnd(this);
}

// A picture is named by its hint.
void TRdImage::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    Info.Name = Hint();
    Info.Role = ROLE_SYSTEM_GRAPHIC;
    Info.State = STATE_SYSTEM_READONLY;
}

} // namespace vell::rd
