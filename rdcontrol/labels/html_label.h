// TRdHtmLabel: a skinned label whose caption is a small HTML-like markup (core/html): bold,
// italic, underline, strike-out, fonts and colours, paragraphs, lists, rules, file icons,
// sub- and superscript, shadowed, error-marked, hidden and rotated text, and links. The
// links are described by TRdHtmLabelLink items matched to the markup's anchors by order:
// each has its own font, hover font, background, cursor, hint, click event and line limit.
// One renderer lays the markup out and measures it (sizes, hit-tests) or draws it.
#pragma once
#include "core/html/layout.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/skinstyle/rd_font.h"

namespace vell::rd {

class TRdHtmLabel;

class TRdHtmLabelLink : public tk::TCollectionItem {
    VELL_CLASS_INFO()
  public:
    explicit TRdHtmLabelLink(tk::TCollection* Collection);
    ~TRdHtmLabelLink() override;

    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& Value) { FName = Value; }
    // Follows the label's font, underlined.
    TRdFont* Font() const { return FFont.get(); }
    void SetFont(TRdFont* Value) { FFont->Assign(Value); }
    // Follows Font.
    TRdFont* FontHover() const { return FFontHover.get(); }
    void SetFontHover(TRdFont* Value) { FFontHover->Assign(Value); }
    tk::TCursor Cursor() const { return FCursor; }
    void SetCursor(tk::TCursor Value) { FCursor = Value; }
    TColor ColorBg() const { return FColorBg; }
    void SetColorBg(TColor Value);
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value) { FHint = Value; }
    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(const std::u16string& Value);
    int MaxLine() const { return FMaxLine; }
    void SetMaxLine(int Value);
    bool AutoShowHint() const { return FAutoShowHint; }
    void SetAutoShowHint(bool Value) { FAutoShowHint = Value; }
    int LineSpace() const { return FLineSpace; }
    void SetLineSpace(int Value);
    bool FixedWidth() const { return FFixedWidth; }
    void SetFixedWidth(bool Value);

    // What the last layout found.
    bool FoundTextEllipsis() const { return FFoundTextEllipsis; }
    const std::u16string& LinkPlainText() const { return FLinkPlainText; }
    const std::vector<RECT>& LastDrawRect() const { return FLastDrawRect; }

    tk::TNotifyEvent OnClick;
    TRdHtmLabel* Label() const;
    // The label's font changed: the link fonts take the change.
    void ParentFontChanged();

  private:
    friend class TRdHtmLabel;
    void Relayout();
    std::u16string FName;
    std::unique_ptr<TRdFont> FFont, FFontHover;
    tk::TCursor FCursor = 0;
    TColor FColorBg = clNone;
    std::u16string FHint, FCaption;
    int FMaxLine = -1;
    bool FAutoShowHint = false;
    int FLineSpace = -9999;
    bool FFixedWidth = false;
    bool FFoundTextEllipsis = false;
    std::u16string FLinkPlainText;
    std::vector<RECT> FLastDrawRect;
};

class TRdHtmLabelLinks : public tk::TCollection {
    VELL_CLASS_INFO()
  public:
    explicit TRdHtmLabelLinks(TRdHtmLabel* Owner);
    TRdHtmLabelLink* Add() { return static_cast<TRdHtmLabelLink*>(tk::TCollection::Add()); }
    TRdHtmLabelLink* GetItem(int Index) const { return static_cast<TRdHtmLabelLink*>(Items(Index)); }
    void SetItem(int Index, TRdHtmLabelLink* Value) { Items(Index)->Assign(Value); }
    TRdHtmLabel* Owner() const { return FLabel; }

  private:
    TRdHtmLabel* FLabel;
};

class TRdHtmLabel : public TRdLabel {
    VELL_CLASS_INFO()
  public:
    explicit TRdHtmLabel(tk::TComponent* AOwner);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    // The links (anchors with link items) as simple elements; their action is a click.
    void GetAccessibleParts(std::vector<tk::TAccessiblePart>& Parts) const override;
    bool DoAccessiblePartAction(int Index) override;
    ~TRdHtmLabel() override;

    // Setting the caption splits it into the lines; the lines joined by "<BR>" are the caption.
    void SetCaption(const std::u16string& Value) override;
    tk::TStringList* Lines() const { return FLines.get(); }
    void SetLines(tk::TStringList* Value);
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int Value);
    TRdHtmLabelLinks* LinkItems() const { return FLinkItems.get(); }
    void SetLinkItems(TRdHtmLabelLinks* Value) { FLinkItems->Assign(Value); }
    const std::u16string& PlainText() const { return FPlainText; }
    bool FoundTextOutOfRect() const { return FFoundTextOutOfRect; }
    int MouseHoverLinkId() const { return FMouseHoverLinkId; }

    // The size the markup needs in a box AMaxWidth wide and 4096 high.
    void CalcHtmlSize(int& HtmlWidth, int& HtmlHeight, int AMaxWidth);
    // The link item under a client point (-1: none), its piece's rectangle and its anchor.
    int LinkAt(int X, int Y, RECT* PieceRect = nullptr, std::u16string* Anchor = nullptr);

    void AdjustBounds() override;
    void WndProc(tk::TMessage& Message) override;
    void Loaded() override;

  protected:
    void Paint() override;
    void MouseMove(tk::TShiftState Shift, int X, int Y) override;
    void MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;
    void MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override;

  private:
    friend class TRdHtmLabelLink;
    bool StoredLinkItems() const { return FLinkItems->Count() > 0; }
    void LinesChanged();
    html::Options LayoutOptions(const tk::TFont& Base, int BoxWidth, int BoxHeight) const;
    // Lays out (and with Draw, paints) in the text box; the box's top-left is its offset.
    html::Result RenderInto(tk::TCanvas& Canvas, const RECT& Box, bool Draw);
    // Where the text block lies in the client area (layout and text border applied).
    RECT TextBox(tk::TCanvas& Canvas);
    void AutoSizeToText(tk::TCanvas& Canvas);
    void TakeResults(const html::Result& R, int Dx, int Dy);
    void HintShow(tk::TMessage& Message);
    void LeaveLinks();
    TRdHtmLabelLink* Link(int Index) const;

    std::unique_ptr<tk::TStringList> FLines;
    int FLineSpacing = 0;
    std::unique_ptr<TRdHtmLabelLinks> FLinkItems;
    std::u16string FPlainText;
    RECT FMouseHoverLinkRect{-1, -1, -1, -1};
    int FMouseDownLinkId = -1, FMouseUpLinkId = -1;
    int FMouseHoverLinkId = -2, FMouseHoverLinkId_Last = -2;
    int FMouseX = -1, FMouseY = -1;
    std::u16string FMouseHoverLinkAnchor;
    tk::TCursor FCursor_Default = -1;
    bool FFoundTextOutOfRect = false;
    bool FSettingLines = false;
};

} // namespace vell::rd
