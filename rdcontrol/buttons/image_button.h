// TRdImageButton: the windowless, picture-drawn button. Its background is a picture per
// state (normal, hover, down, disabled, selected, expanded) drawn by the nine-slice rules of
// ImageOption; it may carry an icon with its own five-state pictures (two sets, chosen by
// Expand), a check box with nine pictures, and a caption laid out by its own engine
// (offsets, margins, wrap, a line limit, ellipsis by height, auto-hiding; image_button_caption.cpp).
// It cross-fades between its normal and hover pictures on a 10 ms timer (HoverEffect),
// rotates a busy picture by 5 degrees every 30 ms while Busy, and may limit its clickable
// area to the lit pixels of a mask picture (ImageRange). When the system asks for no
// client-area animation the hover goes straight to its picture and the busy picture turns
// by 45 degrees once a second. In a high-contrast scheme it draws the system's button
// colours and a frame instead of its state pictures (rdcontrol/paint/contrast_paint.h).
#pragma once
#include "core/design/design_rect.h"
#include "platform/image/png_image.h"
#include "platform/timer/rd_timer.h"
#include "rdcontrol/base/graphic_control.h"
#include "rdcontrol/formskin/shadow_layer_control.h"
#include "toolkit/application.h"
#include "toolkit/picture.h"
#include "toolkit/stdctrls.h"

#include <memory>

namespace vell::rd {

enum TImageButtonState { ibsNormal, ibsDown, ibsDisabled, ibsSelected };
// The state a busy button is in: one past ibsSelected.
constexpr TImageButtonState ibsBusy = static_cast<TImageButtonState>(4);
enum TIconState { isNormal, isDown, isHover, isDisabled, isSelected };
enum TImageButtonAniState { ibaNone, ibaMouseEnter, ibaMouseLeave };
enum TImageButtonAniEffect { ibeNone, ibeSingle, ibeDouble };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

const tk::TypeInfo& ImageButtonStateType();
const tk::TypeInfo& IconStateType();
const tk::TypeInfo& AniEffectType();
const tk::TypeInfo& CheckBoxStateType();

class TRdImageButton : public TRdGraphicControl, public IShadowLayerControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdImageButton(tk::TComponent* AOwner);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    bool DoAccessibleDefaultAction() override;
    ~TRdImageButton() override;

    // ---- state ----
    TImageButtonState ButtonState() const { return FButtonState; }
    void SetButtonState(TImageButtonState Value);
    TIconState IconState() const { return FIconState; }
    void SetIconState(TIconState Value);
    bool IsMouseOver() const { return FIsMouseOver; }
    void SetIsMouseOver(bool Value);
    bool IsCheckBoxOver() const { return FIsCheckBoxOver; }
    bool IsIconOver() const { return FIsIconOver; }
    bool BoundsAdjusting() const { return FBoundsAdjusting; }
    TImageButtonAniState AniState() const { return FAniState; }
    int AniAlpha() const { return FAniAlpha; }
    float BusyRotate() const { return FBusyRotate; }
    // The timers, for tests that drive the ticks themselves (Timer() runs one tick).
    win::TRdTimer* AniTimer() const { return FAniTimer.get(); }
    win::TRdTimer* BusyTimer() const { return FBusyTimer.get(); }

