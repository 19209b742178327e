// Index: construction and the window; placement (SetWindowPos); showing and hiding; the
// layer handed to the window manager; the window's messages.
#include "rdcontrol/formskin/form_shadow.h"
#include "core/util/scope_exit.h"

#include "rdcontrol/formskin/form_skin.h"
#include "toolkit/application.h"

#include <algorithm>

namespace vell::rd {

namespace {
constexpr UINT kZOrderTimer = 111;
constexpr UINT kOrderFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
bool topmost(HWND h) {
    return (::GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
} // namespace

bool TRdFormShadowBg::OldWindowsZOrder() {
    static const bool old = [] {
        using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
        OSVERSIONINFOW v{sizeof(v)};
        auto fn = reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
        if (!fn || fn(&v) != 0) return false;
        return v.dwMajorVersion < 6 || (v.dwMajorVersion == 6 && v.dwMinorVersion <= 1);
    }();
    return old;
}

const tk::ClassInfo& TRdFormShadowBg::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdFormShadowBg>("TRdFormShadowBg", &tk::TCustomForm::StaticClass()).build();
    return info;
}

TRdFormShadowBg::TRdFormShadowBg(TRdFormSkin* AOwner) : tk::TCustomForm(AOwner), FOwner(AOwner) {
    SetScaled(false);
    SetBorderStyle(tk::bsNone);
    SetPosition(tk::poDesigned);
    if (tk::TCustomForm* form = AOwner ? AOwner->OwnerForm() : nullptr)
        FDrawBlend.SourceConstantAlpha = form->AlphaBlendValue();
    // Mouse events reach the form skin's handlers (they only arrive with HitTest on).
    OnMouseDown = [this](tk::TObject* S, tk::TMouseButton B, tk::TShiftState Sh, int X, int Y) {
        if (FOwner) FOwner->OnMouseDown(S, B, Sh, X, Y);
    };
    OnMouseUp = [this](tk::TObject* S, tk::TMouseButton B, tk::TShiftState Sh, int X, int Y) {
        if (FOwner) FOwner->OnMouseUp(S, B, Sh, X, Y);
    };
    OnMouseMove = [this](tk::TObject* S, tk::TShiftState Sh, int X, int Y) {
        if (FOwner) FOwner->OnMouseMove(S, Sh, X, Y);
    };
    OnMouseEnter = [this](tk::TObject* S) {
        if (FOwner) FOwner->OnMouseEnter(S);
    };
    OnMouseLeave = [this](tk::TObject* S) {
        if (FOwner) FOwner->OnMouseLeave(S);
    };
}

TRdFormShadowBg::~TRdFormShadowBg() {
    if (HandleAllocated()) ::KillTimer(FHandle, kZOrderTimer);
    if (FOwner && FOwner->FFormShadowBg == this) FOwner->FFormShadowBg = nullptr;
}

void TRdFormShadowBg::CreateParams(tk::TCreateParams& Params) {
    tk::TCustomForm::CreateParams(Params);
    Params.Style = WS_POPUP;
    tk::TWinControl* O = FOwner ? FOwner->OwnerControl() : nullptr;
    DWORD ex = Params.ExStyle & ~WS_EX_APPWINDOW;
    if (O && O->HandleAllocated()) {
        ex &= ~WS_EX_TOOLWINDOW;
        ex |= ::GetWindowLongW(O->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
    }
    ex |= WS_EX_NOACTIVATE | WS_EX_LAYERED;
    if (!(FOwner && FOwner->HitTest())) ex |= WS_EX_TRANSPARENT;
    Params.ExStyle = ex;
}

HWND TRdFormShadowBg::CreationParentWindow() {
    tk::TWinControl* O = FOwner ? FOwner->OwnerControl() : nullptr;
    if (O && O->HandleAllocated()) return ::GetAncestor(O->Handle(), GA_ROOT);
    return nullptr;
}

void TRdFormShadowBg::CreateWnd() {
    const bool designing = InState(tk::csDesigning);
    {
        // Created as if designed, so that the framework leaves the window's look alone.
        SetState(tk::csDesigning);
        ScopeExit restore([this, designing] {
            if (!designing) ClearState(tk::csDesigning);
        });
        tk::TCustomForm::CreateWnd();
    }
    tk::TCreateParams p;
    CreateParams(p);
    const LONG ex = ::GetWindowLongW(FHandle, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongW(FHandle, GWL_EXSTYLE, ex | static_cast<LONG>(p.ExStyle));
}

bool TRdFormShadowBg::ShadowVisible() const {
    return FHandle && ::IsWindowVisible(FHandle);
}

// ---- placement ----

void TRdFormShadowBg::SetWindowPos(bool NoSize, bool NoOrder, bool NoMove, bool ForceShow, bool ForceHide,
                                   HWND* ForceZOrder) {
    TRdFormSkin* fs = FOwner;
    if (!fs || fs->InState(tk::csDesigning | tk::csDestroying) || InState(tk::csDestroying)) return;
    tk::TWinControl* O = fs->OwnerControl();
    if (!O) return;
    tk::TWinControl* T = O;
    while (T->Parent())
        T = T->Parent();
    const TShadowFrame& sf = *fs->ShadowFrame();
    const RECT used = sf.UsedMargins();
    const int sfL = used.left, sfT = used.top, sfR = used.right, sfB = used.bottom;

    // Where the owner's top-left corner is on the screen.
    auto sumOfPositions = [&] {
        POINT p{0, 0};
        for (tk::TControl* c = O; c; c = c->Parent())
            p.x += c->Left(), p.y += c->Top();
        return p;
    };
    POINT P;
    auto* rootForm = dynamic_cast<tk::TCustomForm*>(fs->RootForm());
    if (fs->RootForm() && (!rootForm || rootForm->BorderStyle() == tk::bsNone)) {
        P = sumOfPositions();
    } else if (!O->Parent()) {
        P = POINT{O->Left(), O->Top()};
    } else if (O->Parent()->HandleAllocated()) {
        P = POINT{O->Left(), O->Top()};
        ::ClientToScreen(O->Parent()->Handle(), &P);
    } else {
        P = sumOfPositions();
    }
    const int x = P.x - sfL, y = P.y - sfT;
    const int w = std::max(1, sfL + O->Width() + sfR), h = std::max(1, sfT + O->Height() + sfB);

    tk::TCustomForm* OForm = fs->OwnerForm();
    const bool ownerShowingPhase = OForm && OForm->ShowingPhase();
    const bool oVisible = O->HandleAllocated() && ::IsWindowVisible(O->Handle());
    const bool tIconic = T->HandleAllocated() && ::IsIconic(T->Handle());
    const bool V =
        O->Width() > 0 && O->Height() > 0 && !ForceHide && O->IsShowing() &&
        (!OForm || (OForm->WindowState() == tk::wsNormal && fs->CustomFormState() == tk::wsNormal)) &&
        sf.Enabled() && (ForceShow || (!ownerShowingPhase && oVisible && !tIconic));

    if (!HandleAllocated() || !O->HandleAllocated() || !T->HandleAllocated()) {
        SetBounds(x, y, w, h);
        if (!FShowing) {
            const bool show = V && !fs->WasMinimized && (T == O || T->IsShowing());
            if (show && !ShadowVisible() && O->HandleAllocated())
                ShowNow();
            else if (!show && (Visible() || ShadowVisible()))
                HideNow();
        }
        return;
    }

    if ((V || fs->WasMinimized) && !tIconic) {
        HWND S = FHandle, TH = T->Handle();
        bool orderRequested = ForceZOrder != nullptr;
        const bool tTop = topmost(TH), sTop = topmost(S);
        if (tTop && !sTop)
            ::SetWindowPos(S, HWND_TOPMOST, 0, 0, 0, 0, kOrderFlags & ~SWP_NOSENDCHANGING);
        else if (tTop && sTop && ForceZOrder && *ForceZOrder == TH)
            orderRequested = false;
        else if (!tTop && sTop)
            ::SetWindowPos(S, HWND_NOTOPMOST, 0, 0, 0, 0, kOrderFlags & ~SWP_NOSENDCHANGING);
        // An embedded owner's shadow keeps its place; otherwise a requested order puts the
        // shadow directly above the top-level window (whatever was asked for: the window
        // above T is the only place that keeps the shadow glued to it).
        if (T != O)
            orderRequested = false;
        else if (!ForceZOrder && !NoOrder && OldWindowsZOrder())
            orderRequested = true;
        HWND after = nullptr;
        bool placeTBelow = false;
        if (orderRequested) {
            after = ::GetWindow(TH, GW_HWNDPREV);
            if (after == S)
                orderRequested = false;
            else
                placeTBelow = true;
            if (!after) after = tTop ? HWND_TOPMOST : HWND_TOP;
        }
        UINT flags = SWP_NOACTIVATE | SWP_NOSENDCHANGING;
        if (NoSize) flags |= SWP_NOSIZE;
        if (NoMove) flags |= SWP_NOMOVE;
        flags |= orderRequested ? SWP_NOOWNERZORDER : SWP_NOZORDER;
        ::SetWindowPos(S, orderRequested ? after : nullptr, x, y, w, h, flags);
        if (placeTBelow) ::SetWindowPos(TH, S, 0, 0, 0, 0, kOrderFlags);
    }

    if (!FShowing) {
        const bool show = V && !fs->WasMinimized;
        if (show && !ShadowVisible())
            ShowNow();
        else if (!show && ShadowVisible())
            HideNow();
    }
}

void TRdFormShadowBg::ResetZOrder() {
    TRdFormSkin* fs = FOwner;
    if (!fs || !fs->OwnerControl() || !HandleAllocated()) return;
    tk::TWinControl* O = fs->OwnerControl();
    if (!O->HandleAllocated()) return;
    HWND TH = ::GetAncestor(O->Handle(), GA_ROOT);
    ::SetWindowPos(FHandle, TH, 0, 0, 0, 0, kOrderFlags);
    ::SetWindowPos(TH, FHandle, 0, 0, 0, 0, kOrderFlags);
}

void TRdFormShadowBg::StartZOrderTimer() {
    if (!FHandle) return;
    ResetZOrder();
    FTimerTicks = 0;
    FTimerSetBg = ::GetTickCount();
    ::SetTimer(FHandle, kZOrderTimer, 200, nullptr);
}

// ---- showing and hiding ----

void TRdFormShadowBg::ShowShadow() {
    if (FOwner && FOwner->OwnerForm()) FOwner->OwnerForm()->SetShowingPhase(false);
    SetWindowPos(false, false, false, true);
}

void TRdFormShadowBg::ShowNow() {
    FShowing = true;
    ScopeExit shown([this] { FShowing = false; });
    HandleNeeded();
    InitVisible(true);
    CheckSize();
    RedrawLayer();
    if (FOwner && FOwner->OwnerControl() && FOwner->OwnerControl()->HandleAllocated())
        ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    ::ShowWindow(FHandle, SW_SHOWNOACTIVATE);
}

void TRdFormShadowBg::HideNow() {
    InitVisible(false);
    if (FHandle) ::ShowWindow(FHandle, SW_HIDE);
}

// ---- the layer ----

void TRdFormShadowBg::RedrawLayer() {
    if (FOwner) FOwner->RedrawShadow();
}

void TRdFormShadowBg::Present(HDC Bits, bool Hidden) {
    if (!FHandle) return;
    BLENDFUNCTION blend = FDrawBlend;
    if (Hidden) blend.SourceConstantAlpha = 0;
    SIZE size{FDrawW, FDrawH};
    POINT source{0, 0};
    if (::UpdateLayeredWindow(FHandle, nullptr, nullptr, &size, Bits, &source, 0, &blend, ULW_ALPHA))
        ++FPresentCount;
}

void TRdFormShadowBg::SetConstantAlpha(uint8_t Value) {
    if (FDrawBlend.SourceConstantAlpha == Value) return;
    FDrawBlend.SourceConstantAlpha = Value;
    if (!FHandle) return;
    // Only the opacity changes; where the platform wants the pixels again, draw them.
    if (!::UpdateLayeredWindow(FHandle, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &FDrawBlend,
                               ULW_ALPHA))
        RedrawLayer();
}

void TRdFormShadowBg::Invalidate() {
    tk::TCustomForm::Invalidate();
    RedrawLayer();
}

void TRdFormShadowBg::CheckSize() {
    if (!FHandle || (Width() == FDrawW && Height() == FDrawH)) return;
    FDrawW = std::max(1, Width());
    FDrawH = std::max(1, Height());
    RedrawLayer();
}

void TRdFormShadowBg::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    tk::TCustomForm::SetBounds(ALeft, ATop, AWidth, AHeight);
    CheckSize();
}

void TRdFormShadowBg::Resize() {
    tk::TCustomForm::Resize();
    CheckSize();
}

// ---- messages ----

void TRdFormShadowBg::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case WM_NCHITTEST:
        m.Result = FOwner && FOwner->HitTest() ? HTCLIENT : HTTRANSPARENT;
        return;
    case WM_MOUSEACTIVATE:
        m.Result = MA_NOACTIVATE;
        return;
    case WM_PAINT:
        if (!m.WParam && FHandle) ::ValidateRect(FHandle, nullptr);
        m.Result = 0;
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case tk::CM_VISIBLECHANGED:
        // Shown and hidden without activation, by the form skin's rules.
        if (Visible())
            ShowShadow();
        else
            HideNow();
        return;
    case WM_SHOWWINDOW:
        if (m.WParam && m.LParam == SW_PARENTOPENING) {
            tk::TCustomForm* form = FOwner ? FOwner->OwnerForm() : nullptr;
            const bool ownerMinimized = form && form->WindowState() == tk::wsMinimized;
            if (ownerMinimized || !(Visible() || FShowing)) {
                m.Result = 0;
                return;
            }
        }
        break;
    case WM_TIMER:
        if (m.WParam == kZOrderTimer) {
            if (++FTimerTicks > 4) ::KillTimer(FHandle, kZOrderTimer);
            tk::TWinControl* O = FOwner ? FOwner->OwnerControl() : nullptr;
            if (O && O->HandleAllocated()) {
                HWND above = ::GetWindow(::GetAncestor(O->Handle(), GA_ROOT), GW_HWNDPREV);
                if (above != FHandle)
                    ::SetWindowPos(FHandle, above ? above : HWND_TOP, 0, 0, 0, 0, kOrderFlags);
            }
            m.Result = 0;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGING:
        if (FJumpNextZOrder) {
            FJumpNextZOrder = false;
            if (auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam); wp && !(wp->flags & SWP_NOZORDER)) {
                wp->hwndInsertAfter = nullptr;
                wp->flags = (wp->flags | SWP_NOZORDER) & ~SWP_NOOWNERZORDER;
            }
        }
        break;
    case WM_DESTROY:
        ::KillTimer(FHandle, kZOrderTimer);
        break;
    default:
        break;
    }
    tk::TCustomForm::WndProc(m);
}

} // namespace vell::rd
