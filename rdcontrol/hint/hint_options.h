// The option objects of a skinned hint style: the background picture's nine-slice option
// with the hint's distances to its control, its shadow margins and corners
// (TRdSkinHintBkgOption), the arrow's behaviour (TRdSkinHintArrowOption) and the button's
// margins and size (TRdSkinHintButtonOption).
#pragma once
#include "core/design/design_rect.h"

namespace vell::rd {

class TRdSkinHintBkgOption : public design::TDesignRect {
    VELL_CLASS_INFO()
  public:
    TRdSkinHintBkgOption() = default;
    // Extra distance between the hint and its control, per side of the control.
    int TipLeftOffX() const { return FTip[0]; }
    void SetTipLeftOffX(int Value) { Store(FTip[0], Value); }
    int TipRightOffX() const { return FTip[1]; }
    void SetTipRightOffX(int Value) { Store(FTip[1], Value); }
    int TipUpOffY() const { return FTip[2]; }
    void SetTipUpOffY(int Value) { Store(FTip[2], Value); }
    int TipDownOffY() const { return FTip[3]; }
    void SetTipDownOffY(int Value) { Store(FTip[3], Value); }
    // The shadow layer's margins around the hint; -1 takes the picture's margin.
    int ShadowFrameLeft() const { return FFrame[0]; }
    void SetShadowFrameLeft(int Value) { Store(FFrame[0], Value); }
    int ShadowFrameTop() const { return FFrame[1]; }
    void SetShadowFrameTop(int Value) { Store(FFrame[1], Value); }
    int ShadowFrameRight() const { return FFrame[2]; }
    void SetShadowFrameRight(int Value) { Store(FFrame[2], Value); }
    int ShadowFrameBottom() const { return FFrame[3]; }
    void SetShadowFrameBottom(int Value) { Store(FFrame[3], Value); }
    // The hint window's corners: rounded (EllipseMode) or cut, EllipseWidth x EllipseHeight.
    bool EllipseMode() const { return FEllipseMode; }
    void SetEllipseMode(bool Value) { Store(FEllipseMode, Value); }
    int EllipseWidth() const { return FEllipseWidth; }
    void SetEllipseWidth(int Value) { Store(FEllipseWidth, Value); }
    int EllipseHeight() const { return FEllipseHeight; }
    void SetEllipseHeight(int Value) { Store(FEllipseHeight, Value); }
    // On a monitor the system scales for this process: no fading, and the shadow's margins
    // one pixel larger while the hint is opaque.
    bool ShadowFrameFixDPI() const { return FShadowFrameFixDPI; }
    void SetShadowFrameFixDPI(bool Value) { Store(FShadowFrameFixDPI, Value); }
    // The shadow margins (left, top, right, bottom) the hint is laid out with: each picture
    // margin, or the ShadowFrame value that replaces it.
    int ShadowMargin(int Index) const;
    void Assign(const tk::TPersistent* Source) override;

  private:
    template <class T> void Store(T& Field, T Value) {
        if (Field == Value) return;
        Field = Value;
        Changed();
    }
    int FTip[4] = {0, 0, 0, 0};
    int FFrame[4] = {-1, -1, -1, -1};
    bool FEllipseMode = true;
    int FEllipseWidth = 0, FEllipseHeight = 0;
    bool FShadowFrameFixDPI = false;
};

class TRdSkinHintArrowOption : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    // Keeps the hint inside its control's form (else the monitor's work area).
    bool InnerShow() const { return FInnerShow; }
    void SetInnerShow(bool Value) { FInnerShow = Value; }
    // Prefer above (left of) the control, or below (right of) it; one clears the other.
    bool ArrowAutoUp() const { return FAutoUp; }
    void SetArrowAutoUp(bool Value);
    bool ArrowAutoDown() const { return FAutoDown; }
    void SetArrowAutoDown(bool Value);
    // Moves the arrow of each edge's picture within the shadow layer.
    int ArrowOffsetUpY() const { return FOffset[0]; }
    void SetArrowOffsetUpY(int Value) { FOffset[0] = Value; }
    int ArrowOffsetDownY() const { return FOffset[1]; }
    void SetArrowOffsetDownY(int Value) { FOffset[1] = Value; }
    int ArrowOffsetLeftX() const { return FOffset[2]; }
    void SetArrowOffsetLeftX(int Value) { FOffset[2] = Value; }
    int ArrowOffsetRightX() const { return FOffset[3]; }
    void SetArrowOffsetRightX(int Value) { FOffset[3] = Value; }
    bool ShowArrow() const { return FShowArrow; }
    void SetShowArrow(bool Value) { FShowArrow = Value; }
    // Arrows on the left or right edge (the hint beside the control) instead of top or bottom.
    bool ArrowHorzMode() const { return FHorzMode; }
    void SetArrowHorzMode(bool Value) { FHorzMode = Value; }
    // The size of the arrow last placed (0 x 0: none).
    int ArrowWidth() const { return FArrowWidth; }
    int ArrowHeight() const { return FArrowHeight; }
    void SetMeasured(int Width, int Height) { FArrowWidth = Width, FArrowHeight = Height; }
    void Assign(const tk::TPersistent* Source) override;

  private:
    bool FInnerShow = false, FAutoUp = false, FAutoDown = false;
    int FOffset[4] = {0, 0, 0, 0};
    bool FShowArrow = true, FHorzMode = false;
    int FArrowWidth = 0, FArrowHeight = 0;
};

class TRdSkinHintButtonOption : public design::TDesignRect {
    VELL_CLASS_INFO()
  public:
    TRdSkinHintButtonOption() { SetValue(6, 6, 6, 6); }
    int ButtonWidth() const { return FSize[0]; }
    void SetButtonWidth(int Value) { FSize[0] = Value; }
    int ButtonHeight() const { return FSize[1]; }
    void SetButtonHeight(int Value) { FSize[1] = Value; }
    int ButtonOffX() const { return FSize[2]; }
    void SetButtonOffX(int Value) { FSize[2] = Value; }
    int ButtonOffY() const { return FSize[3]; }
    void SetButtonOffY(int Value) { FSize[3] = Value; }
    void Assign(const tk::TPersistent* Source) override;

  private:
    int FSize[4] = {55, 22, 8, 8};
};

} // namespace vell::rd
