// Index: the owner registry and the opacity follower; construction and properties; the
// set-up step and the owner's hook; the top-level form's hook; the window region; the
// shadow layer's drawing; controls on the shadow layer; the flash fix; maximise bounds.
#include "rdcontrol/controls/form_skin.h"

#include "platform/image/draw_image.h"
#include "platform/image/draw_shapes.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"
#include "platform/timer/rd_timer.h"
#include "rdcontrol/controls/form_shadow.h"
#include "rdcontrol/controls/form_wnd_list.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/application.h"

#include <algorithm>
#include <cstdlib>
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

// The monitor nearest to a window and its work area (the system's work area on the primary
// monitor, which is what a taskbar reserves).
bool monitorOf(HWND Wnd, RECT& Monitor, RECT& Work, bool& Primary) {
    MONITORINFO mi{sizeof(mi)};
    if (!::GetMonitorInfoW(::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) return false;
    Monitor = mi.rcMonitor;
    Work = mi.rcWork;
    Primary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    RECT system{};
    if (Primary && ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &system, 0) && !::IsRectEmpty(&system))
        Work = system;
    return true;
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

// ---- the owner's hook ----

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

// ---- TRdFormSkinDrawControlList ----

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

void TRdFormSkin::SetMaxFullScreenMode(bool Value) {
    if (FMaxFullScreenMode == Value) return;
    FMaxFullScreenMode = Value;
    if (InState(tk::csDesigning | tk::csLoading) || !FOwnerControl || !FOwnerControl->HandleAllocated())
        return;
    HWND h = FOwnerControl->Handle();
    if (!::IsZoomed(h)) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(h, monitor, work, primary)) return;
    const RECT& r = Value ? monitor : work;
    ::MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void TRdFormSkin::SetFixFlashBlack(bool Value) {
    if (FFixFlashBlack == Value) return;
    FFixFlashBlack = Value;
    if (Value && FOwnerForm && FOwnerForm->InState(tk::csDesigning) &&
        !FOwnerForm->InState(tk::csLoading | tk::csReading))
        FOwnerForm->SetAlphaBlend(true);
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
    if (FOwnerForm && FFixFlashBlack) {
        if (InState(tk::csDesigning)) {
            FOwnerForm->SetAlphaBlend(true);
        } else if (!FFlashHoldsShow) {
            FOwnerFormAlphaBak = FOwnerForm->AlphaBlendValue();
            FOwnerOnShow = FOwnerForm->OnShow;
            FOwnerForm->OnShow = [this](tk::TObject* Sender) { ShowHandler(Sender); };
            FFlashHoldsShow = true;
        }
    }
    AttachRootHook();
    if (FEllipseSize->Check()) ApplyRegion();
    Reposition();
}

void TRdFormSkin::Reposition(bool NoSize, bool NoOrder, bool NoMove, bool ForceShow, bool ForceHide,
                             HWND* ForceZOrder) {
    if (FFormShadowBg)
        FFormShadowBg->SetWindowPos(NoSize, NoOrder, NoMove, ForceShow, ForceHide, ForceZOrder);
}

bool TRdFormSkin::OwnerIsMainFormOnTaskBar() const {
    tk::TApplication* app = tk::CurrentApplication();
    return app && FOwnerForm && app->MainForm() == FOwnerForm && app->MainFormOnTaskBar();
}

namespace {
bool shadowShown(TRdFormShadowBg* S) {
    return S && S->ShadowVisible();
}
bool windowVisible(tk::TWinControl* C) {
    return C && C->HandleAllocated() && ::IsWindowVisible(C->Handle());
}
bool windowIconic(tk::TWinControl* C) {
    return C && C->HandleAllocated() && ::IsIconic(C->Handle());
}
} // namespace

// The owner's messages and, for an embedded owner, those of its top-level form (Root) keep
// the shadow in step. Both hooks share these steps; some are the owner's alone.

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

void TRdFormSkin::FollowBefore(tk::TWinControl* W, tk::TMessage& m, bool Root) {
    if (InState(tk::csDestroying)) return;
    switch (m.Msg) {
    case WM_SETTINGCHANGE:
        if (!Root && m.WParam == SPI_SETWORKAREA && shadowShown(FFormShadowBg)) Reposition();
        break;
    case WM_GETMINMAXINFO:
        if (!Root && m.LParam) MaximizeBounds(*reinterpret_cast<MINMAXINFO*>(m.LParam));
        break;
    case WM_WINDOWPOSCHANGING:
        if (!Root && m.LParam) LimitMaximizedSize(*reinterpret_cast<WINDOWPOS*>(m.LParam));
        break;
    case WM_SYSCOMMAND:
        if ((m.WParam & 0xFFF0) == SC_RESTORE && OwnerIsMainFormOnTaskBar()) {
            WasMinimized = FOwnerForm->WindowState() == tk::wsMinimized;
            WasMinimized2 = false;
        }
        break;
    case tk::CM_SHOWINGCHANGED:
        if (W->IsShowing() && FEllipseSize->Check())
            ApplyRegion();
        else if (!W->IsShowing() && shadowShown(FFormShadowBg)) {
            // A top-level form that goes hides the shadow; the owner's own hiding only
            // brings it in step.
            if (Root)
                Reposition(false, false, false, false, true);
            else
                Reposition(true, true, true);
        }
        break;
    default:
        break;
    }
}

void TRdFormSkin::FollowAfter(tk::TWinControl* W, tk::TMessage& m, bool Root) {
    if (InState(tk::csDestroying)) return;
    TRdFormShadowBg* S = FFormShadowBg;
    tk::TWinControl* O = FOwnerControl;
    switch (m.Msg) {
    case WM_CREATE:
        if (!Root && FEllipseSize->Check()) ApplyRegion();
        break;
    case WM_DESTROY:
        if (S) {
            S->HideNow();
            S->DestroyHandle();
        }
        if (!Root) DetachRootHook();
        break;
    case WM_MOVE:
    case WM_DISPLAYCHANGE:
        Reposition(true, true);
        break;
    case WM_SIZE:
        // A change of state counts too: a form may be restored to the size it was maximised
        // from (the platform reports the new size after the state).
        if (!Root && windowVisible(O) &&
            (O->Width() != FormLastWidth || O->Height() != FormLastHeight || m.WParam != FormLastSizeType)) {
            FormLastWidth = O->Width();
            FormLastHeight = O->Height();
            FormLastSizeType = m.WParam;
            if (FEllipseSize->Check()) ApplyRegion();
            Reposition();
        }
        break;
    case WM_ACTIVATE:
        if ((LOWORD(m.WParam) == WA_ACTIVE || LOWORD(m.WParam) == WA_CLICKACTIVE) && HIWORD(m.WParam) == 0)
            Reposition(true, false, true);
        break;
    case WM_SETREDRAW:
        if (!Root && m.WParam == 1 && !shadowShown(S) && windowVisible(O)) Reposition(true, true, true);
        break;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (!WasMinimized2) break;
        WasMinimized2 = false;
        if (!shadowShown(S)) Reposition();
        if (!Root && !shadowShown(FFormShadowBg) && FOwnerForm && FOwnerForm->ShowingPhase()) {
            FOwnerForm->SetShowingPhase(false);
            Reposition(false, false, false, true);
        }
        break;
    case WM_QUERYENDSESSION:
        m.Result = 1;
        break;
    case WM_SHOWWINDOW:
        if (!m.WParam) Reposition(false, false, false, false, true);
        break;
    case WM_ACTIVATEAPP:
        if (!m.WParam) Deactivated(W, Root);
        break;
    case WM_WINDOWPOSCHANGING:
        if (auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam); !Root && wp && (wp->flags & SWP_SHOWWINDOW))
            if (FOwnerForm && FFlashHoldsShow && !FOwnerForm->IsShowing()) {
                HoldAlpha();
                FOwnerForm->OnShow = FOwnerOnShow;
                FFlashHoldsShow = false;
            }
        break;
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (!wp) break;
        if (!Root && !(wp->flags & SWP_NOZORDER) && S && S->HandleAllocated() &&
            S->Handle() != wp->hwndInsertAfter) {
            HWND after = wp->hwndInsertAfter;
            Reposition(wp->flags & SWP_NOSIZE, false, wp->flags & SWP_NOMOVE, false, false, &after);
        }
        if (wp->flags & SWP_SHOWWINDOW) {
            Reposition(false, wp->flags & SWP_NOZORDER, false);
            WasMinimized2 = true;
        } else if (wp->flags & SWP_HIDEWINDOW) {
            Reposition(true, wp->flags & SWP_NOZORDER, true);
        }
        break;
    }
    case WM_SYSCOMMAND:
        if (WasMinimized) {
            WasMinimized = false;
            WasMinimized2 = true;
        }
        if (!Root && (m.WParam & 0xFFF0) == SC_RESTORE) Reposition(true, false, true);
        break;
    case tk::CM_ACTIVATE:
        Reposition(true);
        break;
    case tk::CM_SHOWINGCHANGED:
        if (windowVisible(W)) {
            WasMinimized2 = false;
            HWND own = O->Handle();
            Reposition(false, false, false, false, false, Root ? nullptr : &own);
        }
        break;
    case tk::CM_PARENTBIDIMODECHANGED:
        if (!Root) AttachRootHook();
        break;
    default:
        break;
    }
}

