#include "rdcontrol/labels/html_label.h"

#include "core/html/markup.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/paint/measure_dc.h"
#include "rdcontrol/html/html_gdi.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/application.h"
#include "toolkit/accessible.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::rd {

namespace {

html::Ellipsis ellipsisMode(TEllipsisPosition P) {
    switch (P) {
    case epPathEllipsis:
        return html::Ellipsis::Path;
    case epEndEllipsis:
        return html::Ellipsis::End;
    case epWordEllipsis:
        return html::Ellipsis::Word;
    default:
        return html::Ellipsis::None;
    }
}

} // namespace

// ---- link items ----

const tk::ClassInfo& TRdHtmLabelLink::StaticClass() {
    using T = TRdHtmLabelLink;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdHtmLabelLink", &tk::TCollectionItem::StaticClass())
            .str("Name", &T::Name, &T::SetName)
            .obj("Font", tk::ClassTypeOf<TRdFont>(), &T::Font, &T::SetFont)
            .obj("FontHover", tk::ClassTypeOf<TRdFont>(), &T::FontHover, &T::SetFontHover)
            .ord("Cursor", tk::CursorType(), &T::Cursor, &T::SetCursor, 0)
            .event("OnClick", &T::OnClick)
            .ord("ColorBg", tk::ColorType(), &T::ColorBg, &T::SetColorBg, clNone)
            .str("Hint", &T::Hint, &T::SetHint)
            .str("Caption", &T::Caption, &T::SetCaption)
            .ord("MaxLine", tk::IntegerType(), &T::MaxLine, &T::SetMaxLine, -1)
            .ord("AutoShowHint", tk::BooleanType(), &T::AutoShowHint, &T::SetAutoShowHint, 0)
            .ord("LineSpace", tk::IntegerType(), &T::LineSpace, &T::SetLineSpace, -9999)
            .ord("FixedWidth", tk::BooleanType(), &T::FixedWidth, &T::SetFixedWidth, 0)
            .build();
    return info;
}

TRdHtmLabelLink::TRdHtmLabelLink(tk::TCollection* Collection) : tk::TCollectionItem(Collection) {
    TRdHtmLabel* label = Label();
    FFont = std::make_unique<TRdFont>(label, label ? label->AllSkin() : nullptr);
    FFontHover = std::make_unique<TRdFont>(label, label ? label->AllSkin() : nullptr);
    if (label) FFont->SetParentFont(label->Font(), true);
    FFont->SetStyle(FFont->Style() + tk::TFontStyles{tk::fsUnderline});
    FFontHover->SetParentFont(FFont.get(), true);
    FFont->OnChange = [this](tk::TGraphicsObject*) {
        FFontHover->DoParentFontChange();
        Relayout();
    };
    FFontHover->OnChange = [this](tk::TGraphicsObject*) { Relayout(); };
}

TRdHtmLabelLink::~TRdHtmLabelLink() {
    FFontHover->OnChange = nullptr;
    FFont->OnChange = nullptr;
}

TRdHtmLabel* TRdHtmLabelLink::Label() const {
    auto* links = dynamic_cast<TRdHtmLabelLinks*>(Collection());
    return links ? links->Owner() : nullptr;
}

void TRdHtmLabelLink::Relayout() {
    TRdHtmLabel* label = Label();
    if (!label || label->InState(tk::csLoading | tk::csReading | tk::csDestroying)) return;
    label->AdjustBounds();
    label->Invalidate();
}

void TRdHtmLabelLink::ParentFontChanged() {
    FFont->DoParentFontChange();
    FFontHover->DoParentFontChange();
}

