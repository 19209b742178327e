// The form skin as a component: the registry of owners and their form skins, the opacity
// follower, construction and properties, taking an owner and hooking its messages (and
// those of its top-level form), and the set-up. The rest lives beside it: following the
// owner's messages (form_skin_follow.cpp), the window region (form_skin_region.cpp), the
// shadow layer's drawing (form_skin_layer.cpp), controls on the shadow layer
// (form_skin_layer_controls.cpp), the flash fix (form_skin_flash.cpp) and the maximised
// bounds (form_skin_maximize.cpp).
#include "rdcontrol/formskin/form_skin.h"

#include "platform/timer/rd_timer.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_wnd_list.h"
#include "toolkit/application.h"

#include <unordered_map>

namespace vell::rd {

namespace {

// Every owner and the form skin it carries.
std::unordered_map<const tk::TControl*, TRdFormSkin*>& owners() {
    static std::unordered_map<const tk::TControl*, TRdFormSkin*> m;
    return m;
}

// A form that fades takes its shadow with it: the opacity a form gives its layered window
// goes to its shadow window too.
class AlphaFollower : public tk::TToolkitHooks {
  public:
    bool SetLayeredAttributes(tk::TWinControl* Control, COLORREF Key, BYTE Alpha, DWORD Flags) override {
        if (!Next().SetLayeredAttributes(Control, Key, Alpha, Flags)) return false;
        if (TRdFormSkin* skin = TRdFormSkin::Of(Control))
            if (TRdFormShadowBg* shadow = skin->FormShadowBg())
                shadow->SetConstantAlpha((Flags & LWA_ALPHA) ? Alpha : 255);
        return true;
    }
};

AlphaFollower& alphaFollower() {
    static AlphaFollower follower;
    return follower;
}

tk::TWinControl* topLevelOf(tk::TWinControl* Control) {
    tk::TWinControl* t = Control;
    while (t && t->Parent())
        t = t->Parent();
    return t;
}

std::string nameOf(const TRdFormSkin* Skin) {
    return Skin->Name().empty() ? Skin->ClassName() : Skin->Name();
}

} // namespace

// ---- the hooks on the owner and its top-level form ----

class TRdFormSkin::OwnerHook : public tk::TMessageHook {
  public:
    explicit OwnerHook(TRdFormSkin& Skin) : FSkin(Skin) {}
    bool BeforeMessage(tk::TControl* Control, tk::TMessage& Message) override;
    void AfterMessage(tk::TControl* Control, tk::TMessage& Message) override;
    void ControlDestroying(tk::TControl* Control) override { FSkin.FOwnerHooked = false; }

  private:
    TRdFormSkin& FSkin;
};

class TRdFormSkin::RootHook : public tk::TMessageHook {
  public:
    explicit RootHook(TRdFormSkin& Skin) : FSkin(Skin) {}
    bool BeforeMessage(tk::TControl* Control, tk::TMessage& Message) override;
    void AfterMessage(tk::TControl* Control, tk::TMessage& Message) override;

