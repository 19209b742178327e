// TControl: parent and container, bounds, coordinates, appearance, message delivery and
// streaming. Alignment lives in align.cpp, the mouse in mouse.cpp, painting in paint.cpp.
#include "toolkit/control.h"
#include "toolkit/application.h"
#include "toolkit/accessible.h"
#include "core/component/reader.h"
#include "toolkit/form.h"
#include "toolkit/hint.h"
#include "toolkit/win_control.h"

#include <algorithm>

namespace vell::tk {

const ClassInfo& TControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TControl>("TControl", &TComponent::StaticClass())
            .ord("Left", IntegerType(), &TControl::Left, &TControl::SetLeft)
            .ord("Top", IntegerType(), &TControl::Top, &TControl::SetTop)
            .ord("Width", IntegerType(), &TControl::Width, &TControl::SetWidth)
            .ord("Height", IntegerType(), &TControl::Height, &TControl::SetHeight)
            .ord("Align", AlignType(), &TControl::Align, &TControl::SetAlign, alNone)
            .ord("AlignWithMargins", BooleanType(), &TControl::AlignWithMargins,
                 &TControl::SetAlignWithMargins, 0)
            .ord("Anchors", AnchorsType(), &TControl::Anchors, &TControl::SetAnchors, kDefaultAnchors.bits())
            .ord("BiDiMode", BiDiModeType(), &TControl::BiDiMode, &TControl::SetBiDiMode, std::nullopt,
                 &TControl::IsBiDiModeStored)
            .str("Caption", &TControl::Caption, &TControl::SetCaption)
            .ord("Color", ColorType(), &TControl::Color, &TControl::SetColor, std::nullopt,
                 &TControl::IsColorStored)
            .obj("Constraints", ClassTypeOf<TSizeConstraints>(), &TControl::Constraints,
                 &TControl::SetConstraints)
            .ord("Cursor", CursorType(), &TControl::Cursor, &TControl::SetCursor, crDefault)
            .obj("CustomHint", ClassTypeOf<TCustomHint>(), &TControl::CustomHint, &TControl::SetCustomHint)
            .ord("Enabled", BooleanType(), &TControl::Enabled, &TControl::SetEnabled, 1)
            .obj("Font", ClassTypeOf<TFont>(), &TControl::Font, &TControl::SetFont, &TControl::IsFontStored)
            .str("Hint", &TControl::Hint, &TControl::SetHint)
            .obj("Margins", ClassTypeOf<TMargins>(), &TControl::Margins, &TControl::SetMargins)
            .ord("ParentBiDiMode", BooleanType(), &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, 1)
            .ord("ParentColor", BooleanType(), &TControl::ParentColor, &TControl::SetParentColor)
            .ord("ParentCustomHint", BooleanType(), &TControl::ParentCustomHint,
                 &TControl::SetParentCustomHint, 1)
            .ord("ParentFont", BooleanType(), &TControl::ParentFont, &TControl::SetParentFont, 1)
            .ord("ParentShowHint", BooleanType(), &TControl::ParentShowHint, &TControl::SetParentShowHint, 1)
            .ord("ShowHint", BooleanType(), &TControl::ShowHint, &TControl::SetShowHint, std::nullopt,
                 &TControl::IsShowHintStored)
            .ord("Visible", BooleanType(), &TControl::Visible, &TControl::SetVisible, 1)
            .event("OnClick", &TControl::OnClick)
            .event("OnConstrainedResize", &TControl::OnConstrainedResize)
            .event("OnDblClick", &TControl::OnDblClick)
            .event("OnMouseDown", &TControl::OnMouseDown)
            .event("OnMouseEnter", &TControl::OnMouseEnter)
            .event("OnMouseLeave", &TControl::OnMouseLeave)
            .event("OnMouseMove", &TControl::OnMouseMove)
            .event("OnMouseUp", &TControl::OnMouseUp)
            .event("OnMouseWheel", &TControl::OnMouseWheel)
            .event("OnMouseWheelDown", &TControl::OnMouseWheelDown)
            .event("OnMouseWheelUp", &TControl::OnMouseWheelUp)
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
    *FAlive = false;
    if (ForceInvalidateControl() == this) SetForceInvalidateControl(nullptr);
    std::vector<TMessageHook*> hooks;
    hooks.swap(FMessageHooks);
    for (TMessageHook* h : hooks)
        h->ControlDestroying(this);
    if (TControl* capture = GetCaptureControl(); capture && ContainsControl(capture))
        SetCaptureControl(nullptr);
    if (FParent) {
        FParent->ControlGone(this);
        FParent->RemoveControl(this);
    }
}