    // ---- caption ----
    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(const std::u16string& Value);
    tk::TAlignment ButtonCaptionAlignment() const { return FCaptionAlignment; }
    void SetButtonCaptionAlignment(tk::TAlignment Value) { SetLayoutValue(FCaptionAlignment, Value); }
    int TextOffset() const { return FTextOffset; }
    void SetTextOffset(int Value) { SetLayoutValue(FTextOffset, Value); }
    int TextLeftMargin() const { return FTextLeftMargin; }
    void SetTextLeftMargin(int Value) { SetLayoutValue(FTextLeftMargin, Value); }
    int TextRightMargin() const { return FTextRightMargin; }
    void SetTextRightMargin(int Value) { SetLayoutValue(FTextRightMargin, Value); }
    int TextTopMargin() const { return FTextTopMargin; }
    void SetTextTopMargin(int Value) { SetLayoutValue(FTextTopMargin, Value); }
    int TextBottomMargin() const { return FTextBottomMargin; }
    void SetTextBottomMargin(int Value) { SetLayoutValue(FTextBottomMargin, Value); }
    int TextTopOffset() const { return FTextTopOffset; }
    void SetTextTopOffset(int Value) { SetLayoutValue(FTextTopOffset, Value); }
    tk::TVerticalAlignment TextAlignY() const { return FTextAlignY; }
    void SetTextAlignY(tk::TVerticalAlignment Value) { SetLayoutValue(FTextAlignY, Value); }
    // The most lines the caption draws; 0 and below: no limit.
    int TextMaxLine() const { return FTextMaxLine; }
    void SetTextMaxLine(int Value) { SetLayoutValue(FTextMaxLine, Value); }
    tk::TAlignment TextWarpAlign() const { return FTextWarpAlign; }
    void SetTextWarpAlign(tk::TAlignment Value) { SetLayoutValue(FTextWarpAlign, Value); }
    bool TextAlignCenterIgnoreIcon() const { return FTextAlignCenterIgnoreIcon; }
    void SetTextAlignCenterIgnoreIcon(bool Value) { SetLayoutValue(FTextAlignCenterIgnoreIcon, Value); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { SetLayoutValue(FWordWrap, Value); }
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value) { SetLayoutValue(FShowAccelChar, Value); }
    bool EllipsisByHeight() const { return FEllipsisByHeight; }
    void SetEllipsisByHeight(bool Value) { SetPaintValue(FEllipsisByHeight, Value); }
    bool AutoHideText() const { return FAutoHideText; }
    void SetAutoHideText(bool Value) { SetPaintValue(FAutoHideText, Value); }
    bool AutoSizeByText() const { return FAutoSizeByText; }
    void SetAutoSizeByText(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool AutoShowHint() const { return FAutoShowHint; }
    void SetAutoShowHint(bool Value);
    tk::TColor FontHoverColor() const { return FFontHoverColor; }
    void SetFontHoverColor(tk::TColor Value) { FFontHoverColor = Value; }
    tk::TColor FontDownColor() const { return FFontDownColor; }
    void SetFontDownColor(tk::TColor Value) { FFontDownColor = Value; }
    tk::TColor FontSelectedColor() const { return FFontSelectedColor; }
    void SetFontSelectedColor(tk::TColor Value) { SetPaintValue(FFontSelectedColor, Value); }
    tk::TColor FontDisabledColor() const { return FFontDisabledColor; }
    void SetFontDisabledColor(tk::TColor Value) { SetPaintValue(FFontDisabledColor, Value); }
    tk::TColor FontCheckedColor() const { return FFontCheckedColor; }
    void SetFontCheckedColor(tk::TColor Value);
    bool FontAntialiased() const { return FontEx()->Antialiased(); }
    void SetFontAntialiased(bool Value) { FontEx()->SetAntialiased(Value); }
    const std::u16string& SubCaption() const { return FSubCaption; }
    void SetSubCaption(const std::u16string& Value) { SetPaintValue(FSubCaption, Value); }
    const std::u16string& SubCaptionData() const { return FSubCaptionData; }
    void SetSubCaptionData(const std::u16string& Value) { SetPaintValue(FSubCaptionData, Value); }
    int SubCaptionOffset() const { return FSubCaptionOffset; }
    void SetSubCaptionOffset(int Value) { SetPaintValue(FSubCaptionOffset, Value); }
    TRdFont* SubCaptionFont() const { return FSubCaptionFont.get(); }
    void SetSubCaptionFont(TRdFont* Value) { FSubCaptionFont->Assign(Value); }
    TRdFont* SubCaptionDataFont() const { return FSubCaptionDataFont.get(); }
    void SetSubCaptionDataFont(TRdFont* Value) { FSubCaptionDataFont->Assign(Value); }

    // What the last real or measuring paint did with the caption.
    bool FoundTextEllipsis() const { return FFoundTextEllipsis; }
    bool FoundTextWordBreak() const { return FFoundTextWordBreak; }
    int FoundTextDrawLine() const { return FFoundTextDrawLine; }
    const RECT& LastTextRect() const { return FLastTextRect; }

    // ---- background pictures ----
    tk::TPicture* ImageNormal() const { return FImageNormal.get(); }
    void SetImageNormal(tk::TPicture* Value) { FImageNormal->Assign(Value); }
    tk::TPicture* ImageDown() const { return FImageDown.get(); }
    void SetImageDown(tk::TPicture* Value) { FImageDown->Assign(Value); }
    tk::TPicture* ImageOver() const { return FImageOver.get(); }
    void SetImageOver(tk::TPicture* Value) { FImageOver->Assign(Value); }
    tk::TPicture* ImageDisabled() const { return FImageDisabled.get(); }
    void SetImageDisabled(tk::TPicture* Value) { FImageDisabled->Assign(Value); }
    tk::TPicture* ImageSelected() const { return FImageSelected.get(); }
    void SetImageSelected(tk::TPicture* Value) { FImageSelected->Assign(Value); }
    tk::TPicture* ExpandImage() const { return FExpandImage.get(); }
    void SetExpandImage(tk::TPicture* Value) { FExpandImage->Assign(Value); }
    bool Expand() const { return FExpand; }
    void SetExpand(bool Value) { SetPaintValue(FExpand, Value); }
    design::TDesignRect* ImageOption() const { return FImageOption.get(); }
    void SetImageOption(design::TDesignRect* Value) { FImageOption->Assign(Value); }
    tk::TPicture* ImageRange() const { return FImageRange.get(); }
    void SetImageRange(tk::TPicture* Value) { FImageRange->Assign(Value); }
    TImageButtonAniEffect HoverEffect() const { return FHoverEffect; }
    void SetHoverEffect(TImageButtonAniEffect Value) { FHoverEffect = Value; }
    tk::TPicture* ImageBusy() const { return FImageBusy.get(); }
    void SetImageBusy(tk::TPicture* Value) { FImageBusy->Assign(Value); }
    bool Busy() const { return FBusyState; }
    void SetBusy(bool Value);

    // ---- icon ----
    enum TIconSet { Up, Dn };
    // The picture of a set for a state (not falling back).
    tk::TPicture* Icon(TIconSet Set, TIconState State) const { return FIcons[Set][State].get(); }
    template <int Set, int State> tk::TPicture* IconAt() const { return FIcons[Set][State].get(); }
    template <int Set, int State> void SetIconAt(tk::TPicture* Value) { FIcons[Set][State]->Assign(Value); }
    tk::TPicture* UpNormalIcon() const { return Icon(Up, isNormal); }
    tk::TPicture* DnNormalIcon() const { return Icon(Dn, isNormal); }
    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool Value);
    tk::TAlignment IconAlign() const { return FIconAlign; }
    void SetIconAlign(tk::TAlignment Value) { SetIconLayoutValue(FIconAlign, Value); }
    tk::TVerticalAlignment IconAlignY() const { return FIconAlignY; }
    void SetIconAlignY(tk::TVerticalAlignment Value) { SetIconLayoutValue(FIconAlignY, Value); }
    bool IconAlignByText() const { return FIconAlignByText; }
    void SetIconAlignByText(bool Value) { SetIconLayoutValue(FIconAlignByText, Value); }
    bool IconAlignYByText() const { return FIconAlignYByText; }
    void SetIconAlignYByText(bool Value) { SetIconLayoutValue(FIconAlignYByText, Value); }
    int IconOffset() const { return FIconOffset; }
    void SetIconOffset(int Value) { SetIconLayoutValue(FIconOffset, Value); }
    int IconOffsetY() const { return FIconOffsetY; }
    void SetIconOffsetY(int Value) { SetIconLayoutValue(FIconOffsetY, Value); }
    tk::TCursor IconCursor() const { return FIconCursor; }
    void SetIconCursor(tk::TCursor Value) { FIconCursor = Value; }
    bool IconLockBySelected() const { return FIconLockBySelected; }
    void SetIconLockBySelected(bool Value) { FIconLockBySelected = Value; }
    bool IconFullClick() const { return FIconFullClick; }
    void SetIconFullClick(bool Value) { FIconFullClick = Value; }
    const std::u16string& IconHint() const { return FIconHint; }
    void SetIconHint(const std::u16string& Value) { FIconHint = Value; }