  private:
    TRdFormSkin& FSkin;
};

// Both hooks hand their messages to the steps that follow the owner (form_skin_follow.cpp).

bool TRdFormSkin::OwnerHook::BeforeMessage(tk::TControl*, tk::TMessage& m) {
    if (FSkin.FOwnerControl) FSkin.FollowBefore(FSkin.FOwnerControl, m, false);
    return false;
}

void TRdFormSkin::OwnerHook::AfterMessage(tk::TControl*, tk::TMessage& m) {
    if (FSkin.FOwnerControl) FSkin.FollowAfter(FSkin.FOwnerControl, m, false);
}

bool TRdFormSkin::RootHook::BeforeMessage(tk::TControl*, tk::TMessage& m) {
    if (FSkin.FRootForm && FSkin.FOwnerControl) FSkin.FollowBefore(FSkin.FRootForm, m, true);
    return false;
}

void TRdFormSkin::RootHook::AfterMessage(tk::TControl*, tk::TMessage& m) {
    if (FSkin.FRootForm && FSkin.FOwnerControl) FSkin.FollowAfter(FSkin.FRootForm, m, true);
}

// ---- construction ----

const tk::ClassInfo& TRdFormSkin::StaticClass() {
    using T = TRdFormSkin;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdFormSkin", &tk::TComponent::StaticClass())
            .obj("DrawControlList", tk::ClassTypeOf<tk::TStrings>(), &T::DrawControlList,
                 &T::SetDrawControlList)
            .ord("MaxFullScreenMode", tk::BooleanType(), &T::MaxFullScreenMode, &T::SetMaxFullScreenMode, 0)
            .ord("FixFlashBlack", tk::BooleanType(), &T::FixFlashBlack, &T::SetFixFlashBlack, 0)
            .ord("FormColor", tk::ColorType(), &T::FormColor, &T::SetFormColor, std::nullopt, &T::NeverStored)
            .obj("OwnerForm", tk::ClassTypeOf<tk::TWinControl>(), &T::OwnerControl, &T::SetOwnerForm,
                 &T::NeverStored)
            .obj("PicShadow", tk::ClassTypeOf<tk::TPicture>(), &T::PicShadow, &T::SetPicShadow)
            .obj("PicShadowOption", tk::ClassTypeOf<TRdFormSkinBkgOpt>(), &T::PicShadowOption,
                 &T::SetPicShadowOption)
            .ord("HitTest", tk::BooleanType(), &T::HitTest, &T::SetHitTest, 0)
            .event("OnMouseDown", &T::OnMouseDown)
            .event("OnMouseEnter", &T::OnMouseEnter)
            .event("OnMouseLeave", &T::OnMouseLeave)
            .event("OnMouseMove", &T::OnMouseMove)
            .event("OnMouseUp", &T::OnMouseUp)
            .obj("EllipseSize", tk::ClassTypeOf<TEllipseSize>(), &T::EllipseSize, &T::SetEllipseSize)
            .obj("BorderLines", tk::ClassTypeOf<TBorderLines>(), &T::BorderLines, &T::SetBorderLines)
            .obj("ShadowFrame", tk::ClassTypeOf<TShadowFrame>(), &T::ShadowFrame, &T::SetShadowFrame)
            .event("OnShadowPaintEnd", &T::OnShadowPaintEnd)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &T::AllSkin, &T::SetAllSkin)
            .build();
    return info;
}

TRdFormSkin* TRdFormSkin::Of(const tk::TControl* Owner) {
    auto it = owners().find(Owner);
    return it == owners().end() ? nullptr : it->second;
}

TRdFormSkin::TRdFormSkin(tk::TComponent* AOwner) : tk::TComponent(AOwner) {
    if (auto* control = dynamic_cast<tk::TControl*>(AOwner))
        if (TRdFormSkin* existing = Of(control))
            throw tk::EComponentError("can not create 2rd TRdFormSkin, exists: " + nameOf(existing));
    FDrawControlList = std::make_unique<TRdFormSkinDrawControlList>(this);
    FDrawControlList->OnChanging = [this](tk::TStrings*) { FDrawControlList->ReleaseControls(); };
    FDrawControlList->OnChange = [this](tk::TStrings*) {
        if (!InitSkinCalled) return;
        ResolveDrawControls();
        RedrawShadow();
    };
    FFlashTimer = std::make_unique<win::TRdTimer>();
    FFlashTimer->SetEnabled(false);
    FFlashTimer->SetInterval(50);
    FFlashTimer->SetOnTimer([this](tk::TObject*) { FlashTimerTick(); });
    if (auto* control = dynamic_cast<tk::TWinControl*>(AOwner)) TakeOwner(control);
    FEllipseSize = std::make_unique<TEllipseSize>(this);
    FEllipseSize->OnChange = [this] {
        ApplyRegion();
        RedrawShadow();
    };
    FBorderLines = std::make_unique<TBorderLines>(this);
    FBorderLines->OnChange = [this] { RedrawShadow(); };
    FShadowFrame = std::make_unique<TShadowFrame>(this);
    FShadowFrame->OnChange = [this] { Reposition(); };
    FPicShadowOption = std::make_unique<TRdFormSkinBkgOpt>();
    FPicShadowOption->OnChange = [this](design::TDesignRect&) { PictureChanged(); };
    FPicShadow = std::make_unique<tk::TPicture>();
    FPicShadow->OnChange = [this](tk::TPicture*) { PictureChanged(); };
    FAllSkin = std::make_unique<TRdSkinClass>(this, this, nullptr);
    FOwnerHook = std::make_unique<OwnerHook>(*this);
    FRootHook = std::make_unique<RootHook>(*this);
    FFormShadowBg = new TRdFormShadowBg(this);
    if (AOwner && AOwner->InState(tk::csDesigning)) InitSkin();
}

