#include "rdcontrol/hint/hint_window.h"

#include "core/color/colors.h"
#include "rdcontrol/controls/form_shadow.h"
#include "rdcontrol/controls/form_skin.h"
#include "rdcontrol/controls/html_label.h"
#include "rdcontrol/hint/skin_hint.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/accessible.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"
#include "toolkit/system_prefs.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace vell::rd {

namespace {

constexpr UINT_PTR kPollTimer = 188;      // is the mouse still over the hint?
constexpr UINT_PTR kHidePauseTimer = 988; // the hint hides itself
constexpr UINT kHideFlags = 0x297;        // SWP_HIDEWINDOW | NOACTIVATE | NOZORDER | NOMOVE | NOSIZE | NOOWNERZORDER
// More anchors than this in one hint text share the surrounding font.
constexpr int kMaxHintLinks = 256;

std::function<unsigned()> gFadeNow;
std::function<void(int)> gFadePause;

unsigned fadeNow() { return gFadeNow ? gFadeNow() : static_cast<unsigned>(::GetTickCount()); }
// The style fades the hint in and out, and the system allows client-area animation.
bool fades(const TRdSkinHint* Style) {
    return Style && Style->AlphaBlend() && Style->AlphaBlendAnimation() && tk::ClientAreaAnimation();
}

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

bool cursorIn(HWND Wnd, POINT P) {
    RECT r;
    return Wnd && ::IsWindowVisible(Wnd) && ::GetWindowRect(Wnd, &r) && ::PtInRect(&r, P);
}

RECT screenRectOf(tk::TControl* C) {
    const RECT client = C->GetClientRect();
    const POINT tl = C->ClientToScreen(POINT{client.left, client.top});
    const POINT br = C->ClientToScreen(POINT{client.right, client.bottom});
    return {tl.x, tl.y, br.x, br.y};
}

int pictureWidth(tk::TPicture* P) { return P && !P->Empty() ? P->Width() : 0; }
int pictureHeight(tk::TPicture* P) { return P && !P->Empty() ? P->Height() : 0; }

// The anchors ("<A" followed by a space or ">", any case) of a hint text.
int anchorCount(const std::u16string& Text) {
    int n = 0;
    for (size_t i = 0; i + 2 < Text.size() && n < kMaxHintLinks; ++i)
        if (Text[i] == u'<' && (Text[i + 1] == u'A' || Text[i + 1] == u'a') &&
            (Text[i + 2] == u'>' || Text[i + 2] == u' ' || Text[i + 2] == u'\t'))
            ++n;
    return n;
}

// The process is DPI-aware when the platform says so and its awareness is not the unaware
// level (both looked up at run time: older systems lack them).
bool processDpiAware() {
    static const bool aware = [] {
        using IsAwareFn = BOOL(WINAPI*)();
        using GetAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
        auto isAware = reinterpret_cast<IsAwareFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
        if (!isAware || !isAware()) return false;
        HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
        if (!shcore) return true;
        auto get = reinterpret_cast<GetAwarenessFn>(
            reinterpret_cast<void*>(::GetProcAddress(shcore, "GetProcessDpiAwareness")));
        int level = 1;
        if (get && FAILED(get(nullptr, &level))) level = 1;
        ::FreeLibrary(shcore);
        return level != 0;
    }();
    return aware;
}

// The system scales Wnd's monitor for this process (an unaware process on a monitor whose
// rectangle differs from its display mode).
bool smoothScaled(HWND Wnd) {
    if (!Wnd || processDpiAware()) return false;
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) return false;
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    if (!::EnumDisplaySettingsW(mi.szDevice, ENUM_CURRENT_SETTINGS, &mode)) return false;
    return hint::MonitorScaled(mi.rcMonitor.right - mi.rcMonitor.left, mi.rcMonitor.bottom - mi.rcMonitor.top,
                               static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight));
}

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

// ---- content ----

