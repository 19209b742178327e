#include "rdcontrol/base/graphic_control.h"

#include "core/component/reader.h"
#include "core/util/scope_exit.h"
#include "platform/text/canvas_font.h"
#include "toolkit/forms.h"
#include "toolkit/accessible.h"

#include <windowsx.h>

#include <algorithm>
#include <oleacc.h>

namespace vell::rd {

namespace {

bool isMouseMessage(UINT Msg) {
    return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST;
}

} // namespace

// ---- TRdControlCanvas ----

const tk::ClassInfo& TRdControlCanvas::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdControlCanvas>("TRdControlCanvas", &tk::TControlCanvas::StaticClass())
            .obj("FontEx", tk::ClassTypeOf<TRdFont>(), &TRdControlCanvas::FontEx,
                 &TRdControlCanvas::SetFontEx)
            .build();
    return info;
}

TRdControlCanvas::TRdControlCanvas(tk::TControl* Control) : tk::TControlCanvas(Control) {
    ReplaceFont(std::make_unique<TRdFont>(Control));
}

// ---- TRdGraphicControl ----

const tk::ClassInfo& TRdGraphicControl::StaticClass() {
    using B = tk::ClassBuilder<TRdGraphicControl>;
    using T = TRdGraphicControl;
    static const tk::ClassInfo info = [] {
        B b("TRdGraphicControl", &tk::TGraphicControl::StaticClass());
        b.ord("HitTest", tk::BooleanType(), &T::HitTest, &T::SetHitTest, 1)
            .event("OnPosChanged", &T::OnPosChanged)
            .event("OnPaintFinally", &T::OnPaintFinally)
            .event("OnMouseHitTest", &T::OnMouseHitTest)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &T::AllSkin, &T::SetAllSkin)
            .obj("AutoAlign", tk::ClassTypeOf<TRdAutoAlign>(), &T::AutoAlign, &T::SetAutoAlign);
        edges::publish(b);
        return b.build();
    }();
    return info;
}

TRdGraphicControl::TRdGraphicControl(tk::TComponent* AOwner)
    : tk::TGraphicControl(AOwner), FPadding(std::make_unique<tk::TMargins>(0)) {
    ReplaceCanvas(std::make_unique<TRdControlCanvas>(this));
    FAllSkin = std::make_unique<TRdSkinClass>(this, this, nullptr);
    FAllSkin->Draw()->OnChanged = [this](tk::TObject*) { UpdateOpaque(); };
    ReplaceFont(std::make_unique<TRdFont>(this, FAllSkin.get()));
    FAutoAlign = std::make_unique<TRdAutoAlign>(this);
    SetControlStyle(ControlStyle() | tk::csAcceptsControls);
    FPadding->OnChange = [this](tk::TMargins*) { Realign(); };
}

TRdGraphicControl::~TRdGraphicControl() {
    FPadding->OnChange = nullptr;
    if (FGraphicParent) {
        FGraphicParent->RemoveChild(this);
        FGraphicParent = nullptr;
    }
    while (!FControls.empty())
        delete FControls.back(); // each leaves the list itself
    FAutoAlign.reset();
    FMouseControl = nullptr;
}

void TRdGraphicControl::BeforeDestruction() {
    if (FWndProcInc > 0) {
        const int depth = FWndProcInc;
        FWndProcInc = 0;
        throw tk::EInvalidOperation("[" + std::to_string(depth) + "]Can't Destroy \"" + Name() +
                                    "\" In Self.ProcessMsg!");
    }
    tk::TGraphicControl::BeforeDestruction();
}

void TRdGraphicControl::SetAllSkin(TRdSkinClass* Value) {
    if (Value && FAllSkin->Equals(*Value) && FAllSkin->Draw()->Equals(*Value->Draw())) return;
    FAllSkin->Assign(Value);
}

// ---- nesting ----

tk::TControl* TRdGraphicControl::Container() const {
    return FGraphicParent ? static_cast<tk::TControl*>(FGraphicParent) : tk::TGraphicControl::Container();
}

TRdGraphicControl* TRdGraphicControl::Outermost() {
    TRdGraphicControl* c = this;
    while (c->FGraphicParent)
        c = c->FGraphicParent;
    return c;
}

