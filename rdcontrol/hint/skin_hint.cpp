#include "rdcontrol/hint/skin_hint.h"

#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/application.h"
#include "toolkit/hooks.h"
#include "toolkit/screen.h"

namespace vell::rd {

namespace {

constexpr char kUseSkinHintName[] = "RdUseSkinHint";

TUseSkinHint* linkOf(tk::TControl* Control) {
    return Control ? dynamic_cast<TUseSkinHint*>(Control->FindComponent(kUseSkinHintName)) : nullptr;
}

// The hint module's link in the toolkit's seams: a styled control's pause and hint window,
// the default width, and CustomHint assignments of styles.
class THintManager : public tk::TToolkitHooks {
  public:
    bool PreProcessMessage(tk::TControl* Control, tk::TMessage& Message) override {
        if (Message.Msg == tk::CM_HINTSHOWPAUSE && Message.LParam) {
            int& pause = *reinterpret_cast<int*>(Message.LParam);
            tk::TApplication* app = tk::Application();
            TRdSkinHint* style = SkinHintOf(Control);
            if (style && style->Active()) {
                pause = style->HintPause();
                app->SetHintWindowClass(&TRdSkinHintWindow::StaticClass());
                int hidePause = style->HintHidePause();
                bool wasHint = Message.WParam != 0;
                style->OnBeforeActive(Control, dynamic_cast<TRdSkinHintWindow*>(app->HintWindow()), wasHint, pause,
                                      hidePause);
                if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow())) w->HidePause = hidePause;
            } else if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow());
                       w && w->NowShowing() && w->Style() && w->Style()->AlphaBlendAnimation()) {
                // The next hint waits for the fade-out.
                const int fade = w->Style()->AlphaBlendAnimationTimes() * w->Style()->AlphaBlendAnimationInterval();
                if (pause < 0 || pause <= fade) pause = fade;
            }
        } else if (Message.Msg == tk::CM_HINTSHOW && Message.LParam) {
            auto& info = *reinterpret_cast<tk::THintInfo*>(Message.LParam);
            TRdSkinHint* style = SkinHintOf(Control);
            if (style && style->Active()) {
                info.HintWindowClass = &TRdSkinHintWindow::StaticClass();
                info.HintMaxWidth = style->MaxWidth();
                info.HideTimeout = style->HintHidePause();
            } else if (info.HintMaxWidth >= tk::Screen()->Width()) {
                info.HintMaxWidth = DefaultHintMaxWidth;
            }
        }
        return Next().PreProcessMessage(Control, Message);
    }

    void CustomHintChanging(tk::TControl* Control, tk::TCustomHint*& Value) override {
        if (auto* style = dynamic_cast<TRdSkinHint*>(Value)) {
            UseSkinHint(Control, style);
            Value = nullptr; // the framework's own custom-hint path is not used
        } else {
            UseSkinHint(Control, nullptr);
        }
        Next().CustomHintChanging(Control, Value);
    }
};

THintManager* gManager = nullptr;

} // namespace

// ---- TUseSkinHint ----

const tk::ClassInfo& TUseSkinHint::StaticClass() {
    static const tk::ClassInfo info = tk::ClassBuilder<TUseSkinHint>("TUseSkinHint", &tk::TComponent::StaticClass()).build();
    return info;
}

TUseSkinHint::TUseSkinHint(tk::TComponent* AOwner) : tk::TComponent(AOwner) { SetName(kUseSkinHintName); }

void TUseSkinHint::SetUseSkinHint(TRdSkinHint* Value) {
    if (Value == FUseSkinHint) return;
    if (FUseSkinHint) FUseSkinHint->RemoveFreeNotification(this);
    FUseSkinHint = Value;
    if (Value) Value->FreeNotification(this);
}

void TUseSkinHint::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TComponent::Notification(AComponent, Operation);
    if (Operation == tk::TOperation::opRemove && AComponent == FUseSkinHint) FUseSkinHint = nullptr;
}

TRdSkinHint* SkinHintOf(tk::TControl* Control) {
    for (tk::TControl* c = Control; c; c = c->Container()) {
        if (TUseSkinHint* link = linkOf(c); link && link->UseSkinHint()) return link->UseSkinHint();
        if (!c->ParentCustomHint()) break;
    }
    return nullptr;
}

void UseSkinHint(tk::TControl* Control, TRdSkinHint* Style) {
    if (!Control) return;
    TUseSkinHint* link = linkOf(Control);
    if (!link) {
        if (!Style) return;
        link = new TUseSkinHint(Control);
    }
    link->SetUseSkinHint(Style);
}