RECT TRdSkinHintWindow::CalcHintRect(int MaxWidth, const std::u16string& AHint, void*) {
    tk::TApplication* app = tk::CurrentApplication();
    tk::TControl* control = !FDirect && app ? app->HintControl() : nullptr;
    if (control)
        if (TRdSkinHint* s = SkinHintOf(control)) SetStyle(s);
    TRdSkinHint* style = ActiveStyle();
    std::u16string text = AHint;
    int maxW = style ? style->MaxWidth() : std::min(MaxWidth, DefaultHintMaxWidth);
    int maxH = style ? style->MaxHeight() : 0;
    if (style) {
        style->DoBeforeCalcHint(control, this, text, maxH, maxW);
        ArrowHorz = style->ArrowOption()->ArrowHorzMode();
    }
    FTitle.clear();
    if (const size_t at = text.find(u"##"); at != std::u16string::npos) {
        FTitle = text.substr(0, at);
        text = text.substr(at + 2);
    }
    FHint = text;
    FNowMaxWidth = maxW;
    FNowMaxHeight = maxH;
    const SIZE size = LayContent(maxW, maxH);
    return RECT{0, 0, size.cx, size.cy};
}

SIZE TRdSkinHintWindow::LayContent(int MaxWidth, int MaxHeight) {
    TRdSkinHint* style = ActiveStyle();
    // The control shown instead of the text: the one given for this hint, else the style's.
    tk::TControl* shown = FTempTextControl ? FTempTextControl : style ? style->TextControl() : nullptr;
    if (shown == this || shown == FHtmLabel || dynamic_cast<tk::TCustomForm*>(shown)) shown = nullptr;
    for (int i = ControlCount() - 1; i >= 0; --i)
        if (tk::TControl* c = Controls(i); c != FHtmLabel && c != shown && c->Owner() != this) c->SetVisible(false);
    if (shown) {
        if (shown->Parent() != this) {
            shown->SetParent(this);
            shown->SetBounds(0, 0, shown->Width(), shown->Height());
        }
        shown->BringToFront();
        shown->SetVisible(true);
        if (FHtmLabel) FHtmLabel->SetVisible(false);
        int w = 0, h = 0;
        for (int i = 0; i < ControlCount(); ++i)
            if (tk::TControl* c = Controls(i); c->Visible()) {
                w = std::max(w, c->Left() + c->Width());
                h = std::max(h, c->Top() + c->Height());
            }
        if (MaxHeight > 0) h = std::min(h, MaxHeight);
        return SIZE{w, h};
    }
    if (!FHtmLabel) return SIZE{0, 0};
    FHtmLabel->SetVisible(true);
    const int tx = style ? style->TextX() : 3, ty = style ? style->TextY() : 3;
    FHtmLabel->LinkItems()->Clear();
    if (style) {
        FHtmLabel->Font()->Assign(style->Font());
        // Every link of the text takes the style's link font, cursor and click.
        for (int i = anchorCount(FHint); i > 0; --i) {
            TRdHtmLabelLink* link = FHtmLabel->LinkItems()->Add();
            link->Font()->Assign(style->FontLink());
            link->SetCursor(style->LinkCursor());
            link->OnClick = style->OnLinkClick;
        }
    } else {
        FHtmLabel->Font()->Assign(tk::Screen()->HintFont());
    }
    FHtmLabel->TextBorder()->SetValue(tx, ty, tx, ty);
    FHtmLabel->SetAlignment(tk::taLeftJustify);
    FHtmLabel->SetAutoSize(false);
    const int width = std::max(MaxWidth, 2 * tx + 1);
    FHtmLabel->SetBounds(0, 0, width, 10);
    FHtmLabel->Constraints()->SetMaxWidth(width);
    FHtmLabel->SetCaption(FHint);
    FHtmLabel->SetAutoSize(true);
    FHtmLabel->AdjustBounds();
    if (style) FHtmLabel->SetAlignment(style->TextAlign());
    int w = FHtmLabel->Width(), h = FHtmLabel->Height();
    if (MaxHeight > 0) h = std::min(h, MaxHeight);
    return SIZE{w, h};
}

void TRdSkinHintWindow::ResetTipFormParams() {
    for (int i = ControlCount() - 1; i >= 0; --i)
        if (tk::TControl* c = Controls(i); c != FHtmLabel && c->Owner() != this) {
            c->SetVisible(false);
            c->SetParent(nullptr);
        }
    SetTextControl(nullptr);
    ArrowOffX = ArrowOffY = 0;
    ArrowHorz = FRdSkinHint && FRdSkinHint->ArrowOption()->ArrowHorzMode();
    if (!WindowVisible()) {
        FHint.clear();
        FTitle.clear();
    }
}

