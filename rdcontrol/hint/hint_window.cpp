#include "rdcontrol/hint/hint_window.h"

#include "core/color/colors.h"
#include "rdcontrol/controls/html_label.h"
#include "rdcontrol/hint/skin_hint.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/accessible.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"

#include <algorithm>
#include <vector>

namespace vell::rd {

namespace {

constexpr UINT_PTR kPollTimer = 188;      // is the mouse still over the hint?
constexpr UINT_PTR kHidePauseTimer = 988; // the hint hides itself
constexpr UINT kHideFlags = 0x297;        // SWP_HIDEWINDOW | NOACTIVATE | NOZORDER | NOMOVE | NOSIZE | NOOWNERZORDER

std::function<unsigned()> gFadeNow;
std::function<void(int)> gFadePause;

unsigned fadeNow() { return gFadeNow ? gFadeNow() : static_cast<unsigned>(::GetTickCount()); }
void fadePause(int ms) {
    if (gFadePause)
        gFadePause(ms);
    else
        ::Sleep(static_cast<DWORD>(ms));
}

// The windows shown with auto-hide, and the thread's message hook that hides them.
std::vector<TRdSkinHintWindow*> gAutoHide;
HHOOK gAutoHideHook = nullptr;

LRESULT CALLBACK autoHideHook(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code == HC_ACTION && WParam == PM_REMOVE) {
        const MSG& msg = *reinterpret_cast<const MSG*>(LParam);
        for (TRdSkinHintWindow* w : std::vector<TRdSkinHintWindow*>(gAutoHide))
            if (std::find(gAutoHide.begin(), gAutoHide.end(), w) != gAutoHide.end() && w->NowShowing() &&
                w->IsHintMsg(msg))
                w->HideHint();
    }
    return ::CallNextHookEx(gAutoHideHook, Code, WParam, LParam);
}

bool cursorOver(HWND Wnd) {
    POINT p;
    RECT r;
    return Wnd && ::GetCursorPos(&p) && ::GetWindowRect(Wnd, &r) && ::PtInRect(&r, p);
}

RECT screenRectOf(tk::TControl* C) {
    const RECT client = C->GetClientRect();
    const POINT tl = C->ClientToScreen(POINT{client.left, client.top});
    const POINT br = C->ClientToScreen(POINT{client.right, client.bottom});
    return {tl.x, tl.y, br.x, br.y};
}

int pictureWidth(tk::TPicture* P) { return P && !P->Empty() ? P->Width() : 0; }
int pictureHeight(tk::TPicture* P) { return P && !P->Empty() ? P->Height() : 0; }

} // namespace

const tk::ClassInfo& TRdSkinHintWindow::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdSkinHintWindow>("TRdSkinHintWindow", &tk::THintWindow::StaticClass()).build();
    return info;
}

void TRdSkinHintWindow::SetFadeClock(std::function<unsigned()> Now, std::function<void(int)> Pause) {
    gFadeNow = std::move(Now);
    gFadePause = std::move(Pause);
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
    if (FRdSkinHint) FRdSkinHint->RemoveFreeNotification(this);
}

void TRdSkinHintWindow::SetStyle(TRdSkinHint* Value) {
    if (Value == FRdSkinHint) return;
    if (FRdSkinHint) FRdSkinHint->RemoveFreeNotification(this);
    FRdSkinHint = Value;
    if (Value) Value->FreeNotification(this);
}

void TRdSkinHintWindow::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::THintWindow::Notification(AComponent, Operation);
    if (Operation != tk::TOperation::opRemove) return;
    if (AComponent == FRdSkinHint) FRdSkinHint = nullptr;
    if (AComponent == FHtmLabel) FHtmLabel = nullptr;
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

TRdSkinHint* TRdSkinHintWindow::StyleFor(tk::TControl* Control) const {
    if (TRdSkinHint* s = Control ? SkinHintOf(Control) : nullptr) return s;
    return FRdSkinHint;
}

bool TRdSkinHintWindow::WindowVisible() const {
    return HandleAllocated() && ::IsWindowVisible(const_cast<TRdSkinHintWindow*>(this)->Handle());
}