// ---- parent and container ----

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

TControl* TControl::Container() const {
    return FParent;
}

bool TControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c; c = c->Container())
        if (c == this) return true;
    return false;
}

TControl* TControl::ControlAtPos(POINT, bool, bool, bool) {
    return nullptr;
}

TComponent* TControl::GetParentComponent() const {
    return Container();
}

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

TCustomForm* GetParentForm(const TControl* Control) {
    TCustomForm* form = nullptr;
    for (const TControl* c = Control; c; c = c->Container())
        if (auto* f = dynamic_cast<const TCustomForm*>(c)) form = const_cast<TCustomForm*>(f);
    return form;
}

// ---- bounds ----

int TControl::ClientWidth() const {
    RECT r = GetClientRect();
    return r.right - r.left;
}
int TControl::ClientHeight() const {
    RECT r = GetClientRect();
    return r.bottom - r.top;
}
void TControl::SetClientWidth(int Value) {
    SetClientSize(Value, ClientHeight());
}
void TControl::SetClientHeight(int Value) {
    SetClientSize(ClientWidth(), Value);
}
void TControl::SetClientSize(int W, int H) {
    RECT r = GetClientRect();
    SetBounds(FLeft, FTop, FWidth - (r.right - r.left) + W, FHeight - (r.bottom - r.top) + H);
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
    FConstraints->AdjustLimits(*this, MinWidth, MinHeight, MaxWidth, MaxHeight);
    OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

void TControl::ApplyConstraints(int L, int T, int& W, int& H) {
    int minW = FConstraints->MinWidth(), minH = FConstraints->MinHeight();
    int maxW = FConstraints->MaxWidth(), maxH = FConstraints->MaxHeight();
    const bool wasSizing = FSizing;
    const POINT wasPosition = FSizingPosition;
    FSizing = true;
    FSizingPosition = POINT{L, T};
    try {
        ConstrainedResize(minW, minH, maxW, maxH);
    } catch (...) {
        FSizing = wasSizing;
        FSizingPosition = wasPosition;
        throw;
    }
    FSizing = wasSizing;
    FSizingPosition = wasPosition;
    if (maxW > 0 && W > maxW) W = maxW;
    if (minW > 0 && W < minW) W = minW;
    if (maxH > 0 && H > maxH) H = maxH;
    if (minH > 0 && H < minH) H = minH;
    if (W < 0) W = 0;
    if (H < 0) H = 0;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    ApplyConstraints(ALeft, ATop, AWidth, AHeight);
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

// ---- coordinates ----

POINT TControl::GetClientOrigin() const {
    TControl* c = Container();
    if (!c) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    POINT o = c->GetClientOrigin(), s = c->ScrollOffset();
    return POINT{o.x + FLeft - s.x, o.y + FTop - s.y};
}

POINT TControl::ClientToScreen(POINT P) const {
    const POINT o = GetClientOrigin();
    return POINT{P.x + o.x, P.y + o.y};
}

POINT TControl::ScreenToClient(POINT P) const {
    const POINT o = GetClientOrigin();
    return POINT{P.x - o.x, P.y - o.y};
}

// Walks from this control out to AParent: the control's own position and each container's
// position on the way, less the scroll offsets of the containers passed (their content
// shows shifted in their client areas). Sign -1 runs the same walk backwards.
namespace {
POINT walkToParent(const TControl* self, POINT P, const TControl* AParent, int sign) {
    const TControl* c = self->Container();
    if (!c) throw EInvalidOperation("Control '" + self->Name() + "' has no parent window");
    if (!AParent) AParent = c;
    long dx = self->Left(), dy = self->Top();
    while (c != AParent) {
        POINT s = c->ScrollOffset();
        dx -= s.x, dy -= s.y;
        const TControl* next = c->Container();
        if (!next) throw EInvalidOperation("Parent given is not a parent of '" + self->Name() + "'");
        dx += c->Left(), dy += c->Top();
        c = next;
    }
    return POINT{P.x + sign * dx, P.y + sign * dy};
}
} // namespace

POINT TControl::ClientToParent(POINT P, const TControl* AParent) const {
    return walkToParent(this, P, AParent, 1);
}
POINT TControl::ParentToClient(POINT P, const TControl* AParent) const {
    return walkToParent(this, P, AParent, -1);
}

// ---- appearance ----

void TControl::SetVisible(bool Value) {
    if (FVisible == Value) return;
    if (!Value) Invalidate();
    FVisible = Value;
    std::weak_ptr<bool> alive = FAlive;
    Perform(CM_VISIBLECHANGED, Value, 0);
    // A control may go while it is shown or hidden (a form's OnShow frees it).
    if (alive.expired() || !*alive.lock()) return;
    RequestAlign();
    if (Value) Invalidate();
}

void TControl::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsColorStored() const {
    return !FParentColor;
}
bool TControl::IsFontStored() const {
    return !FParentFont;
}

void TControl::SetColor(TColor Value) {
    FParentColor = false;
    if (FColor == Value) return;
    FColor = Value;
    ColorChanged();
}

void TControl::ColorChanged() {
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    if (Value && Container() && !InState(csReading)) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::FontChanged() {
    if (!FInParentFontChange) FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value && Container() && !InState(csReading)) Perform(CM_PARENTFONTCHANGED);
}

void TControl::ReplaceFont(std::unique_ptr<TFont> Value) {
    ReplaceFontKeepingValues(FFont, std::move(Value));
}

namespace {
// Copies the attributes of Source that Mask names into Dest, in one change.
void copyFontAttributes(TFont& Dest, const TFont& Source, uint32_t Mask) {
    if (Mask == pfAll) {
        Dest.Assign(&Source);
        return;
    }
    TFont merged;
    merged.Assign(&Dest);
    if (Mask & pfName) merged.SetName(Source.Name());
    if (Mask & pfHeight) merged.SetHeight(Source.Height());
    if (Mask & pfColor) merged.SetColor(Source.Color());
    if (Mask & pfStyle) merged.SetStyle(Source.Style());
    if (Mask & pfCharset) merged.SetCharset(Source.Charset());
    if (Mask & pfPitch) merged.SetPitch(Source.Pitch());
    if (Mask & pfQuality) merged.SetQuality(Source.Quality());
    if (Mask & pfOrientation) merged.SetOrientation(Source.Orientation());
    if (!merged.Equals(Dest)) Dest.Assign(&merged);
}
} // namespace

void TControl::ParentFontChanged(TMessage& Message) {
    if (!FParentFont) return;
    TControl* c = Container();
    const TFont* src =
        Message.WParam ? reinterpret_cast<const TFont*>(Message.LParam) : (c ? c->Font() : nullptr);
    if (!src) return;
    FInParentFontChange = true;
    try {
        copyFontAttributes(*FFont, *src, FParentFontAttributes);
    } catch (...) {
        FInParentFontChange = false;
        throw;
    }
    FInParentFontChange = false;
}

void TControl::ParentColorChanged(TMessage& Message) {
    if (!FParentColor) return;
    TControl* container = Container();
    TColor c =
        Message.WParam ? static_cast<TColor>(Message.LParam) : (container ? container->Color() : FColor);
    if (c == FColor) return;
    FColor = c;
    ColorChanged();
    FParentColor = true;
}

void TControl::SetBiDiMode(TBiDiMode Value) {
    FParentBiDiMode = false;
    if (FBiDiMode == Value) return;
    FBiDiMode = Value;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool Value) {
    if (FParentBiDiMode == Value) return;
    FParentBiDiMode = Value;
    if (Value && Container() && !InState(csReading)) Perform(CM_PARENTBIDIMODECHANGED);
}

void TControl::ParentBiDiModeChanged(TMessage& Message) {
    if (!FParentBiDiMode) return;
    TControl* c = Container();
    if (!c) return;
    if (c->BiDiMode() != FBiDiMode) {
        FBiDiMode = c->BiDiMode();
        Perform(CM_BIDIMODECHANGED);
    }
    FParentBiDiMode = true;
}

void TControl::SetText(const std::u16string& Value) {
    if (FText == Value) return;
    FText = Value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED);
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
    if (Value && Container() && !InState(csReading)) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCustomHint(TCustomHint* Value) {
    ToolkitHooks().CustomHintChanging(this, Value);
    if (FCustomHint == Value) return;
    if (FCustomHint) FCustomHint->RemoveFreeNotification(this);
    FCustomHint = Value;
    if (Value) {
        Value->FreeNotification(this);
        FParentCustomHint = false;
    }
}

TCustomHint* TControl::EffectiveCustomHint() const {
    for (const TControl* c = this; c; c = c->Container()) {
        if (c->FCustomHint) return c->FCustomHint;
        if (!c->FParentCustomHint) return nullptr;
    }
    return nullptr;
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FCustomHint) FCustomHint = nullptr;
}

bool TControl::IsShowing() const {
    TControl* c = Container();
    return FVisible && c && c->IsShowing();
}

void TControl::SetZOrder(bool TopMost) {
    if (!FParent || Container() != FParent) return;
    FParent->SetChildIndex(this, TopMost ? FParent->ControlCount() - 1 : 0);
}

// ---- messages ----

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    Perform(m);
    return m.Result;
}