TRdFormSkin::~TRdFormSkin() {
    if (FOwnerForm && FFlashHoldsShow) FOwnerForm->OnShow = FOwnerOnShow;
    UnhookOwner();
    DetachRootHook();
    if (FOwnerControl) {
        owners().erase(FOwnerControl);
        FOwnerControl->RemoveFreeNotification(this);
    }
    FreeShadow();
    FFlashTimer.reset();
    FPicShadow->OnChange = nullptr;
    FPicShadowOption->OnChange = nullptr;
    FDrawControlList.reset();
}

void TRdFormSkin::FreeShadow() {
    TRdFormShadowBg* shadow = FFormShadowBg;
    FFormShadowBg = nullptr;
    if (shadow) tk::Free(shadow);
}

// ---- properties ----

tk::TStrings* TRdFormSkin::DrawControlList() const {
    return FDrawControlList.get();
}

void TRdFormSkin::SetDrawControlList(tk::TStrings* Value) {
    if (Value)
        FDrawControlList->Assign(Value);
    else
        FDrawControlList->Clear();
}

TColor TRdFormSkin::FormColor() const {
    return FOwnerControl ? FOwnerControl->Color() : tk::clWindow;
}

void TRdFormSkin::SetFormColor(TColor Value) {
    if (FOwnerControl) FOwnerControl->SetColor(Value);
    RedrawShadow();
}

void TRdFormSkin::SetHitTest(bool Value) {
    if (FHitTest == Value) return;
    FHitTest = Value;
    // The window's click-through style follows.
    if (FFormShadowBg && FFormShadowBg->HandleAllocated()) {
        HWND h = FFormShadowBg->Handle();
        LONG ex = ::GetWindowLongW(h, GWL_EXSTYLE);
        ex = Value ? (ex & ~WS_EX_TRANSPARENT) : (ex | WS_EX_TRANSPARENT);
        ::SetWindowLongW(h, GWL_EXSTYLE, ex);
    }
}

void TRdFormSkin::TakeOwner(tk::TWinControl* Value) {
    FOwnerControl = Value;
    FOwnerForm = dynamic_cast<tk::TCustomForm*>(Value);
    if (!Value) return;
    owners()[Value] = this;
    Value->FreeNotification(this);
}

void TRdFormSkin::SetOwnerForm(tk::TWinControl* Value) {
    if (Value == FOwnerControl) return;
    if (Value)
        if (TRdFormSkin* existing = Of(Value))
            throw tk::EComponentError("can not create 2rd TRdFormSkin, exists: " + nameOf(existing));
    if (FOwnerForm && FFlashHoldsShow) CancelFixFlashBlack();
    UnhookOwner();
    DetachRootHook();
    if (FOwnerControl) {
        owners().erase(FOwnerControl);
        FOwnerControl->RemoveFreeNotification(this);
    }
    FOwnerControl = nullptr;
    FOwnerForm = nullptr;
    // The shadow window belongs to the old owner's window.
    if (FFormShadowBg) FFormShadowBg->DestroyHandle();
    TakeOwner(Value);
    HookOwner();
    Setup();
}

