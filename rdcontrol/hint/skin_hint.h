// TRdSkinHint: a skinned hint style (background picture with nine-slice margins, arrow
// pictures, fonts, colour, text margins, maximum size, timing, fading). Controls are tied
// to a style by a "RdUseSkinHint" component they own (TUseSkinHint); setting a control's
// CustomHint to a style does that. The hint manager (RegisterSkinHints) then gives such
// controls the style's pause and a TRdSkinHintWindow through the toolkit's hint seams. A
// style can also show a hint directly at a control or a screen rectangle.
#pragma once
#include "core/design/design_rect.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/hint.h"
#include "toolkit/picture.h"

#include <memory>

namespace vell::rd {

class TRdSkinHintWindow;
class TRdSkinClass;

enum THintPosition { HP_Auto, HP_Center };

class TRdSkinHint : public tk::TCustomHint {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinHint(tk::TComponent* AOwner);
    ~TRdSkinHint() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TRdFont* Font() const { return FDefaultFont.get(); }
    void SetFont(TRdFont* Value) { FDefaultFont->Assign(Value); }
    TRdFont* FontLink() const { return FFontLink.get(); }
    void SetFontLink(TRdFont* Value) { FFontLink->Assign(Value); }
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
    tk::TPicture* BackgroundImage() const { return FBackgroundImage.get(); }
    void SetBackgroundImage(tk::TPicture* Value) { FBackgroundImage->Assign(Value); }
    design::TDesignRect* BackgroundOption() const { return FBackgroundOption.get(); }
    void SetBackgroundOption(design::TDesignRect* Value) { FBackgroundOption->Assign(Value); }
    tk::TPicture* ArrowImageUp() const { return FArrows[0].get(); }
    void SetArrowImageUp(tk::TPicture* Value) { FArrows[0]->Assign(Value); }
    tk::TPicture* ArrowImageDown() const { return FArrows[1].get(); }
    void SetArrowImageDown(tk::TPicture* Value) { FArrows[1]->Assign(Value); }
    tk::TPicture* ArrowImageLeft() const { return FArrows[2].get(); }
    void SetArrowImageLeft(tk::TPicture* Value) { FArrows[2]->Assign(Value); }
    tk::TPicture* ArrowImageRight() const { return FArrows[3].get(); }
    void SetArrowImageRight(tk::TPicture* Value) { FArrows[3]->Assign(Value); }
    bool ShowArrow() const { return FShowArrow; }
    void SetShowArrow(bool Value) { FShowArrow = Value; }
    bool ArrowHorzMode() const { return FArrowHorzMode; }
    void SetArrowHorzMode(bool Value) { FArrowHorzMode = Value; }
    bool ArrowAutoUp() const { return FArrowAutoUp; }
    void SetArrowAutoUp(bool Value);
    bool ArrowAutoDown() const { return FArrowAutoDown; }
    void SetArrowAutoDown(bool Value);
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
    THintPosition HintPosition() const { return FHintPosition; }
    void SetHintPosition(THintPosition Value) { FHintPosition = Value; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor Value) { FHintColor = Value; }
    tk::TCursor LinkCursor() const { return FLinkCursor; }
    void SetLinkCursor(tk::TCursor Value) { FLinkCursor = Value; }
    TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(TRdSkinClass* Value);

    // Shows Hint for a screen rectangle or a control (its screen rectangle) in the style's
    // own window; a HidePause below 0 takes HintHidePause, and a hint with a pause hides
    // itself on the next key or click (auto-hide).
    void ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint, void* CustomPtr = nullptr,
                  int HidePause = -1);
    void ShowHint(tk::TControl* Control, const std::u16string& Hint, void* CustomPtr = nullptr, int HidePause = -1);
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

    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    bool FActive = true;
    std::unique_ptr<TRdFont> FDefaultFont, FFontLink;
    bool FAlphaBlend = true;
    int FAlphaBlendValue = 255;
    bool FAlphaBlendAnimation = true;
    int FAnimationInterval = 30;
    int FAnimationTimes = 10;
    std::unique_ptr<tk::TPicture> FBackgroundImage;
    std::unique_ptr<design::TDesignRect> FBackgroundOption;
    std::unique_ptr<tk::TPicture> FArrows[4];
    bool FShowArrow = true, FArrowHorzMode = false, FArrowAutoUp = false, FArrowAutoDown = false;
    int FMaxWidth = 300, FMaxHeight = 600;
    tk::TAlignment FTextAlign = tk::taLeftJustify;
    int FTextX = 16, FTextY = 16;
    int FHintHidePause;
    int FHintPause = 500;
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
void StopSkinHints();
inline constexpr int DefaultHintMaxWidth = 300;

} // namespace vell::rd
