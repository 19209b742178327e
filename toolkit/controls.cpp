#include "toolkit/controls.h"
#include "core/component/reader.h"
#include "platform/win/handles.h"

#include <windowsx.h>

#include <algorithm>
#include <unordered_map>

namespace vell::tk {

namespace {

TControl* gCaptureControl = nullptr;
TToolkitHooks gDefaultHooks;
TToolkitHooks* gHooks = &gDefaultHooks;
std::vector<TControlCanvas*> gCanvasesWithDC;

std::unordered_map<HWND, TWinControl*>& windowMap() {
    static std::unordered_map<HWND, TWinControl*> m;
    return m;
}
thread_local TWinControl* tCreating = nullptr;

bool isMouseMessage(UINT msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK && msg != WM_MOUSEWHEEL;
}

LPARAM pointParam(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

} // namespace

TToolkitHooks& ToolkitHooks() { return *gHooks; }
void SetToolkitHooks(TToolkitHooks* Hooks) { gHooks = Hooks ? Hooks : &gDefaultHooks; }

void TToolkitHooks::InvalidateWindow(TWinControl* Control, HWND Wnd, const RECT* Rect, bool Erase) {
    ::InvalidateRect(Wnd, Rect, Erase);
}

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

TControl* GetCaptureControl() {
    TWinControl* owner = TWinControl::FindControl(::GetCapture());
    if (owner && gCaptureControl && gCaptureControl->Parent() == owner) return gCaptureControl;
    return owner;
}

void SetCaptureControl(TControl* Control) {
    gCaptureControl = nullptr;
    if (!Control) {
        ::ReleaseCapture();
        return;
    }
    auto* win = dynamic_cast<TWinControl*>(Control);
    if (!win) {
        win = Control->Parent();
        if (!win) {
            ::ReleaseCapture();
            return;
        }
        gCaptureControl = Control;
    }
    if (win->HandleAllocated()) ::SetCapture(win->Handle());
}

// ---- TSizeConstraints ----

const ClassInfo& TSizeConstraints::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TSizeConstraints>("TSizeConstraints", &TPersistent::StaticClass())
            .ord("MaxHeight", IntegerType(), &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight, 0)
            .ord("MaxWidth", IntegerType(), &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth, 0)
            .ord("MinHeight", IntegerType(), &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight, 0)
            .ord("MinWidth", IntegerType(), &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth, 0)
            .build();
    return info;
}

// A maximum below the minimum raises the minimum's partner: limits never contradict.
void TSizeConstraints::SetMaxHeight(int v) {
    if (v == FMaxHeight) return;
    FMaxHeight = std::max(v, 0);
    if (FMaxHeight > 0 && FMaxHeight < FMinHeight) FMinHeight = FMaxHeight;
    Change();
}
void TSizeConstraints::SetMaxWidth(int v) {
    if (v == FMaxWidth) return;
    FMaxWidth = std::max(v, 0);
    if (FMaxWidth > 0 && FMaxWidth < FMinWidth) FMinWidth = FMaxWidth;
    Change();
}
void TSizeConstraints::SetMinHeight(int v) {
    if (v == FMinHeight) return;
    FMinHeight = std::max(v, 0);
    if (FMaxHeight > 0 && FMinHeight > FMaxHeight) FMaxHeight = FMinHeight;
    Change();
}
void TSizeConstraints::SetMinWidth(int v) {
    if (v == FMinWidth) return;
    FMinWidth = std::max(v, 0);
    if (FMaxWidth > 0 && FMinWidth > FMaxWidth) FMaxWidth = FMinWidth;
    Change();
}
void TSizeConstraints::Assign(const TPersistent* Source) {
    auto* s = dynamic_cast<const TSizeConstraints*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FMinHeight = s->FMinHeight;
    FMaxHeight = s->FMaxHeight;
    FMinWidth = s->FMinWidth;
    FMaxWidth = s->FMaxWidth;
    Change();
}
void TSizeConstraints::Change() {
    if (OnChange) OnChange(this);
}

// ---- TMargins ----

const ClassInfo& TMargins::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TMargins>("TMargins", &TPersistent::StaticClass())
            .ord("Left", IntegerType(), &TMargins::Left, &TMargins::SetLeft, std::nullopt, &TMargins::IsLeftStored)
            .ord("Top", IntegerType(), &TMargins::Top, &TMargins::SetTop, std::nullopt, &TMargins::IsTopStored)
            .ord("Right", IntegerType(), &TMargins::Right, &TMargins::SetRight, std::nullopt, &TMargins::IsRightStored)
            .ord("Bottom", IntegerType(), &TMargins::Bottom, &TMargins::SetBottom, std::nullopt,
                 &TMargins::IsBottomStored)
            .build();
    return info;
}
void TMargins::set(int& field, int v) {
    if (field == v) return;
    field = v;
    if (OnChange) OnChange(this);
}
void TMargins::SetBounds(int L, int T, int R, int B) {
    if (L == FLeft && T == FTop && R == FRight && B == FBottom) return;
    FLeft = L, FTop = T, FRight = R, FBottom = B;
    if (OnChange) OnChange(this);
}
void TMargins::Assign(const TPersistent* Source) {
    auto* m = dynamic_cast<const TMargins*>(Source);
    if (!m) {
        TPersistent::Assign(Source);
        return;
    }
    SetBounds(m->FLeft, m->FTop, m->FRight, m->FBottom);
}

// ---- TControlCanvas ----

