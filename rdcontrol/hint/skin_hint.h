// TRdSkinHint: a skinned hint style (background picture with nine-slice margins, arrow
// pictures, fonts, colour, text margins, maximum size, timing, fading). Controls are tied
// to a style by a "RdUseSkinHint" component they own (TUseSkinHint); setting a control's
// CustomHint to a style does that. The hint manager (RegisterSkinHints) then gives such
// controls the style's pause and a TRdSkinHintWindow through the toolkit's hint seams. A
// style can also show a hint directly at a control or a screen rectangle.
#pragma once
#include "rdcontrol/hint/hint_options.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/hint.h"
#include "toolkit/picture.h"

#include <memory>

namespace vell::tk {
struct THintInfo;
}

namespace vell::rd {

class TRdSkinHintWindow;
class TRdSkinClass;

enum THintPosition { HP_Auto, HP_Center };
enum TRdFontQuality { fdqDefault, fdqNonAntialiased, fdqAntialiased, fdqClearType };

class TRdSkinHint : public tk::TCustomHint {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinHint(tk::TComponent* AOwner);
    ~TRdSkinHint() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TRdFont* Font() const { return FDefaultFont.get(); }
    void SetFont(TRdFont* Value) { FDefaultFont->Assign(Value); }
    // fdqAntialiased when the font is antialiased, else fdqClearType; setting antialiases
    // the font exactly for fdqAntialiased.
    TRdFontQuality FontQuality() const { return FDefaultFont->Antialiased() ? fdqAntialiased : fdqClearType; }
    void SetFontQuality(TRdFontQuality Value) { FDefaultFont->SetAntialiased(Value == fdqAntialiased); }
    // The title's, the links' (underlined unless set otherwise) and the button's fonts
    // follow Font.
    TRdFont* FontTitle() const { return FFontTitle.get(); }
    void SetFontTitle(TRdFont* Value) { FFontTitle->Assign(Value); }
    TRdFont* FontLink() const { return FFontLink.get(); }
    void SetFontLink(TRdFont* Value) { FFontLink->Assign(Value); }
    TRdFont* ButtonFont() const { return FButtonFont.get(); }
    void SetButtonFont(TRdFont* Value) { FButtonFont->Assign(Value); }
    bool AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(bool Value) { FAlphaBlend = Value; }
    int AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(int Value) { FAlphaBlendValue = std::clamp(Value, 0, 255); }
    bool AlphaBlendAnimation() const { return FAlphaBlendAnimation; }
    void SetAlphaBlendAnimation(bool Value) { FAlphaBlendAnimation = Value; }
    int AlphaBlendAnimationInterval() const { return FAnimationInterval; }
    void SetAlphaBlendAnimationInterval(int Value) { FAnimationInterval = std::max(Value, 0); }
    int AlphaBlendAnimationTimes() const { return FAnimationTimes; }
    void SetAlphaBlendAnimationTimes(int Value) { FAnimationTimes = std::clamp(Value, 0, 255); }
    // The background: a nine-slice picture whose margins lie on the hint window's shadow
    // layer, around the window (BackgroundOption's margins or its ShadowFrame values).
    tk::TPicture* BackgroundImage() const { return FBackgroundImage.get(); }
    void SetBackgroundImage(tk::TPicture* Value) { FBackgroundImage->Assign(Value); }
    TRdSkinHintBkgOption* BackgroundOption() const { return FBackgroundOption.get(); }
    void SetBackgroundOption(TRdSkinHintBkgOption* Value) { FBackgroundOption->Assign(Value); }
    tk::TPicture* ArrowImageUp() const { return FArrows[0].get(); }
    void SetArrowImageUp(tk::TPicture* Value) { FArrows[0]->Assign(Value); }
    tk::TPicture* ArrowImageDown() const { return FArrows[1].get(); }
    void SetArrowImageDown(tk::TPicture* Value) { FArrows[1]->Assign(Value); }
    tk::TPicture* ArrowImageLeft() const { return FArrows[2].get(); }
    void SetArrowImageLeft(tk::TPicture* Value) { FArrows[2]->Assign(Value); }
    tk::TPicture* ArrowImageRight() const { return FArrows[3].get(); }
    void SetArrowImageRight(tk::TPicture* Value) { FArrows[3]->Assign(Value); }
    TRdSkinHintArrowOption* ArrowOption() const { return FArrowOption.get(); }
    void SetArrowOption(TRdSkinHintArrowOption* Value) { FArrowOption->Assign(Value); }
    // The button's pictures, option and font are kept (and follow the skin); the hint
    // window draws no button. A picture set while designed brings margins larger than a
    // third of it down to that third.
    tk::TPicture* Button() const { return FButtons[0].get(); }
    void SetButton(tk::TPicture* Value) { FButtons[0]->Assign(Value); }
    tk::TPicture* ButtonHot() const { return FButtons[1].get(); }
    void SetButtonHot(tk::TPicture* Value) { FButtons[1]->Assign(Value); }
    tk::TPicture* ButtonPress() const { return FButtons[2].get(); }
    void SetButtonPress(tk::TPicture* Value) { FButtons[2]->Assign(Value); }
    TRdSkinHintButtonOption* ButtonOption() const { return FButtonOption.get(); }
    void SetButtonOption(TRdSkinHintButtonOption* Value) { FButtonOption->Assign(Value); }
    // Taken only when at most the screen's size, at least the background's margins and
    // at least twice the text margin.
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int Value);
    tk::TAlignment TextAlign() const { return FTextAlign; }
    void SetTextAlign(tk::TAlignment Value) { FTextAlign = Value; }
    int TextX() const { return FTextX; }
    void SetTextX(int Value);
    int TextY() const { return FTextY; }
    void SetTextY(int Value);
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int Value) { FHintHidePause = Value; }
    int HintPause() const { return FHintPause; }
    void SetHintPause(int Value) { FHintPause = Value; }
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int Value) { FHintShortPause = Value; }
    THintPosition HintPosition() const { return FHintPosition; }
    void SetHintPosition(THintPosition Value) { FHintPosition = Value; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor Value) { FHintColor = Value; }
    // A control the hint shows instead of its text (forgotten when it goes).
    tk::TControl* TextControl() const { return FTextControl; }
    void SetTextControl(tk::TControl* Value);
    tk::TCursor LinkCursor() const { return FLinkCursor; }
    void SetLinkCursor(tk::TCursor Value) { FLinkCursor = Value; }
    TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(TRdSkinClass* Value);

    // Shows Hint for a screen rectangle or a control (its screen rectangle) in the style's
    // own window; a HidePause below 0 takes HintHidePause, and a hint with a pause hides
    // itself on the next key or click (auto-hide).
    // TextControl, when given, is shown instead of the text.
    void ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint, void* CustomPtr = nullptr,
                  int HidePause = -1, tk::TControl* TextControl = nullptr);
    void ShowHint(tk::TControl* Control, const std::u16string& Hint, void* CustomPtr = nullptr,
                  int HidePause = -1, tk::TControl* TextControl = nullptr);
    // Shows TextControl in the hint at Control.
    void ShowHint(tk::TControl* Control, tk::TControl* TextControl, void* CustomPtr = nullptr,
                  int HidePause = -1);
    void ShowHint(tk::TControl* Control) override;
    void HideHint() override;
    void CancelHint();
    // The style's own window (null before the first direct show).
    TRdSkinHintWindow* OwnWindow() const { return FCustomHintWnd; }

    tk::TNotifyEvent OnLinkClick;
    // (Control, HintWindow, WasHint, ShowHintPause, HidePause) before a hint is scheduled.
    tk::TEvent<tk::TControl*, TRdSkinHintWindow*, bool&, int&, int&> OnBeforeActive;
    // (Control, HintWindow, MaxWidth, MaxHeight, HintStr) before the text is laid out.
    tk::TEvent<tk::TControl*, TRdSkinHintWindow*, int&, int&, std::u16string&> OnBeforeCalcHint;
    // (Control, HintWindow, PosType, ControlX, ControlY, ControlWidth, ControlHeight, HintStr)
    // before the hint is placed: may move the control's screen rectangle, change the text
    // and choose the quarter (1..4: at the control's near corner as in that quarter; its
    // negative: centred on the control).
    tk::TEvent<tk::TControl*, TRdSkinHintWindow*, int&, int&, int&, int&, int&, std::u16string&>
        OnCalcPosHint;
    // (HintStr, CanShow, HintInfo) when the framework is about to show a styled hint.
    tk::TEvent<std::u16string&, bool&, tk::THintInfo&> OnActiveHint;

    virtual void DoBeforeCalcHint(tk::TControl* Control, TRdSkinHintWindow* HintWindow,
                                  std::u16string& HintStr, int& MaxHeight, int& MaxWidth);
    // A label's rectangle is first narrowed to its text (clipped to the label).
    virtual void DoCalcPosHint(tk::TControl* Control, TRdSkinHintWindow* HintWindow, int& PosType,
                               int& ControlX, int& ControlY, int& ControlWidth, int& ControlHeight,
                               std::u16string& HintStr);

    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    bool FActive = true;
    void ButtonPictureChanged(tk::TPicture* Picture);
    std::unique_ptr<TRdFont> FDefaultFont, FFontTitle, FFontLink, FButtonFont;
    bool FAlphaBlend = true;
    int FAlphaBlendValue = 255;
    bool FAlphaBlendAnimation = true;
    int FAnimationInterval = 30;
    int FAnimationTimes = 10;
    std::unique_ptr<tk::TPicture> FBackgroundImage;
    std::unique_ptr<TRdSkinHintBkgOption> FBackgroundOption;
    std::unique_ptr<tk::TPicture> FArrows[4];
    std::unique_ptr<TRdSkinHintArrowOption> FArrowOption;
    std::unique_ptr<tk::TPicture> FButtons[3];
    std::unique_ptr<TRdSkinHintButtonOption> FButtonOption;
    int FMaxWidth = 300, FMaxHeight = 600;
    tk::TAlignment FTextAlign = tk::taLeftJustify;
    int FTextX = 16, FTextY = 16;
    int FHintHidePause;
    int FHintPause = 500;
    int FHintShortPause = -1;
    tk::TControl* FTextControl = nullptr;
    THintPosition FHintPosition = HP_Center;
    TColor FHintColor = 0xFFFFFF;
    tk::TCursor FLinkCursor = -21;
    std::unique_ptr<TRdSkinClass> FAllSkin;
    TRdSkinHintWindow* FCustomHintWnd = nullptr;
};

// The component a control owns, named "RdUseSkinHint", that names its style.
class TUseSkinHint : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TUseSkinHint(tk::TComponent* AOwner);
    TRdSkinHint* UseSkinHint() const { return FUseSkinHint; }
    void SetUseSkinHint(TRdSkinHint* Value);
    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    TRdSkinHint* FUseSkinHint = nullptr;
};

// The control's style: its "RdUseSkinHint", else its containers' while it takes its
// custom hint from them. Null when none.
TRdSkinHint* SkinHintOf(tk::TControl* Control);
// Ties Control to Style (null unties it).
void UseSkinHint(tk::TControl* Control, TRdSkinHint* Style);

// The hint module's start-up and shut-down: the hint seams, the 300-pixel default width.
void RegisterSkinHints();
// Shut-down undoes start-up: the seams leave the toolkit and the classes its registry, and
// the application's hint window and its class are the framework's again.
void StopSkinHints();
inline constexpr int DefaultHintMaxWidth = 300;

} // namespace vell::rd
