// Controls on the form skin's shadow layer: the list of their names, resolved to the
// owner's controls that can be carried there; a resolved control paints through the layer
// instead of itself while the shadow is shown.
#include "rdcontrol/formskin/form_skin.h"

#include "rdcontrol/formskin/form_shadow.h"

namespace vell::rd {

const tk::ClassInfo& TRdFormSkinDrawControlList::StaticClass() {
    static const tk::ClassInfo info = tk::ClassBuilder<TRdFormSkinDrawControlList>(
                                          "TRdFormSkinDrawControlList", &tk::TStringList::StaticClass())
                                          .build();
    return info;
}

TRdFormSkinDrawControlList::TRdFormSkinDrawControlList(TRdFormSkin* Owner) : FOwner(Owner) {}

TRdFormSkinDrawControlList::~TRdFormSkinDrawControlList() {
    OnChanging = nullptr;
    OnChange = nullptr;
    ReleaseControls();
}

void TRdFormSkinDrawControlList::ReleaseControls() {
    // Clearing the objects is no change of the list.
    auto changing = std::move(OnChanging);
    auto change = std::move(OnChange);
    std::vector<tk::TObject*> released;
    for (int i = 0; i < Count(); ++i)
        if (tk::TObject* o = Objects(i)) {
            PutObject(i, nullptr);
            released.push_back(o);
        }
    OnChanging = std::move(changing);
    OnChange = std::move(change);
    for (tk::TObject* o : released)
        FOwner->ReleaseDrawControl(o);
}

void TRdFormSkin::ResolveDrawControls() {
    if (InState(tk::csLoading | tk::csReading | tk::csDestroying | tk::csDesigning) || !FOwnerControl) return;
    auto onChanging = std::move(FDrawControlList->OnChanging);
    auto onChange = std::move(FDrawControlList->OnChange);
    for (int i = 0; i < FDrawControlList->Count(); ++i) {
        if (FDrawControlList->Objects(i)) continue;
        std::string name;
        for (char16_t ch : FDrawControlList->Strings(i))
            name += ch < 128 ? static_cast<char>(ch) : '?';
        tk::TComponent* found = FOwnerControl->FindComponent(name);
        auto* carried = dynamic_cast<IShadowLayerControl*>(found);
        if (!carried || !dynamic_cast<TRdGraphicControl*>(found)) continue; // left unresolved
        carried->ShadowPaintHook() = [this](tk::TObject* Sender, bool& Skip) {
            ButtonPaintHook(Sender, Skip);
        };
        found->FreeNotification(this);
        FDrawControlList->PutObject(i, found);
    }
    FDrawControlList->OnChanging = std::move(onChanging);
    FDrawControlList->OnChange = std::move(onChange);
}

void TRdFormSkin::ReleaseDrawControl(tk::TObject* Control) {
    if (auto* carried = dynamic_cast<IShadowLayerControl*>(Control)) carried->ShadowPaintHook() = nullptr;
    if (auto* c = dynamic_cast<tk::TComponent*>(Control)) c->RemoveFreeNotification(this);
}

void TRdFormSkin::ButtonPaintHook(tk::TObject* Sender, bool& Skip) {
    if (JumpHookBtnPaint || FCanvas || !dynamic_cast<IShadowLayerControl*>(Sender)) return;
    if (!FFormShadowBg || !FFormShadowBg->ShadowVisible()) return;
    RedrawShadow();
    Skip = true;
}

} // namespace vell::rd