RECT TRdSkinHintWindow::CalcHintRect(int MaxWidth, const std::u16string& AHint, void*) {
    tk::TApplication* app = tk::CurrentApplication();
    if (!FDirect && app && app->HintControl()) {
        if (TRdSkinHint* s = SkinHintOf(app->HintControl())) SetStyle(s);
    }
    TRdSkinHint* style = FRdSkinHint && FRdSkinHint->Active() ? FRdSkinHint : nullptr;
    std::u16string text = AHint;
    int maxW = style ? style->MaxWidth() : std::min(MaxWidth, DefaultHintMaxWidth);
    int maxH = style ? style->MaxHeight() : 0;
    if (style) style->OnBeforeCalcHint(app ? app->HintControl() : nullptr, this, maxW, maxH, text);
    FTitle.clear();
    if (const size_t at = text.find(u"##"); at != std::u16string::npos) {
        FTitle = text.substr(0, at);
        text = text.substr(at + 2);
    }
    FHint = text;
    if (!FHtmLabel) return RECT{0, 0, 0, 0};
    const int tx = style ? style->TextX() : 3, ty = style ? style->TextY() : 3;
    if (style) {
        FHtmLabel->Font()->Assign(style->Font());
        FHtmLabel->LinkItems()->Clear();
        TRdHtmLabelLink* link = FHtmLabel->LinkItems()->Add();
        link->Font()->Assign(style->FontLink());
        link->SetCursor(style->LinkCursor());
        link->OnClick = style->OnLinkClick;
    } else {
        FHtmLabel->Font()->Assign(tk::Screen()->HintFont());
        FHtmLabel->LinkItems()->Clear();
    }
    FHtmLabel->TextBorder()->SetValue(tx, ty, tx, ty);
    FHtmLabel->SetAlignment(tk::taLeftJustify);
    FHtmLabel->SetAutoSize(false);
    FHtmLabel->SetBounds(0, 0, std::max(maxW, 2 * tx + 1), 10);
    FHtmLabel->Constraints()->SetMaxWidth(std::max(maxW, 2 * tx + 1));
    FHtmLabel->SetCaption(FHint);
    FHtmLabel->SetAutoSize(true);
    FHtmLabel->AdjustBounds();
    if (style) FHtmLabel->SetAlignment(style->TextAlign());
    int w = FHtmLabel->Width(), h = FHtmLabel->Height();
    if (maxH > 0) h = std::min(h, maxH);
    return RECT{0, 0, w, h};
}

void TRdSkinHintWindow::Place(const RECT& C) {
    TRdSkinHint* style = FRdSkinHint && FRdSkinHint->Active() ? FRdSkinHint : nullptr;
    hint::PlacementInput in;
    in.Control = {C.left, C.top, C.right, C.bottom};
    const POINT centre{(C.left + C.right) / 2, (C.top + C.bottom) / 2};
    const RECT wa = tk::Screen()->WorkAreaRectAt(centre);
    in.WorkArea = {wa.left, wa.top, wa.right, wa.bottom};
    // The reference point: the centre of the control's form, or of the work area.
    RECT ref = wa;
    if (tk::TApplication* app = tk::CurrentApplication(); app && app->HintControl() && !FDirect)
        if (tk::TCustomForm* f = tk::GetParentForm(app->HintControl()); f && f->HandleAllocated())
            ::GetWindowRect(f->Handle(), &ref);
    in.ReferenceX = (ref.left + ref.right) / 2;
    in.ReferenceY = (ref.top + ref.bottom) / 2;
    in.BodyWidth = Width();
    in.BodyHeight = Height();
    if (style) {
        in.Arrows = {pictureWidth(style->ArrowImageUp()),   pictureHeight(style->ArrowImageUp()),
                     pictureWidth(style->ArrowImageDown()), pictureHeight(style->ArrowImageDown()),
                     pictureWidth(style->ArrowImageLeft()), pictureHeight(style->ArrowImageLeft()),
                     pictureWidth(style->ArrowImageRight()), pictureHeight(style->ArrowImageRight())};
        in.ShowArrow = style->ShowArrow();
        in.HorizontalArrows = style->ArrowHorzMode();
        in.Centred = style->HintPosition() == HP_Center;
        in.ArrowAutoUp = style->ArrowAutoUp();
        in.ArrowAutoDown = style->ArrowAutoDown();
    } else {
        in.ShowArrow = false;
    }
    FPlacement = hint::Place(in);
    // Without a shadow layer around it the window itself holds the arrow: it grows by the
    // arrow on the facing edge, and its region is the body and the arrow.
    const hint::Placement& p = FPlacement;
    hint::Box body{0, 0, p.Body.Width(), p.Body.Height()};
    hint::Box window = p.Body;
    FArrowBox = {};
    if (p.ArrowShown) {
        const int aw = p.Arrow.Width(), ah = p.Arrow.Height();
        switch (p.Where) {
        case hint::Side::Below:
            window.Top -= ah;
            body = {0, ah, body.Right, body.Bottom + ah};
            FArrowBox = {p.Arrow.Left, 0, p.Arrow.Right, ah};
            break;
        case hint::Side::Above:
            window.Bottom += ah;
            FArrowBox = {p.Arrow.Left, body.Bottom, p.Arrow.Right, body.Bottom + ah};
            break;
        case hint::Side::Right:
            window.Left -= aw;
            body = {aw, 0, body.Right + aw, body.Bottom};
            FArrowBox = {0, p.Arrow.Top, aw, p.Arrow.Bottom};
            break;
        case hint::Side::Left:
            window.Right += aw;
            FArrowBox = {body.Right, p.Arrow.Top, body.Right + aw, p.Arrow.Bottom};
            break;
        }
    }
    FBodyBox = body;
    SetBounds(window.Left, window.Top, window.Width(), window.Height());
    if (FHtmLabel) FHtmLabel->SetBounds(body.Left, body.Top, body.Width(), body.Height());
    HRGN region = ::CreateRectRgn(body.Left, body.Top, body.Right, body.Bottom);
    if (p.ArrowShown) {
        HRGN arrow = ::CreateRectRgn(FArrowBox.Left, FArrowBox.Top, FArrowBox.Right, FArrowBox.Bottom);
        ::CombineRgn(region, region, arrow, RGN_OR);
        ::DeleteObject(arrow);
    }
    if (!::SetWindowRgn(Handle(), region, TRUE)) ::DeleteObject(region); // the window owns it once set
}

