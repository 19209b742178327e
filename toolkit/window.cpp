// A windowed control's window: its creation and destruction, the window procedure that
// delivers window messages to the control, the control's own handling of them, bounds
// kept in step with the window, and showing.
#include "toolkit/accessible.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/system_prefs.h"

#include <windowsx.h>

#include <algorithm>
#include <unordered_map>

namespace vell::tk {

namespace {
std::unordered_map<HWND, TWinControl*>& windowMap() {
    static std::unordered_map<HWND, TWinControl*> m;
    return m;
}
// The control whose window is being created on this thread (messages sent during
// CreateWindowEx arrive before the handle is known).
thread_local TWinControl* tCreating = nullptr;
} // namespace

const ClassInfo& TWinControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TWinControl>("TWinControl", &TControl::StaticClass())
            .ord("DoubleBuffered", BooleanType(), &TWinControl::DoubleBuffered,
                 &TWinControl::SetDoubleBuffered)
            .obj("Padding", ClassTypeOf<TMargins>(), &TWinControl::Padding, &TWinControl::SetPadding)
            .ord("ParentBackground", BooleanType(), &TWinControl::ParentBackground,
                 &TWinControl::SetParentBackground)
            .ord("ParentDoubleBuffered", BooleanType(), &TWinControl::ParentDoubleBuffered,
                 &TWinControl::SetParentDoubleBuffered, 1)
            .ord("TabOrder", IntegerType(), &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
            .ord("TabStop", BooleanType(), &TWinControl::TabStop, &TWinControl::SetTabStop, 0)
            .event("OnEnter", &TWinControl::OnEnter)
            .event("OnExit", &TWinControl::OnExit)
            .event("OnKeyDown", &TWinControl::OnKeyDown)
            .event("OnKeyPress", &TWinControl::OnKeyPress)
            .event("OnKeyUp", &TWinControl::OnKeyUp)
            .build();
    return info;
}

TWinControl* TWinControl::FindControl(HWND Wnd) {
    if (!Wnd) return nullptr;
    auto& m = windowMap();
    auto it = m.find(Wnd);
    return it == m.end() ? nullptr : it->second;
}

TWinControl* TWinControl::FindVCLWindow(HWND Wnd) {
    for (; Wnd; Wnd = ::GetParent(Wnd))
        if (TWinControl* c = FindControl(Wnd)) return c;
    return nullptr;
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle) return;
    if (FParent) FParent->HandleNeeded();
    if (!FHandle) CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Caption = Text();
    Params.Style = FParent ? (WS_CHILD | WS_CLIPSIBLINGS) : WS_POPUP;
    if (FControlStyle & csAcceptsControls) Params.Style |= WS_CLIPCHILDREN;
    if (FParent && Visible()) Params.Style |= WS_VISIBLE;
    if (!Enabled()) Params.Style |= WS_DISABLED;
    if (FTabStop) Params.Style |= WS_TABSTOP;
    Params.X = FLeft, Params.Y = FTop, Params.Width = FWidth, Params.Height = FHeight;
    Params.ClassCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    Params.WinClassName = std::u16string(ClassName().begin(), ClassName().end());
}

HWND TWinControl::CreationParentWindow() {
    return FParent ? FParent->Handle() : FParentWindow;
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    params.WndParent = CreationParentWindow();
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof(existing)};
    if (!::GetClassInfoExW(inst, text::wcs(params.WinClassName), &existing)) {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.style = params.ClassStyle;
        wc.lpfnWndProc = &TWinControl::WindowProcedure;
        wc.hInstance = inst;
        wc.hCursor = params.ClassCursor;
        wc.lpszClassName = text::wcs(params.WinClassName);
        if (!::RegisterClassExW(&wc)) throw EInvalidOperation("Cannot register window class " + ClassName());
    }
    CreateWindowHandle(params);
    if (!FHandle) throw EInvalidOperation("Error creating window for " + ClassName());
    // A new window does not land in z-order by itself.
    if (FParent && (params.Style & WS_CHILD)) FParent->PlaceChildWindow(this);
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    TWinControl* saved = tCreating;
    tCreating = this;
    HWND wnd = ::CreateWindowExW(Params.ExStyle, text::wcs(Params.WinClassName), text::wcs(Params.Caption),
                                 Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                                 Params.WndParent, nullptr, ::GetModuleHandleW(nullptr), Params.Param);
    tCreating = saved;
    if (wnd && !FHandle) {
        FHandle = wnd;
        windowMap()[wnd] = this;
    }
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd() {
    FreeDeviceContexts();
    FControlState |= csDestroyingHandle;
    DestroyWindowHandle();
    FControlState &= ~csDestroyingHandle;
}

void TWinControl::DestroyWindowHandle() {
    HWND wnd = FHandle;
    if (!wnd) return;
    if (TControl* capture = GetCaptureControl(); capture && capture != this && capture->Parent() == this)
        SetCaptureControl(nullptr);
    ::DestroyWindow(wnd);
    windowMap().erase(wnd);
    FHandle = nullptr;
    FShowing = false;
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    DestroyHandle();
    UpdateShowing();
}