// ---- the form skin: the background's margins and the arrow on its shadow layer ----

void TRdSkinHintWindow::ConfigureFormSkin() {
    TRdFormSkin* fs = FFormShadow;
    if (!fs) return;
    TRdSkinHint* style = ActiveStyle();
    if (!SkinnedLook()) {
        fs->ShadowFrame()->SetEnabled(false);
        fs->EllipseSize()->SetSize(0, 0);
        return;
    }
    const TRdSkinHintBkgOption& o = *style->BackgroundOption();
    try {
        fs->SetPicShadow(style->BackgroundImage()); // shares the picture's pixels
    } catch (const std::exception&) {
        // A picture the form skin cannot take: the hint shows without its shadow layer.
        fs->ShadowFrame()->SetEnabled(false);
        return;
    }
    // The frame only: the window shows the middle.
    TRdFormSkinBkgOpt frame;
    frame.CopyFrom(o);
    frame.SetStretchMode(design::sdmFrame);
    fs->SetPicShadowOption(&frame);
    TShadowFrame& sf = *fs->ShadowFrame();
    sf.SetLeft(o.ShadowMargin(0));
    sf.SetTop(o.ShadowMargin(1));
    sf.SetRight(o.ShadowMargin(2));
    sf.SetBottom(o.ShadowMargin(3));
    fs->EllipseSize()->SetEllipse(o.EllipseMode());
    fs->EllipseSize()->SetSize(o.EllipseWidth(), o.EllipseHeight());
    sf.SetEnabled(true);
}

void TRdSkinHintWindow::ShadowPaintBegin() {
    // On a monitor the system scales, an opaque hint's shadow margins are one pixel larger:
    // the scaled frame then meets the scaled window without a seam.
    TRdSkinHint* style = ActiveStyle();
    FMarginsGrown = FFormShadow && style && FWindowSmoothScaled && style->BackgroundOption()->ShadowFrameFixDPI() &&
                    FShared->Alpha >= 255;
    if (!FMarginsGrown) return;
    TRdFormSkinBkgOpt& o = *FFormShadow->PicShadowOption();
    o.SetValue(o.Left() + 1, o.Top() + 1, o.Right() + 1, o.Bottom() + 1);
}

void TRdSkinHintWindow::ShadowPaintEnd() {
    if (FMarginsGrown && FFormShadow) {
        TRdFormSkinBkgOpt& o = *FFormShadow->PicShadowOption();
        o.SetValue(o.Left() - 1, o.Top() - 1, o.Right() - 1, o.Bottom() - 1);
    }
    FMarginsGrown = false;
    TRdSkinHint* style = ActiveStyle();
    if (!style || !FPlacement.ArrowShown || !FFormShadow || !FFormShadow->ShadowCanvas()) return;
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
    if (!arrow || arrow->Empty()) return;
    const hint::Box& a = FPlacement.Arrow;
    DrawDesignGraphic(nullptr, arrow->Graphic(), RECT{a.Left, a.Top, a.Right, a.Bottom},
                      FFormShadow->ShadowCanvas()->Handle(), nullptr);
}

// ---- placement ----

