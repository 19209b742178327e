// The framework's plain controls: a panel, a paint box, a picture control and a label.
#pragma once
#include "toolkit/picture.h"
#include "toolkit/controls.h"

namespace vell::tk {

enum TTextLayout { tlTop, tlCenter, tlBottom };
const TypeInfo& TextLayoutType();

// A container that fills itself with its colour (clNone: not at all, it is transparent)
// and may show its caption.
class TPanel : public TCustomControl {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit TPanel(TComponent* AOwner);
    // The bevels drawn inside the panel's edge, outer first, each BevelWidth pixels wide;
    // aligned children keep inside them. None by default: a plain panel is flat.
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    void AdjustClientRect(RECT& Rect) const override;
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TVerticalAlignment VerticalAlignment() const { return FVerticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment Value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool Value) { FFullRepaint = Value; }
    void WndProc(TMessage& Message) override;

  protected:
    void Paint() override;

  private:
    TAlignment FAlignment = taCenter;
    TVerticalAlignment FVerticalAlignment = taVerticalCenter;
    bool FShowCaption = true;
    bool FFullRepaint = true;
    TBevelCut FBevelOuter = bvNone, FBevelInner = bvNone;
    int FBevelWidth = 1;
};

// A windowless control that paints what its OnPaint handler draws on its canvas.
class TPaintBox : public TGraphicControl {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit TPaintBox(TComponent* AOwner);
    TNotifyEvent OnPaint;

  protected:
    void Paint() override;
};

// Shows a picture: at its size, centred, or stretched (proportionally if asked).
class TImage : public TGraphicControl {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    // Margins of the picture that keep their size when it is stretched.
    TMargins* PictureOption() const { return FPictureOption.get(); }
    void SetPictureOption(TMargins* Value) { FPictureOption->Assign(Value); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // Where the picture is drawn inside the control.
    RECT DestRect() const;
    void Loaded() override;

  protected:
    void Paint() override;

  private:
    void PictureChanged();
    std::unique_ptr<TPicture> FPicture;
    std::unique_ptr<TMargins> FPictureOption;
    bool FStretch = false, FCenter = false, FProportional = false, FAutoSize = false, FTransparent = false;
};

// Draws its caption with DrawTextW: aligned, optionally word-wrapped, optionally sized to it.
class TLabel : public TGraphicControl {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit TLabel(TComponent* AOwner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    // The DrawTextW flags the label draws with.
    UINT DrawTextFlags() const;
    void WndProc(TMessage& Message) override;
    void Loaded() override;

  protected:
    void Paint() override;
    virtual void AdjustBounds();

  private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false, FAutoSize = true, FTransparent = true, FShowAccelChar = true;
};

} // namespace vell::tk