const ClassInfo& TControlCanvas::StaticClass() {
    static const ClassInfo info = ClassBuilder<TControlCanvas>("TControlCanvas", &TCanvas::StaticClass()).build();
    return info;
}

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
    if (!FControl) return;
    HWND wnd = nullptr;
    auto* win = dynamic_cast<TWinControl*>(FControl);
    if (win) wnd = win->Handle();
    else if (FControl->Parent()) wnd = FControl->Parent()->Handle();
    if (!wnd) return;
    HDC dc = ::GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    if (!win) {
        ::SetWindowOrgEx(dc, -FControl->Left(), -FControl->Top(), nullptr);
        ::IntersectClipRect(dc, 0, 0, FControl->Width(), FControl->Height());
    }
    FDeviceContext = dc;
    FWindowHandle = wnd;
    gCanvasesWithDC.push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
    if (!FDeviceContext) return;
    SetHandle(nullptr);
    ::ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    gCanvasesWithDC.erase(std::remove(gCanvasesWithDC.begin(), gCanvasesWithDC.end(), this), gCanvasesWithDC.end());
}

void FreeDeviceContexts() {
    std::vector<TControlCanvas*> list = gCanvasesWithDC;
    for (TControlCanvas* c : list)
        if (c->LockCount() == 0) c->FreeHandle();
}

// ---- TControl ----

const ClassInfo& TControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TControl>("TControl", &TComponent::StaticClass())
            .ord("Left", IntegerType(), &TControl::Left, &TControl::SetLeft)
            .ord("Top", IntegerType(), &TControl::Top, &TControl::SetTop)
            .ord("Width", IntegerType(), &TControl::Width, &TControl::SetWidth)
            .ord("Height", IntegerType(), &TControl::Height, &TControl::SetHeight)
            .ord("Align", AlignType(), &TControl::Align, &TControl::SetAlign, alNone)
            .ord("AlignWithMargins", BooleanType(), &TControl::AlignWithMargins, &TControl::SetAlignWithMargins, 0)
            .ord("Anchors", AnchorsType(), &TControl::Anchors, &TControl::SetAnchors, kDefaultAnchors.bits())
            .str("Caption", &TControl::Caption, &TControl::SetCaption)
            .ord("Color", ColorType(), &TControl::Color, &TControl::SetColor, std::nullopt, &TControl::IsColorStored)
            .obj("Constraints", ClassTypeOf<TSizeConstraints>(), &TControl::Constraints, &TControl::SetConstraints)
            .ord("Cursor", CursorType(), &TControl::Cursor, &TControl::SetCursor, crDefault)
            .ord("Enabled", BooleanType(), &TControl::Enabled, &TControl::SetEnabled, 1)
            .obj("Font", ClassTypeOf<TFont>(), &TControl::Font, &TControl::SetFont, &TControl::IsFontStored)
            .str("Hint", &TControl::Hint, &TControl::SetHint)
            .obj("Margins", ClassTypeOf<TMargins>(), &TControl::Margins, &TControl::SetMargins)
            .ord("ParentColor", BooleanType(), &TControl::ParentColor, &TControl::SetParentColor)
            .ord("ParentFont", BooleanType(), &TControl::ParentFont, &TControl::SetParentFont, 1)
            .ord("ParentShowHint", BooleanType(), &TControl::ParentShowHint, &TControl::SetParentShowHint, 1)
            .ord("ShowHint", BooleanType(), &TControl::ShowHint, &TControl::SetShowHint)
            .ord("Visible", BooleanType(), &TControl::Visible, &TControl::SetVisible, 1)
            .event("OnClick", &TControl::OnClick)
            .event("OnConstrainedResize", &TControl::OnConstrainedResize)
            .event("OnDblClick", &TControl::OnDblClick)
            .event("OnMouseDown", &TControl::OnMouseDown)
            .event("OnMouseEnter", &TControl::OnMouseEnter)
            .event("OnMouseLeave", &TControl::OnMouseLeave)
            .event("OnMouseMove", &TControl::OnMouseMove)
            .event("OnMouseUp", &TControl::OnMouseUp)
            .event("OnResize", &TControl::OnResize)
            .build();
    return info;
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FOwnConstraints(std::make_unique<TSizeConstraints>(this)),
      FConstraints(FOwnConstraints.get()), FMargins(std::make_unique<TMargins>(3)),
      FFont(std::make_unique<TFont>()) {
    FConstraints->OnChange = [this](TSizeConstraints*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
    FMargins->OnChange = [this](TMargins*) {
        if (FAlignWithMargins) RequestAlign();
    };
    FFont->OnChange = [this](TGraphicsObject*) { FontChanged(); };
}

TControl::~TControl() {
    if (gCaptureControl == this) SetCaptureControl(nullptr);
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::ReadState(TReader& Reader) {
    FControlState |= csReadingState;
    SetParentComponent(Reader.Parent());
    TComponent::ReadState(Reader);
    FControlState &= ~csReadingState;
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FControlState & csAlignmentNeeded) {
        FControlState &= ~csAlignmentNeeded;
        RequestAlign();
    }
}

void TControl::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    // Bounds from before alignment, kept so that a control taken out of alignment gets
    // them back. Written only for aligned controls.
    auto define = [&](const char* name, LONG RECT::*field, bool isSize) {
        Filer.DefineProperty(
            name,
            [this, field, isSize](const forms::Value& v) {
                if (v.kind != forms::ValueKind::Integer) throw EFilerError("Invalid property value");
                if (isSize) FExplicitBounds.*field = (field == &RECT::right ? FExplicitBounds.left : FExplicitBounds.top) +
                                                     static_cast<LONG>(v.integer);
                else FExplicitBounds.*field = static_cast<LONG>(v.integer);
            },
            [this, field, isSize] {
                forms::Value v;
                v.kind = forms::ValueKind::Integer;
                v.integer = isSize ? FExplicitBounds.*field -
                                         (field == &RECT::right ? FExplicitBounds.left : FExplicitBounds.top)
                                   : FExplicitBounds.*field;
                return v;
            },
            FAlign != alNone);
    };
    define("ExplicitLeft", &RECT::left, false);
    define("ExplicitTop", &RECT::top, false);
    define("ExplicitWidth", &RECT::right, true);
    define("ExplicitHeight", &RECT::bottom, true);
}