void TRdFormSkin::Loaded() {
    FAllSkin->LoadSkinValue(true);
    tk::TComponent::Loaded();
    HookOwner();
    Setup();
}

void TRdFormSkin::InitSkin() {
    if (InitSkinCalled) return;
    InitSkinCalled = true;
    HookOwner();
    Setup();
}

void TRdFormSkin::Refresh() {
    RedrawShadow();
}

void TRdFormSkin::CustomFormWindowState(tk::TWindowState CustomState) {
    if (FCustomFormState == CustomState) return;
    FCustomFormState = CustomState;
    if (FEllipseSize->Check()) ApplyRegion();
    Reposition();
}

void TRdFormSkin::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TComponent::Notification(AComponent, Operation);
    if (Operation != tk::TOperation::opRemove) return;
    if (FDrawControlList)
        for (int i = 0; i < FDrawControlList->Count(); ++i)
            if (FDrawControlList->Objects(i) == AComponent) {
                // The control is going: only forget it.
                auto handler = std::move(FDrawControlList->OnChanging);
                FDrawControlList->PutObject(i, nullptr);
                FDrawControlList->OnChanging = std::move(handler);
            }
    if (AComponent == FOwnerControl) {
        UnhookOwner();
        owners().erase(FOwnerControl);
        FOwnerControl = nullptr;
        FOwnerForm = nullptr;
        FFlashHoldsShow = false;
        DetachRootHook();
        if (FFormShadowBg) FFormShadowBg->DestroyHandle();
    }
    if (AComponent == FRootForm || AComponent == FRootFormHook) DetachRootHook();
    if (AComponent == FFormShadowBg) FFormShadowBg = nullptr;
}

// ---- set-up and hooks ----

void TRdFormSkin::HookOwner() {
    if (FOwnerHooked || !FOwnerControl) return;
    FOwnerControl->AddMessageHook(FOwnerHook.get());
    FOwnerHooked = true;
}

void TRdFormSkin::UnhookOwner() {
    if (FOwnerHooked && FOwnerControl) FOwnerControl->RemoveMessageHook(FOwnerHook.get());
    FOwnerHooked = false;
}

void TRdFormSkin::Setup() {
    if (InState(tk::csLoading | tk::csDestroying) || !FOwnerControl) return;
    InitSkinCalled = true;
    ResolveDrawControls();
    ArmFixFlashBlack();
    AttachRootHook();
    if (FEllipseSize->Check()) ApplyRegion();
    Reposition();
}

// ---- the top-level form's hook (an embedded owner) ----

void TRdFormSkin::AttachRootHook() {
    if (!FOwnerControl || !FOwnerControl->Parent()) return;
    tk::TWinControl* T = topLevelOf(FOwnerControl);
    if (T == FOwnerControl || T == FRootForm) return;
    DetachRootHook();
    FRootFormHook = TRdFormWndList::Of(T);
    FRootForm = T;
    FRootFormHook->AddHook(FRootHook.get(), this);
    FRootFormHook->FreeNotification(this);
    T->FreeNotification(this);
}

void TRdFormSkin::DetachRootHook() {
    if (FRootFormHook) {
        FRootFormHook->RemoveHook(FRootHook.get());
        FRootFormHook->RemoveFreeNotification(this);
    }
    if (FRootForm && FRootForm != FOwnerControl) FRootForm->RemoveFreeNotification(this);
    FRootFormHook = nullptr;
    FRootForm = nullptr;
}

void StartFollowingAlpha() {
    tk::InstallToolkitHooks(&alphaFollower());
}

void StopFollowingAlpha() {
    tk::RemoveToolkitHooks(&alphaFollower());
}

} // namespace vell::rd
