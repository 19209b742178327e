#include "rdcontrol/hint/skin_hint.h"

#include "core/text/utf.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/paint/measure_dc.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/application.h"
#include "toolkit/hooks.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"

#include <string>

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
                style->OnBeforeActive(Control, dynamic_cast<TRdSkinHintWindow*>(app->HintWindow()), wasHint,
                                      pause, hidePause);
                if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow())) w->HidePause = hidePause;
            } else if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow());
                       w && w->NowShowing() && w->Style() && w->Style()->AlphaBlendAnimation()) {
                // The next hint waits for the fade-out.
                const int fade =
                    w->Style()->AlphaBlendAnimationTimes() * w->Style()->AlphaBlendAnimationInterval();
                if (pause < 0 || pause <= fade) pause = fade;
            }
        } else if (Message.Msg == tk::CM_HINTSHOW && Message.LParam) {
            if (ShowHintHandler(Control, *reinterpret_cast<tk::THintInfo*>(Message.LParam))) {
                Message.Result = 1; // no hint
                return true;
            }
        }
        return Next().PreProcessMessage(Control, Message);
    }

    // The framework is about to show Control's hint; true: it shows none.
    static bool ShowHintHandler(tk::TControl* Control, tk::THintInfo& Info) {
        // A control inside a hint shows no hint of its own.
        for (tk::TControl* c = Control; c; c = c->Parent())
            if (dynamic_cast<TRdSkinHintWindow*>(c)) return true;
        tk::TApplication* app = tk::Application();
        TRdSkinHint* style = SkinHintOf(Control);
        if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow())) {
            if (!style && w->Style() &&
                app->HintWindowClass()->inheritsFrom(TRdSkinHintWindow::StaticClass()))
                style = w->Style();
            w->ResetTipFormParams();
        }
        if (!style || !style->Active()) {
            if (Info.HintMaxWidth >= tk::Screen()->Width()) Info.HintMaxWidth = DefaultHintMaxWidth;
            return false;
        }
        Info.HintMaxWidth = style->MaxWidth();
        Info.HideTimeout = style->HintHidePause();
        if (!Info.HintWindowClass || !Info.HintWindowClass->inheritsFrom(TRdSkinHintWindow::StaticClass()))
            Info.HintWindowClass = &TRdSkinHintWindow::StaticClass();
        bool canShow = true;
        style->OnActiveHint(Info.HintStr, canShow, Info);
        return !canShow;
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
    static const tk::ClassInfo info =
        tk::ClassBuilder<TUseSkinHint>("TUseSkinHint", &tk::TComponent::StaticClass()).build();
    return info;
}

TUseSkinHint::TUseSkinHint(tk::TComponent* AOwner) : tk::TComponent(AOwner) {
    SetName(kUseSkinHintName);
}

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
    for (const tk::ClassInfo* c : {&TRdSkinHint::StaticClass(), &TUseSkinHint::StaticClass()})
        tk::RegisterClassInfo(*c);
}

void StopSkinHints() {
    if (!gManager) return;
    if (tk::TApplication* app = tk::CurrentApplication()) {
        // The application's hint window and its class go back to the framework's.
        app->CancelHint();
        if (auto* w = dynamic_cast<TRdSkinHintWindow*>(app->HintWindow())) tk::Free(w);
        if (const tk::ClassInfo* c = app->HintWindowClass();
            c && c->inheritsFrom(TRdSkinHintWindow::StaticClass()))
            app->SetHintWindowClass(nullptr);
    }
    tk::RemoveToolkitHooks(gManager);
    delete gManager;
    gManager = nullptr;
    for (const tk::ClassInfo* c : {&TRdSkinHint::StaticClass(), &TUseSkinHint::StaticClass()})
        tk::UnregisterClassInfo(*c);
}

// ---- TRdSkinHint ----

namespace {
const tk::TypeInfo& FontQualityType() {
    static const tk::TypeInfo t = tk::makeEnumType(
        "TRdFontQuality", {"fdqDefault", "fdqNonAntialiased", "fdqAntialiased", "fdqClearType"});
    return t;
}
const tk::TypeInfo& HintPositionType() {
    static const tk::TypeInfo t = tk::makeEnumType("THintPosition", {"HP_Auto", "HP_Center"});
    return t;
}
} // namespace