void TRdSkinHintWindow::Place(const RECT& C) {
    TRdSkinHint* style = ActiveStyle();
    if (!SkinnedLook() || !style) {
        // The plain look keeps the framework's place.
        FPlacement = hint::Placement{};
        FPlacement.Body = {Left(), Top(), Left() + Width(), Top() + Height()};
        if (FHtmLabel && FHtmLabel->Visible()) FHtmLabel->SetBounds(0, 0, Width(), Height());
        if (FFormShadow) FFormShadow->ApplyRegion();
        return;
    }
    tk::TApplication* app = tk::CurrentApplication();
    tk::TControl* control = !FDirect && app ? app->HintControl() : nullptr;
    const TRdSkinHintArrowOption& arrows = *style->ArrowOption();
    const TRdSkinHintBkgOption& bkg = *style->BackgroundOption();
    hint::PlacementInput in;
    in.Control = {C.left, C.top, C.right, C.bottom};
    const POINT centre{(C.left + C.right) / 2, (C.top + C.bottom) / 2};
    RECT wa = tk::Screen()->WorkAreaRectAt(centre);
    tk::TCustomForm* form = control ? tk::GetParentForm(control) : nullptr;
    if (form && !form->HandleAllocated()) form = nullptr;
    // Kept inside the control's form: its client area on the screen.
    if (arrows.InnerShow() && form) wa = screenRectOf(form);
    in.WorkArea = {wa.left, wa.top, wa.right, wa.bottom};
    // The reference point: the centre of the control's form, or of the work area.
    RECT ref = wa;
    if (form) ::GetWindowRect(form->Handle(), &ref);
    in.ReferenceX = (ref.left + ref.right) / 2;
    in.ReferenceY = (ref.top + ref.bottom) / 2;
    in.BodyWidth = Width();
    in.BodyHeight = Height();
    const RECT sf = ShadowMargins();
    in.ShadowFrame = {sf.left, sf.top, sf.right, sf.bottom};
    in.Arrows = {pictureWidth(style->ArrowImageUp()),   pictureHeight(style->ArrowImageUp()),
                 pictureWidth(style->ArrowImageDown()), pictureHeight(style->ArrowImageDown()),
                 pictureWidth(style->ArrowImageLeft()), pictureHeight(style->ArrowImageLeft()),
                 pictureWidth(style->ArrowImageRight()), pictureHeight(style->ArrowImageRight())};
    in.ShowArrow = arrows.ShowArrow();
    in.Centred = style->HintPosition() == HP_Center;
    in.ArrowAutoUp = arrows.ArrowAutoUp();
    in.ArrowAutoDown = arrows.ArrowAutoDown();
    in.TipLeftOffX = bkg.TipLeftOffX();
    in.TipRightOffX = bkg.TipRightOffX();
    in.TipUpOffY = bkg.TipUpOffY();
    in.TipDownOffY = bkg.TipDownOffY();
    in.ArrowOffsetUpY = arrows.ArrowOffsetUpY();
    in.ArrowOffsetDownY = arrows.ArrowOffsetDownY();
    in.ArrowOffsetLeftX = arrows.ArrowOffsetLeftX();
    in.ArrowOffsetRightX = arrows.ArrowOffsetRightX();

    // The style (a label narrows the rectangle to its text) and its handler may move the
    // control's rectangle, change the text and choose the quarter.
    const int q = hint::QuadrantOf(in.Control, in.ReferenceX, in.ReferenceY);
    int posType = in.Centred ? -q : q;
    int x = C.left, y = C.top, w = C.right - C.left, h = C.bottom - C.top;
    std::u16string text = FHint;
    style->DoCalcPosHint(control, this, posType, x, y, w, h, text);
    if (!ActiveStyle()) return; // the handler let the style go
    in.Control = {x, y, x + std::max(w, 0), y + std::max(h, 0)};
    if (posType != 0 && std::abs(posType) <= 4) {
        in.Quadrant = std::abs(posType);
        in.Centred = posType < 0;
    }
    if (text != FHint) {
        FHint = text;
        const SIZE size = LayContent(FNowMaxWidth, FNowMaxHeight);
        in.BodyWidth = size.cx;
        in.BodyHeight = size.cy;
    }
    in.HorizontalArrows = ArrowHorz;
    in.ArrowOffX = ArrowOffX;
    in.ArrowOffY = ArrowOffY;
    FPlacement = hint::Place(in);
    const hint::Box& a = FPlacement.Arrow;
    style->ArrowOption()->SetMeasured(a.Width(), a.Height());
    const hint::Box& body = FPlacement.Body;
    SetBounds(body.Left, body.Top, body.Width(), body.Height());
    if (FHtmLabel && FHtmLabel->Visible()) FHtmLabel->SetBounds(0, 0, body.Width(), body.Height());
    if (FFormShadow) FFormShadow->ApplyRegion();
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

// ---- showing and fading ----

void TRdSkinHintWindow::ApplyAlpha(int Alpha) {
    const bool wasOpaque = FShared->Alpha >= 255;
    FShared->Alpha = Alpha;
    SetAlphaBlend(true);
    SetAlphaBlendValue(static_cast<uint8_t>(std::clamp(Alpha, 0, 255)));
    // The shadow's margins depend on opacity on a scaled monitor.
    if (FWindowSmoothScaled && wasOpaque != (Alpha >= 255) && WindowVisible() && FFormShadow)
        FFormShadow->Refresh();
}

void TRdSkinHintWindow::ShowAnimated() {
    TRdSkinHint* style = FRdSkinHint;
    HWND wnd = Handle();
    FWindowSmoothScaled = smoothScaled(wnd);
    const int target = style ? (style->AlphaBlend() ? style->AlphaBlendValue() : 255) : 255;
    const bool fading = fades(style) && style->AlphaBlendAnimationTimes() > 0 &&
                        !(FWindowSmoothScaled && style->BackgroundOption()->ShadowFrameFixDPI());
    FShared->NowShow = 1;
    const int times = style ? style->AlphaBlendAnimationTimes() : 10;
    const int interval = style ? style->AlphaBlendAnimationInterval() : 30;
    FShared->Step = hint::FadeStep(target, times);
    FShared->Interval = interval;
    int alpha = fading ? FShared->Alpha.load() : target;
    ApplyAlpha(alpha);
    // A layer that becomes visible now draws itself; one already shown needs this hint's
    // arrow.
    TRdFormShadowBg* layer = FFormShadow ? FFormShadow->FormShadowBg() : nullptr;
    const bool layerShown = layer && layer->ShadowVisible();
    InitVisible(true);
    ::SetWindowPos(wnd, HWND_TOPMOST, Left(), Top(), Width(), Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (SkinnedLook() && layerShown) FFormShadow->Refresh();
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

// ---- hiding ----

void TRdSkinHintWindow::HideRequest() {
    if (FShared->NowShow <= 0) return;
    FShared->NowShow = 0;
    TRdSkinHint* style = FRdSkinHint;
    if (fades(style) && FShowHideThread && FShowHideThread->Running())
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
    InitVisible(false);
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

// The session ends: the worker stops (joined here) and the hint goes at once.
void TRdSkinHintWindow::EndSession() {
    FShared->NowShow = 0;
    FShowHideThread.reset();
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    HideWindowNow();
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

bool TRdSkinHintWindow::CursorOverHint() const {
    POINT p;
    if (!::GetCursorPos(&p) || !HandleAllocated()) return false;
    HWND shadow = FFormShadow && FFormShadow->FormShadowBg() && FFormShadow->FormShadowBg()->HandleAllocated()
                      ? FFormShadow->FormShadowBg()->Handle()
                      : nullptr;
    return cursorIn(const_cast<TRdSkinHintWindow*>(this)->Handle(), p) || cursorIn(shadow, p);
}

bool TRdSkinHintWindow::IsHintMsg(const MSG& Msg) {
    // The hint's own window and its shadow layer never count.
    if (HandleAllocated()) {
        HWND root = ::GetAncestor(Msg.hwnd, GA_ROOT);
        if (Msg.hwnd == Handle() || root == Handle()) return false;
        if (FFormShadow && FFormShadow->FormShadowBg() && FFormShadow->FormShadowBg()->HandleAllocated() &&
            (root == FFormShadow->FormShadowBg()->Handle() || Msg.hwnd == FFormShadow->FormShadowBg()->Handle()))
            return false;
    }
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

// ---- painting and messages ----

void TRdSkinHintWindow::PaintWindow(HDC DC) {
    const RECT client = GetClientRect();
    HBRUSH brush = ::CreateSolidBrush(SkinColorToRGB(Color()) & 0xFFFFFF);
    ::FillRect(DC, &client, brush);
    ::DeleteObject(brush);
    if (!SkinnedLook()) return;
    // The picture's middle, aligned with its margins on the shadow layer around the window.
    TRdSkinHint* style = ActiveStyle();
    const TRdSkinHintBkgOption* option = style->BackgroundOption();
    if (option->StretchMode() == design::sdmFrame) return;
    const RECT sf = ShadowMargins();
    tk::TCanvas canvas;
    canvas.SetHandle(DC);
    DrawDesignGraphic(&canvas, style->BackgroundImage()->Graphic(),
                      RECT{-sf.left, -sf.top, client.right + sf.right, client.bottom + sf.bottom}, nullptr, option);
    canvas.SetHandle(nullptr);
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