int TControl::ClientWidth() const {
    RECT r = GetClientRect();
    return r.right - r.left;
}
int TControl::ClientHeight() const {
    RECT r = GetClientRect();
    return r.bottom - r.top;
}
void TControl::SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
void TControl::SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }
void TControl::SetClientSize(int W, int H) {
    RECT r = GetClientRect();
    SetBounds(FLeft, FTop, FWidth - (r.right - r.left) + W, FHeight - (r.bottom - r.top) + H);
}

POINT TControl::GetClientOrigin() const {
    if (!FParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    POINT p = FParent->GetClientOrigin();
    return POINT{p.x + FLeft, p.y + FTop};
}

POINT TControl::ClientToScreen(POINT P) const {
    POINT o = GetClientOrigin();
    return POINT{P.x + o.x, P.y + o.y};
}

POINT TControl::ScreenToClient(POINT P) const {
    POINT o = GetClientOrigin();
    return POINT{P.x - o.x, P.y - o.y};
}

namespace {
void checkAncestor(const TControl* c, TWinControl*& AParent) {
    if (!AParent) AParent = c->Parent();
    if (!AParent) throw EInvalidOperation("Control '" + c->Name() + "' has no parent window");
    for (TWinControl* p = c->Parent(); p; p = p->Parent())
        if (p == AParent) return;
    throw EInvalidOperation("Parent given is not a parent of '" + c->Name() + "'");
}
} // namespace

POINT TControl::ClientToParent(POINT P, TWinControl* AParent) const {
    checkAncestor(this, AParent);
    POINT o = GetClientOrigin(), po = AParent->GetClientOrigin();
    return POINT{P.x + o.x - po.x, P.y + o.y - po.y};
}

POINT TControl::ParentToClient(POINT P, TWinControl* AParent) const {
    checkAncestor(this, AParent);
    POINT o = GetClientOrigin(), po = AParent->GetClientOrigin();
    return POINT{P.x - o.x + po.x, P.y - o.y + po.y};
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
    OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

void TControl::ApplyConstraints(int& W, int& H) {
    int minW = FConstraints->MinWidth(), minH = FConstraints->MinHeight();
    int maxW = FConstraints->MaxWidth(), maxH = FConstraints->MaxHeight();
    ConstrainedResize(minW, minH, maxW, maxH);
    if (maxW > 0 && W > maxW) W = maxW;
    if (minW > 0 && W < minW) W = minW;
    if (maxH > 0 && H > maxH) H = maxH;
    if (minH > 0 && H < minH) H = minH;
    if (W < 0) W = 0;
    if (H < 0) H = 0;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    ApplyConstraints(AWidth, AHeight);
    bool moved = ALeft != FLeft || ATop != FTop;
    bool resized = AWidth != FWidth || AHeight != FHeight;
    if (!moved && !resized) return;
    Invalidate();
    FLeft = ALeft, FTop = ATop, FWidth = AWidth, FHeight = AHeight;
    UpdateAnchorRules();
    if (!FParent || !(FParent->ControlState() & csAligning))
        FExplicitBounds = RECT{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
    Invalidate();
    RequestAlign();
    if (resized && !InState(csLoading)) Resize();
    ToolkitHooks().BoundsChanged(this, moved, resized);
}

void TControl::SetAlign(TAlign Value) {
    if (FAlign == Value) return;
    TAlign old = FAlign;
    FAlign = Value;
    FAnchors = [Value] {
        switch (Value) {
        case alTop: return TAnchors{akLeft, akTop, akRight};
        case alBottom: return TAnchors{akLeft, akRight, akBottom};
        case alLeft: return TAnchors{akLeft, akTop, akBottom};
        case alRight: return TAnchors{akRight, akTop, akBottom};
        case alClient: return TAnchors{akLeft, akTop, akRight, akBottom};
        default: return kDefaultAnchors;
        }
    }();
    // Leaving alignment puts the control back where it was before.
    if (old != alNone && Value == alNone && !InState(csLoading) && FExplicitBounds.right > FExplicitBounds.left)
        SetBounds(FExplicitBounds.left, FExplicitBounds.top, FExplicitBounds.right - FExplicitBounds.left,
                  FExplicitBounds.bottom - FExplicitBounds.top);
    UpdateAnchorRules();
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
    if (FAnchors == Value) return;
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::SetAlignWithMargins(bool Value) {
    if (FAlignWithMargins == Value) return;
    FAlignWithMargins = Value;
    RequestAlign();
}

void TControl::ReplaceConstraints(TSizeConstraints* Value) {
    TSizeConstraints* next = Value ? Value : FOwnConstraints.get();
    if (next == FConstraints) return;
    next->Assign(FConstraints);
    next->OnChange = FConstraints->OnChange;
    FConstraints = next;
}

void TControl::UpdateAnchorRules() {
    if (FAnchorMove) return;
    if (!FParent || FAnchors == kDefaultAnchors) {
        FOriginalParentSize = POINT{0, 0};
        return;
    }
    ComputeAnchorRules();
    POINT size{0, 0};
    FParent->UpdateControlOriginalParentSize(this, size);
    FOriginalParentSize = size;
}

void TControl::ComputeAnchorRules() {
    if (FAnchors.has(akRight)) FAnchorRules.x = FAnchors.has(akLeft) ? FWidth : FLeft;
    else FAnchorRules.x = FLeft + FWidth / 2;
    if (FAnchors.has(akBottom)) FAnchorRules.y = FAnchors.has(akTop) ? FHeight : FTop;
    else FAnchorRules.y = FTop + FHeight / 2;
}

void TControl::RequestAlign() {
    if (FParent) FParent->AlignControl(this);
    ToolkitHooks().AlignRequested(this);
}

void TControl::ChangeScale(int M, int D) {
    if (D == 0) return;
    int x = ::MulDiv(FLeft, M, D), y = ::MulDiv(FTop, M, D);
    int w = (FControlStyle & csFixedWidth) ? FWidth : ::MulDiv(FLeft + FWidth, M, D) - x;
    int h = (FControlStyle & csFixedHeight) ? FHeight : ::MulDiv(FTop + FHeight, M, D) - y;
    // When the parent still has the size the anchors refer to, the rules are taken again
    // from the scaled bounds (scaling a rounded centre would move the control by a pixel);
    // otherwise the rules themselves are scaled.
    bool rulesMatchBounds = false;
    if (FParent && FAnchors != kDefaultAnchors) {
        POINT ps{0, 0};
        FParent->UpdateControlOriginalParentSize(this, ps);
        rulesMatchBounds = ps.x == FOriginalParentSize.x && ps.y == FOriginalParentSize.y;
    }
    if (!rulesMatchBounds) FAnchorRules = POINT{::MulDiv(FAnchorRules.x, M, D), ::MulDiv(FAnchorRules.y, M, D)};
    FOriginalParentSize = POINT{::MulDiv(FOriginalParentSize.x, M, D), ::MulDiv(FOriginalParentSize.y, M, D)};
    FExplicitBounds = RECT{::MulDiv(FExplicitBounds.left, M, D), ::MulDiv(FExplicitBounds.top, M, D),
                           ::MulDiv(FExplicitBounds.right, M, D), ::MulDiv(FExplicitBounds.bottom, M, D)};
    TSizeConstraints* c = FConstraints;
    auto scale = [&](int v) { return ::MulDiv(v, M, D); };
    TSizeConstraints scaled(this);
    scaled.SetMaxWidth(scale(c->MaxWidth()));
    scaled.SetMaxHeight(scale(c->MaxHeight()));
    scaled.SetMinWidth(scale(c->MinWidth()));
    scaled.SetMinHeight(scale(c->MinHeight()));
    auto handler = std::move(c->OnChange);
    c->Assign(&scaled);
    c->OnChange = std::move(handler);
    if (!FParentFont) FFont->SetHeight(::MulDiv(FFont->Height(), M, D));
    FAnchorMove = true;
    try {
        SetBounds(x, y, w, h);
    } catch (...) {
        FAnchorMove = false;
        throw;
    }
    FAnchorMove = false;
    if (rulesMatchBounds) ComputeAnchorRules();
}

void TControl::SetVisible(bool Value) {
    if (FVisible == Value) return;
    if (!Value) Invalidate();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value, 0);
    RequestAlign();
    if (Value) Invalidate();
}

void TControl::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsColorStored() const { return !FParentColor; }
bool TControl::IsFontStored() const { return !FParentFont; }

void TControl::SetColor(TColor Value) {
    FParentColor = false;
    if (FColor == Value) return;
    FColor = Value;
    ColorChanged();
}

void TControl::ColorChanged() { Perform(CM_COLORCHANGED); }

void TControl::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    if (Value && FParent && !InState(csReading)) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::FontChanged() {
    if (!FInParentFontChange) FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value && FParent && !InState(csReading)) Perform(CM_PARENTFONTCHANGED);
}

void TControl::ReplaceFont(std::unique_ptr<TFont> Value) {
    if (!Value) return;
    Value->Assign(FFont.get());
    Value->OnChange = std::move(FFont->OnChange);
    FFont = std::move(Value);
}

void TControl::ParentFontChanged(TMessage& Message) {
    if (!FParentFont) return;
    const TFont* src = Message.WParam ? reinterpret_cast<const TFont*>(Message.LParam)
                                      : (FParent ? FParent->Font() : nullptr);
    if (!src) return;
    FInParentFontChange = true;
    try {
        FFont->Assign(src);
    } catch (...) {
        FInParentFontChange = false;
        throw;
    }
    FInParentFontChange = false;
}

void TControl::ParentColorChanged(TMessage& Message) {
    if (!FParentColor) return;
    TColor c = Message.WParam ? static_cast<TColor>(Message.LParam) : (FParent ? FParent->Color() : FColor);
    if (c == FColor) return;
    FColor = c;
    ColorChanged();
    FParentColor = true;
}

void TControl::SetText(const std::u16string& Value) {
    if (FText == Value) return;
    FText = Value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool Value) {
    FParentShowHint = false;
    if (FShowHint == Value) return;
    FShowHint = Value;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
    if (FParentShowHint == Value) return;
    FParentShowHint = Value;
    if (Value && FParent) {
        FShowHint = FParent->ShowHint();
        FParentShowHint = true;
    }
}

bool TControl::IsShowing() const { return FVisible && FParent && FParent->IsShowing(); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!(IsVisible || InState(csDesigning)) || !FParent || !FParent->HandleAllocated()) return;
    RECT r = GetBoundsRect();
    FParent->InvalidateWindowRect(&r, !(IsOpaque || (FParent->ControlStyle() & csOpaque)));
}

void TControl::Invalidate() { InvalidateControl(FVisible, IsOpaque()); }

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::SetZOrder(bool TopMost) {
    if (!FParent) return;
    FParent->SetChildIndex(this, TopMost ? FParent->ControlCount() - 1 : 0);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::Click() { OnClick(this); }
void TControl::DblClick() { OnDblClick(this); }
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) { OnMouseDown(this, Button, Shift, X, Y); }
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) { OnMouseUp(this, Button, Shift, X, Y); }
void TControl::MouseMove(TShiftState Shift, int X, int Y) { OnMouseMove(this, Shift, X, Y); }
void TControl::Resize() { OnResize(this); }