const tk::ClassInfo& TRdSkinHint::StaticClass() {
    using T = TRdSkinHint;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdSkinHint", &tk::TCustomHint::StaticClass())
            .ord("Active", tk::BooleanType(), &T::Active, &T::SetActive, 1)
            .obj("Font", tk::ClassTypeOf<TRdFont>(), &T::Font, &T::SetFont)
            .ord("FontQuality", FontQualityType(), &T::FontQuality, &T::SetFontQuality, std::nullopt,
                 &T::NeverStored)
            .obj("FontTitle", tk::ClassTypeOf<TRdFont>(), &T::FontTitle, &T::SetFontTitle)
            .obj("FontLink", tk::ClassTypeOf<TRdFont>(), &T::FontLink, &T::SetFontLink)
            .obj("ButtonFont", tk::ClassTypeOf<TRdFont>(), &T::ButtonFont, &T::SetButtonFont)
            .ord("AlphaBlend", tk::BooleanType(), &T::AlphaBlend, &T::SetAlphaBlend, 1)
            .ord("AlphaBlendValue", tk::IntegerType(), &T::AlphaBlendValue, &T::SetAlphaBlendValue, 255)
            .ord("AlphaBlendAnimation", tk::BooleanType(), &T::AlphaBlendAnimation,
                 &T::SetAlphaBlendAnimation, 1)
            .ord("AlphaBlendAnimationInterval", tk::IntegerType(), &T::AlphaBlendAnimationInterval,
                 &T::SetAlphaBlendAnimationInterval, 30)
            .ord("AlphaBlendAnimationTimes", tk::IntegerType(), &T::AlphaBlendAnimationTimes,
                 &T::SetAlphaBlendAnimationTimes, 10)
            .obj("BackgroundImage", tk::ClassTypeOf<tk::TPicture>(), &T::BackgroundImage,
                 &T::SetBackgroundImage)
            .obj("BackgroundOption", tk::ClassTypeOf<TRdSkinHintBkgOption>(), &T::BackgroundOption,
                 &T::SetBackgroundOption)
            .obj("ArrowImageUp", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageUp, &T::SetArrowImageUp)
            .obj("ArrowImageDown", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageDown, &T::SetArrowImageDown)
            .obj("ArrowImageLeft", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageLeft, &T::SetArrowImageLeft)
            .obj("ArrowImageRight", tk::ClassTypeOf<tk::TPicture>(), &T::ArrowImageRight,
                 &T::SetArrowImageRight)
            .obj("ArrowOption", tk::ClassTypeOf<TRdSkinHintArrowOption>(), &T::ArrowOption,
                 &T::SetArrowOption)
            .obj("Button", tk::ClassTypeOf<tk::TPicture>(), &T::Button, &T::SetButton)
            .obj("ButtonHot", tk::ClassTypeOf<tk::TPicture>(), &T::ButtonHot, &T::SetButtonHot)
            .obj("ButtonPress", tk::ClassTypeOf<tk::TPicture>(), &T::ButtonPress, &T::SetButtonPress)
            .obj("ButtonOption", tk::ClassTypeOf<TRdSkinHintButtonOption>(), &T::ButtonOption,
                 &T::SetButtonOption)
            .ord("MaxWidth", tk::IntegerType(), &T::MaxWidth, &T::SetMaxWidth, 300)
            .ord("MaxHeight", tk::IntegerType(), &T::MaxHeight, &T::SetMaxHeight, 600)
            .ord("TextAlign", tk::AlignmentType(), &T::TextAlign, &T::SetTextAlign, tk::taLeftJustify)
            .ord("TextX", tk::IntegerType(), &T::TextX, &T::SetTextX, 16)
            .ord("TextY", tk::IntegerType(), &T::TextY, &T::SetTextY, 16)
            .ord("HintHidePause", tk::IntegerType(), &T::HintHidePause, &T::SetHintHidePause)
            .ord("HintPause", tk::IntegerType(), &T::HintPause, &T::SetHintPause, 500)
            .ord("HintShortPause", tk::IntegerType(), &T::HintShortPause, &T::SetHintShortPause)
            .ord("HintPosition", HintPositionType(), &T::HintPosition, &T::SetHintPosition, HP_Center)
            .ord("HintColor", tk::ColorType(), &T::HintColor, &T::SetHintColor, 0xFFFFFF)
            .obj("TextControl", tk::ClassTypeOf<tk::TControl>(), &T::TextControl, &T::SetTextControl)
            .ord("LinkCursor", tk::CursorType(), &T::LinkCursor, &T::SetLinkCursor, -21)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &T::AllSkin, &T::SetAllSkin)
            .event("OnLinkClick", &T::OnLinkClick)
            .build();
    return info;
}