LRESULT CALLBACK TWinControl::WindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWinControl* c = FindControl(Wnd);
    if (c && Msg == CM_RELEASE) {
        // A released form goes now, outside any of its own message handling.
        Free(c);
        return 0;
    }
    if (!c && tCreating && !tCreating->FHandle) {
        c = tCreating;
        c->FHandle = Wnd;
        windowMap()[Wnd] = c;
    }
    if (!c) return ::DefWindowProcW(Wnd, Msg, WParam, LParam);
    TMessage m{Msg, WParam, LParam, 0};
    try {
        c->Perform(m);
    } catch (const std::exception& e) {
        // Nothing escapes a window procedure.
        if (TApplication* app = CurrentApplication())
            app->HandleException(e);
        else
            ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("unknown exception in a window procedure");
    }
    if (Msg == WM_NCDESTROY) {
        windowMap().erase(Wnd);
        if (c->FHandle == Wnd) c->FHandle = nullptr;
    }
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (FHandle && m.Msg < WM_USER) m.Result = ::DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam);
}

void TWinControl::WndProc(TMessage& m) {
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
        if (m.Msg == WM_MOUSEWHEEL) {
            HandleWheelMessage(m);
            return;
        }
        if (m.Msg == WM_MOUSEMOVE) TrackMouse(MessagePoint(this, m));
        if (m.Msg != WM_MOUSEHWHEEL && DefaultRouteMouse(m)) return;
        TControl::WndProc(m);
        return;
    }
    if (HandleKeyMessage(m)) return;
    switch (m.Msg) {
    case WM_MOUSELEAVE:
        MouseLeftWindow();
        break;
    case WM_PAINT:
        DefaultPaint(m);
        return;
    case WM_ERASEBKGND:
        ToolkitHooks().EraseBackground(this, reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return;
    case WM_PRINTCLIENT: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        if (m.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, m.WParam);
        if (m.LParam & PRF_CLIENT) Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
        return;
    }
    case WM_NCHITTEST:
        HandleNcHitTest(m);
        return;
    case WM_SETCURSOR:
        HandleSetCursor(m);
        return;
    case WM_CANCELMODE:
        HandleCancelMode();
        break;
    case WM_WINDOWPOSCHANGING:
        HandleWindowPosChanging(m);
        break;
    case WM_WINDOWPOSCHANGED: {
        if (!FSettingBounds) UpdateBoundsFromWindow();
        auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        if (wp && (wp->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) CheckShowing();
        break;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(m.LParam) != FHandle) {
            TControl* capture = GetCaptureControl();
            if (capture && capture != this && capture->Parent() == this) SetCaptureControl(nullptr);
        }
        break;
    case WM_SETFOCUS:
        if (TCustomForm* f = GetParentForm(this)) f->FocusedControlChanged(this);
        NotifyAccessibleEvent(this, EVENT_OBJECT_FOCUS);
        break;
    case WM_GETOBJECT:
        if (AnswerGetObject(this, m)) return;
        break;
    case WM_KILLFOCUS:
        break;
    case WM_SYSCOMMAND:
        // The keyboard's menu access goes to the form first (and from there to the application).
        if ((m.WParam & 0xFFF0) == SC_KEYMENU && !dynamic_cast<TCustomForm*>(this))
            if (TCustomForm* f = GetParentForm(this);
                f && f->Perform(CM_APPSYSCOMMAND, 0, reinterpret_cast<LPARAM>(&m)))
                return;
        break;
    case WM_SYSCOLORCHANGE:
        // A scheme switched by the system reaches the top windows in turn: the first one
        // to read the new preferences repaints every form.
        RefreshSystemPrefs();
        NotifyControls(CM_SYSCOLORCHANGE);
        break;
    case WM_SETTINGCHANGE: // also WM_WININICHANGE
        RefreshSystemPrefs();
        NotifyControls(CM_WININICHANGE, m.WParam, m.LParam);
        break;
    case WM_FONTCHANGE:
        NotifyControls(CM_FONTCHANGE);
        break;
    case WM_TIMECHANGE:
        NotifyControls(CM_TIMECHANGE);
        break;
    case CM_SYSCOLORCHANGE:
    case CM_WININICHANGE:
    case CM_FONTCHANGE:
    case CM_TIMECHANGE:
    case CM_SYSFONTCHANGED:
        NotifyControls(m.Msg, m.WParam, m.LParam);
        break;
    case CM_FONTCHANGED:
        NotifyControls(CM_PARENTFONTCHANGED);
        Invalidate();
        break;
    case CM_COLORCHANGED:
        NotifyControls(CM_PARENTCOLORCHANGED);
        Invalidate();
        break;
    case CM_BIDIMODECHANGED:
        NotifyControls(CM_PARENTBIDIMODECHANGED);
        break;
    case CM_SHOWHINTCHANGED:
        NotifyControls(CM_PARENTSHOWHINTCHANGED);
        break;
    case CM_TEXTCHANGED:
        if (FHandle) ::SetWindowTextW(FHandle, text::wcs(Text()));
        break;
    case CM_VISIBLECHANGED:
        UpdateShowing();
        break;
    case CM_ENABLEDCHANGED:
        if (FHandle) ::EnableWindow(FHandle, Enabled());
        break;
    case CM_TABSTOPCHANGED:
        if (FHandle) {
            LONG style = ::GetWindowLongW(FHandle, GWL_STYLE);
            style = FTabStop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
            ::SetWindowLongW(FHandle, GWL_STYLE, style);
        }
        break;
    case CM_ENTER:
        DoEnter();
        break;
    case CM_EXIT:
        DoExit();
        break;
    default:
        break;
    }
    TControl::WndProc(m);
}