void TRdHtmLabelLink::SetColorBg(TColor Value) {
    if (Value == FColorBg) return;
    FColorBg = Value;
    if (TRdHtmLabel* label = Label()) label->Invalidate();
}
void TRdHtmLabelLink::SetCaption(const std::u16string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    Relayout();
}
void TRdHtmLabelLink::SetMaxLine(int Value) {
    if (Value == FMaxLine) return;
    FMaxLine = Value;
    Relayout();
}
void TRdHtmLabelLink::SetLineSpace(int Value) {
    if (Value == FLineSpace) return;
    FLineSpace = Value;
    Relayout();
}
void TRdHtmLabelLink::SetFixedWidth(bool Value) {
    if (Value == FFixedWidth) return;
    FFixedWidth = Value;
    Relayout();
}

const tk::ClassInfo& TRdHtmLabelLinks::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdHtmLabelLinks>("TRdHtmLabelLinks", &tk::TCollection::StaticClass()).build();
    return info;
}

TRdHtmLabelLinks::TRdHtmLabelLinks(TRdHtmLabel* Owner)
    : tk::TCollection(TRdHtmLabelLink::StaticClass(), factoryOf<TRdHtmLabelLink>(), Owner), FLabel(Owner) {
    OnUpdate = [this](tk::TCollectionItem*) {
        if (!FLabel->InState(tk::csLoading | tk::csReading | tk::csDestroying)) {
            FLabel->AdjustBounds();
            FLabel->Invalidate();
        }
    };
}

// ---- the label ----

const tk::ClassInfo& TRdHtmLabel::StaticClass() {
    using T = TRdHtmLabel;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdHtmLabel", &TRdLabel::StaticClass())
            .ord("AutoSize", tk::BooleanType(), &T::AutoSize, &T::SetAutoSize, 0)
            .ord("WordWrap", tk::BooleanType(), &T::WordWrap, &T::SetWordWrap, 1)
            .ord("WrapChar", tk::BooleanType(), &T::WrapChar, &T::SetWrapChar, 0)
            .obj("Lines", tk::ClassTypeOf<tk::TStringList>(), &T::Lines, &T::SetLines)
            .ord("LineSpacing", tk::IntegerType(), &T::LineSpacing, &T::SetLineSpacing, 0)
            .obj("LinkItems", tk::ClassTypeOf<TRdHtmLabelLinks>(), &T::LinkItems, &T::SetLinkItems,
                 &T::StoredLinkItems)
            .str("PlainText", &T::PlainText, nullptr, &T::NotStored)
            .ord("FoundTextOutOfRect", tk::BooleanType(), &T::FoundTextOutOfRect, nullptr, std::nullopt,
                 &T::NotStored)
            .build();
    return info;
}

TRdHtmLabel::TRdHtmLabel(tk::TComponent* AOwner)
    : TRdLabel(AOwner), FLines(std::make_unique<tk::TStringList>()),
      FLinkItems(std::make_unique<TRdHtmLabelLinks>(this)) {
    SetAutoSize(false);
    SetWordWrap(true);
    SetWrapChar(false);
    FLines->OnChange = [this](tk::TStrings*) { LinesChanged(); };
}

TRdHtmLabel::~TRdHtmLabel() {
    FLines->OnChange = nullptr;
    FLinkItems->OnUpdate = nullptr;
}

TRdHtmLabelLink* TRdHtmLabel::Link(int Index) const {
    return Index >= 0 && Index < FLinkItems->Count() ? FLinkItems->GetItem(Index) : nullptr;
}

void TRdHtmLabel::SetCaption(const std::u16string& Value) {
    if (Value == Caption() || FSettingLines) return;
    FLines->SetText(Value);
}

void TRdHtmLabel::SetLines(tk::TStringList* Value) {
    if (Value)
        FLines->Assign(Value);
    else
        FLines->Clear();
}

void TRdHtmLabel::LinesChanged() {
    std::u16string caption;
    for (int i = 0; i < FLines->Count(); ++i) {
        if (i) caption += u"<BR>";
        caption += FLines->Strings(i);
    }
    FPlainText = html::PlainText(caption);
    if (caption == Caption()) { // the framework's text was split into the lines already
        AdjustBounds();
        Invalidate();
        return;
    }
    FSettingLines = true;
    TRdLabel::SetCaption(caption); // the text-changed notification re-measures and repaints
    FSettingLines = false;
}