void TControl::Perform(TMessage& m) {
    if (ToolkitHooks().PreProcessMessage(this, m)) return;
    PrepareMessage(m);
    if (FMessageHooks.empty()) {
        WndProc(m);
        return;
    }
    // The hooks that see the message before the control see it after, in reverse; a hook
    // removed meanwhile, or a control freed by its own handling, ends the walk quietly.
    std::weak_ptr<bool> alive = FAlive;
    std::vector<TMessageHook*> seen;
    std::vector<TMessageHook*> hooks = FMessageHooks;
    bool handled = false;
    for (size_t i = hooks.size(); i-- > 0 && !handled;) {
        if (std::find(FMessageHooks.begin(), FMessageHooks.end(), hooks[i]) == FMessageHooks.end()) continue;
        seen.push_back(hooks[i]);
        handled = hooks[i]->BeforeMessage(this, m);
        if (alive.expired() || !*alive.lock()) return;
    }
    if (!handled) WndProc(m);
    RunAfterHooks(seen, seen.size(), m);
}

void TControl::RunAfterHooks(std::vector<TMessageHook*>& Hooks, size_t Count, TMessage& m) {
    std::weak_ptr<bool> alive = FAlive;
    for (size_t i = Count; i-- > 0;) {
        if (alive.expired() || !*alive.lock()) return;
        if (std::find(FMessageHooks.begin(), FMessageHooks.end(), Hooks[i]) == FMessageHooks.end()) continue;
        Hooks[i]->AfterMessage(this, m);
    }
}

