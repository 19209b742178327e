// The mouse: capture, the precise point of messages sent to windowless controls, button
// and move events, the wheel and its chain, hover tracking, routing from a window to the
// windowless control under the mouse, hit tests and the cursor.
#include "toolkit/application.h"
#include "toolkit/screen.h"
#include "toolkit/win_control.h"

#include <windowsx.h>

namespace vell::tk {

namespace {
// The windowless control that has the mouse captured through its window.
TControl* gCaptureControl = nullptr;
const TControl* gPreciseTarget = nullptr;
POINT gPrecisePoint{0, 0};

LPARAM pointParam(POINT p) {
    return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

TWinControl* hostWindow(TControl* c) {
    auto* w = dynamic_cast<TWinControl*>(c);
    return w ? w : c->Parent();
}
} // namespace

// ---- capture ----

TControl* GetCaptureControl() {
    TWinControl* owner = TWinControl::FindControl(::GetCapture());
    if (!owner) return nullptr;
    if (gCaptureControl && gCaptureControl->Parent() == owner) return gCaptureControl;
    return owner;
}

void SetCaptureControl(TControl* Control) {
    gCaptureControl = nullptr;
    TWinControl* win = Control ? hostWindow(Control) : nullptr;
    if (!win || !win->HandleAllocated()) {
        ::ReleaseCapture();
        return;
    }
    if (win != Control) gCaptureControl = Control;
    if (::GetCapture() != win->Handle()) ::SetCapture(win->Handle());
}

bool TControl::MouseCapture() const {
    return GetCaptureControl() == this;
}
void TControl::SetMouseCapture(bool Value) {
    if (Value)
        SetCaptureControl(this);
    else if (MouseCapture())
        SetCaptureControl(nullptr);
}

// ---- precise points ----

TPrecisePointScope::TPrecisePointScope(const TControl* Target, POINT P)
    : FSavedTarget(gPreciseTarget), FSavedPoint(gPrecisePoint) {
    gPreciseTarget = Target;
    gPrecisePoint = P;
}

TPrecisePointScope::~TPrecisePointScope() {
    gPreciseTarget = FSavedTarget;
    gPrecisePoint = FSavedPoint;
}

POINT MessagePoint(const TControl* Control, const TMessage& Message) {
    if (Control && gPreciseTarget == Control) return gPrecisePoint;
    return POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
}

LRESULT SendPointMessage(TControl* Control, UINT Msg, WPARAM WParam, POINT P) {
    TPrecisePointScope scope(Control, P);
    return Control->Perform(Msg, WParam, pointParam(P));
}

// ---- shift state ----

TShiftState KeysToShiftState(WPARAM Keys) {
    TShiftState s;
    if (Keys & MK_SHIFT) s += TShiftState{ssShift};
    if (Keys & MK_CONTROL) s += TShiftState{ssCtrl};
    if (Keys & MK_LBUTTON) s += TShiftState{ssLeft};
    if (Keys & MK_RBUTTON) s += TShiftState{ssRight};
    if (Keys & MK_MBUTTON) s += TShiftState{ssMiddle};
    if (::GetKeyState(VK_MENU) < 0) s += TShiftState{ssAlt};
    return s;
}

TShiftState KeyboardStateToShiftState() {
    TShiftState s;
    if (::GetKeyState(VK_SHIFT) < 0) s += TShiftState{ssShift};
    if (::GetKeyState(VK_CONTROL) < 0) s += TShiftState{ssCtrl};
    if (::GetKeyState(VK_MENU) < 0) s += TShiftState{ssAlt};
    if (::GetKeyState(VK_LBUTTON) < 0) s += TShiftState{ssLeft};
    if (::GetKeyState(VK_RBUTTON) < 0) s += TShiftState{ssRight};
    if (::GetKeyState(VK_MBUTTON) < 0) s += TShiftState{ssMiddle};
    return s;
}

// ---- a control's mouse events ----

void TControl::Click() {
    OnClick(this);
}
void TControl::DblClick() {
    OnDblClick(this);
}
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    OnMouseUp(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    OnMouseMove(this, Shift, X, Y);
}
void TControl::Resize() {
    OnResize(this);
}

void TControl::HandleMouse(TMessage& m) {
    if (m.Msg == WM_MOUSELEAVE || (FControlStyle & csNoStdEvents)) return;
    POINT p = MessagePoint(this, m);
    int x = p.x, y = p.y;
    TShiftState shift = KeysToShiftState(m.WParam);
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (FControlStyle & csCaptureMouse) SetCaptureControl(this);
        if (FControlStyle & csClickEvents) FControlState |= csClicked;
        if (m.Msg == WM_LBUTTONDBLCLK && (FControlStyle & csDoubleClicks)) {
            DblClick();
            shift += TShiftState{ssDouble};
        }
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONUP: {
        bool clicked = (FControlState & csClicked) != 0;
        FControlState &= ~csClicked;
        if ((FControlStyle & csCaptureMouse) && MouseCapture()) SetCaptureControl(nullptr);
        RECT r = GetClientRect();
        if (clicked && ::PtInRect(&r, p)) Click();
        MouseUp(mbLeft, shift, x, y);
        break;
    }
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    default:
        break;
    }
}

// ---- the wheel ----

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos) {
    bool handled = false;
    OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    if (handled) return true;
    if (WheelDelta < 0) return DoMouseWheelDown(Shift, MousePos);
    if (WheelDelta > 0) return DoMouseWheelUp(Shift, MousePos);
    return false;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, POINT MousePos) {
    bool handled = false;
    OnMouseWheelDown(this, Shift, MousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, POINT MousePos) {
    bool handled = false;
    OnMouseWheelUp(this, Shift, MousePos, handled);
    return handled;
}

// CM_MOUSEWHEEL: the control's own chain, and when that leaves it unhandled, its container's.
void TControl::HandleMouseWheel(TMessage& m) {
    TShiftState shift = KeysToShiftState(LOWORD(m.WParam));
    int delta = static_cast<short>(HIWORD(m.WParam));
    POINT pos{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    if (DoMouseWheel(shift, delta, pos)) {
        m.Result = 1;
        return;
    }
    if (TControl* c = Container()) m.Result = c->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

// WM_MOUSEWHEEL at a window: offered to the capture control, else to the deepest
// windowless control under the mouse; from there it bubbles out through the containers.
void TWinControl::HandleWheelMessage(TMessage& m) {
    POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = nullptr;
    if (gCaptureControl && gCaptureControl->Parent() == this) {
        target = gCaptureControl;
    } else {
        POINT p = ScreenToClient(screen);
        RECT cr = GetClientRect();
        if (::PtInRect(&cr, p)) target = ControlAtPos(p, false, false, true);
    }
    if (!target) target = this;
    m.Result = target->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

// ---- routing from a window ----

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls, bool AllLevels) {
    for (size_t i = FControls.size(); i-- > 0;) {
        TControl* c = FControls[i];
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win && !AllowWinControls) continue;
        if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
        RECT b = c->GetBoundsRect();
        if (!::PtInRect(&b, Pos)) continue;
        POINT local{Pos.x - c->Left(), Pos.y - c->Top()};
        if (!win && SendPointMessage(c, CM_HITTEST, 0, local) == 0) continue;
        if (AllLevels)
            if (TControl* deeper = c->ControlAtPos(local, AllowDisabled, AllowWinControls, true))
                return deeper;
        return c;
    }
    return nullptr;
}

void TWinControl::TrackMouse(POINT P) {
    if (!FMouseInWindow && FHandle) {
        FMouseInWindow = true;
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
        ::TrackMouseEvent(&tme);
        Perform(CM_MOUSEENTER);
    }
    // While a control inside this window has the capture, the mouse stays with the child
    // that holds it.
    TControl* hover = nullptr;
    if (gCaptureControl && gCaptureControl->Parent() == this) {
        hover = gCaptureControl;
        while (hover && hover->Container() != this)
            hover = hover->Container();
    } else {
        hover = ControlAtPos(P, false);
    }
    if (hover == FMouseControl) return;
    TControl* old = FMouseControl;
    FMouseControl = hover;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (hover) hover->Perform(CM_MOUSEENTER);
}

void TWinControl::MouseLeftWindow() {
    FMouseInWindow = false;
    if (TControl* old = FMouseControl) {
        FMouseControl = nullptr;
        old->Perform(CM_MOUSELEAVE);
    }
    Perform(CM_MOUSELEAVE);
}

void TWinControl::ControlGone(TControl* Control) {
    if (FMouseControl == Control) FMouseControl = nullptr;
}

bool TWinControl::DefaultRouteMouse(TMessage& m) {
    POINT p = MessagePoint(this, m);
    TControl* target = nullptr;
    if (gCaptureControl && gCaptureControl->Parent() == this)
        target = gCaptureControl;
    else
        target = ControlAtPos(p, false);
    if (!target) return false;
    m.Result = SendPointMessage(target, m.Msg, m.WParam, target->ParentToClient(p, this));
    return true;
}

TControl* FindDragTarget(POINT ScreenPos, bool AllowDisabled) {
    TWinControl* window = TWinControl::FindVCLWindow(::WindowFromPoint(ScreenPos));
    if (!window) return nullptr;
    POINT p = window->ScreenToClient(ScreenPos);
    TControl* deeper = window->ControlAtPos(p, AllowDisabled, false, true);
    return deeper ? deeper : window;
}

// ---- hit tests, cancel mode and the cursor ----

void TWinControl::HandleNcHitTest(TMessage& m) {
    DefaultHandler(m);
    if (m.Result != HTCLIENT && m.Result != HTTRANSPARENT) return;
    // The control answers for its client area; a transparent answer still hits where a
    // windowless child lies.
    POINT p = ScreenToClient(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    LRESULT answer = SendPointMessage(this, CM_HITTEST, 0, p);
    if (answer == HTTRANSPARENT && ControlAtPos(p, false)) answer = HTCLIENT;
    m.Result = answer == 0 ? HTNOWHERE : answer;
}

void TWinControl::HandleCancelMode() {
    if (gCaptureControl && gCaptureControl->Parent() == this) {
        TControl* c = gCaptureControl;
        gCaptureControl = nullptr;
        c->Perform(CM_CANCELMODE);
    }
    if (FHandle && ::GetCapture() == FHandle) ::ReleaseCapture();
}

TCursor TWinControl::DefaultCursorAt(POINT ClientPos) {
    for (TControl* c = ControlAtPos(ClientPos, false, false, true); c && c != this; c = c->Container())
        if (c->Cursor() != crDefault) return c->Cursor();
    return Cursor();
}

void TWinControl::HandleSetCursor(TMessage& m) {
    if (reinterpret_cast<HWND>(m.WParam) == FHandle && LOWORD(m.LParam) == HTCLIENT) {
        TCursor cursor = Screen()->Cursor();
        if (cursor == crDefault) {
            POINT p;
            ::GetCursorPos(&p);
            cursor = DefaultCursorAt(ScreenToClient(p));
        }
        if (cursor != crDefault) {
            ::SetCursor(Screen()->Cursors(cursor));
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

} // namespace vell::tk
