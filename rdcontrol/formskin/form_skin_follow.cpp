// The form skin follows its owner: the owner's messages, and those of its top-level form
// for an embedded owner, keep the shadow window in place, in z-order and in step with
// showing, hiding, minimising and restoring; some also reach the region, the flash fix
// and the maximised bounds.
#include "rdcontrol/formskin/form_skin.h"

#include "rdcontrol/formskin/form_shadow.h"
#include "toolkit/application.h"

namespace vell::rd {

namespace {
bool shadowShown(TRdFormShadowBg* S) {
    return S && S->ShadowVisible();
}
bool windowVisible(tk::TWinControl* C) {
    return C && C->HandleAllocated() && ::IsWindowVisible(C->Handle());
}
} // namespace

void TRdFormSkin::Reposition(bool NoSize, bool NoOrder, bool NoMove, bool ForceShow, bool ForceHide,
                             HWND* ForceZOrder) {
    if (FFormShadowBg)
        FFormShadowBg->SetWindowPos(NoSize, NoOrder, NoMove, ForceShow, ForceHide, ForceZOrder);
}

bool TRdFormSkin::OwnerIsMainFormOnTaskBar() const {
    tk::TApplication* app = tk::CurrentApplication();
    return app && FOwnerForm && app->MainForm() == FOwnerForm && app->MainFormOnTaskBar();
}

// The owner's messages and, for an embedded owner, those of its top-level form (Root) keep
// the shadow in step. Both hooks share these steps; some are the owner's alone.

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
            if (FOwnerForm && FFlashHoldsShow && !FOwnerForm->IsShowing()) StartFlashHold();
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

} // namespace vell::rd