int TRdGraphicControl::IndexOfChild(const TRdGraphicControl* Child) const {
    // By rank first (the list is in ascending rank), then the exact entry.
    auto it = std::lower_bound(FControls.begin(), FControls.end(), Child->FRdOrder,
                               [](const TRdGraphicControl* c, int rank) { return c->FRdOrder < rank; });
    for (; it != FControls.end() && (*it)->FRdOrder == Child->FRdOrder; ++it)
        if (*it == Child) return static_cast<int>(it - FControls.begin());
    auto found = std::find(FControls.begin(), FControls.end(), Child);
    return found == FControls.end() ? -1 : static_cast<int>(found - FControls.begin());
}

void TRdGraphicControl::InsertChild(TRdGraphicControl* Child) {
    Child->FRdOrder = FControls.empty() ? 0 : FControls.back()->FRdOrder + 1;
    FControls.push_back(Child);
}

void TRdGraphicControl::RemoveChild(TRdGraphicControl* Child) {
    const int i = IndexOfChild(Child);
    if (i >= 0) FControls.erase(FControls.begin() + i);
    if (FMouseControl == Child) FMouseControl = nullptr;
}

void TRdGraphicControl::PassWindowedParent(tk::TWinControl* Window) {
    FParent = Window;
    for (TRdGraphicControl* c : FControls)
        c->PassWindowedParent(Window);
}

void TRdGraphicControl::SetGraphicParent(TRdGraphicControl* Value) {
    if (Value == FGraphicParent) return;
    for (TRdGraphicControl* c = Value; c; c = c->FGraphicParent)
        if (c == this) throw tk::EInvalidOperation("A control cannot have itself as its parent");
    tk::TWinControl* window = Parent();
    if (FGraphicParent) {
        Invalidate();
        TRdGraphicControl* old = FGraphicParent;
        old->RemoveChild(this);
        FGraphicParent = Value;
        old->Realign();
    } else if (Value) {
        if (window) tk::TGraphicControl::SetParent(nullptr);
        FGraphicParent = Value;
    }
    if (FGraphicParent) {
        FGraphicParent->InsertChild(this);
        PassWindowedParent(FGraphicParent->Outermost()->Parent());
        if (!InState(tk::csLoading | tk::csReading)) {
            Perform(tk::CM_PARENTCOLORCHANGED);
            Perform(tk::CM_PARENTFONTCHANGED);
            Perform(tk::CM_PARENTSHOWHINTCHANGED);
            Invalidate();
            if (!InState(tk::csLoading)) FGraphicParent->Realign();
        }
        UpdateAnchorRules();
    } else {
        // Back on the windowed parent it had, properly this time.
        PassWindowedParent(nullptr);
        if (window) tk::TGraphicControl::SetParent(window);
        for (TRdGraphicControl* c : FControls)
            c->PassWindowedParent(window);
    }
    FMouseInClient = false;
}

void TRdGraphicControl::SetParent(tk::TWinControl* AParent) {
    if (FGraphicParent) {
        TRdGraphicControl* old = FGraphicParent;
        Invalidate();
        old->RemoveChild(this);
        FGraphicParent = nullptr;
        FParent = nullptr;
        old->Realign();
    }
    tk::TGraphicControl::SetParent(AParent);
    for (TRdGraphicControl* c : FControls)
        c->PassWindowedParent(AParent);
}

void TRdGraphicControl::Broadcast(tk::TMessage& Message) {
    const std::vector<TRdGraphicControl*> list = FControls;
    for (TRdGraphicControl* c : list) {
        c->Perform(Message);
        if (Message.Result) return;
    }
}

// ---- content ----

void TRdGraphicControl::SetScroll(int X, int Y) {
    if (X == FScrollX && Y == FScrollY) return;
    FScrollX = X;
    FScrollY = Y;
    Invalidate();
}

tk::TControl* TRdGraphicControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool, bool AllLevels) {
    return ControlAtPosEx(Pos, AllowDisabled, AllLevels, false);
}