TRdSkinHint::TRdSkinHint(tk::TComponent* AOwner)
    : tk::TCustomHint(AOwner), FBackgroundImage(std::make_unique<tk::TPicture>()),
      FBackgroundOption(std::make_unique<TRdSkinHintBkgOption>()),
      FArrowOption(std::make_unique<TRdSkinHintArrowOption>()),
      FButtonOption(std::make_unique<TRdSkinHintButtonOption>()) {
    FAllSkin = std::make_unique<TRdSkinClass>(this, this, nullptr);
    FDefaultFont = std::make_unique<TRdFont>(this, FAllSkin.get());
    FDefaultFont->Assign(tk::Screen()->HintFont());
    auto follower = [this] {
        auto f = std::make_unique<TRdFont>(this, FAllSkin.get());
        f->SetParentFont(FDefaultFont.get(), true);
        return f;
    };
    FFontTitle = follower();
    FFontLink = follower();
    FButtonFont = follower();
    // Links look like links: underlined, as the HTML label's own link font is.
    FFontLink->SetStyle(FFontLink->Style() + tk::TFontStyles{tk::fsUnderline});
    for (auto& a : FArrows)
        a = std::make_unique<tk::TPicture>();
    for (auto& b : FButtons) {
        b = std::make_unique<tk::TPicture>();
        b->OnChange = [this](tk::TPicture* P) { ButtonPictureChanged(P); };
    }
    // Filled from the picture (Empty set to False): margins of a third of it.
    FBackgroundOption->OnChange = [this](design::TDesignRect& O) {
        if (O.ChangeEmpty())
            O.SetValue(FBackgroundImage->Width() / 3, FBackgroundImage->Height() / 3,
                       design::TDesignRect::kSameAsFirst, design::TDesignRect::kSameAsFirst);
    };
    tk::TApplication* app = tk::CurrentApplication();
    FHintHidePause = app ? app->HintHidePause() : 2500;
}

void TRdSkinHint::ButtonPictureChanged(tk::TPicture* Picture) {
    if (!InState(tk::csDesigning) || InState(tk::csLoading | tk::csReading) || !Picture || Picture->Empty())
        return;
    const int w = Picture->Width(), h = Picture->Height();
    TRdSkinHintButtonOption& o = *FButtonOption;
    if (o.Left() + o.Right() > w)
        o.SetValue(w / 3, design::TDesignRect::kKeepAxis, design::TDesignRect::kSameAsFirst,
                   design::TDesignRect::kKeepAxis);
    if (o.Top() + o.Bottom() > h)
        o.SetValue(design::TDesignRect::kKeepAxis, h / 3, design::TDesignRect::kKeepAxis,
                   design::TDesignRect::kSameAsFirst);
}