void TControl::HandleMouse(TMessage& m) {
    if (FControlStyle & csNoStdEvents) return;
    int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
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
        if ((FControlStyle & csCaptureMouse) && gCaptureControl == this) SetCaptureControl(nullptr);
        else if ((FControlStyle & csCaptureMouse) && dynamic_cast<TWinControl*>(this) && ::GetCapture())
            SetCaptureControl(nullptr);
        RECT r = GetClientRect();
        if (clicked && ::PtInRect(&r, POINT{x, y})) Click();
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

void TControl::WndProc(TMessage& m) {
    if (isMouseMessage(m.Msg)) {
        HandleMouse(m);
    } else {
        switch (m.Msg) {
        case CM_MOUSEENTER:
            if (m.LParam == 0) OnMouseEnter(this);
            break;
        case CM_MOUSELEAVE:
            if (m.LParam == 0) OnMouseLeave(this);
            break;
        case CM_HITTEST:
            m.Result = HTCLIENT;
            return;
        case CM_PARENTFONTCHANGED:
            ParentFontChanged(m);
            break;
        case CM_PARENTCOLORCHANGED:
            ParentColorChanged(m);
            break;
        case CM_PARENTSHOWHINTCHANGED:
            if (FParentShowHint && FParent) FShowHint = FParent->ShowHint();
            break;
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
        case CM_TEXTCHANGED:
        case CM_COLORCHANGED:
        case CM_FONTCHANGED:
            if (!dynamic_cast<TWinControl*>(this)) Invalidate();
            break;
        default:
            break;
        }
    }
    DefaultHandler(m);
}

// ---- TGraphicControl ----

const ClassInfo& TGraphicControl::StaticClass() {
    static const ClassInfo info = ClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClass()).build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) {
        FCanvas->Lock();
        FCanvas->SetHandle(reinterpret_cast<HDC>(m.WParam));
        try {
            Paint();
        } catch (...) {
            FCanvas->SetHandle(nullptr);
            FCanvas->Unlock();
            throw;
        }
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        m.Result = 0;
        return;
    }
    TControl::WndProc(m);
}