TRdGraphicControl* TRdGraphicControl::ControlAtPosEx(POINT Pos, bool AllowDisabled, bool AllLevels,
                                                     bool AbsPos) {
    if (!AbsPos) Pos = POINT{Pos.x + FScrollX, Pos.y + FScrollY};
    for (size_t i = FControls.size(); i-- > 0;) {
        TRdGraphicControl* c = FControls[i];
        const POINT local{Pos.x - c->Left(), Pos.y - c->Top()};
        const RECT client = c->GetClientRect();
        if (!::PtInRect(&client, local)) continue;
        bool hit;
        if (c->InState(tk::csDesigning))
            hit = c->Visible();
        else
            hit = c->Visible() && (c->Enabled() || AllowDisabled) &&
                  tk::SendPointMessage(c, tk::CM_HITTEST, 0, local) != 0;
        if (!hit) continue;
        if (AllLevels)
            if (TRdGraphicControl* deeper = c->ControlAtPosEx(local, AllowDisabled, true, false))
                return deeper;
        return c;
    }
    return nullptr;
}

// ---- z-order ----

void TRdGraphicControl::MoveChild(TRdGraphicControl* Child, int Index) {
    const int from = IndexOfChild(Child);
    if (from < 0) return;
    const int last = static_cast<int>(FControls.size()) - 1;
    Index = std::clamp(Index, 0, last);
    FControls.erase(FControls.begin() + from);
    FControls.insert(FControls.begin() + Index, Child);
    if (last == 0) {
        Child->FRdOrder = 0;
    } else if (Index == 0) {
        Child->FRdOrder = FControls[1]->FRdOrder - 1;
    } else if (Index <= last / 2) {
        // The lower half: ranks descend from just below the next child's.
        int rank = Index < last ? FControls[static_cast<size_t>(Index) + 1]->FRdOrder - 1
                                : FControls[static_cast<size_t>(Index) - 1]->FRdOrder + 1;
        for (int i = Index; i >= 0; --i)
            FControls[static_cast<size_t>(i)]->FRdOrder = rank--;
    } else {
        // The upper half: ranks ascend from just above the previous child's.
        int rank = FControls[static_cast<size_t>(Index) - 1]->FRdOrder + 1;
        for (int i = Index; i <= last; ++i)
            FControls[static_cast<size_t>(i)]->FRdOrder = rank++;
    }
    Child->Invalidate();
}

void TRdGraphicControl::SetZOrder(bool TopMost) {
    if (!FGraphicParent) {
        tk::TGraphicControl::SetZOrder(TopMost);
        return;
    }
    FGraphicParent->MoveChild(this, TopMost ? FGraphicParent->ControlCount() - 1 : 0);
}

// ---- alignment ----

void TRdGraphicControl::EnableAlign(bool Redraw) {
    if (FAlignLevel > 0) --FAlignLevel;
    if (FAlignLevel != 0) return;
    if (FAlignRequested) Realign();
    if (Redraw) Invalidate();
}

void TRdGraphicControl::Realign() {
    if (InState(tk::csLoading | tk::csDestroying)) return;
    if (FAlignLevel != 0) {
        FAlignRequested = true;
        return;
    }
    FAlignRequested = false;
    RECT r = GetClientRect();
    DisableAlign();
    ScopeExit enable([this] { --FAlignLevel; });
    AlignControls(nullptr, r);
}

void TRdGraphicControl::AdjustClientRect(RECT& Rect) const {
    Rect.left += FPadding->Left();
    Rect.top += FPadding->Top();
    Rect.right -= FPadding->Right();
    Rect.bottom -= FPadding->Bottom();
}

void TRdGraphicControl::AlignControls(tk::TControl*, RECT& Rect) {
    const bool any = std::any_of(FControls.begin(), FControls.end(), [](const TRdGraphicControl* c) {
        return c->Align() != tk::alNone || c->Anchors() != tk::kDefaultAnchors;
    });
    if (!any) return;
    Rect = GetClientRect();
    AdjustClientRect(Rect);
    ::OffsetRect(&Rect, Left(), Top());
}

// ---- bounds ----

void TRdGraphicControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool sized = AWidth != Width() || AHeight != Height();
    const bool moved = ALeft != Left() || ATop != Top();
    tk::TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (sized) {
        FAllSkin->DrawBufferTk = 0;
        FAllSkin->DrawBufferRect = GetClientRect();
    }
    if (moved && !sized) PosChanged();
}

void TRdGraphicControl::PosChanged() {
    OnPosChanged(this);
}

// ---- messages ----