void RegisterSkinHints() {
    if (gManager) return;
    gManager = new THintManager;
    tk::InstallToolkitHooks(gManager);
    for (const tk::ClassInfo* c : {&TRdSkinHint::StaticClass(), &TUseSkinHint::StaticClass()}) tk::RegisterClassInfo(*c);
}

void StopSkinHints() {
    if (!gManager) return;
    if (tk::TApplication* app = tk::CurrentApplication()) app->CancelHint();
    tk::RemoveToolkitHooks(gManager);
    delete gManager;
    gManager = nullptr;
}

// ---- TRdSkinHint ----

const tk::ClassInfo& TRdSkinHint::StaticClass() {
    using T = TRdSkinHint;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdSkinHint", &tk::TCustomHint::StaticClass())
            .ord("Active", tk::BooleanType(), &T::Active, &T::SetActive, 1)
            .obj("Font", tk::ClassTypeOf<TRdFont>(), &T::Font, &T::SetFont)
            .obj("FontLink", tk::ClassTypeOf<TRdFont>(), &T::FontLink, &T::SetFontLink)
            .ord("AlphaBlend", tk::BooleanType(), &T::AlphaBlend, &T::SetAlphaBlend, 1)
            .ord("AlphaBlendValue", tk::IntegerType(), &T::AlphaBlendValue, &T::SetAlphaBlendValue, 255)
            .ord("AlphaBlendAnimation", tk::BooleanType(), &T::AlphaBlendAnimation, &T::SetAlphaBlendAnimation, 1)
            .ord("AlphaBlendAnimationInterval", tk::IntegerType(), &T::AlphaBlendAnimationInterval,
                 &T::SetAlphaBlendAnimationInterval, 30)
            .ord("AlphaBlendAnimationTimes", tk::IntegerType(), &T::AlphaBlendAnimationTimes,
                 &T::SetAlphaBlendAnimationTimes, 10)
            .obj("BackgroundImage", tk::ClassTypeOf<tk::TPicture>(), &T::BackgroundImage, &T::SetBackgroundImage)
            .obj("BackgroundOption", tk::ClassTypeOf<design::TDesignRect>(), &T::BackgroundOption,
                 &T::SetBackgroundOption)
            .obj("ArrowImageUp", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageUp, &T::SetArrowImageUp)
            .obj("ArrowImageDown", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageDown, &T::SetArrowImageDown)
            .obj("ArrowImageLeft", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageLeft, &T::SetArrowImageLeft)
            .obj("ArrowImageRight", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageRight, &T::SetArrowImageRight)
            .ord("ShowArrow", tk::BooleanType(), &T::ShowArrow, &T::SetShowArrow, 1)
            .ord("ArrowHorzMode", tk::BooleanType(), &T::ArrowHorzMode, &T::SetArrowHorzMode, 0)
            .ord("ArrowAutoUp", tk::BooleanType(), &T::ArrowAutoUp, &T::SetArrowAutoUp, 0)
            .ord("ArrowAutoDown", tk::BooleanType(), &T::ArrowAutoDown, &T::SetArrowAutoDown, 0)
            .ord("MaxWidth", tk::IntegerType(), &T::MaxWidth, &T::SetMaxWidth, 300)
            .ord("MaxHeight", tk::IntegerType(), &T::MaxHeight, &T::SetMaxHeight, 600)
            .ord("TextAlign", tk::AlignmentType(), &T::TextAlign, &T::SetTextAlign, tk::taLeftJustify)
            .ord("TextX", tk::IntegerType(), &T::TextX, &T::SetTextX, 16)
            .ord("TextY", tk::IntegerType(), &T::TextY, &T::SetTextY, 16)
            .ord("HintHidePause", tk::IntegerType(), &T::HintHidePause, &T::SetHintHidePause)
            .ord("HintPause", tk::IntegerType(), &T::HintPause, &T::SetHintPause, 500)
            .ord("HintColor", tk::ColorType(), &T::HintColor, &T::SetHintColor, 0xFFFFFF)
            .ord("LinkCursor", tk::CursorType(), &T::LinkCursor, &T::SetLinkCursor, -21)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &T::AllSkin, &T::SetAllSkin)
            .event("OnLinkClick", &T::OnLinkClick)
            .build();
    return info;
}