// The application went to the background: the shadow keeps its place above the window.
void TRdFormSkin::Deactivated(tk::TWinControl* W, bool Root) {
    TRdFormShadowBg* S = FFormShadowBg;
    if (!windowVisible(W) && !shadowShown(S)) return;
    if (Root) {
        Reposition(true, false, true);
        return;
    }
    HWND own = W->Handle();
    Reposition(true, false, true, false, false, &own);
    if (!S || !S->HandleAllocated()) return;
    if (TRdFormShadowBg::OldWindowsZOrder() && W->HandleAllocated()) S->StartZOrderTimer();
    if (OwnerIsMainFormOnTaskBar() && (::GetWindowLongW(S->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
        S->FJumpNextZOrder = true;
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

// ---- window region ----

bool TRdFormSkin::OwnerMaximized() const {
    if (FCustomFormState == tk::wsMaximized) return true;
    if (FOwnerForm) return FOwnerForm->WindowState() == tk::wsMaximized;
    return FOwnerControl && FOwnerControl->HandleAllocated() && ::IsZoomed(FOwnerControl->Handle());
}

void TRdFormSkin::ApplyRegion() {
    if (InState(tk::csDesigning) || !FOwnerControl || !FOwnerControl->HandleAllocated()) return;
    HWND h = FOwnerControl->Handle();
    if (!FEllipseSize->Check() || OwnerMaximized()) {
        ::SetWindowRgn(h, nullptr, TRUE);
        return;
    }
    const bool minimized = FOwnerForm ? FOwnerForm->WindowState() == tk::wsMinimized : ::IsIconic(h) != 0;
    if (minimized) return;
    const int W = FOwnerControl->Width(), H = FOwnerControl->Height();
    const int EW = FEllipseSize->Width(), EH = FEllipseSize->Height();
    HRGN rgn;
    if (FEllipseSize->Ellipse()) {
        rgn = ::CreateRoundRectRgn(0, 0, W + 1, H + 1, EW, EH);
    } else {
        const POINT pts[8] = {{EW, 0},         {W - EW, 0}, {W, EH},         {W, H - EH - 1},
                              {W - EW - 1, H}, {EW, H},     {0, H - EH - 1}, {0, EH}};
        rgn = ::CreatePolygonRgn(pts, 8, WINDING);
    }
    if (rgn && !::SetWindowRgn(h, rgn, TRUE)) ::DeleteObject(rgn); // the window owns it once taken
}

// ---- the shadow layer ----

void TRdFormSkin::PictureChanged() {
    if (FPicShadowOption->ChangeEmpty()) {
        auto handler = std::move(FPicShadowOption->OnChange);
        FPicShadowOption->SetValue(FPicShadow->Width() / 3, FPicShadow->Height() / 3, -1000, -1000);
        FPicShadowOption->OnChange = std::move(handler);
    }
    if (FShadowFrame->Enabled() && !InState(tk::csLoading)) RedrawShadow();
}

namespace {
struct ImageRef {
    image::TPngImage* p;
    ~ImageRef() {
        if (p) p->ReleaseRef();
    }
};
// Draws a picture into Dest by the nine-slice rules with margins (L, T, R, B), leaving out
// its middle (which must be clear), within Clip: a frame then costs only its edges.
void drawRing(image::TPngImage& Picture, const RECT& Dest, int L, int T, int R, int B,
              design::TSuperStretchMode Mode, const RECT& Clip, image::TPngImage& Layer) {
    const RECT inner{Dest.left + L, Dest.top + T, Dest.right - R, Dest.bottom - B};
    const RECT bands[4] = {{Dest.left, Dest.top, Dest.right, inner.top},
                           {Dest.left, inner.bottom, Dest.right, Dest.bottom},
                           {Dest.left, inner.top, inner.left, inner.bottom},
                           {inner.right, inner.top, Dest.right, inner.bottom}};
    for (const RECT& band : bands) {
        RECT c;
        if (::IntersectRect(&c, &band, &Clip))
            image::DrawNineSlice(nullptr, nullptr, &Picture, &c, &Layer, image::TDrawMaskMode::None, Mode, B,
                                 R, T, L, Dest);
    }
}

// The picture's middle piece (inside the option's margins) is fully transparent.
bool middleClear(image::TPngImage& Picture, const design::TDesignRect& Option) {
    const int w = Picture.Width(), h = Picture.Height();
    if (Option.Left() <= 0 || Option.Top() <= 0 || Option.Right() <= 0 || Option.Bottom() <= 0 ||
        Option.Left() + Option.Right() >= w || Option.Top() + Option.Bottom() >= h ||
        !Picture.GetTransparent())
        return false;
    for (int y = Option.Top(); y < h - Option.Bottom(); ++y) {
        const uint8_t* alpha = Picture.GetAlphaScanline(y);
        for (int x = Option.Left(); x < w - Option.Right(); ++x)
            if ((alpha ? alpha[x] : Picture.GetPixels(x, y) >> 24) != 0) return false;
    }
    return true;
}

} // namespace

void TRdFormSkin::RedrawShadow() {
    TRdFormShadowBg* S = FFormShadowBg;
    if (!S || FCanvas || InState(tk::csDestroying | tk::csLoading) || !S->HandleAllocated()) return;
    ImageRef layer{image::TPngImage::CreateARGB32(S->FDrawW, S->FDrawH, true)};
    if (!layer.p || !PaintShadowLayer(*layer.p, POINT{S->Left(), S->Top()})) return;
    S->Present(layer.p->CanvasHandle(), !FShadowFrame->Enabled() || !S->Visible());
}

bool TRdFormSkin::PaintShadowLayer(image::TPngImage& Layer, POINT Origin) {
    if (FCanvas) return false; // a drawing runs already
    const int w = Layer.Width(), h = Layer.Height();
    HDC dc = Layer.CanvasHandle();
    if (!dc) return false;
    ::PatBlt(dc, 0, 0, w, h, BLACKNESS);
    OnShadowPaintBegin(this);

    const TRdFormSkinBkgOpt& opt = *FPicShadowOption;
    const RECT r{opt.PadLeft(), opt.PadTop(), w - opt.PadRight(), h - opt.PadBottom()};
    if (!FPicShadow->Empty() && r.right > r.left && r.bottom > r.top) {
        try {
            // A shadow whose middle is clear is drawn around the owner only.
            auto* png = dynamic_cast<image::TPngImage*>(FPicShadow->Graphic());
            if (png && middleClear(*png, opt))
                drawRing(*png, r, opt.Left(), opt.Top(), opt.Right(), opt.Bottom(), opt.StretchMode(),
                         RECT{0, 0, w, h}, Layer);
            else
                DrawDesignGraphic(nullptr, FPicShadow->Graphic(), r, dc, &opt);
        } catch (const std::exception&) {
            // A picture that cannot be drawn leaves the shadow empty.
        }
    }

    const RECT m = FShadowFrame->UsedMargins();
    if (FBorderLines->Check() && FBorderLines->Color() != clNone) {
        // The lines lie just outside the owner; a side switched off has none, so the frame
        // is clipped at the owner's edge on that side.
        const int bw = std::abs(FBorderLines->Width());
        const RECT outer{m.left - bw, m.top - bw, w - m.right + bw, h - m.bottom + bw};
        // The frame is drawn once at its smallest and laid around the owner by the nine-slice
        // rules, its clear middle left out.
        const bool round = FEllipseSize->Check();
        const int rx = round ? (std::abs(FEllipseSize->Width()) + 1) / 2 : 0;
        const int ry = round ? (std::abs(FEllipseSize->Height()) + 1) / 2 : 0;
        const int cw = 2 * (bw + rx) + 1, ch = 2 * (bw + ry) + 1;
        ImageRef frame{image::TPngImage::CreateARGB32(cw, ch, false)};
        if (frame.p) {
            image::FillRoundRectSmooth(*frame.p, 0, 0, cw, ch, round ? FEllipseSize->Width() : 0,
                                       round ? FEllipseSize->Height() : 0, clNone, bw, FBorderLines->Color(),
                                       true);
            const RECT clip{FBorderLines->Left() ? 0 : m.left, FBorderLines->Top() ? 0 : m.top,
                            FBorderLines->Right() ? w : w - m.right,
                            FBorderLines->Bottom() ? h : h - m.bottom};
            drawRing(*frame.p, outer, bw + rx, bw + ry, bw + rx, bw + ry, design::sdmStretch, clip, Layer);
        }
    }

    // The listed controls, and whoever draws at the end of the layer.
    FCanvas = &Layer.Canvas();
    const int saved = ::SaveDC(dc);
    auto done = [&] {
        JumpHookBtnPaint = false;
        ::RestoreDC(dc, saved);
        FCanvas = nullptr;
    };
    try {
        ::IntersectClipRect(dc, 0, 0, w, h);
        for (int i = 0; i < FDrawControlList->Count(); ++i) {
            auto* c = dynamic_cast<TRdGraphicControl*>(FDrawControlList->Objects(i));
            if (!c || !c->Visible() || !c->Parent() || !c->Parent()->HandleAllocated()) continue;
            const POINT at = c->ClientToScreen(POINT{0, 0});
            c->DrawTo(dc, at.x - Origin.x, at.y - Origin.y);
        }
        JumpHookBtnPaint = true;
        OnShadowPaintEnd(this);
    } catch (...) {
        done();
        throw;
    }
    done();
    ::GdiFlush();
    return true;
}

// ---- controls on the shadow layer ----

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

// ---- the flash fix ----

void TRdFormSkin::HoldAlpha() {
    if (!FOwnerForm) return;
    FOwnerFormAlphaBak = FOwnerForm->AlphaBlendValue();
    FOwnerForm->SetAlphaBlendValue(0);
    FFlashTimer->SetEnabled(true);
}

void TRdFormSkin::ShowHandler(tk::TObject* Sender) {
    if (!FOwnerForm) return;
    HoldAlpha();
    tk::TNotifyEvent saved = FOwnerOnShow;
    FOwnerForm->OnShow = saved;
    FFlashHoldsShow = false;
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

// ---- maximise bounds ----

void TRdFormSkin::MaximizeBounds(MINMAXINFO& Info) const {
    if (!FShadowFrame->Enabled() || !FOwnerControl || !FOwnerControl->HandleAllocated()) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(FOwnerControl->Handle(), monitor, work, primary)) return;
    const RECT& t = FMaxFullScreenMode ? monitor : work;
    Info.ptMaxPosition = POINT{t.left - monitor.left, t.top - monitor.top};
    Info.ptMaxSize = POINT{t.right - t.left, t.bottom - t.top};
    Info.ptMaxTrackSize.x = std::max(Info.ptMaxTrackSize.x, Info.ptMaxSize.x);
    Info.ptMaxTrackSize.y = std::max(Info.ptMaxTrackSize.y, Info.ptMaxSize.y);
}

void TRdFormSkin::LimitMaximizedSize(WINDOWPOS& Pos) const {
    if ((Pos.flags & SWP_NOSIZE) || !(Pos.flags & 0x8000 /* SWP_STATECHANGED */) || !OwnerMaximized()) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(FOwnerControl->Handle(), monitor, work, primary) || primary) return;
    Pos.cx = std::min<int>(Pos.cx, work.right - work.left);
    Pos.cy = std::min<int>(Pos.cy, work.bottom - work.top);
}

void StartFollowingAlpha() {
    tk::InstallToolkitHooks(&alphaFollower());
}

void StopFollowingAlpha() {
    tk::RemoveToolkitHooks(&alphaFollower());
}

} // namespace vell::rd