void TRdSkinHintWindow::ActivateHint(const RECT& Rect, const std::u16string& AHint) {
    tk::TApplication* app = tk::CurrentApplication();
    FNeedHide = false;
    if (!FShowHideThread) FShowHideThread = std::make_unique<TRdHintShowHideThread>(FShared);
    if (FHint.empty() || (AHint.find(u"##") == std::u16string::npos && AHint != FHint)) {
        const RECT r = CalcHintRect(Rect.right - Rect.left, AHint, nullptr);
        SetBounds(Rect.left, Rect.top, r.right, r.bottom);
    } else {
        SetBounds(Rect.left, Rect.top, FHtmLabel ? FHtmLabel->Width() : Rect.right - Rect.left,
                  FHtmLabel ? FHtmLabel->Height() : Rect.bottom - Rect.top);
    }
    TRdSkinHint* style = FRdSkinHint && FRdSkinHint->Active() ? FRdSkinHint : nullptr;
    SetColor(style && style->HintColor() != tk::clDefault ? style->HintColor()
                                                          : (app ? app->HintColor() : tk::clDefault));
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

void TRdSkinHintWindow::ApplyAlpha(int Alpha) {
    FShared->Alpha = Alpha;
    SetAlphaBlend(true);
    SetAlphaBlendValue(static_cast<uint8_t>(std::clamp(Alpha, 0, 255)));
}

void TRdSkinHintWindow::ShowAnimated() {
    TRdSkinHint* style = FRdSkinHint;
    const int target = style ? (style->AlphaBlend() ? style->AlphaBlendValue() : 255) : 255;
    const bool fading = style && style->AlphaBlend() && style->AlphaBlendAnimation() && style->AlphaBlendAnimationTimes() > 0;
    FShared->NowShow = 1;
    HWND wnd = Handle();
    const int times = style ? style->AlphaBlendAnimationTimes() : 10;
    const int interval = style ? style->AlphaBlendAnimationInterval() : 30;
    FShared->Step = hint::FadeStep(target, times);
    FShared->Interval = interval;
    int alpha = fading ? FShared->Alpha.load() : target;
    ApplyAlpha(alpha);
    ::SetWindowPos(wnd, HWND_TOPMOST, Left(), Top(), Width(), Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!fading) return;
    unsigned last = fadeNow();
    tk::TApplication* app = tk::CurrentApplication();
    while (alpha < target) {
        if (fadeNow() - last >= static_cast<unsigned>(interval)) {
            last = fadeNow();
            alpha = hint::FadeInNext(alpha, target, FShared->Step);
            ApplyAlpha(alpha);
        } else {
            fadePause(2);
        }
        if ((app && app->Terminated()) || !FRdSkinHint || FShared->NowShow != 1) break;
    }
}

void TRdSkinHintWindow::HideRequest() {
    if (FShared->NowShow <= 0) return;
    FShared->NowShow = 0;
    TRdSkinHint* style = FRdSkinHint;
    if (style && style->AlphaBlend() && style->AlphaBlendAnimation() && FShowHideThread && FShowHideThread->Running())
        FShowHideThread->FadeOut();
    else
        HideWindowNow();
}

void TRdSkinHintWindow::HideWindowNow() {
    if (FShared->NowShow == 1) return;
    FShared->NowShow = 0;
    if (HandleAllocated()) {
        ::KillTimer(Handle(), kPollTimer);
        ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, kHideFlags);
    }
    SetAutoHideRegistered(false);
}

void TRdSkinHintWindow::HideHint() {
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    if (!FShowHideThread) {
        FShared->NowShow = 0;
        HideWindowNow();
    } else {
        HideRequest();
    }
}

