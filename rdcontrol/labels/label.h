// TRdCustomLabel / TRdLabel: the skinned text label. A windowless skinned control that paints
// an optional nine-slice background picture and one caption with DrawTextW: horizontal
// alignment, vertical layout, word and character wrap, ellipsis, accelerator prefix, and
// text colours for hover, pressed and disabled. It sizes itself to its text (AutoSize) and
// reports what its last layout did (FoundTextEllipsis, FoundTextWordBreak,
// FoundTextDrawLine); with AutoShowHint its hint is the caption, only when the caption was
// cut. Painted into a 32-bit image, the text call is rendered with alpha by the image
// engine's text interception.
#pragma once
#include "core/design/design_rect.h"
#include "rdcontrol/base/graphic_control.h"
#include "toolkit/picture.h"
#include "toolkit/application.h"
#include "toolkit/stdctrls.h"

#include <functional>

namespace vell::rd {

enum TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
const tk::TypeInfo& EllipsisPositionType();

class TRdCustomLabel : public TRdGraphicControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdCustomLabel(tk::TComponent* AOwner);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    ~TRdCustomLabel() override;

    // The caption is the framework's text of the control: setting either is the same.
    const std::u16string& Caption() const { return Text(); }
    virtual void SetCaption(const std::u16string& Value);
    tk::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(tk::TAlignment Value);
    tk::TTextLayout Layout() const { return FLayout; }
    void SetLayout(tk::TTextLayout Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TEllipsisPosition EllipsisPosition() const { return FEllipsisPosition; }
    void SetEllipsisPosition(TEllipsisPosition Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool WrapChar() const { return FWrapChar; }
    void SetWrapChar(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoShowHint() const { return FAutoShowHint; }
    void SetAutoShowHint(bool Value);
    int GlowSize() const { return FGlowSize; }
    void SetGlowSize(int Value);
    tk::TColor FontHoverColor() const { return FFontHoverColor; }
    void SetFontHoverColor(tk::TColor Value) { FFontHoverColor = Value; }
    tk::TColor FontDownColor() const { return FFontDownColor; }
    void SetFontDownColor(tk::TColor Value) { FFontDownColor = Value; }
    tk::TColor FontDisabledColor() const { return FFontDisabledColor; }
    void SetFontDisabledColor(tk::TColor Value);
    bool FontAntialiased() const { return FontEx()->Antialiased(); }
    void SetFontAntialiased(bool Value) { FontEx()->SetAntialiased(Value); }
    design::TDesignRect* TextBorder() const { return FTextBorder.get(); }
    void SetTextBorder(design::TDesignRect* Value) { FTextBorder->Assign(Value); }
    tk::TPicture* BkgNormal() const { return FBackground.get(); }
    void SetBkgNormal(tk::TPicture* Value) { FBackground->Assign(Value); }
    design::TDesignRect* BkgOption() const { return FBackgroundOption.get(); }
    void SetBkgOption(design::TDesignRect* Value) { FBackgroundOption->Assign(Value); }
    tk::TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(tk::TWinControl* Value);

    // What the last real or measuring paint did.
    bool FoundTextEllipsis() const { return FFoundTextEllipsis; }
    bool FoundTextWordBreak() const { return FFoundTextWordBreak; }
    int FoundTextDrawLine() const { return FFoundTextDrawLine; }
    const RECT& LastTextRect() const { return FLastTextRect; }

    // Re-measures and, with AutoSize, moves and resizes the label.
    virtual void AdjustBounds();
    // Lays out and draws the text in Rect; with DT_CALCRECT only measures it into Rect.
    virtual void DoDrawText(tk::TCanvas& Canvas, RECT& Rect, bool IgnoreEllipsis, UINT Flags);
    // The text to draw: the caption.
    virtual std::u16string GetLabelText() const { return Text(); }
    // The height of one line of the canvas's font.
    static int LineHeight(tk::TCanvas& Canvas);

    tk::TNotifyEvent OnPaintImage; // after the background, before the text
    tk::TNotifyEvent OnPaintEnd;   // after the text
    // (HintStr, CanShow, HintInfo) on every hint request.
    tk::TEvent<std::u16string&, bool&, tk::THintInfo&> OnShowHint;

    void Loaded() override;
    void SetName(const std::string& NewName) override;
    void WndProc(tk::TMessage& Message) override;

  protected:
    void Paint() override;
    void Resize() override;
    void MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;
    void MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;
    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;
    void UpdateOpaque() override;
    // The fill, design frame and background picture of a real paint, then OnPaintImage.
    void PaintBackground(tk::TCanvas& Canvas, const RECT& R);
    // Sends the paint message with a measuring DC (FBoundsAdjusting is set by the caller).
    void ScratchPaint(HDC DC);
    bool BoundsAdjusting() const { return FBoundsAdjusting; }
    bool MouseInside() const { return FMouseEnter; }
    bool MouseLeftDown() const { return FMouseLDown; }
    // The canvas font's colour for the mouse and enabled state.
    void ApplyStateColour(tk::TFont& Font) const;
    void SetFoundTextDrawLine(int Value) { FFoundTextDrawLine = Value; }
    // Runs Step with FBoundsAdjusting set and a memory DC (nothing when none can be made).
    void WithMeasuringDC(const std::function<void(HDC)>& Step);

  private:
    UINT FormatBits() const;
    void BackgroundChanged();
    void ConstraintsChanged();
    void HintShow(tk::TMessage& Message);
    bool StateColourDiffers(tk::TColor C) const;

    tk::TWinControl* FFocusControl = nullptr;
    tk::TAlignment FAlignment = tk::taLeftJustify;
    int FGlowSize = 0;
    tk::TTextLayout FLayout = tk::tlTop;
    bool FShowAccelChar = false;
    TEllipsisPosition FEllipsisPosition = epNone;
    std::unique_ptr<design::TDesignRect> FTextBorder;
    std::unique_ptr<tk::TPicture> FBackground;
    std::unique_ptr<design::TDesignRect> FBackgroundOption;
    tk::TColor FFontHoverColor = tk::clDefault;
    tk::TColor FFontDisabledColor = tk::clGrayText;
    tk::TColor FFontDownColor = tk::clDefault;
    bool FAutoShowHint = false;
    bool FTransparent = true;
    std::function<void(tk::TSizeConstraints*)> FOldConstraintsChange;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FWrapChar = true;
    bool FBoundsAdjusting = false;
    bool FMouseEnter = false;
    bool FMouseLDown = false;
    RECT FLastTextRect{};
    bool FFoundTextWordBreak = false;
    bool FFoundTextEllipsis = false;
    int FFoundTextDrawLine = 0;
};

// The published label.
class TRdLabel : public TRdCustomLabel {
    VELL_CLASS_INFO()
  public:
    using TRdCustomLabel::TRdCustomLabel;
};

} // namespace vell::rd