TRdSkinHint::TRdSkinHint(tk::TComponent* AOwner)
    : tk::TCustomHint(AOwner), FBackgroundImage(std::make_unique<tk::TPicture>()),
      FBackgroundOption(std::make_unique<design::TDesignRect>()) {
    FAllSkin = std::make_unique<TRdSkinClass>(this, this, nullptr);
    FDefaultFont = std::make_unique<TRdFont>(this, FAllSkin.get());
    FDefaultFont->Assign(tk::Screen()->HintFont());
    FFontLink = std::make_unique<TRdFont>(this, FAllSkin.get());
    FFontLink->SetParentFont(FDefaultFont.get(), true);
    for (auto& a : FArrows) a = std::make_unique<tk::TPicture>();
    tk::TApplication* app = tk::CurrentApplication();
    FHintHidePause = app ? app->HintHidePause() : 2500;
}

TRdSkinHint::~TRdSkinHint() {
    // The own window goes first: its worker must not outlive the style's pictures.
    if (FCustomHintWnd) {
        TRdSkinHintWindow* w = FCustomHintWnd;
        FCustomHintWnd = nullptr;
        delete w;
    }
}

void TRdSkinHint::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TCustomHint::Notification(AComponent, Operation);
    if (Operation == tk::TOperation::opRemove && AComponent == FCustomHintWnd) FCustomHintWnd = nullptr;
}

void TRdSkinHint::SetAllSkin(TRdSkinClass* Value) {
    if (Value) FAllSkin->Assign(Value);
}

void TRdSkinHint::SetArrowAutoUp(bool Value) {
    FArrowAutoUp = Value;
    if (Value) FArrowAutoDown = false;
}
void TRdSkinHint::SetArrowAutoDown(bool Value) {
    FArrowAutoDown = Value;
    if (Value) FArrowAutoUp = false;
}

void TRdSkinHint::SetMaxWidth(int Value) {
    if (Value > tk::Screen()->Width() || Value < FBackgroundOption->Left() + FBackgroundOption->Right() ||
        Value < 2 * FTextX)
        return;
    FMaxWidth = Value;
}
void TRdSkinHint::SetMaxHeight(int Value) {
    if (Value > ::GetSystemMetrics(SM_CYSCREEN) || Value < FBackgroundOption->Top() + FBackgroundOption->Bottom() ||
        Value < 2 * FTextY)
        return;
    FMaxHeight = Value;
}
void TRdSkinHint::SetTextX(int Value) {
    if (FMaxWidth >= 2 * Value) FTextX = Value;
}
void TRdSkinHint::SetTextY(int Value) {
    if (FMaxHeight >= 2 * Value) FTextY = Value;
}

void TRdSkinHint::ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint, void* Ptr, int HidePause) {
    if (tk::TApplication* app = tk::CurrentApplication()) app->CancelHint();
    if (!FCustomHintWnd) {
        FCustomHintWnd = new TRdSkinHintWindow(this);
        FCustomHintWnd->SetStyle(this);
    }
    FCustomHintWnd->CustomPtr = Ptr;
    FCustomHintWnd->HidePause = HidePause < 0 ? FHintHidePause : HidePause;
    FCustomHintWnd->AutoHide = FCustomHintWnd->HidePause != 0;
    FCustomHintWnd->ShowHint(ControlScreenRct, Hint);
}

void TRdSkinHint::ShowHint(tk::TControl* Control, const std::u16string& Hint, void* Ptr, int HidePause) {
    if (!Control) return;
    RECT r = Control->GetBoundsRect();
    if (tk::TControl* parent = Control->Container()) {
        const POINT tl = parent->ClientToScreen(POINT{r.left, r.top});
        r = RECT{tl.x, tl.y, tl.x + Control->Width(), tl.y + Control->Height()};
    } else {
        const POINT tl = Control->ClientToScreen(POINT{0, 0});
        r = RECT{tl.x, tl.y, tl.x + Control->Width(), tl.y + Control->Height()};
    }
    ShowHint(r, Hint, Ptr, HidePause);
}

void TRdSkinHint::ShowHint(tk::TControl* Control) {
    if (Control) ShowHint(Control, Control->Hint());
}

void TRdSkinHint::HideHint() {
    tk::TCustomHint::HideHint();
    if (FCustomHintWnd) FCustomHintWnd->HideHint();
}

void TRdSkinHint::CancelHint() {
    if (tk::TApplication* app = tk::CurrentApplication()) app->CancelHint();
    if (FCustomHintWnd) FCustomHintWnd->HideHint();
}

} // namespace vell::rd