void TRdHtmLabel::SetLineSpacing(int Value) {
    if (Value == FLineSpacing) return;
    FLineSpacing = Value;
    if (InState(tk::csLoading | tk::csReading)) return;
    AdjustBounds();
    Invalidate();
}

html::Options TRdHtmLabel::LayoutOptions(const tk::TFont& Base, int BoxWidth, int BoxHeight) const {
    html::Options o;
    o.BaseFont = HtmlFont(Base);
    o.BoxWidth = BoxWidth;
    o.BoxHeight = BoxHeight;
    o.Alignment = Alignment() == tk::taRightJustify ? html::Align::Right
                  : Alignment() == tk::taCenter     ? html::Align::Center
                                                    : html::Align::Left;
    o.WordWrap = WordWrap();
    o.WrapChar = WrapChar();
    o.Prefix = ShowAccelChar();
    o.LineSpacing = FLineSpacing;
    o.EllipsisMode = ellipsisMode(EllipsisPosition());
    o.HoverLink = FMouseHoverLinkId;
    for (int i = 0; i < FLinkItems->Count(); ++i) {
        const TRdHtmLabelLink* l = FLinkItems->GetItem(i);
        html::LinkStyle s;
        s.Normal = HtmlFont(*l->Font());
        s.Hover = HtmlFont(*l->FontHover());
        s.ColorBg = l->ColorBg();
        s.MaxLine = l->MaxLine();
        s.LineSpace = l->LineSpace();
        s.FixedWidth = l->FixedWidth();
        o.Links.push_back(std::move(s));
    }
    if (HighContrastPaint())
        o.Fixed = html::Options::FixedColors{
            ContrastTextColor(Enabled() ? TContrastState::Normal : TContrastState::Disabled),
            ContrastTextColor(Enabled() ? TContrastState::Hot : TContrastState::Disabled)};
    return o;
}

html::Result TRdHtmLabel::RenderInto(tk::TCanvas& Canvas, const RECT& Box, bool Draw) {
    tk::TFont base;
    base.Assign(Canvas.Font());
    const html::Options o = LayoutOptions(base, Box.right - Box.left, Box.bottom - Box.top);
    const html::PreparedMarkup markup = html::PrepareMarkup(Caption(), o.Prefix);
    html::Options opt = o;
    opt.Prefix = markup.Prefix;
    TCanvasTextMeasure measure(Canvas);
    TCanvasHtmlPainter painter(Canvas, measure, Box.left, Box.top);
    html::Result r = html::Render(markup.Text, opt, measure, Draw ? &painter : nullptr);
    Canvas.Font()->Assign(&base);
    if (Caption().empty()) r.Height = LineHeight(Canvas); // an empty label is one line high
    return r;
}

RECT TRdHtmLabel::TextBox(tk::TCanvas& Canvas) {
    RECT box = GetClientRect();
    box.left += TextBorder()->Left();
    box.top += TextBorder()->Top();
    box.right -= TextBorder()->Right();
    box.bottom -= TextBorder()->Bottom();
    if (Layout() != tk::tlTop) {
        const int h = RenderInto(Canvas, box, false).Height;
        if (Layout() == tk::tlBottom)
            box.top = box.bottom - h;
        else
            box.top += (box.bottom - box.top - h) / 2;
    }
    return box;
}

