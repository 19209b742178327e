// The skinned library's one toolkit link for every window of the process: invalidation
// reaches the translucent windows around a window, plain windows that move refresh the
// translucent siblings above them, and the erase rules of form colours with alpha.
#include "rdcontrol/paint/skinned_link.h"
#include "core/color/colors.h"
#include "rdcontrol/paint/skinned_invalidate.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "rdcontrol/base/skinned_control.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/form.h"
#include "toolkit/hooks.h"

namespace vell::rd {

namespace {

DWORD gMainThread = 0;

class TSkinnedPaintHooks final : public tk::TToolkitHooks {
  public:
    void InvalidateWindow(tk::TWinControl* Control, const RECT* Rect, bool Erase) override {
        if (::GetCurrentThreadId() != gMainThread) {
            Next().InvalidateWindow(Control, Rect, Erase);
            return;
        }
        InvalidateWithNeighbours(Next(), Control, Rect, Erase);
    }

    void EraseBackground(tk::TWinControl* Control, HDC DC) override {
        if (!DC) return;
        if (perPixelLayer(Control)) {
            EraseLayer(Control, DC);
            return;
        }
        // A skinned window erases as its class says.
        if (SkinOf(Control)) {
            Next().EraseBackground(Control, DC);
            return;
        }
        const tk::TCustomForm* form = tk::GetParentForm(Control);
        const bool formColoured = Control->Color() == clDefault && form && form != Control;
        const TColor color = Control->BackgroundColor();
        const std::uint8_t alpha = color == clNone ? 255 : ColorAlpha(color);
        RECT r = Control->GetClientRect();
        if (alpha < 255) {
            ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, BLACKNESS);
            const tk::TCustomForm* f = form ? form : dynamic_cast<const tk::TCustomForm*>(Control);
            const bool layered =
                f && const_cast<tk::TCustomForm*>(f)->HandleAllocated() &&
                (::GetWindowLongW(const_cast<tk::TCustomForm*>(f)->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
            if (!layered) ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, WHITENESS);
            FillAlphaColor(DC, r, color);
        } else {
            Next().EraseBackground(Control, DC);
        }
        if (formColoured && FormColor2nd() != clNone) FillAlphaColor(DC, r, FormColor2nd());
    }

    void WindowPosChanging(tk::TWinControl* Control, WINDOWPOS& Pos) override {
        if (!SkinOf(Control) && Control->Parent() && Control->HandleAllocated() &&
            !Control->InState(tk::csReading | tk::csDestroying)) {
            RECT wr;
            ::GetWindowRect(Control->Handle(), &wr);
            ::MapWindowPoints(nullptr, ::GetParent(Control->Handle()), reinterpret_cast<POINT*>(&wr), 2);
            const bool moves = !(Pos.flags & SWP_NOMOVE) && (Pos.x != wr.left || Pos.y != wr.top);
            const bool sizes =
                !(Pos.flags & SWP_NOSIZE) && (Pos.cx != wr.right - wr.left || Pos.cy != wr.bottom - wr.top);
            const bool zorder = !(Pos.flags & SWP_NOZORDER);
            if (moves || sizes || zorder) {
                InvalidateRequest(Control, irSiblings);
                if (sizes && (Pos.cx > wr.right - wr.left || Pos.cy > wr.bottom - wr.top))
                    InvalidateRequest(Control, irChildren);
            } else if (Pos.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
                InvalidateRequest(Control, irChildrenAndSiblings);
            }
        }
        Next().WindowPosChanging(Control, Pos);
    }

    void AlignRequested(tk::TControl* Control) override {
        Next().AlignRequested(Control);
        // A plain window whose alignment was asked for may move or show: the translucent
        // windows around it refresh what they show of it.
        auto* w = dynamic_cast<tk::TWinControl*>(Control);
        if (w && w->HandleAllocated() && !SkinOf(w) &&
            !w->InState(tk::csLoading | tk::csReading | tk::csDestroying))
            InvalidateRequest(w, irChildrenAndSiblings);
    }

    bool PreProcessMessage(tk::TControl* Control, tk::TMessage& Message) override {
        if (Message.Msg == WM_WINDOWPOSCHANGED)
            if (auto* w = dynamic_cast<tk::TWinControl*>(Control); w && w->HandleAllocated() && !SkinOf(w))
                plainMoved(w, Message);
        return Next().PreProcessMessage(Control, Message);
    }

  private:
    // A form shown through a per-pixel layer image (UpdateLayeredWindow), not through the
    // window's own painting: layered, without the whole-window opacity or colour key of
    // SetLayeredWindowAttributes.
    static bool perPixelLayer(tk::TWinControl* Control) {
        if (!dynamic_cast<tk::TCustomForm*>(Control) || !Control->HandleAllocated()) return false;
        HWND w = Control->Handle();
        return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED) &&
               !::GetLayeredWindowAttributes(w, nullptr, nullptr, nullptr);
    }

    // A plain window that moved: the translucent siblings above its new place refresh too.
    static void plainMoved(tk::TWinControl* W, const tk::TMessage& Message) {
        auto* wp = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
        if (!wp || !W->Parent() || W->InState(tk::csReading)) return;
        if ((wp->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            InvalidateRequest(W, irSiblings);
    }
};

TSkinnedPaintHooks& theHooks() {
    static TSkinnedPaintHooks hooks;
    return hooks;
}

} // namespace

void StartSkinnedPainting() {
    gMainThread = ::GetCurrentThreadId();
    tk::InstallToolkitHooks(&theHooks());
}

void StopSkinnedPainting() {
    tk::RemoveToolkitHooks(&theHooks());
}

bool SkinnedPaintingStarted() {
    return theHooks().Installed();
}

} // namespace vell::rd
