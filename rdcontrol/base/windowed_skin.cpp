#include "rdcontrol/base/windowed_skin.h"
#include "core/color/colors.h"
#include "rdcontrol/skinstyle/rd_font.h"

namespace vell::rd {

TWindowedSkin::TWindowedSkin(tk::TWinControl* Owner, std::function<std::vector<TColor>()> Colours,
                             bool WithAutoAlign)
    : FOwner(Owner), FColours(std::move(Colours)),
      FSkin(std::make_unique<TRdSkinClass>(Owner, Owner, nullptr)) {
    FSkin->Draw()->OnChanged = [this](tk::TObject*) { UpdateParentBackground(); };
    FSkin->CreateDrawBuffer();
    Owner->ReplaceFont(std::make_unique<TRdFont>(Owner, FSkin.get()));
    if (WithAutoAlign) FAutoAlign = std::make_unique<TRdAutoAlign>(Owner);
    UpdateParentBackground();
}

TWindowedSkin::~TWindowedSkin() {
    FAutoAlign.reset();
    FSkin->Draw()->OnChanged = nullptr;
}

void TWindowedSkin::UpdateParentBackground() {
    const TRdSkinClassDraw& d = *FSkin->Draw();
    bool opaque = d.DrawScale() >= 100 && d.DrawAlpha() > 254;
    if (opaque && FColours)
        for (TColor c : FColours())
            opaque = opaque && ColorAlpha(c) == 255;
    FSkin->DrawParentBg = !opaque;
}

RECT TWindowedSkin::ClientRect(RECT Framework) const {
    if (FSkin->Draw()->DrawScale() != 100 && FSkin->DrawScale_OrgWidth > 0)
        return RECT{0, 0, FSkin->DrawScale_OrgWidth, FSkin->DrawScale_OrgHeight};
    return Framework;
}

int TWindowedSkin::StreamedWidth() const {
    return FSkin->Draw()->DrawScale() != 100 && FSkin->DrawScale_OrgWidth > 0 ? FSkin->DrawScale_OrgWidth
                                                                              : FOwner->Width();
}

int TWindowedSkin::StreamedHeight() const {
    return FSkin->Draw()->DrawScale() != 100 && FSkin->DrawScale_OrgHeight > 0 ? FSkin->DrawScale_OrgHeight
                                                                               : FOwner->Height();
}

void TWindowedSkin::Loaded() {
    FSkin->LoadSkinValue(true);
}

} // namespace vell::rd