bool TRdSkinHintWindow::ShouldHideHint() {
    if (!FRdSkinHint && !WindowVisible()) return true;
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    if (WindowVisible() && FRdSkinHint && FRdSkinHint->Active()) {
        FNeedHide = true;
        if (!::SetTimer(Handle(), kPollTimer, 200, nullptr)) HideRequest();
        return false;
    }
    FShared->NowShow = 0;
    HideWindowNow();
    return true;
}

void TRdSkinHintWindow::ReleaseHandle() { (void)ShouldHideHint(); }

bool TRdSkinHintWindow::IsHintMsg(const MSG& Msg) {
    // The hint's own window never counts.
    if (HandleAllocated() && (Msg.hwnd == Handle() || ::GetAncestor(Msg.hwnd, GA_ROOT) == Handle())) return false;
    const UINT m = Msg.message;
    return m == WM_KEYDOWN || (m >= 0x102 && m <= 0x109) || m == WM_COMMAND || m == tk::CM_APPKEYDOWN ||
           m == tk::CM_APPSYSCOMMAND || (m >= 0x201 && m <= 0x20E);
}

void TRdSkinHintWindow::SetAutoHideRegistered(bool On) {
    auto it = std::find(gAutoHide.begin(), gAutoHide.end(), this);
    if (On && it == gAutoHide.end()) gAutoHide.push_back(this);
    if (!On && it != gAutoHide.end()) gAutoHide.erase(it);
    if (!gAutoHide.empty() && !gAutoHideHook)
        gAutoHideHook = ::SetWindowsHookExW(WH_GETMESSAGE, &autoHideHook, nullptr, ::GetCurrentThreadId());
    if (gAutoHide.empty() && gAutoHideHook) {
        ::UnhookWindowsHookEx(gAutoHideHook);
        gAutoHideHook = nullptr;
    }
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

void TRdSkinHintWindow::PaintWindow(HDC DC) {
    const RECT client = GetClientRect();
    TRdSkinHint* style = FRdSkinHint && FRdSkinHint->Active() ? FRdSkinHint : nullptr;
    const RECT body = FBodyBox.Width() > 0 ? RECT{FBodyBox.Left, FBodyBox.Top, FBodyBox.Right, FBodyBox.Bottom} : client;
    HBRUSH brush = ::CreateSolidBrush(SkinColorToRGB(Color()) & 0xFFFFFF);
    ::FillRect(DC, &client, brush);
    ::DeleteObject(brush);
    if (!style) return;
    tk::TCanvas canvas;
    canvas.SetHandle(DC);
    if (!style->BackgroundImage()->Empty())
        DrawDesignGraphic(&canvas, style->BackgroundImage()->Graphic(), body, nullptr, style->BackgroundOption());
    if (FPlacement.ArrowShown) {
        // The picture of the facing edge, else the other one of the pair.
        tk::TPicture* first = nullptr;
        tk::TPicture* second = nullptr;
        switch (FPlacement.Where) {
        case hint::Side::Below: first = style->ArrowImageUp(), second = style->ArrowImageDown(); break;
        case hint::Side::Above: first = style->ArrowImageDown(), second = style->ArrowImageUp(); break;
        case hint::Side::Right: first = style->ArrowImageLeft(), second = style->ArrowImageRight(); break;
        case hint::Side::Left: first = style->ArrowImageRight(), second = style->ArrowImageLeft(); break;
        }
        tk::TPicture* arrow = first && !first->Empty() ? first : second;
        if (arrow && !arrow->Empty())
            canvas.StretchDraw(RECT{FArrowBox.Left, FArrowBox.Top, FArrowBox.Right, FArrowBox.Bottom}, arrow->Graphic());
    }
    canvas.SetHandle(nullptr);
}

void TRdSkinHintWindow::WndProc(tk::TMessage& m) {
    if (m.Msg == WM_TIMER && (m.WParam == kPollTimer || m.WParam == kHidePauseTimer)) {
        if (m.WParam == kHidePauseTimer) {
            ::KillTimer(Handle(), kHidePauseTimer);
            if (ShouldHideHint()) HideWindowNow();
        } else if (!cursorOver(Handle())) {
            ::KillTimer(Handle(), kPollTimer);
            if (FNeedHide) HideRequest();
        }
        m.Result = 0;
        return;
    }
    if (m.Msg == WM_ACTIVATEAPP && m.WParam == 0 && AutoHide) HideHint();
    tk::THintWindow::WndProc(m);
}

void TRdSkinHintWindow::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    tk::THintWindow::GetAccessibleInfo(Info);
    if (FHtmLabel) Info.Name = FHtmLabel->PlainText();
}

} // namespace vell::rd