void TControl::AddMessageHook(TMessageHook* Hook) {
    if (!Hook || std::find(FMessageHooks.begin(), FMessageHooks.end(), Hook) != FMessageHooks.end()) return;
    FMessageHooks.push_back(Hook);
}

void TControl::RemoveMessageHook(TMessageHook* Hook) {
    FMessageHooks.erase(std::remove(FMessageHooks.begin(), FMessageHooks.end(), Hook), FMessageHooks.end());
}

namespace {
// What a reader hears of a change: windows announce their own showing and hiding.
void raiseAccessibleEvent(TControl* C, UINT Msg) {
    const bool windowed = dynamic_cast<TWinControl*>(C) != nullptr;
    switch (Msg) {
    case CM_VISIBLECHANGED:
        if (!windowed) NotifyAccessibleEvent(C, C->Visible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
        break;
    case CM_ENABLEDCHANGED:
        NotifyAccessibleEvent(C, EVENT_OBJECT_STATECHANGE);
        break;
    case CM_TEXTCHANGED:
        NotifyAccessibleEvent(C, EVENT_OBJECT_NAMECHANGE);
        break;
    default:
        break;
    }
}
} // namespace

void TControl::WndProc(TMessage& m) {
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
        if (TApplication* app = CurrentApplication(); app && !InState(csDesigning))
            app->HintMouseMessage(this, m);
        if (m.Msg != WM_MOUSEWHEEL && m.Msg != WM_MOUSEHWHEEL) HandleMouse(m);
    } else {
        switch (m.Msg) {
        case CM_MOUSEENTER:
            if (m.LParam == 0) OnMouseEnter(this);
            break;
        case CM_MOUSELEAVE:
            if (m.LParam == 0) OnMouseLeave(this);
            break;
        case CM_MOUSEWHEEL:
            HandleMouseWheel(m);
            return;
        case CM_HITTEST:
            m.Result = HTCLIENT;
            return;
        case CM_PARENTFONTCHANGED:
            ParentFontChanged(m);
            break;
        case CM_PARENTCOLORCHANGED:
            ParentColorChanged(m);
            break;
        case CM_PARENTBIDIMODECHANGED:
            ParentBiDiModeChanged(m);
            break;
        case CM_PARENTSHOWHINTCHANGED:
            if (FParentShowHint) {
                if (TControl* c = Container(); c && c->ShowHint() != FShowHint) {
                    FShowHint = c->ShowHint();
                    Perform(CM_SHOWHINTCHANGED);
                }
                FParentShowHint = true;
            }
            break;
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
        case CM_TEXTCHANGED:
            raiseAccessibleEvent(this, m.Msg);
            if (!dynamic_cast<TWinControl*>(this)) Invalidate();
            break;
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

// ---- streaming ----

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
                if (isSize)
                    FExplicitBounds.*field =
                        (field == &RECT::right ? FExplicitBounds.left : FExplicitBounds.top) +
                        static_cast<LONG>(v.integer);
                else
                    FExplicitBounds.*field = static_cast<LONG>(v.integer);
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

} // namespace vell::tk
