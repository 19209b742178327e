#include "toolkit/hint.h"
#include "toolkit/accessible.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::tk {

namespace {
constexpr int kTextMargin = 2;
} // namespace

// ---- TCustomHint ----

const ClassInfo& TCustomHint::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TCustomHint>("TCustomHint", &TComponent::StaticClass()).build();
    return info;
}

void TCustomHint::ShowHint(TControl* Control) {
    TApplication* app = Application();
    POINT p;
    ::GetCursorPos(&p);
    app->ShowHintFor(Control, p);
}

void TCustomHint::HideHint() {
    if (TApplication* app = CurrentApplication()) app->HideHint();
}

void TCustomHint::PaintHint(THintWindow* HintWindow) {
    if (HDC dc = HintWindow->PaintingDC()) HintWindow->PaintDefault(dc);
}

// ---- THintWindow ----

const ClassInfo& THintWindow::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<THintWindow>("THintWindow", &TCustomForm::StaticClass()).build();
    return info;
}

THintWindow::THintWindow(TComponent* AOwner) : TCustomForm(AOwner) {
    SetBorderStyle(bsNone);
    SetColor(static_cast<TColor>(0xFF000000 | COLOR_INFOBK));
    SetFont(Screen()->HintFont());
    SetParentFont(false);
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomForm::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.ClassStyle |= CS_SAVEBITS;
}

HWND THintWindow::CreationParentWindow() {
    TApplication* app = CurrentApplication();
    return app ? app->Handle() : nullptr;
}

RECT THintWindow::CalcHintRect(int MaxWidth, const std::u16string& AHint, void*) {
    RECT r{0, 0, std::max(MaxWidth, 1), 0};
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, Font()->Handle());
    ::DrawTextW(dc, text::wcs(AHint), static_cast<int>(AHint.size()), &r,
                DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    r.right += 2 * (kTextMargin + 1) + 4;
    r.bottom += 2 * (kTextMargin + 1);
    return r;
}

void THintWindow::ActivateHint(const RECT& Rect, const std::u16string& AHint) {
    SetCaption(AHint);
    // Kept on the work area of the monitor it appears on.
    RECT area = Screen()->WorkAreaRectAt(POINT{Rect.left, Rect.top});
    RECT r = Rect;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (r.right > area.right) r.left = std::max(area.left, area.right - w);
    if (r.bottom > area.bottom) r.top = std::max(area.top, area.bottom - h);
    SetBounds(r.left, r.top, w, h);
    if (FCustomHint) FCustomHint->SetHintSize(this);
    w = Width(), h = Height();
    HWND wnd = Handle();
    ::SetWindowPos(wnd, HWND_TOPMOST, r.left, r.top, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ::InvalidateRect(wnd, nullptr, TRUE);
    Screen()->ZOrderChanged();
}

void THintWindow::ActivateHintData(const RECT& Rect, const std::u16string& AHint, void*) {
    ActivateHint(Rect, AHint);
}

bool THintWindow::IsHintMsg(const MSG& Msg) {
    switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_MOUSEWHEEL:
        return true;
    default:
        return Msg.message == CM_APPKEYDOWN || Msg.message == CM_APPSYSCOMMAND;
    }
}

void THintWindow::ReleaseHandle() {
    if (HandleAllocated()) ::ShowWindow(Handle(), SW_HIDE);
}

void THintWindow::SetCustomHint(TCustomHint* Value) {
    if (FCustomHint == Value) return;
    if (FCustomHint) FCustomHint->RemoveFreeNotification(this);
    FCustomHint = Value;
    if (Value) Value->FreeNotification(this);
}

void THintWindow::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomForm::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FCustomHint) FCustomHint = nullptr;
}

void THintWindow::PaintWindow(HDC DC) {
    if (!FCustomHint) {
        PaintDefault(DC);
        return;
    }
    HDC saved = FPaintDC;
    FPaintDC = DC;
    try {
        FCustomHint->PaintHint(this);
    } catch (...) {
        FPaintDC = saved;
        throw;
    }
    FPaintDC = saved;
}

void THintWindow::PaintDefault(HDC DC) {
    RECT r = GetClientRect();
    TBrush brush;
    brush.SetColor(Color());
    ::FillRect(DC, &r, brush.Handle());
    ::InflateRect(&r, -kTextMargin, -kTextMargin);
    HGDIOBJ old = ::SelectObject(DC, Font()->Handle());
    ::SetBkMode(DC, TRANSPARENT);
    ::SetTextColor(DC, ColorToRGB(Font()->Color()));
    ::DrawTextW(DC, text::wcs(Caption()), static_cast<int>(Caption().size()), &r,
                DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(DC, old);
}

void THintWindow::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEACTIVATE:
        m.Result = MA_NOACTIVATE;
        return;
    case WM_NCHITTEST:
        m.Result = HTTRANSPARENT;
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    default:
        break;
    }
    TCustomForm::WndProc(m);
}

void THintWindow::GetAccessibleInfo(TAccessibleInfo& Info) const {
    TCustomForm::GetAccessibleInfo(Info);
    Info.Role = ROLE_SYSTEM_TOOLTIP;
}

} // namespace vell::tk