void TRdGraphicControl::HitTestMessage(tk::TMessage& m) {
    tk::TGraphicControl::WndProc(m); // a hit inside the client area
    if (!FHitTest) m.Result = 0;
    const POINT p = tk::MessagePoint(this, m);
    LRESULT result = m.Result;
    OnMouseHitTest(this, static_cast<int>(p.x), static_cast<int>(p.y), result);
    if (result == HTTRANSPARENT && ControlAtPosEx(p, false, false, false)) result = HTCLIENT;
    m.Result = result;
}

void TRdGraphicControl::TrackNestedMouse(POINT P) {
    tk::TControl* capture = tk::GetCaptureControl();
    TRdGraphicControl* target;
    if (capture && capture != this && ContainsControl(capture)) {
        target = dynamic_cast<TRdGraphicControl*>(capture);
    } else {
        target = ControlAtPosEx(P, false, false, false);
    }
    FMouseInClient = true;
    if (target == FMouseControl || target == this) return;
    TRdGraphicControl* old = FMouseControl;
    const bool notify = !capture || capture == old || (old && target && old->ContainsControl(target));
    if (old) {
        old->RemoveFreeNotification(this);
        if (notify) old->Perform(tk::CM_MOUSELEAVE);
    }
    FMouseControl = target;
    if (target) {
        target->FreeNotification(this);
        if (notify) target->Perform(tk::CM_MOUSEENTER);
    }
}

void TRdGraphicControl::RouteMouse(tk::TMessage& m) {
    POINT p = tk::MessagePoint(this, m);
    const int scale = FAllSkin->Draw()->DrawScale();
    if (scale != 100) p = POINT{::MulDiv(p.x, 100, scale), ::MulDiv(p.y, 100, scale)};
    if (m.Msg == WM_MOUSEMOVE) TrackNestedMouse(p);
    TRdGraphicControl* target = nullptr;
    tk::TControl* capture = tk::GetCaptureControl();
    if (capture && capture != this && ContainsControl(capture)) {
        for (tk::TControl* c = capture; c; c = c->Container())
            if (c->Container() == this) {
                target = dynamic_cast<TRdGraphicControl*>(c);
                break;
            }
    } else {
        target = ControlAtPosEx(p, false, false, false);
    }
    if (target && target != this) {
        const POINT local{p.x + FScrollX - target->Left(), p.y + FScrollY - target->Top()};
        m.Result = tk::SendPointMessage(target, m.Msg, m.WParam, local);
        return;
    }
    if (scale != 100) {
        tk::TPrecisePointScope scope(this, p);
        m.LParam = MAKELPARAM(static_cast<short>(p.x), static_cast<short>(p.y));
        tk::TGraphicControl::WndProc(m);
        return;
    }
    tk::TGraphicControl::WndProc(m);
}

void TRdGraphicControl::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TGraphicControl::Notification(AComponent, Operation);
    if (Operation == tk::TOperation::opRemove && AComponent == FMouseControl) FMouseControl = nullptr;
}