void TRdSkinHint::SetTextControl(tk::TControl* Value) {
    if (Value == FTextControl) return;
    if (FTextControl) FTextControl->RemoveFreeNotification(this);
    FTextControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TRdSkinHint::DoBeforeCalcHint(tk::TControl* Control, TRdSkinHintWindow* HintWindow,
                                   std::u16string& HintStr, int& MaxHeight, int& MaxWidth) {
    OnBeforeCalcHint(Control, HintWindow, MaxWidth, MaxHeight, HintStr);
}

namespace {
// The screen rectangle of a label's text, laid out as the label lays it out and clipped to
// the label; false when the control is no label or has no text.
bool labelTextRect(tk::TControl* Control, RECT& Screen) {
    RECT box{};
    if (auto* rd = dynamic_cast<TRdCustomLabel*>(Control)) {
        box = rd->LastTextRect();
    } else if (auto* label = dynamic_cast<tk::TLabel*>(Control)) {
        if (label->Caption().empty()) return false;
        MeasureDC m;
        if (!m.dc) return false;
        HGDIOBJ old = ::SelectObject(m.dc, label->Font()->Handle());
        const RECT client = label->GetClientRect();
        box = client;
        const std::wstring caption = text::toWide(label->Caption());
        ::DrawTextW(m.dc, caption.c_str(), static_cast<int>(caption.size()), &box,
                    label->DrawTextFlags() | DT_CALCRECT);
        ::SelectObject(m.dc, old);
        const int w = box.right - box.left, h = box.bottom - box.top;
        int x = client.left, y = client.top;
        if (label->Alignment() == tk::taRightJustify)
            x = client.right - w;
        else if (label->Alignment() == tk::taCenter)
            x = (client.left + client.right - w) / 2;
        if (label->Layout() == tk::tlBottom)
            y = client.bottom - h;
        else if (label->Layout() == tk::tlCenter)
            y = (client.top + client.bottom - h) / 2;
        box = RECT{x, y, x + w, y + h};
    } else {
        return false;
    }
    const RECT client = Control->GetClientRect();
    if (!::IntersectRect(&box, &box, &client)) return false;
    const POINT tl = Control->ClientToScreen(POINT{box.left, box.top});
    Screen = RECT{tl.x, tl.y, tl.x + box.right - box.left, tl.y + box.bottom - box.top};
    return true;
}
} // namespace

void TRdSkinHint::DoCalcPosHint(tk::TControl* Control, TRdSkinHintWindow* HintWindow, int& PosType,
                                int& ControlX, int& ControlY, int& ControlWidth, int& ControlHeight,
                                std::u16string& HintStr) {
    if (RECT r; Control && labelTextRect(Control, r)) {
        ControlX = r.left;
        ControlY = r.top;
        ControlWidth = r.right - r.left;
        ControlHeight = r.bottom - r.top;
    }
    OnCalcPosHint(Control, HintWindow, PosType, ControlX, ControlY, ControlWidth, ControlHeight, HintStr);
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
    if (Operation != tk::TOperation::opRemove) return;
    if (AComponent == FCustomHintWnd) FCustomHintWnd = nullptr;
    if (AComponent == FTextControl) FTextControl = nullptr;
}

void TRdSkinHint::SetAllSkin(TRdSkinClass* Value) {
    if (Value) FAllSkin->Assign(Value);
}

void TRdSkinHint::SetMaxWidth(int Value) {
    if (Value > tk::Screen()->Width() || Value < FBackgroundOption->Left() + FBackgroundOption->Right() ||
        Value < 2 * FTextX)
        return;
    FMaxWidth = Value;
}
void TRdSkinHint::SetMaxHeight(int Value) {
    if (Value > ::GetSystemMetrics(SM_CYSCREEN) ||
        Value < FBackgroundOption->Top() + FBackgroundOption->Bottom() || Value < 2 * FTextY)
        return;
    FMaxHeight = Value;
}
void TRdSkinHint::SetTextX(int Value) {
    if (FMaxWidth >= 2 * Value) FTextX = Value;
}
void TRdSkinHint::SetTextY(int Value) {
    if (FMaxHeight >= 2 * Value) FTextY = Value;
}

void TRdSkinHint::ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint, void* Ptr, int HidePause,
                           tk::TControl* TextControl) {
    if (tk::TApplication* app = tk::CurrentApplication()) app->CancelHint();
    if (!FCustomHintWnd) {
        FCustomHintWnd = new TRdSkinHintWindow(this);
        FCustomHintWnd->SetStyle(this);
    }
    FCustomHintWnd->CustomPtr = Ptr;
    FCustomHintWnd->HidePause = HidePause < 0 ? FHintHidePause : HidePause;
    FCustomHintWnd->AutoHide = FCustomHintWnd->HidePause != 0;
    FCustomHintWnd->ResetTipFormParams();
    FCustomHintWnd->SetTextControl(TextControl);
    FCustomHintWnd->ShowHint(ControlScreenRct, Hint);
}

void TRdSkinHint::ShowHint(tk::TControl* Control, const std::u16string& Hint, void* Ptr, int HidePause,
                           tk::TControl* TextControl) {
    if (!Control) return;
    RECT r = Control->GetBoundsRect();
    if (tk::TControl* parent = Control->Container()) {
        const POINT tl = parent->ClientToScreen(POINT{r.left, r.top});
        r = RECT{tl.x, tl.y, tl.x + Control->Width(), tl.y + Control->Height()};
    } else {
        const POINT tl = Control->ClientToScreen(POINT{0, 0});
        r = RECT{tl.x, tl.y, tl.x + Control->Width(), tl.y + Control->Height()};
    }
    ShowHint(r, Hint, Ptr, HidePause, TextControl);
}

void TRdSkinHint::ShowHint(tk::TControl* Control, tk::TControl* TextControl, void* Ptr, int HidePause) {
    if (!TextControl) return;
    // The text only tells hints apart; the window shows the control it is given.
    ShowHint(Control, text::u16(std::to_string(reinterpret_cast<uintptr_t>(TextControl))), Ptr, HidePause,
             TextControl);
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