// The size the text needs plus the border; an aligned label keeps the size its align
// fixes, a right-aligned one its right edge, a bottom-laid-out one its bottom edge, a
// centred one its centre.
void TRdHtmLabel::AutoSizeToText(tk::TCanvas& Canvas) {
    for (int pass = 0; pass < 4; ++pass) {
        RECT box = GetClientRect();
        box.right -= TextBorder()->Left() + TextBorder()->Right();
        box.bottom += 65535;
        const html::Result r = RenderInto(Canvas, box, false);
        int w = r.Width + TextBorder()->Left() + TextBorder()->Right();
        int h = r.Height + TextBorder()->Top() + TextBorder()->Bottom();
        if (Align() == tk::alTop || Align() == tk::alBottom || Align() == tk::alClient) w = Width();
        if (Align() == tk::alLeft || Align() == tk::alRight || Align() == tk::alClient) h = Height();
        if (w == Width() && h == Height()) return;
        int x = Left(), y = Top();
        if (Alignment() == tk::taRightJustify) x = Left_Right() - w;
        if (Layout() == tk::tlBottom)
            y = Top_Bottom() - h;
        else if (Layout() == tk::tlCenter)
            y = Top() + (Height() - h) / 2;
        SetBounds(x, y, w, h);
    }
}

void TRdHtmLabel::TakeResults(const html::Result& R, int Dx, int Dy) {
    SetFoundTextDrawLine(R.Lines);
    FFoundTextOutOfRect = R.Cut;
    for (int i = 0; i < FLinkItems->Count(); ++i) {
        TRdHtmLabelLink* l = FLinkItems->GetItem(i);
        l->FLastDrawRect.clear();
        l->FFoundTextEllipsis = false;
        if (static_cast<size_t>(i) >= R.Links.size()) continue;
        const html::LinkResult& lr = R.Links[static_cast<size_t>(i)];
        l->FFoundTextEllipsis = lr.Cut;
        l->FLinkPlainText = lr.PlainText;
        for (const html::LinkPiece& p : lr.Pieces)
            l->FLastDrawRect.push_back(
                {p.Box.Left + Dx, p.Box.Top + Dy, p.Box.Right + Dx, p.Box.Bottom + Dy});
    }
}

void TRdHtmLabel::Paint() {
    tk::TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    if (!BoundsAdjusting()) PaintBackground(canvas, GetClientRect());
    if (BoundsAdjusting() && AutoSize()) AutoSizeToText(canvas);
    ApplyStateColour(*canvas.Font());
    const RECT box = TextBox(canvas);
    const html::Result r = RenderInto(canvas, box, !BoundsAdjusting());
    TakeResults(r, box.left, box.top);
    if (!BoundsAdjusting()) OnPaintEnd(this);
}

void TRdHtmLabel::AdjustBounds() {
    if (BoundsAdjusting() || InState(tk::csDestroying | tk::csLoading | tk::csReading)) return;
    WithMeasuringDC([this](HDC dc) {
        if (AutoSize() && Constraints()->MaxWidth() != 0) {
            const int right = Left_Right();
            SetWidth(Constraints()->MaxWidth());
            if (Alignment() == tk::taRightJustify) SetLeft_Right(right);
        }
        ScratchPaint(dc);
    });
}

void TRdHtmLabel::CalcHtmlSize(int& HtmlWidth, int& HtmlHeight, int AMaxWidth) {
    MeasuringCanvas m(this, Font());
    HtmlWidth = HtmlHeight = 0;
    if (!m.dc) return;
    const html::Result r = RenderInto(m.canvas, RECT{0, 0, AMaxWidth, 4096}, false);
    HtmlWidth = r.Width;
    HtmlHeight = r.Height;
}

int TRdHtmLabel::LinkAt(int X, int Y, RECT* PieceRect, std::u16string* Anchor) {
    MeasuringCanvas m(this, Font());
    if (!m.dc) return -1;
    const RECT box = TextBox(m.canvas);
    const html::Result r = RenderInto(m.canvas, box, false);
    html::Rect piece;
    const int i = html::HitTest(r, X - box.left, Y - box.top, &piece);
    if (i < 0 || i >= FLinkItems->Count()) return -1; // an anchor without a link item is text
    if (PieceRect)
        *PieceRect = {piece.Left + box.left, piece.Top + box.top, piece.Right + box.left,
                      piece.Bottom + box.top};
    if (Anchor) *Anchor = r.Links[static_cast<size_t>(i)].Anchor;
    return i;
}

