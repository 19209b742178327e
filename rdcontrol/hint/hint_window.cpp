// The skinned hint's window: construction, its style and shown control, the window's
// styles, activation for a hint (measure, configure the look, place, show), and its
// messages. Beside it: the content's layout (hint_window_content.cpp), the skinned look
// (hint_window_look.cpp), the placement (hint_window_place.cpp), showing, fading and
// hiding (hint_window_fade.cpp) and what ends a hint by itself (hint_window_auto_hide.cpp).
#include "rdcontrol/hint/hint_window.h"

#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/hint/hint_window_internal.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/accessible.h"
#include "toolkit/application.h"

namespace vell::rd {

namespace hint_window {

RECT screenRectOf(tk::TControl* C) {
    const RECT client = C->GetClientRect();
    const POINT tl = C->ClientToScreen(POINT{client.left, client.top});
    const POINT br = C->ClientToScreen(POINT{client.right, client.bottom});
    return {tl.x, tl.y, br.x, br.y};
}

} // namespace hint_window

using namespace hint_window;

const tk::ClassInfo& TRdSkinHintWindow::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdSkinHintWindow>("TRdSkinHintWindow", &tk::THintWindow::StaticClass()).build();
    return info;
}

TRdSkinHintWindow::TRdSkinHintWindow(tk::TComponent* AOwner)
    : tk::THintWindow(AOwner), FShared(std::make_shared<THintFadeShared>()) {
    SetColor(0xFFFFFF);
    if (tk::TApplication* app = tk::CurrentApplication()) HidePause = app->HintHidePause();
    FHtmLabel = new TRdHtmLabel(this);
    FHtmLabel->SetParent(this);
    FHtmLabel->SetWordWrap(true);
    FHtmLabel->SetWrapChar(true);
    FHtmLabel->SetTransparent(true);
    FFormShadow = new TRdFormSkin(this);
    FFormShadow->OnShadowPaintBegin = [this](tk::TObject*) { ShadowPaintBegin(); };
    FFormShadow->OnShadowPaintEnd = [this](tk::TObject*) { ShadowPaintEnd(); };
    FFormShadow->InitSkin();
    if (auto* style = dynamic_cast<TRdSkinHint*>(AOwner)) SetStyle(style);
    TRdSkinHintWindow* self = this;
    FShared->ApplyAlpha = [self](int a) { self->ApplyAlpha(a); };
    FShared->HideNow = [self] { self->HideWindowNow(); };
}

TRdSkinHintWindow::~TRdSkinHintWindow() {
    FShared->Alive = false;
    FShowHideThread.reset(); // joins the worker; its calls still on their way do nothing
    SetAutoHideRegistered(false);
    if (HandleAllocated()) {
        ::KillTimer(Handle(), kPollTimer);
        ::KillTimer(Handle(), kHidePauseTimer);
    }
    // A control shown in the hint belongs elsewhere: it must not go with the window.
    for (int i = ControlCount() - 1; i >= 0; --i)
        if (tk::TControl* c = Controls(i); c != FHtmLabel && c->Owner() != this) c->SetParent(nullptr);
    SetTextControl(nullptr);
    if (FFormShadow) {
        TRdFormSkin* fs = FFormShadow;
        FFormShadow = nullptr;
        tk::Free(fs);
    }
    if (FRdSkinHint) FRdSkinHint->RemoveFreeNotification(this);
}

void TRdSkinHintWindow::SetStyle(TRdSkinHint* Value) {
    if (Value == FRdSkinHint) return;
    if (FRdSkinHint) FRdSkinHint->RemoveFreeNotification(this);
    FRdSkinHint = Value;
    if (Value) Value->FreeNotification(this);
}

void TRdSkinHintWindow::SetTextControl(tk::TControl* Value) {
    if (Value == FTempTextControl) return;
    if (FTempTextControl) FTempTextControl->RemoveFreeNotification(this);
    FTempTextControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TRdSkinHintWindow::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::THintWindow::Notification(AComponent, Operation);
    if (Operation != tk::TOperation::opRemove) return;
    if (AComponent == FRdSkinHint) FRdSkinHint = nullptr;
    if (AComponent == FHtmLabel) FHtmLabel = nullptr;
    if (AComponent == FFormShadow) FFormShadow = nullptr;
    if (AComponent == FTempTextControl) FTempTextControl = nullptr;
}