// ---- TWinControl ----

const ClassInfo& TWinControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TWinControl>("TWinControl", &TControl::StaticClass())
            .ord("DoubleBuffered", BooleanType(), &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered)
            .obj("Padding", ClassTypeOf<TMargins>(), &TWinControl::Padding, &TWinControl::SetPadding)
            .ord("ParentBackground", BooleanType(), &TWinControl::ParentBackground, &TWinControl::SetParentBackground)
            .ord("ParentDoubleBuffered", BooleanType(), &TWinControl::ParentDoubleBuffered,
                 &TWinControl::SetParentDoubleBuffered, 1)
            .ord("TabOrder", IntegerType(), &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
            .ord("TabStop", BooleanType(), &TWinControl::TabStop, &TWinControl::SetTabStop, 0)
            .build();
    return info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FPadding(std::make_unique<TMargins>(0)) {
    FPadding->OnChange = [this](TMargins*) { Realign(); };
}

TWinControl::~TWinControl() {
    // Child controls go with their container, whoever owns them.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        try {
            c->BeforeDestruction();
        } catch (...) {
        }
        delete c; // leaves FControls through RemoveControl
    }
    DestroyHandle();
}

TWinControl* TWinControl::FindControl(HWND Wnd) {
    if (!Wnd) return nullptr;
    auto& m = windowMap();
    auto it = m.find(Wnd);
    return it == m.end() ? nullptr : it->second;
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
    Params.X = FLeft, Params.Y = FTop, Params.Width = FWidth, Params.Height = FHeight;
    // While only the styles are asked for, no window is created on the way.
    Params.WndParent = FParent ? (FProbingParams ? nullptr : FParent->Handle()) : FParentWindow;
    Params.ClassCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    Params.WinClassName = std::u16string(ClassName().begin(), ClassName().end());
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
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
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    TWinControl* saved = tCreating;
    tCreating = this;
    HWND wnd = ::CreateWindowExW(Params.ExStyle, text::wcs(Params.WinClassName), text::wcs(Params.Caption), Params.Style,
                                 Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr,
                                 ::GetModuleHandleW(nullptr), Params.Param);
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
    if (gCaptureControl && gCaptureControl->Parent() == this) gCaptureControl = nullptr;
    ::DestroyWindow(wnd);
    windowMap().erase(wnd);
    FHandle = nullptr;
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
        c->WndProc(m);
    } catch (const std::exception& e) {
        // Nothing escapes a window procedure.
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

void TWinControl::InsertControl(TControl* AControl) {
    FControls.push_back(AControl);
    AControl->FParent = this;
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    AControl->UpdateAnchorRules();
    if (auto* w = dynamic_cast<TWinControl*>(AControl); w && FHandle && w->Visible()) w->HandleNeeded();
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    AlignControl(AControl);
    AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end()) return;
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    AControl->Invalidate();
    if (FMouseControl == AControl) FMouseControl = nullptr;
    if (gCaptureControl == AControl) SetCaptureControl(nullptr);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) w->DestroyHandle();
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    AControl->FParent = nullptr;
    if (!InState(csDestroying)) Realign();
}

int TWinControl::IndexOfControl(const TControl* Control) const {
    auto it = std::find(FControls.begin(), FControls.end(), Control);
    return it == FControls.end() ? -1 : static_cast<int>(it - FControls.begin());
}