    // ---- check box ----
    // The pictures by check state (rows) and look (normal, hover, disabled).
    enum TCheckLook { clNormalLook, clHoverLook, clDisabledLook };
    tk::TPicture* CheckBoxImage(TCheckBoxState State, TCheckLook Look) const {
        return FCheckImages[State][Look].get();
    }
    template <int State, int Look> tk::TPicture* CheckImageAt() const {
        return FCheckImages[State][Look].get();
    }
    template <int State, int Look> void SetCheckImageAt(tk::TPicture* Value) {
        FCheckImages[State][Look]->Assign(Value);
    }
    bool ShowCheckBox() const { return FShowCheckBox; }
    void SetShowCheckBox(bool Value);
    bool Checked() const { return FCheckState == cbChecked; }
    void SetChecked(bool Value) { SetCheckState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState CheckState() const { return FCheckState; }
    void SetCheckState(TCheckBoxState Value);
    bool CheckBoxFullClick() const { return FCheckBoxFullClick; }
    void SetCheckBoxFullClick(bool Value) { FCheckBoxFullClick = Value; }
    tk::TAlignment CheckBoxAlignX() const { return FCheckBoxAlignX; }
    void SetCheckBoxAlignX(tk::TAlignment Value) { SetCheckLayoutValue(FCheckBoxAlignX, Value); }
    bool CheckBoxAlignXByText() const { return FCheckBoxAlignXByText; }
    void SetCheckBoxAlignXByText(bool Value) { SetCheckLayoutValue(FCheckBoxAlignXByText, Value); }
    tk::TVerticalAlignment CheckBoxAlignY() const { return FCheckBoxAlignY; }
    void SetCheckBoxAlignY(tk::TVerticalAlignment Value) { SetCheckLayoutValue(FCheckBoxAlignY, Value); }
    bool CheckBoxAlignYByFont() const { return FCheckBoxAlignYByFont; }
    void SetCheckBoxAlignYByFont(bool Value) { SetCheckLayoutValue(FCheckBoxAlignYByFont, Value); }
    tk::TTextLayout CheckBoxAlignYByFontLine() const { return FCheckBoxAlignYByFontLine; }
    void SetCheckBoxAlignYByFontLine(tk::TTextLayout Value) {
        SetCheckLayoutValue(FCheckBoxAlignYByFontLine, Value);
    }
    int CheckBoxOffset() const { return FCheckBoxOffset; }
    void SetCheckBoxOffset(int Value) { SetCheckLayoutValue(FCheckBoxOffset, Value); }
    int CheckBoxOffsetY() const { return FCheckBoxOffsetY; }
    void SetCheckBoxOffsetY(int Value) { SetCheckLayoutValue(FCheckBoxOffsetY, Value); }
    tk::TCursor CheckBoxCursor() const { return FCheckBoxCursor; }
    void SetCheckBoxCursor(tk::TCursor Value) { FCheckBoxCursor = Value; }
    const std::u16string& CheckBoxHint() const { return FCheckBoxHint; }
    void SetCheckBoxHint(const std::u16string& Value) { FCheckBoxHint = Value; }

    // ---- geometry ----
    // Where the icon the caption layout chooses is drawn.
    RECT IconRect();
    // Empty without ShowCheckBox; else where the check box was (or would be) drawn.
    RECT CheckBoxRect();

    // ---- events ----
    tk::TNotifyEvent OnPaint;      // at the start of every paint
    tk::TNotifyEvent OnPaintImage; // after the background
    tk::TNotifyEvent OnPaintEnd;   // after everything
    tk::TNotifyEvent OnCheckedChanged, OnCaptionChanged, OnVisibleChanging;
    tk::TNotifyEvent IconOnClick, CheckBoxBeforeClick, CheckBoxOnClick;
    // (HintStr, CanShow, HintInfo): the last word on the hint.
    tk::TEvent<std::u16string&, bool&, tk::THintInfo&> OnShowHint;

    // Sizes the button to its caption (AutoSizeByText) or its normal picture (AutoSize),
    // then lays the caption out again for the current bounds.
    void AdjustBounds();
    void Invalidate() override;
    void Loaded() override;
    void SetName(const std::string& NewName) override;
    void WndProc(tk::TMessage& Message) override;
    // Set by a form skin that carries the button on its shadow layer.
    tk::TEvent<tk::TObject*, bool&>& ShadowPaintHook() override { return FShadowPaintHook; }

  protected:
    void Paint() override;
    void Resize() override;
    void Click() override;
    void DblClick() override {}
    void MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;
    void MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;
    void MouseMove(tk::TShiftState Shift, int X, int Y) override;
    // Draws the icon picture (falling back to the set's normal one, grey when disabled).
    virtual void DrawIcon(tk::TPicture* Picture);

  private:
    bool CheckStateStored() const { return FCheckState == cbGrayed; }
    template <class T> void SetLayoutValue(T& Field, const T& Value) {
        if (Field == Value) return;
        Field = Value;
        AdjustBounds();
        Invalidate();
    }
    template <class T> void SetIconLayoutValue(T& Field, const T& Value) {
        if (Field == Value) return;
        Field = Value;
        AdjustBounds();
        if (FIconVisible) Invalidate();
    }
    template <class T> void SetCheckLayoutValue(T& Field, const T& Value) {
        if (Field == Value) return;
        Field = Value;
        AdjustBounds();
        if (FShowCheckBox) Invalidate();
    }
    template <class T> void SetPaintValue(T& Field, const T& Value) {
        if (Field == Value) return;
        Field = Value;
        Invalidate();
    }

    // pictures (image_button_pictures.cpp)
    void BackgroundChanged(tk::TPicture* Sender);
    tk::TPicture* StateIcon(TIconState State) const;
    image::TGraphic* Background() const;
    image::TGraphic* PrivateOr(tk::TPicture* Picture, image::TPngImage* Copy) const;
    // The picture has a graphic that draws something (HasGraphic), or one with a width.
    bool HasGraphic(const tk::TPicture* Picture) const;
    static bool HasWidth(const tk::TPicture* Picture);
    // the hover fade and the busy picture (image_button_animation.cpp)
    bool FadePossible() const;
    void AniTick();
    bool DrawFade(tk::TCanvas& Canvas, const RECT& Client);
    void BusyTick();
    void BusyPictureChanged();
    void DrawBusy(tk::TCanvas& Canvas);
    // caption layout (image_button_caption.cpp)
    int MeasureTextMaxLines(tk::TCanvas& Canvas, int MaxLines, int& LineHeight, UINT Format,
                            const std::u16string& Text, RECT& Rect);
    void CalcTextLayout(tk::TCanvas& Canvas, RECT& R, bool Measuring, int& LineHeight, UINT& Format,
                        tk::TPicture*& Icon, RECT& Area, RECT& TextRect);
    void PaintCaption(tk::TCanvas& Canvas, tk::TPicture*& Icon);
    void MeasuringPaint();
    // painting (image_button_paint.cpp)
    void DrawCheckBox(tk::TCanvas& Canvas);
    // where the icon and the check box go (image_button_placement.cpp)
    RECT CalcIconRect(int W, int H, bool Layout) const;
    RECT CalcCheckBoxRect(tk::TCanvas* Canvas, const RECT& TextRect, int W, int H) const;
    // the mouse (image_button_input.cpp)
    bool TrackCheckBox(int X, int Y, bool MoveOnly);
    // The check box's click: its handlers around the change of state (an abort ends it).
    void ClickCheckBox();
    bool OnIcon(int X, int Y);
    void IconAfterPress();
    void MouseEnter();
    void MouseLeave();
    void HintShow(tk::TMessage& Message);
    void SetCursorKeeping(tk::TCursor Value, tk::TCursor& Saved);
    void RestoreCursor(tk::TCursor& Saved);
    // the click mask (image_button_mask.cpp)
    void BuildMask();
    void HitTest(tk::TMessage& Message);
    // the constraints' change handler (image_button.cpp)
    void ConstraintsChanged();

    tk::TEvent<tk::TObject*, bool&> FShadowPaintHook;
    // fade and busy
    uint8_t FAniAlpha = 0;
    TImageButtonAniState FAniState = ibaNone;
    std::unique_ptr<win::TRdTimer> FAniTimer;
    bool FBusyState = false;
    std::unique_ptr<win::TRdTimer> FBusyTimer;
    image::PngRef FBusyPicture; // premultiplied 32-bit copy of ImageBusy
    image::PngRef FBusyFrame;   // the rotated frame
    float FBusyRotate = 0;
    std::u16string FBusyCaption;
    // state
    bool FIsMouseOver = false;
    TIconState FIconState = isNormal;
    TImageButtonState FButtonState = ibsNormal;
    TImageButtonState FButtonStateBeforeDisable = ibsNormal;
    std::function<void(tk::TSizeConstraints*)> FOldConstraintsChange;
    image::PngRef FMemImageRange;  // the click mask at client size
    image::PngRef FMemImageNormal; // private copies of the normal and hover pictures
    image::PngRef FMemImageOver;
    RECT FLastTextRect{0, 0, 0, 0};
    RECT FLastCheckBoxRect{-1, -1, -1, -1};
    TIconState FMouseEnterIconState = isNormal;
    tk::TCursor FIconLastCursor = -1, FCheckLastCursor = -1;
    bool FBoundsAdjusting = false;
    bool FIsCheckBoxOver = false;
    bool FIsIconOver = false;
    bool FDrawCheckBoxOver = false;
    POINT FLastWMLBtnPos{0, 0};
    // caption
    std::u16string FCaption;
    tk::TAlignment FCaptionAlignment = tk::taCenter;
    int FTextOffset = 20;
    int FTextLeftMargin = 0, FTextRightMargin = 0, FTextTopMargin = 0, FTextBottomMargin = 0,
        FTextTopOffset = 0;
    tk::TVerticalAlignment FTextAlignY = tk::taVerticalCenter;
    int FTextMaxLine = 0;
    tk::TAlignment FTextWarpAlign = tk::taLeftJustify;
    bool FTextAlignCenterIgnoreIcon = false;
    bool FWordWrap = false, FEllipsisByHeight = true, FAutoHideText = false, FAutoSizeByText = false;
    bool FAutoSize = false, FShowAccelChar = false, FAutoShowHint = false;
    tk::TColor FFontHoverColor = clDefault, FFontSelectedColor = clDefault, FFontDownColor = clDefault,
               FFontCheckedColor = clDefault;
    tk::TColor FFontDisabledColor = static_cast<tk::TColor>(0xFF000015); // cl3DDkShadow
    bool FFoundTextEllipsis = false, FFoundTextWordBreak = false;
    int FFoundTextDrawLine = 0;
    std::u16string FSubCaption, FSubCaptionData;
    int FSubCaptionOffset = 50;
    std::unique_ptr<TRdFont> FSubCaptionFont, FSubCaptionDataFont;
    // pictures
    std::unique_ptr<tk::TPicture> FImageNormal, FImageDown, FImageOver, FImageDisabled, FImageSelected,
        FExpandImage, FImageRange, FImageBusy;
    std::unique_ptr<design::TDesignRect> FImageOption;
    bool FExpand = false;
    TImageButtonAniEffect FHoverEffect = ibeNone;
    std::unique_ptr<tk::TPicture> FIcons[2][5];
    bool FIconVisible = true;
    tk::TAlignment FIconAlign = tk::taRightJustify;
    tk::TVerticalAlignment FIconAlignY = tk::taVerticalCenter;
    bool FIconAlignByText = false, FIconAlignYByText = false;
    int FIconOffset = 10, FIconOffsetY = 0;
    tk::TCursor FIconCursor = 0;
    bool FIconLockBySelected = true, FIconFullClick = false;
    std::u16string FIconHint;
    std::unique_ptr<tk::TPicture> FCheckImages[3][3];
    bool FShowCheckBox = false;
    TCheckBoxState FCheckState = cbUnchecked;
    bool FCheckBoxFullClick = true;
    tk::TAlignment FCheckBoxAlignX = tk::taLeftJustify;
    bool FCheckBoxAlignXByText = false;
    tk::TVerticalAlignment FCheckBoxAlignY = tk::taVerticalCenter;
    bool FCheckBoxAlignYByFont = false;
    tk::TTextLayout FCheckBoxAlignYByFontLine = tk::tlBottom;
    int FCheckBoxOffset = 10, FCheckBoxOffsetY = 0;
    tk::TCursor FCheckBoxCursor = 0;
    std::u16string FCheckBoxHint;
};

} // namespace vell::rd
