// The form skin's flash fix (FixFlashBlack): a layered form stays fully transparent for the
// first 50 ms of its showing, so that its first frame is never seen black.
#include "rdcontrol/formskin/form_skin.h"

#include "platform/timer/rd_timer.h"

namespace vell::rd {

void TRdFormSkin::SetFixFlashBlack(bool Value) {
    if (FFixFlashBlack == Value) return;
    FFixFlashBlack = Value;
    if (Value && FOwnerForm && FOwnerForm->InState(tk::csDesigning) &&
        !FOwnerForm->InState(tk::csLoading | tk::csReading))
        FOwnerForm->SetAlphaBlend(true);
}

// A form owner with FixFlashBlack: its OnShow is taken over until it shows (at design time
// the form only becomes layered).
void TRdFormSkin::ArmFixFlashBlack() {
    if (!FOwnerForm || !FFixFlashBlack) return;
    if (InState(tk::csDesigning)) {
        FOwnerForm->SetAlphaBlend(true);
    } else if (!FFlashHoldsShow) {
        FOwnerFormAlphaBak = FOwnerForm->AlphaBlendValue();
        FOwnerOnShow = FOwnerForm->OnShow;
        FOwnerForm->OnShow = [this](tk::TObject* Sender) { ShowHandler(Sender); };
        FFlashHoldsShow = true;
    }
}

void TRdFormSkin::HoldAlpha() {
    if (!FOwnerForm) return;
    FOwnerFormAlphaBak = FOwnerForm->AlphaBlendValue();
    FOwnerForm->SetAlphaBlendValue(0);
    FFlashTimer->SetEnabled(true);
}

// The owner is showing: the form goes transparent for the timer's length, and its OnShow is
// its own again.
void TRdFormSkin::StartFlashHold() {
    HoldAlpha();
    FOwnerForm->OnShow = FOwnerOnShow;
    FFlashHoldsShow = false;
}

void TRdFormSkin::ShowHandler(tk::TObject* Sender) {
    if (!FOwnerForm) return;
    // A copy: the handler running now is the one OnShow lets go.
    tk::TNotifyEvent saved = FOwnerOnShow;
    StartFlashHold();
    saved(Sender);
}

void TRdFormSkin::FlashTimerTick() {
    FFlashTimer->SetEnabled(false);
    if (FOwnerForm) FOwnerForm->SetAlphaBlendValue(FOwnerFormAlphaBak);
}

void TRdFormSkin::RunFixFlashBlack() {
    if (FFlashTimer->Enabled() || !FOwnerForm) return;
    HoldAlpha();
}

void TRdFormSkin::CancelFixFlashBlack() {
    if (!FFlashHoldsShow || !FOwnerForm) return;
    FOwnerForm->SetAlphaBlendValue(FOwnerFormAlphaBak);
    FFlashTimer->SetEnabled(false);
    FOwnerForm->OnShow = FOwnerOnShow;
    FFlashHoldsShow = false;
}

} // namespace vell::rd