void TRdSkinHintWindow::CreateParams(tk::TCreateParams& Params) {
    tk::THintWindow::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED;
    Params.ClassStyle = CS_DBLCLKS;
    // Clicks pass through unless a link of the text has something to do.
    const bool clickable = FRdSkinHint && FRdSkinHint->OnLinkClick;
    if (!clickable) Params.ExStyle |= WS_EX_TRANSPARENT;
}

TRdSkinHint* TRdSkinHintWindow::ActiveStyle() const {
    return FRdSkinHint && FRdSkinHint->Active() ? FRdSkinHint : nullptr;
}

bool TRdSkinHintWindow::SkinnedLook() const {
    TRdSkinHint* style = ActiveStyle();
    return style && !style->BackgroundImage()->Empty();
}

bool TRdSkinHintWindow::WindowVisible() const {
    return HandleAllocated() && ::IsWindowVisible(const_cast<TRdSkinHintWindow*>(this)->Handle());
}

RECT TRdSkinHintWindow::ShadowMargins() const {
    if (!FFormShadow || !FFormShadow->ShadowFrame()->Enabled()) return RECT{0, 0, 0, 0};
    return FFormShadow->ShadowFrame()->UsedMargins();
}

void TRdSkinHintWindow::ActivateHint(const RECT& Rect, const std::u16string& AHint) {
    tk::TApplication* app = tk::CurrentApplication();
    FNeedHide = false;
    if (!FShowHideThread) FShowHideThread = std::make_unique<TRdHintShowHideThread>(FShared);
    SIZE size{Rect.right - Rect.left, Rect.bottom - Rect.top};
    if (FHint.empty() || (AHint.find(u"##") == std::u16string::npos && AHint != FHint)) {
        const RECT r = CalcHintRect(Rect.right - Rect.left, AHint, nullptr);
        size = SIZE{r.right, r.bottom};
    }
    SetBounds(Rect.left, Rect.top, size.cx, size.cy);
    TRdSkinHint* style = ActiveStyle();
    SetColor(style && style->HintColor() != tk::clDefault ? style->HintColor()
                                                          : (app ? app->HintColor() : tk::clDefault));
    ConfigureFormSkin();
    RECT control = Rect;
    if (FDirect)
        control = FDirectRect;
    else if (app && app->HintControl())
        control = screenRectOf(app->HintControl());
    Place(control);
    const bool wasShown = WindowVisible() && FShared->NowShow == 1;
    if (!wasShown) FShared->Alpha = 0;
    if (HidePause > 0 && HandleAllocated())
        ::SetTimer(Handle(), kHidePauseTimer, static_cast<UINT>(HidePause), nullptr);
    Invalidate();
    ShowAnimated();
}

void TRdSkinHintWindow::ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint) {
    if (Hint.empty()) return;
    FDirect = true;
    FDirectRect = ControlScreenRct;
    const RECT r = CalcHintRect(FRdSkinHint ? FRdSkinHint->MaxWidth() : DefaultHintMaxWidth, Hint, nullptr);
    ActivateHint(RECT{ControlScreenRct.left, ControlScreenRct.bottom, ControlScreenRct.left + r.right,
                      ControlScreenRct.bottom + r.bottom},
                 Hint);
    FDirect = false;
    SetAutoHideRegistered(AutoHide);
    if (HandleAllocated()) {
        if (HidePause > 0)
            ::SetTimer(Handle(), kHidePauseTimer, static_cast<UINT>(HidePause), nullptr);
        else
            ::KillTimer(Handle(), kHidePauseTimer);
    }
}

void TRdSkinHintWindow::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case WM_TIMER:
        if (m.WParam == kHidePauseTimer) {
            ::KillTimer(Handle(), kHidePauseTimer);
            if (ShouldHideHint()) HideWindowNow();
            m.Result = 0;
            return;
        }
        if (m.WParam == kPollTimer) {
            if (!CursorOverHint()) {
                ::KillTimer(Handle(), kPollTimer);
                if (FNeedHide) HideRequest();
            }
            m.Result = 0;
            return;
        }
        break;
    case WM_QUERYENDSESSION:
        EndSession();
        m.Result = 1;
        return;
    case WM_ENDSESSION:
        if (m.WParam) EndSession();
        m.Result = 0;
        return;
    case WM_ACTIVATEAPP:
        if (m.WParam == 0 && AutoHide) HideHint();
        break;
    default:
        break;
    }
    tk::THintWindow::WndProc(m);
}

void TRdSkinHintWindow::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    tk::THintWindow::GetAccessibleInfo(Info);
    if (FHtmLabel) Info.Name = FHtmLabel->PlainText();
}

} // namespace vell::rd