void TRdHtmLabel::Loaded() {
    TRdLabel::Loaded();
    for (int i = 0; i < FLinkItems->Count(); ++i)
        FLinkItems->GetItem(i)->ParentFontChanged();
}

// ---- mouse, links and hints ----

void TRdHtmLabel::LeaveLinks() {
    FMouseX = FMouseY = -1;
    FMouseDownLinkId = FMouseUpLinkId = -1;
    if (FMouseHoverLinkId >= 0) {
        FMouseHoverLinkAnchor.clear();
        FMouseHoverLinkRect = {-1, -1, -1, -1};
        Invalidate();
    }
    FMouseHoverLinkId = -2;
    if (FCursor_Default != -1) {
        SetCursor(FCursor_Default);
        FCursor_Default = -1;
    }
}

void TRdHtmLabel::MouseMove(tk::TShiftState Shift, int X, int Y) {
    TRdLabel::MouseMove(Shift, X, Y);
    if (FMouseHoverLinkId == -2 || (X == FMouseX && Y == FMouseY)) return;
    FMouseX = X;
    FMouseY = Y;
    RECT piece{-1, -1, -1, -1};
    std::u16string anchor;
    const int id = LinkAt(X, Y, &piece, &anchor);
    if (id == FMouseHoverLinkId) return;
    const int was = FMouseHoverLinkId;
    FMouseHoverLinkId_Last = was;
    FMouseHoverLinkId = id;
    FMouseHoverLinkAnchor = anchor;
    FMouseHoverLinkRect = piece;
    if (id < 0) {
        if (FCursor_Default != -1) SetCursor(FCursor_Default);
        FCursor_Default = -1;
    } else {
        if (was < 0) FCursor_Default = Cursor();
        const tk::TCursor c = Link(id)->Cursor();
        SetCursor(c != 0 ? c : FCursor_Default);
    }
    // A new area: the hint is asked again with the framework's timing.
    if (tk::Application()->HintControl() == this) tk::Application()->CancelHint();
    const TRdHtmLabelLink* before = Link(was);
    const TRdHtmLabelLink* now = Link(id);
    const auto fontChanges = [](const TRdHtmLabelLink* l) {
        return l && !l->FontHover()->Equals(*l->Font());
    };
    if (fontChanges(before) || fontChanges(now)) Invalidate();
}

void TRdHtmLabel::MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    if (Button == tk::mbLeft) FMouseDownLinkId = LinkAt(X, Y);
    TRdLabel::MouseDown(Button, Shift, X, Y);
}

void TRdHtmLabel::MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    if (Button == tk::mbLeft) {
        FMouseUpLinkId = LinkAt(X, Y);
        if (FMouseUpLinkId != FMouseDownLinkId) FMouseDownLinkId = -1;
    }
    TRdLabel::MouseUp(Button, Shift, X, Y);
    if (Button == tk::mbLeft && FMouseDownLinkId >= 0 && FMouseUpLinkId == FMouseDownLinkId) {
        const int id = FMouseDownLinkId;
        FMouseDownLinkId = -1;
        if (TRdHtmLabelLink* l = Link(id)) l->OnClick(l);
    }
}

void TRdHtmLabel::HintShow(tk::TMessage& m) {
    auto* info = reinterpret_cast<tk::THintInfo*>(m.LParam);
    bool done = false;
    if (info) {
        if (const TRdHtmLabelLink* l = Link(FMouseHoverLinkId)) {
            if (!l->Hint().empty()) {
                info->HintStr = !l->AutoShowHint() || l->FoundTextEllipsis() ? l->Hint() : u"";
                done = true;
            } else if (l->AutoShowHint() && l->FoundTextEllipsis()) {
                info->HintStr = l->LinkPlainText();
                done = true;
            }
            if (done) info->CursorRect = FMouseHoverLinkRect;
        }
        if (!done && AutoShowHint()) {
            if (!FFoundTextOutOfRect)
                info->HintStr.clear();
            else if (Hint().empty())
                info->HintStr = FPlainText;
            if (tk::Application()->OnHint) tk::Application()->OnHint(this);
        }
    }
    TRdGraphicControl::WndProc(m);
    bool canShow = m.Result == 0;
    if (info) OnShowHint(info->HintStr, canShow, *info);
    m.Result = canShow ? 0 : 1;
}