void TRdGraphicControl::WndProc(tk::TMessage& m) {
    ++FWndProcInc;
    struct Depth {
        TRdGraphicControl* self;
        std::shared_ptr<bool> alive;
        ~Depth() {
            if (*alive && self->FWndProcInc > 0) --self->FWndProcInc;
        }
    } depth{this, AliveFlag()};
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) {
            PaintMessage(reinterpret_cast<HDC>(m.WParam));
            m.Result = 0;
            return;
        }
        break;
    case tk::CM_HITTEST:
        HitTestMessage(m);
        return;
    case tk::CM_MOUSELEAVE:
        if (m.LParam == 0) {
            FMouseInClient = false;
            if (TRdGraphicControl* old = FMouseControl) {
                FMouseControl = nullptr;
                old->RemoveFreeNotification(this);
                old->Perform(tk::CM_MOUSELEAVE);
            }
        }
        break;
    case tk::CM_COLORCHANGED: {
        tk::TGraphicControl::WndProc(m);
        tk::TMessage n{tk::CM_PARENTCOLORCHANGED, 0, 0, 0};
        for (TRdGraphicControl* c : std::vector<TRdGraphicControl*>(FControls))
            c->Perform(n);
        return;
    }
    case tk::CM_FONTCHANGED: {
        tk::TGraphicControl::WndProc(m);
        if (FontEx()->ShadowGlow() && FontEx()->ShadowGlow()->Enabled()) FAllSkin->CreateDrawBuffer();
        tk::TMessage n{tk::CM_PARENTFONTCHANGED, 0, 0, 0};
        for (TRdGraphicControl* c : std::vector<TRdGraphicControl*>(FControls))
            c->Perform(n);
        return;
    }
    case tk::CM_SHOWHINTCHANGED: {
        tk::TGraphicControl::WndProc(m);
        tk::TMessage n{tk::CM_PARENTSHOWHINTCHANGED, 0, 0, 0};
        for (TRdGraphicControl* c : std::vector<TRdGraphicControl*>(FControls))
            c->Perform(n);
        return;
    }
    case tk::CM_SYSCOLORCHANGE:
        FAllSkin->DrawBufferTk = 0;
        FAllSkin->DrawBufferBkgTk = 0;
        FAllSkin->DrawBufferRect = GetClientRect();
        [[fallthrough]];
    case tk::CM_SYSFONTCHANGED:
    case WM_WININICHANGE:
    case WM_TIMECHANGE: {
        tk::TGraphicControl::WndProc(m);
        tk::TMessage n{m.Msg, m.WParam, m.LParam, 0};
        for (TRdGraphicControl* c : std::vector<TRdGraphicControl*>(FControls))
            c->Perform(n);
        return;
    }
    default:
        if (isMouseMessage(m.Msg) && m.Msg != WM_MOUSEWHEEL) {
            RouteMouse(m);
            return;
        }
    }
    tk::TGraphicControl::WndProc(m);
}

// ---- loading and streaming ----

void TRdGraphicControl::Loaded() {
    FAllSkin->LoadSkinValue(true);
    tk::TGraphicControl::Loaded();
    Realign();
}

tk::TComponent* TRdGraphicControl::GetParentComponent() const {
    return FGraphicParent ? static_cast<tk::TComponent*>(FGraphicParent)
                          : tk::TGraphicControl::GetParentComponent();
}

void TRdGraphicControl::SetParentComponent(tk::TComponent* Value) {
    if (auto* g = dynamic_cast<TRdGraphicControl*>(Value)) {
        SetGraphicParent(g);
        return;
    }
    if (FGraphicParent) SetGraphicParent(nullptr);
    tk::TGraphicControl::SetParentComponent(Value);
}

void TRdGraphicControl::GetChildren(const std::function<void(tk::TComponent*)>& Proc, tk::TComponent* Root) {
    for (TRdGraphicControl* c : std::vector<TRdGraphicControl*>(FControls))
        if (c->Owner() == Root) Proc(c);
}

void TRdGraphicControl::ReadState(tk::TReader& Reader) {
    DisableAlign();
    try {
        tk::TGraphicControl::ReadState(Reader);
    } catch (...) {
        EnableAlign(false);
        throw;
    }
    EnableAlign(true);
}

bool TRdGraphicControl::DesignSizeNeeded() const {
    return std::any_of(FControls.begin(), FControls.end(), [](const TRdGraphicControl* c) {
        return c->Align() == tk::alNone && c->Anchors() != tk::kDefaultAnchors;
    });
}

void TRdGraphicControl::DefineProperties(tk::TFiler& Filer) {
    tk::TGraphicControl::DefineProperties(Filer);
    Filer.DefineProperty(
        "DesignSize",
        [this](const forms::Value& v) {
            if (v.kind != forms::ValueKind::List || v.list.size() != 2 || !v.list[0].isInteger() ||
                !v.list[1].isInteger())
                throw tk::EFilerError("Invalid property value");
            FDesignSize = POINT{static_cast<LONG>(v.list[0].integer), static_cast<LONG>(v.list[1].integer)};
        },
        [this] {
            const RECT r = GetClientRect();
            FDesignSize = POINT{r.right - r.left, r.bottom - r.top};
            forms::Value v;
            v.kind = forms::ValueKind::List;
            for (LONG n : {FDesignSize.x, FDesignSize.y}) {
                forms::Value i;
                i.kind = forms::ValueKind::Integer;
                i.integer = n;
                v.list.push_back(i);
            }
            return v;
        },
        DesignSizeNeeded());
}

// ---- accessibility ----

void TRdGraphicControl::GetContainedControls(std::vector<tk::TControl*>& List) const {
    List.insert(List.end(), FControls.begin(), FControls.end());
}

} // namespace vell::rd