void TWinControl::HandleWindowPosChanging(TMessage& m) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
    if (!wp) return;
    ToolkitHooks().WindowPosChanging(this, *wp);
    if (InState(csReading) || InState(csDestroying) || (wp->flags & SWP_NOSIZE)) return;
    // The size limits hold for the window too: a size they refuse becomes no size change.
    int w = wp->cx, h = wp->cy;
    const bool moves = !(wp->flags & SWP_NOMOVE);
    ApplyConstraints(moves ? wp->x : FLeft, moves ? wp->y : FTop, w, h);
    if (w == wp->cx && h == wp->cy) return;
    RECT r;
    ::GetWindowRect(FHandle, &r);
    if (w == r.right - r.left && h == r.bottom - r.top) {
        wp->flags |= SWP_NOSIZE;
    } else {
        wp->cx = w;
        wp->cy = h;
    }
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!FHandle) return;
    RECT r;
    ::GetWindowRect(FHandle, &r);
    if (HWND parent = ::GetParent(FHandle); parent && (::GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
    bool resized = w != FWidth || h != FHeight;
    bool moved = r.left != FLeft || r.top != FTop;
    if (!resized && !moved) return;
    FLeft = r.left, FTop = r.top, FWidth = w, FHeight = h;
    UpdateAnchorRules();
    RequestAlign();
    if (resized) {
        Realign();
        if (!InState(csLoading)) Resize();
    }
    ToolkitHooks().BoundsChanged(this, moved, resized);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    ApplyConstraints(ALeft, ATop, AWidth, AHeight);
    bool moved = ALeft != FLeft || ATop != FTop;
    bool resized = AWidth != FWidth || AHeight != FHeight;
    if (!moved && !resized) return;
    FLeft = ALeft, FTop = ATop, FWidth = AWidth, FHeight = AHeight;
    if (FHandle) {
        FSettingBounds = true;
        ::SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        FSettingBounds = false;
    }
    UpdateAnchorRules();
    if (!FParent || !(FParent->ControlState() & csAligning))
        FExplicitBounds = RECT{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
    RequestAlign();
    if (resized) {
        Realign();
        if (!InState(csLoading)) Resize();
    }
    ToolkitHooks().BoundsChanged(this, moved, resized);
}

RECT TWinControl::GetClientRect() const {
    RECT r{0, 0, FWidth, FHeight};
    if (FHandle) {
        ::GetClientRect(FHandle, &r);
        return r;
    }
    // Without a window: the size less the frame the window would get.
    TCreateParams p;
    const_cast<TWinControl*>(this)->CreateParams(p);
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, p.Style & ~WS_VISIBLE, FALSE, p.ExStyle);
    r.right = std::max<LONG>(0, FWidth - (frame.right - frame.left));
    r.bottom = std::max<LONG>(0, FHeight - (frame.bottom - frame.top));
    return r;
}

POINT TWinControl::GetClientOrigin() const {
    if (FHandle) {
        POINT p{0, 0};
        ::ClientToScreen(FHandle, &p);
        return p;
    }
    if (!Container()) return POINT{FLeft, FTop};
    return TControl::GetClientOrigin();
}

bool TWinControl::IsShowing() const {
    if (!Visible()) return false;
    if (FParent) return FParent->IsShowing();
    return FHandle && ::IsWindowVisible(FHandle);
}

void TWinControl::UpdateShowing() {
    if (!FParent) {
        if (FHandle) ::ShowWindow(FHandle, Visible() ? SW_SHOWNORMAL : SW_HIDE);
    } else if (!FHandle) {
        if (Visible() && FParent->HandleAllocated()) HandleNeeded();
    } else {
        ::ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
    }
    CheckShowing();
}

void TWinControl::CheckShowing() {
    bool now = IsShowing();
    if (now == FShowing) return;
    FShowing = now;
    Perform(CM_SHOWINGCHANGED);
    std::vector<TControl*> list = FControls;
    for (TControl* c : list)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->CheckShowing();
}

} // namespace vell::tk