void TRdHtmLabel::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case tk::CM_HINTSHOW:
        HintShow(m);
        return;
    case tk::CM_MOUSEENTER:
        TRdLabel::WndProc(m);
        if (m.LParam == 0 && FMouseHoverLinkId == -2) FMouseHoverLinkId = -1;
        return;
    case tk::CM_MOUSELEAVE:
        TRdLabel::WndProc(m);
        if (m.LParam == 0) LeaveLinks();
        return;
    case tk::CM_TEXTCHANGED:
        // The framework's own text was set: it becomes the lines.
        if (!FSettingLines) {
            FLines->SetText(Caption());
            return;
        }
        break;
    case tk::CM_FONTCHANGED:
        for (int i = 0; i < FLinkItems->Count(); ++i)
            FLinkItems->GetItem(i)->ParentFontChanged();
        break;
    case CM_RDFONTCHANGE:
        if (auto* params = reinterpret_cast<TCNFontChangeParams*>(m.LParam))
            for (int i = 0; i < FLinkItems->Count(); ++i) {
                UpdateFontFromParams(*FLinkItems->GetItem(i)->Font(), *params);
                UpdateFontFromParams(*FLinkItems->GetItem(i)->FontHover(), *params);
            }
        break;
    default:
        break;
    }
    TRdLabel::WndProc(m);
}

// A reader hears the text as shown, without the markup.
void TRdHtmLabel::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    TRdLabel::GetAccessibleInfo(Info);
    Info.Name = FPlainText;
    if (FLinkItems->Count() > 0) Info.State |= STATE_SYSTEM_LINKED;
}

void TRdHtmLabel::GetAccessibleParts(std::vector<tk::TAccessiblePart>& Parts) const {
    if (FLinkItems->Count() == 0) return;
    // Laid out as painted; the layout needs the control's measuring canvas.
    auto* self = const_cast<TRdHtmLabel*>(this);
    MeasuringCanvas m(self, self->Font());
    if (!m.dc) return;
    const RECT box = self->TextBox(m.canvas);
    const html::Result r = self->RenderInto(m.canvas, box, false);
    const size_t count = std::min(r.Links.size(), static_cast<size_t>(FLinkItems->Count()));
    for (size_t i = 0; i < count; ++i) {
        const html::LinkResult& link = r.Links[i];
        tk::TAccessiblePart part;
        part.Name = link.PlainText;
        part.Role = ROLE_SYSTEM_LINK;
        part.State = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
        if (FMouseHoverLinkId == static_cast<int>(i)) part.State |= STATE_SYSTEM_HOTTRACKED;
        part.DefaultAction = u"Jump";
        // Where its pieces are; a link cut off the text shows nowhere.
        RECT where{};
        for (const html::LinkPiece& p : link.Pieces) {
            const RECT pr{p.Box.Left + box.left, p.Box.Top + box.top, p.Box.Right + box.left,
                          p.Box.Bottom + box.top};
            if (::IsRectEmpty(&where))
                where = pr;
            else
                ::UnionRect(&where, &where, &pr);
        }
        if (::IsRectEmpty(&where)) part.State |= STATE_SYSTEM_INVISIBLE;
        part.Bounds = where;
        Parts.push_back(part);
    }
}

bool TRdHtmLabel::DoAccessiblePartAction(int Index) {
    TRdHtmLabelLink* l = Enabled() ? Link(Index) : nullptr;
    if (!l) return false;
    l->OnClick(l);
    return true;
}

} // namespace vell::rd
