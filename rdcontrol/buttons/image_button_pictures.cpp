// The image button's pictures: the background for the present state (with private copies
// of the normal and hover pictures) and the icon for a state.
#include "rdcontrol/buttons/image_button.h"

#include "platform/image/rdg_image.h"

namespace vell::rd {

bool TRdImageButton::HasWidth(const tk::TPicture* P) {
    return P && P->Graphic() && P->Width() > 0;
}

bool TRdImageButton::HasGraphic(const tk::TPicture* P) const {
    return P && P->Graphic() && !P->Graphic()->Empty();
}

void TRdImageButton::BackgroundChanged(tk::TPicture* Sender) {
    if (!Sender && FImageOption->ChangeEmpty()) {
        // An option switched from empty takes a third of the normal picture as margins.
        auto handler = std::move(FImageOption->OnChange);
        FImageOption->SetValue(FImageNormal->Width() / 3, FImageNormal->Height() / 3,
                               design::TDesignRect::kSameAsFirst, design::TDesignRect::kSameAsFirst);
        FImageOption->OnChange = std::move(handler);
    } else if (Sender == FImageNormal.get() || Sender == FImageOver.get()) {
        image::PngRef& copy = Sender == FImageNormal.get() ? FMemImageNormal : FMemImageOver;
        image::TGraphic* g = Sender->Graphic();
        if (!g || dynamic_cast<image::TRdgImage*>(g)) {
            copy.reset();
        } else {
            if (!copy) copy.reset(image::TPngImage::CreateARGB32(1, 1, false));
            copy->Assign(g);
        }
        if (FAutoSize && FImageNormal->Width() > 0 && FImageNormal->Height() > 0) AdjustBounds();
    }
    if (InState(tk::csLoading | tk::csReading)) return;
    if (Sender == FImageDisabled.get() && Enabled()) return;
    Invalidate();
}

image::TGraphic* TRdImageButton::PrivateOr(tk::TPicture* Picture, image::TPngImage* Copy) const {
    return Copy ? Copy : Picture->Graphic();
}

image::TGraphic* TRdImageButton::Background() const {
    if (FButtonState == ibsDown && FIsMouseOver && HasWidth(FImageDown.get())) return FImageDown->Graphic();
    if (FIsMouseOver && HasWidth(FImageOver.get()) && Enabled() && FButtonState != ibsSelected)
        return PrivateOr(FImageOver.get(), FMemImageOver.get());
    if (FButtonState == ibsDisabled && HasWidth(FImageDisabled.get())) return FImageDisabled->Graphic();
    if (FButtonState == ibsSelected && HasWidth(FImageSelected.get())) return FImageSelected->Graphic();
    if (FExpand && HasWidth(FExpandImage.get())) return FExpandImage->Graphic();
    return PrivateOr(FImageNormal.get(), FMemImageNormal.get());
}

tk::TPicture* TRdImageButton::StateIcon(TIconState State) const {
    const TIconSet set = FExpand ? Up : Dn;
    tk::TPicture* p = FIcons[set][State].get();
    return HasGraphic(p) ? p : FIcons[set][isNormal].get();
}

} // namespace vell::rd