void TWinControl::SetChildIndex(TControl* Control, int Index) {
    int cur = IndexOfControl(Control);
    if (cur < 0) return;
    Index = std::clamp(Index, 0, ControlCount() - 1);
    if (cur != Index) {
        FControls.erase(FControls.begin() + cur);
        FControls.insert(FControls.begin() + Index, Control);
    }
    if (auto* w = dynamic_cast<TWinControl*>(Control); w && w->HandleAllocated()) {
        // The window above which the control now lies: the next windowed sibling's.
        HWND after = HWND_BOTTOM;
        for (int i = Index - 1; i >= 0; --i)
            if (auto* s = dynamic_cast<TWinControl*>(FControls[static_cast<size_t>(i)]); s && s->HandleAllocated()) {
                after = s->FHandle;
                break;
            }
        // Windows keeps its z-order top first: the control goes just in front of `after`.
        HWND insertAfter = after == HWND_BOTTOM ? HWND_BOTTOM : ::GetWindow(after, GW_HWNDPREV);
        if (Index == ControlCount() - 1) insertAfter = HWND_TOP;
        ::SetWindowPos(w->FHandle, insertAfter ? insertAfter : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Control->Invalidate();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::Broadcast(TMessage& Message) {
    std::vector<TControl*> list = FControls;
    for (TControl* c : list) {
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        c->WndProc(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && (FControlState & csAlignmentNeeded)) {
        FControlState &= ~csAlignmentNeeded;
        Realign();
    }
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
    if (InState(csDestroying) || (FControlState & csAligning)) return;
    if (AlignDisabled() || InState(csLoading)) {
        FControlState |= csAlignmentNeeded;
        return;
    }
    DisableAlign();
    try {
        RECT r = GetClientRect();
        AlignControls(AControl, r);
    } catch (...) {
        --FAlignLevel;
        throw;
    }
    --FAlignLevel;
    FControlState &= ~csAlignmentNeeded;
}

void TWinControl::AdjustClientRect(RECT& Rect) const {
    Rect.left += FPadding->Left();
    Rect.top += FPadding->Top();
    Rect.right -= FPadding->Right();
    Rect.bottom -= FPadding->Bottom();
}

void TWinControl::UpdateControlOriginalParentSize(TControl* AControl, POINT& AOriginalParentSize) {
    if (InState(csReading) && FDesignSizeRead) {
        AOriginalParentSize = FDesignSize;
    } else {
        RECT r = GetClientRect();
        AOriginalParentSize = POINT{r.right - r.left, r.bottom - r.top};
    }
    AOriginalParentSize.x -= FPadding->Left() + FPadding->Right();
    AOriginalParentSize.y -= FPadding->Top() + FPadding->Bottom();
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect) {
    AdjustClientRect(Rect);
    const POINT parentSize{Rect.right - Rect.left, Rect.bottom - Rect.top};
    FControlState |= csAligning;
    struct Guard {
        uint32_t& state;
        ~Guard() { state &= ~csAligning; }
    } guard{FControlState};

    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient, alCustom};
    for (TAlign align : kOrder) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Align() == align && (c->Visible() || InState(csDesigning))) list.push_back(c);
        // Controls at the same edge keep their order by position; the one that asked goes
        // first among equals.
        auto key = [align](TControl* c) {
            switch (align) {
            case alTop: return c->Top();
            case alBottom: return -(c->Top() + c->Height());
            case alLeft: return c->Left();
            case alRight: return -(c->Left() + c->Width());
            default: return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
            int ka = key(a), kb = key(b);
            if (ka != kb) return ka < kb;
            return a == AControl && b != AControl;
        });
        for (TControl* c : list) {
            TMargins* m = c->AlignWithMargins() ? c->Margins() : nullptr;
            int ml = m ? m->Left() : 0, mt = m ? m->Top() : 0, mr = m ? m->Right() : 0, mb = m ? m->Bottom() : 0;
            int w = c->Width(), h = c->Height();
            int x = c->Left(), y = c->Top();
            int rw = Rect.right - Rect.left - ml - mr, rh = Rect.bottom - Rect.top - mt - mb;
            switch (align) {
            case alTop: x = Rect.left + ml, y = Rect.top + mt, w = rw; break;
            case alBottom: x = Rect.left + ml, y = Rect.bottom - mb - h, w = rw; break;
            case alLeft: x = Rect.left + ml, y = Rect.top + mt, h = rh; break;
            case alRight: x = Rect.right - mr - w, y = Rect.top + mt, h = rh; break;
            case alClient: x = Rect.left + ml, y = Rect.top + mt, w = rw, h = rh; break;
            default: break;
            }
            if (align == alCustom) continue; // placed by the container's own rules
            c->SetBounds(x, y, std::max(w, 0), std::max(h, 0));
            // Constraints may have refused the size: the space taken is the real one.
            switch (align) {
            case alTop: Rect.top += c->Height() + mt + mb; break;
            case alBottom: Rect.bottom -= c->Height() + mt + mb; break;
            case alLeft: Rect.left += c->Width() + ml + mr; break;
            case alRight: Rect.right -= c->Width() + ml + mr; break;
            default: break;
            }
        }
    }
    for (TControl* c : FControls)
        if (c->Align() == alNone && c->Anchors() != kDefaultAnchors) {
            RECT full{0, 0, parentSize.x, parentSize.y};
            DoPosition(c, full);
        }
}

void TWinControl::DoPosition(TControl* c, const RECT& Rect) {
    POINT orig = c->FOriginalParentSize;
    if (orig.x == 0 && orig.y == 0) return;
    POINT ps{Rect.right - Rect.left, Rect.bottom - Rect.top};
    TAnchors a = c->Anchors();
    int left = c->Left(), top = c->Top(), w = c->Width(), h = c->Height();
    if (a.has(akRight)) {
        if (a.has(akLeft)) w = ps.x - (orig.x - c->FAnchorRules.x);
        else left = c->FAnchorRules.x + (ps.x - orig.x);
    } else if (!a.has(akLeft) && orig.x != 0) {
        left = ::MulDiv(c->FAnchorRules.x, ps.x, orig.x) - w / 2;
    }
    if (a.has(akBottom)) {
        if (a.has(akTop)) h = ps.y - (orig.y - c->FAnchorRules.y);
        else top = c->FAnchorRules.y + (ps.y - orig.y);
    } else if (!a.has(akTop) && orig.y != 0) {
        top = ::MulDiv(c->FAnchorRules.y, ps.y, orig.y) - h / 2;
    }
    c->FAnchorMove = true;
    try {
        c->SetBounds(left, top, std::max(w, 0), std::max(h, 0));
    } catch (...) {
        c->FAnchorMove = false;
        throw;
    }
    c->FAnchorMove = false;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls, bool AllLevels) {
    for (size_t i = FControls.size(); i-- > 0;) {
        TControl* c = FControls[i];
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win && !AllowWinControls) continue;
        if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
        RECT b = c->GetBoundsRect();
        if (!::PtInRect(&b, Pos)) continue;
        POINT local{Pos.x - c->Left(), Pos.y - c->Top()};
        if (!win && c->Perform(CM_HITTEST, 0, pointParam(local)) == 0) continue;
        if (AllLevels && win)
            if (TControl* deeper = win->ControlAtPos(local, AllowDisabled, true, true)) return deeper;
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
    TControl* hover = (gCaptureControl && gCaptureControl->Parent() == this) ? gCaptureControl
                                                                               : ControlAtPos(P, false);
    if (hover == FMouseControl) return;
    TControl* old = FMouseControl;
    FMouseControl = hover;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (hover) hover->Perform(CM_MOUSEENTER);
}

bool TWinControl::RouteMouse(TMessage& m) {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = nullptr;
    if (gCaptureControl && gCaptureControl->Parent() == this) target = gCaptureControl;
    else target = ControlAtPos(p, false);
    if (!target) return false;
    POINT local{p.x - target->Left(), p.y - target->Top()};
    m.Result = target->Perform(m.Msg, m.WParam, pointParam(local));
    return true;
}

void TWinControl::WndProc(TMessage& m) {
    if (ToolkitHooks().PreProcessMessage(this, m)) return;
    if (isMouseMessage(m.Msg)) {
        if (m.Msg == WM_MOUSEMOVE) TrackMouse(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        if (RouteMouse(m)) return;
        TControl::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_MOUSELEAVE:
        FMouseInWindow = false;
        if (TControl* old = FMouseControl) {
            FMouseControl = nullptr;
            old->Perform(CM_MOUSELEAVE);
        }
        Perform(CM_MOUSELEAVE);
        break;
    case WM_PAINT:
        ToolkitHooks().PaintMessage(this, m);
        return;
    case WM_ERASEBKGND:
        ToolkitHooks().EraseBackground(this, reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return;
    case WM_WINDOWPOSCHANGED:
        if (!FSettingBounds) UpdateBoundsFromWindow();
        break;
    case WM_CAPTURECHANGED:
        if (gCaptureControl && gCaptureControl->Parent() == this && reinterpret_cast<HWND>(m.LParam) != FHandle)
            gCaptureControl = nullptr;
        break;
    case WM_SYSCOLORCHANGE:
        NotifyControls(CM_SYSCOLORCHANGE);
        break;
    case CM_SYSCOLORCHANGE:
    case CM_WININICHANGE:
    case CM_FONTCHANGE:
    case CM_TIMECHANGE:
    case CM_SYSFONTCHANGED:
        NotifyControls(m.Msg);
        break;
    case CM_FONTCHANGED:
        NotifyControls(CM_PARENTFONTCHANGED);
        Invalidate();
        break;
    case CM_COLORCHANGED:
        NotifyControls(CM_PARENTCOLORCHANGED);
        Invalidate();
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
    default:
        break;
    }
    TControl::WndProc(m);
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
    ApplyConstraints(AWidth, AHeight);
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
    FProbingParams = true;
    const_cast<TWinControl*>(this)->CreateParams(p);
    FProbingParams = false;
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
    if (!FParent) return POINT{FLeft, FTop};
    POINT p = FParent->GetClientOrigin();
    return POINT{p.x + FLeft, p.y + FTop};
}

void TWinControl::SetText(const std::u16string& Value) { TControl::SetText(Value); }

bool TWinControl::IsShowing() const {
    if (!Visible()) return false;
    if (FParent) return FParent->IsShowing();
    return FHandle && ::IsWindowVisible(FHandle);
}

void TWinControl::SetVisible(bool Value) { TControl::SetVisible(Value); }

void TWinControl::UpdateShowing() {
    if (!FParent) {
        if (FHandle) ::ShowWindow(FHandle, Visible() ? SW_SHOWNORMAL : SW_HIDE);
        return;
    }
    if (!FHandle) {
        if (Visible() && FParent->HandleAllocated()) HandleNeeded();
        return;
    }
    ::ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::InvalidateWindowRect(const RECT* Rect, bool Erase) {
    if (FHandle) ToolkitHooks().InvalidateWindow(this, FHandle, Rect, Erase);
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateWindowRect(nullptr, !IsOpaque());
}

void TWinControl::Update() {
    if (FHandle) ::UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::SetZOrder(bool TopMost) {
    if (FParent) {
        TControl::SetZOrder(TopMost);
        return;
    }
    if (FHandle)
        ::SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::ChangeScale(int M, int D) {
    DisableAlign();
    try {
        std::vector<TControl*> list = FControls;
        for (TControl* c : list) c->ChangeScale(M, D);
        FDesignSize = POINT{::MulDiv(FDesignSize.x, M, D), ::MulDiv(FDesignSize.y, M, D)};
        TControl::ChangeScale(M, D);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TWinControl::ReadState(TReader& Reader) {
    DisableAlign();
    try {
        TControl::ReadState(Reader);
    } catch (...) {
        --FAlignLevel;
        throw;
    }
    // Alignment waits for Loaded.
    --FAlignLevel;
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

void TWinControl::DefineProperties(TFiler& Filer) {
    TControl::DefineProperties(Filer);
    bool anchoredChild = std::any_of(FControls.begin(), FControls.end(), [](TControl* c) {
        return c->Align() == alNone && c->Anchors() != kDefaultAnchors;
    });
    Filer.DefineProperty(
        "DesignSize",
        [this](const forms::Value& v) {
            if (v.kind != forms::ValueKind::List || v.list.size() != 2 || !v.list[0].isInteger() ||
                !v.list[1].isInteger())
                throw EFilerError("Invalid property value");
            FDesignSize = POINT{static_cast<LONG>(v.list[0].integer), static_cast<LONG>(v.list[1].integer)};
            FDesignSizeRead = true;
        },
        [this] {
            forms::Value v;
            v.kind = forms::ValueKind::List;
            RECT r = GetClientRect();
            for (LONG n : {r.right - r.left, r.bottom - r.top}) {
                forms::Value i;
                i.kind = forms::ValueKind::Integer;
                i.integer = n;
                v.list.push_back(i);
            }
            return v;
        },
        anchoredChild);
}

void TWinControl::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FMouseControl) FMouseControl = nullptr;
}

void TWinControl::SetParentBackground(bool Value) {
    if (Value) FControlStyle |= csParentBackground;
    else FControlStyle &= ~csParentBackground;
    Invalidate();
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
    FControlState |= csPaintCopy;
    int saved = ::SaveDC(DC);
    ::OffsetWindowOrgEx(DC, -X, -Y, nullptr);
    ::IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    try {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
    } catch (...) {
        ::RestoreDC(DC, saved);
        FControlState &= ~csPaintCopy;
        throw;
    }
    ::RestoreDC(DC, saved);
    std::vector<TControl*> list = FControls;
    for (TControl* c : list)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->PaintTo(DC, X + w->Left(), Y + w->Top());
    FControlState &= ~csPaintCopy;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    size_t start = 0;
    if (First) {
        int i = IndexOfControl(First);
        if (i >= 0) start = static_cast<size_t>(i);
    }
    std::vector<TControl*> list(FControls.begin() + static_cast<std::ptrdiff_t>(start), FControls.end());
    for (TControl* c : list) {
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (!c->Visible() && !c->InState(csDesigning)) continue;
        RECT b = c->GetBoundsRect();
        if (!::RectVisible(DC, &b)) continue;
        int saved = ::SaveDC(DC);
        ::OffsetWindowOrgEx(DC, -c->Left(), -c->Top(), nullptr);
        ::IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        if (FControlState & csPaintCopy) c->FControlState |= csPaintCopy;
        try {
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
        } catch (...) {
            c->FControlState &= ~csPaintCopy;
            ::RestoreDC(DC, saved);
            throw;
        }
        c->FControlState &= ~csPaintCopy;
        ::RestoreDC(DC, saved);
    }
}

void TWinControl::PaintWindow(HDC DC) {}

void TWinControl::PaintHandler(HDC DC) {
    int saved = ::SaveDC(DC);
    try {
        PaintWindow(DC);
    } catch (...) {
        ::RestoreDC(DC, saved);
        throw;
    }
    ::RestoreDC(DC, saved);
    PaintControls(DC, nullptr);
}

void TWinControl::DefaultPaint(TMessage& m) {
    if (HDC dc = reinterpret_cast<HDC>(m.WParam)) {
        PaintHandler(dc);
        return;
    }
    if (!FHandle) return;
    win::PaintDC paint(FHandle);
    bool buffered = FDoubleBuffered || (FParentDoubleBuffered && FParent && FParent->DoubleBuffered());
    if (!buffered) {
        PaintHandler(paint.get());
        return;
    }
    RECT cr;
    ::GetClientRect(FHandle, &cr);
    win::UniqueMemoryDC mem(::CreateCompatibleDC(paint.get()));
    win::UniqueBitmap bmp(::CreateCompatibleBitmap(paint.get(), std::max<LONG>(cr.right, 1), std::max<LONG>(cr.bottom, 1)));
    if (!mem || !bmp) {
        PaintHandler(paint.get());
        return;
    }
    {
        win::SelectObjectGuard sel(mem.get(), bmp.get());
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.get()));
        PaintHandler(mem.get());
        ::BitBlt(paint.get(), 0, 0, cr.right, cr.bottom, mem.get(), 0, 0, SRCCOPY);
    }
}

void TWinControl::DefaultEraseBackground(HDC DC) {
    if (!DC || Color() == clNone) return;
    RECT r = GetClientRect();
    TBrush brush;
    brush.SetColor(Color());
    ::FillRect(DC, &r, brush.Handle());
}

// ---- TCustomControl ----

const ClassInfo& TCustomControl::StaticClass() {
    static const ClassInfo info = ClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClass()).build();
    return info;
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
    // The canvas may hold a DC of the window: give it back first.
    if (auto* cc = dynamic_cast<TControlCanvas*>(FCanvas.get())) cc->FreeHandle();
}

void TCustomControl::PaintWindow(HDC DC) {
    FControlState |= csCustomPaint;
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        FControlState &= ~csCustomPaint;
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    FControlState &= ~csCustomPaint;
}

} // namespace vell::tk
