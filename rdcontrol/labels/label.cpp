#include "rdcontrol/labels/label.h"

#include "core/color/colors.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "platform/text/canvas_font.h"
#include "rdcontrol/paint/measure_dc.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/application.h"
#include "toolkit/accessible.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::rd {

namespace {

constexpr UINT kEllipsisBits = DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;

UINT ellipsisBits(TEllipsisPosition P) {
    switch (P) {
    case epPathEllipsis:
        return DT_PATH_ELLIPSIS;
    case epEndEllipsis:
        return DT_END_ELLIPSIS;
    case epWordEllipsis:
        return DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;
    default:
        return 0;
    }
}

UINT alignmentBits(tk::TAlignment A) {
    return A == tk::taRightJustify ? DT_RIGHT : A == tk::taCenter ? DT_CENTER : 0;
}

int height(const RECT& R) {
    return R.bottom - R.top;
}
int width(const RECT& R) {
    return R.right - R.left;
}

// The key is the caption's accelerator: the character after a single "&", without case.
bool isAccel(WORD Key, const std::u16string& Caption) {
    for (size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != u'&') continue;
        if (Caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(Caption[i + 1]))) ==
               ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(Key)));
    }
    return false;
}

} // namespace

const tk::TypeInfo& EllipsisPositionType() {
    static const tk::TypeInfo t = tk::makeEnumType(
        "TEllipsisPosition", {"epNone", "epPathEllipsis", "epEndEllipsis", "epWordEllipsis"});
    return t;
}

const tk::ClassInfo& TRdCustomLabel::StaticClass() {
    using T = TRdCustomLabel;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdCustomLabel", &TRdGraphicControl::StaticClass())
            .ord("Alignment", tk::AlignmentType(), &T::Alignment, &T::SetAlignment, tk::taLeftJustify)
            .ord("AutoSize", tk::BooleanType(), &T::AutoSize, &T::SetAutoSize, 1)
            .obj("BkgNormal", tk::ClassTypeOf<tk::TPicture>(), &T::BkgNormal, &T::SetBkgNormal)
            .obj("BkgOption", tk::ClassTypeOf<design::TDesignRect>(), &T::BkgOption, &T::SetBkgOption)
            .str("Caption", &T::Caption, &T::SetCaption)
            .ord("EllipsisPosition", EllipsisPositionType(), &T::EllipsisPosition, &T::SetEllipsisPosition,
                 epNone)
            .obj("FocusControl", tk::ClassTypeOf<tk::TWinControl>(), &T::FocusControl, &T::SetFocusControl)
            .ord("FontHoverColor", tk::ColorType(), &T::FontHoverColor, &T::SetFontHoverColor, clDefault)
            .ord("FontDownColor", tk::ColorType(), &T::FontDownColor, &T::SetFontDownColor, clDefault)
            .ord("FontDisabledColor", tk::ColorType(), &T::FontDisabledColor, &T::SetFontDisabledColor,
                 tk::clGrayText)
            .ord("FontAntialiased", tk::BooleanType(), &T::FontAntialiased, &T::SetFontAntialiased,
                 std::nullopt, &T::NotStored)
            .ord("GlowSize", tk::IntegerType(), &T::GlowSize, &T::SetGlowSize, 0)
            .ord("ShowAccelChar", tk::BooleanType(), &T::ShowAccelChar, &T::SetShowAccelChar, 0)
            .ord("AutoShowHint", tk::BooleanType(), &T::AutoShowHint, &T::SetAutoShowHint, 0)
            .ord("Transparent", tk::BooleanType(), &T::Transparent, &T::SetTransparent, 1)
            .ord("Layout", tk::TextLayoutType(), &T::Layout, &T::SetLayout, tk::tlTop)
            .ord("WordWrap", tk::BooleanType(), &T::WordWrap, &T::SetWordWrap, 0)
            .ord("WrapChar", tk::BooleanType(), &T::WrapChar, &T::SetWrapChar, 1)
            .obj("TextBorder", tk::ClassTypeOf<design::TDesignRect>(), &T::TextBorder, &T::SetTextBorder)
            .ord("FoundTextEllipsis", tk::BooleanType(), &T::FoundTextEllipsis, nullptr, std::nullopt,
                 &T::NotStored)
            .ord("FoundTextWordBreak", tk::BooleanType(), &T::FoundTextWordBreak, nullptr, std::nullopt,
                 &T::NotStored)
            .ord("FoundTextDrawLine", tk::IntegerType(), &T::FoundTextDrawLine, nullptr, std::nullopt,
                 &T::NotStored)
            .event("OnPaintImage", &T::OnPaintImage)
            .event("OnPaintEnd", &T::OnPaintEnd)
            .event("OnShowHint", &T::OnShowHint)
            .build();
    return info;
}

const tk::ClassInfo& TRdLabel::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdLabel>("TRdLabel", &TRdCustomLabel::StaticClass()).build();
    return info;
}

TRdCustomLabel::TRdCustomLabel(tk::TComponent* AOwner)
    : TRdGraphicControl(AOwner), FTextBorder(std::make_unique<design::TDesignRect>()),
      FBackground(std::make_unique<tk::TPicture>()),
      FBackgroundOption(std::make_unique<design::TDesignRect>()) {
    SetControlStyle((ControlStyle() & ~(tk::csSetCaption | tk::csOpaque)) | tk::csReplicatable);
    FBackground->OnChange = [this](tk::TPicture*) { BackgroundChanged(); };
    FBackgroundOption->OnChange = [this](design::TDesignRect&) { BackgroundChanged(); };
    FTextBorder->OnChange = [this](design::TDesignRect&) {
        AdjustBounds();
        Invalidate();
    };
    FOldConstraintsChange = Constraints()->OnChange;
    Constraints()->OnChange = [this](tk::TSizeConstraints*) { ConstraintsChanged(); };
    SetBounds(Left(), Top(), 65, 17);
}

TRdCustomLabel::~TRdCustomLabel() {
    FTextBorder->OnChange = nullptr;
    FBackgroundOption->OnChange = nullptr;
    FBackground->OnChange = nullptr;
    if (Constraints()) Constraints()->OnChange = FOldConstraintsChange;
}

// ---- setters ----

void TRdCustomLabel::SetCaption(const std::u16string& Value) {
    SetText(Value);
}

void TRdCustomLabel::SetAlignment(tk::TAlignment Value) {
    if (Value == FAlignment) return;
    FAlignment = Value;
    Invalidate();
}
void TRdCustomLabel::SetLayout(tk::TTextLayout Value) {
    if (Value == FLayout) return;
    FLayout = Value;
    Invalidate();
}
void TRdCustomLabel::SetShowAccelChar(bool Value) {
    if (Value == FShowAccelChar) return;
    FShowAccelChar = Value;
    Invalidate();
}
void TRdCustomLabel::SetFontDisabledColor(TColor Value) {
    if (Value == FFontDisabledColor) return;
    FFontDisabledColor = Value;
    Invalidate();
}
void TRdCustomLabel::SetGlowSize(int Value) {
    if (Value == FGlowSize) return;
    FGlowSize = Value;
    Invalidate();
}
void TRdCustomLabel::SetEllipsisPosition(TEllipsisPosition Value) {
    if (Value == FEllipsisPosition) return;
    FEllipsisPosition = Value;
    AdjustBounds();
    Invalidate();
}
void TRdCustomLabel::SetWordWrap(bool Value) {
    if (Value == FWordWrap) return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}
void TRdCustomLabel::SetWrapChar(bool Value) {
    if (Value == FWrapChar) return;
    FWrapChar = Value;
    AdjustBounds();
    Invalidate();
}
void TRdCustomLabel::SetAutoSize(bool Value) {
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    if (Value) AdjustBounds();
}
void TRdCustomLabel::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    UpdateOpaque();
    Invalidate();
}
void TRdCustomLabel::SetAutoShowHint(bool Value) {
    FAutoShowHint = Value;
    SetShowHint(true);
}
void TRdCustomLabel::SetFocusControl(tk::TWinControl* Value) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TRdCustomLabel::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    TRdGraphicControl::Notification(AComponent, Operation);
    if (Operation == tk::TOperation::opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TRdCustomLabel::UpdateOpaque() {
    bool opaque = !FTransparent && ColorAlpha(Color()) == 255;
    const TRdSkinClassDraw* d = AllSkin()->Draw();
    if (d->DrawScale() < 100 || d->DrawAlpha() < 255) opaque = false;
    SetControlStyle(opaque ? ControlStyle() | tk::csOpaque : ControlStyle() & ~tk::csOpaque);
    AllSkin()->DrawBufferTk = 0;
}

void TRdCustomLabel::BackgroundChanged() {
    if (FBackgroundOption->ChangeEmpty()) {
        auto handler = std::move(FBackgroundOption->OnChange);
        FBackgroundOption->SetValue(FBackground->Width() / 3, FBackground->Height() / 3,
                                    design::TDesignRect::kSameAsFirst, design::TDesignRect::kSameAsFirst);
        FBackgroundOption->OnChange = std::move(handler);
    }
    if (!InState(tk::csLoading | tk::csReading)) Invalidate();
}

// A right-aligned label keeps its right edge, a bottom-laid-out one its bottom edge.
void TRdCustomLabel::ConstraintsChanged() {
    const int right = Left_Right(), bottom = Top_Bottom();
    {
        FlagScope adjusting(FBoundsAdjusting);
        if (FOldConstraintsChange) FOldConstraintsChange(Constraints());
    }
    if (FAlignment == tk::taRightJustify) SetLeft_Right(right);
    if (FLayout == tk::tlBottom) SetTop_Bottom(bottom);
    AdjustBounds();
}

// ---- text ----

int TRdCustomLabel::LineHeight(tk::TCanvas& Canvas) {
    if (const int h = Canvas.TextHeight(u"`ghj_")) return h;
    TEXTMETRICW tm{};
    if (HDC dc = Canvas.Handle(); dc && ::GetTextMetricsW(dc, &tm)) return tm.tmHeight;
    return std::abs(Canvas.Font()->Height()) + 3;
}

UINT TRdCustomLabel::FormatBits() const {
    return (FWordWrap ? DT_WORDBREAK : 0) | (FWrapChar ? DT_EDITCONTROL : 0) | alignmentBits(FAlignment) |
           DT_EXPANDTABS;
}

bool TRdCustomLabel::StateColourDiffers(TColor C) const {
    return C != clDefault && C != Font()->Color();
}

void TRdCustomLabel::DoDrawText(tk::TCanvas& Canvas, RECT& Rect, bool IgnoreEllipsis, UINT Flags) {
    std::u16string text = GetLabelText();
    if (((Flags & DT_CALCRECT) && text.empty()) || (FShowAccelChar && text == u"&")) text += u' ';
    if (text.empty()) return;
    if (!FShowAccelChar) Flags |= DT_NOPREFIX;
    if (BiDiMode() == tk::bdRightToLeft) {
        const UINT lr = Flags & (DT_LEFT | DT_RIGHT);
        Flags &= ~static_cast<UINT>(DT_RIGHT);
        if (!(lr & DT_RIGHT) && !(Flags & DT_CENTER)) Flags |= DT_RIGHT;
        Flags |= DT_RTLREADING;
    }
    const std::u16string orig = text;
    std::u16string work = text;
    const int line = LineHeight(Canvas);
    const UINT ellipsis = ellipsisBits(FEllipsisPosition);
    const bool cutting = !IgnoreEllipsis && FEllipsisPosition != epNone;
    if (cutting) {
        if (!(Flags & DT_CALCRECT)) FFoundTextEllipsis = true; // settled below
        Flags = (Flags & ~static_cast<UINT>(DT_EXPANDTABS)) | ellipsis;
        if (FWordWrap && (FEllipsisPosition == epEndEllipsis || FEllipsisPosition == epWordEllipsis)) {
            // A draw far below every clip only yields the wrapped height.
            RECT off = Rect;
            ::OffsetRect(&off, 0, 10000);
            int h = Canvas.DrawText(work, off, Flags & ~static_cast<UINT>(DT_NOCLIP | DT_CALCRECT));
            if (height(Rect) < h) {
                Rect.bottom = Rect.top + std::max(1, height(Rect) / std::max(line, 1)) * line;
                h = height(Rect);
                if (!FWrapChar) {
                    off.bottom = off.top + h - 1;
                    Canvas.DrawTextModify(work, off,
                                          (Flags & ~static_cast<UINT>(DT_CALCRECT)) | DT_MODIFYSTRING);
                }
            }
            if (Flags & DT_CALCRECT) {
                Canvas.DrawText(work, Rect, Flags);
                Rect.bottom = Rect.top + h;
                return;
            }
        }
        text = work;
    }
    const RECT start = Rect;
    ApplyStateColour(*Canvas.Font());
    const UINT drawFlags = Flags | (ellipsis && cutting ? DT_MODIFYSTRING : 0);
    const int h = Canvas.DrawTextModify(text, Rect, drawFlags);
    if (FBoundsAdjusting && (Flags & DT_CALCRECT) && (Flags & DT_RIGHT)) {
        RECT s = start;
        if (Canvas.DrawText(text, s, Flags & ~static_cast<UINT>(DT_RIGHT)) == h) Rect = s;
    }
    FFoundTextDrawLine = h / std::max(line, 1);
    if (!(Flags & DT_CALCRECT)) {
        if (h == 0) {
            FLastTextRect = Rect;
            FLastTextRect.bottom = FLastTextRect.top;
        } else {
            RECT a = Rect;
            const int h2 = Canvas.DrawText(text, a, Flags | DT_CALCRECT);
            if (Flags & DT_RIGHT) {
                RECT b = Rect;
                if (Canvas.DrawText(text, b, (Flags | DT_CALCRECT) & ~static_cast<UINT>(DT_RIGHT)) == h2)
                    a = b;
            }
            if (h < height(a)) a.bottom = a.top + h;
            const int aw = width(a);
            if (FAlignment == tk::taRightJustify)
                ::OffsetRect(&a, Rect.right - a.right, 0);
            else if (FAlignment == tk::taCenter)
                ::OffsetRect(&a, Rect.left + (width(Rect) - aw) / 2 - a.left, 0);
            FLastTextRect = a;
        }
    }
    if (Flags & DT_CALCRECT) return;
    if (FFoundTextEllipsis) FFoundTextEllipsis = text != orig;
    if (FWordWrap) {
        RECT a = Rect;
        Canvas.DrawText(
            orig, a, ((Flags | DT_CALCRECT | DT_NOCLIP) & ~kEllipsisBits) & ~static_cast<UINT>(DT_WORDBREAK));
        FFoundTextWordBreak = height(FLastTextRect) > height(a);
    }
}

void TRdCustomLabel::PaintBackground(tk::TCanvas& canvas, const RECT& r) {
    // In high contrast the text stands on the system's background, whatever lies behind.
    if (HighContrastPaint()) {
        FillContrastBackground(canvas.Handle(), r);
    } else if (!FTransparent) {
        canvas.Brush()->SetStyle(tk::bsSolid);
        canvas.Brush()->SetColor(Color());
        canvas.FillRect(r);
    } else if (InState(tk::csDesigning) && FBackground->Empty()) {
        canvas.Pen()->SetStyle(tk::psDash);
        canvas.Brush()->SetStyle(tk::bsClear);
        canvas.Rectangle(r.left, r.top, r.right, r.bottom);
    }
    if (!FBackground->Empty())
        DrawDesignGraphic(&canvas, FBackground->Graphic(), r, nullptr, FBackgroundOption.get());
    OnPaintImage(this);
}

void TRdCustomLabel::ApplyStateColour(tk::TFont& font) const {
    if (HighContrastPaint()) {
        const bool hot =
            (FMouseLDown && FFontDownColor != clDefault) || (FMouseEnter && FFontHoverColor != clDefault);
        font.SetColor(ContrastTextColor(!Enabled() ? TContrastState::Disabled
                                        : hot      ? TContrastState::Hot
                                                   : TContrastState::Normal));
        return;
    }
    if (Enabled()) {
        if (FMouseLDown && FFontDownColor != clDefault)
            font.SetColor(FFontDownColor);
        else if (FMouseEnter && FFontHoverColor != clDefault)
            font.SetColor(FFontHoverColor);
    } else {
        font.SetColor(FFontDisabledColor);
    }
}

void TRdCustomLabel::WithMeasuringDC(const std::function<void(HDC)>& Step) {
    MeasureDC measure;
    if (!measure.dc) return;
    FlagScope adjusting(FBoundsAdjusting);
    Step(measure.dc);
}

void TRdCustomLabel::Paint() {
    tk::TCanvas& canvas = *Canvas();
    RECT r = GetClientRect();
    canvas.SetFont(Font());
    if (!FBoundsAdjusting) PaintBackground(canvas, r);
    if (!FTransparent && ColorAlpha(Color()) == 255 && !HighContrastPaint()) {
        canvas.Brush()->SetStyle(tk::bsSolid);
        canvas.Brush()->SetColor(Color());
    } else {
        canvas.Brush()->SetStyle(tk::bsClear);
    }
    UINT f = FormatBits();
    const int tbL = FTextBorder->Left(), tbT = FTextBorder->Top(), tbR = FTextBorder->Right(),
              tbB = FTextBorder->Bottom();
    if (FLayout == tk::tlTop) {
        r.top += tbT;
        r.bottom -= tbB;
    } else {
        RECT c = r;
        c.right -= tbL + tbR;
        c.bottom -= tbT + tbB;
        DoDrawText(canvas, c, false, f | DT_CALCRECT | DT_NOCLIP);
        const int h = height(c);
        if (FLayout == tk::tlBottom) {
            r.top = r.bottom - h;
            ::OffsetRect(&r, 0, -tbB);
        } else {
            r.top += tbT;
            r.bottom -= tbB;
            ::OffsetRect(&r, 0, (height(r) - h) / 2);
            r.bottom = r.top + h;
        }
    }
    r.left += tbL;
    r.right -= tbR;
    if (FWrapChar && FEllipsisPosition == epNone) f |= DT_NOCLIP;
    FFoundTextEllipsis = false;
    FFoundTextWordBreak = false;
    DoDrawText(canvas, r, false, f | TextEffectFlags(canvas));
    if (!FBoundsAdjusting) OnPaintEnd(this);
}

// ---- measuring ----

void TRdCustomLabel::ScratchPaint(HDC DC) {
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
}

void TRdCustomLabel::AdjustBounds() {
    if (FBoundsAdjusting || InState(tk::csDestroying | tk::csLoading | tk::csReading)) return;
    if (!FAutoSize && !FWordWrap && FEllipsisPosition == epNone) return;
    MeasureDC measure;
    if (!measure.dc) return;
    FlagScope adjusting(FBoundsAdjusting);
    if (!FAutoSize) {
        ScratchPaint(measure.dc);
        return;
    }
    const int rightEdge = Left_Right();
    tk::TSizeConstraints* limits = Constraints();
    if (limits->MaxWidth() != 0) {
        if (FAlignment == tk::taRightJustify) {
            SetBounds(rightEdge - limits->MaxWidth(), Top(), limits->MaxWidth(), Height());
            SetLeft_Right(rightEdge);
        } else {
            SetWidth(limits->MaxWidth());
        }
    }
    const int tbL = FTextBorder->Left(), tbT = FTextBorder->Top(), tbR = FTextBorder->Right(),
              tbB = FTextBorder->Bottom();
    auto inner = [&] {
        RECT r = GetClientRect();
        r.right -= tbL + tbR;
        r.bottom -= tbT + tbB;
        return r;
    };
    RECT r = inner();
    tk::TCanvas canvas;
    canvas.ReplaceFont(std::make_unique<TRdFont>(this));
    canvas.SetHandle(measure.dc);
    canvas.SetFont(Font());
    bool first = true;
    for (int pass = 0; pass < 2; ++pass) {
        DoDrawText(canvas, r, first, FormatBits() | DT_CALCRECT);
        const int w = tbL + r.right + tbR, hn = tbT + r.bottom + tbB;
        tk::TAlignment align = FAlignment;
        if (BiDiMode() == tk::bdRightToLeft && align != tk::taCenter)
            align = align == tk::taLeftJustify ? tk::taRightJustify : tk::taLeftJustify;
        int x = Left(), y = Top();
        const int minW = limits->MinWidth(), maxW = limits->MaxWidth();
        const int minH = limits->MinHeight(), maxH = limits->MaxHeight();
        if (align == tk::taRightJustify) {
            if (Width() > 0 && Width() == maxW && Width() == minW) {
            } else if (minW != 0 && w < minW) {
                x += Width() - minW;
            } else if (maxW != 0 && w > maxW) {
                x += Width() - maxW;
            } else {
                x += Width() - w;
            }
        }
        if (FLayout == tk::tlCenter) {
            int h = height(r);
            if (minH != 0) h = std::max(h, minH);
            if (maxH != 0) h = std::min(h, maxH);
            y += (Height() - h - tbT - tbB) / 2;
        } else if (FLayout == tk::tlBottom) {
            if (Height() > 0 && Height() == maxH && Height() == minH) {
            } else if (minH != 0 && hn < minH) {
                y += Height() - minH;
            } else if (maxH != 0 && hn > maxH) {
                y += Height() - maxH;
            } else {
                y += Height() - hn;
            }
        }
        SetBounds(x, y, w, hn);
        if (FAlignment == tk::taRightJustify) SetLeft_Right(rightEdge);
        if (FEllipsisPosition == epNone) break;
        const RECT next = inner();
        if (::EqualRect(&next, &r)) break;
        r = next;
        first = false;
    }
    canvas.SetHandle(nullptr);
    if (FEllipsisPosition != epNone || FWordWrap) ScratchPaint(measure.dc);
}

void TRdCustomLabel::Resize() {
    if (InState(tk::csDestroying)) return;
    if (!InState(tk::csLoading | tk::csReading) && !FBoundsAdjusting &&
        (FAutoSize || FEllipsisPosition != epNone || FWordWrap)) {
        MeasureDC measure;
        if (!measure.dc) return;
        FlagScope adjusting(FBoundsAdjusting);
        ScratchPaint(measure.dc);
    }
    TRdGraphicControl::Resize();
}

void TRdCustomLabel::Loaded() {
    TRdGraphicControl::Loaded();
    AdjustBounds();
}

void TRdCustomLabel::SetName(const std::string& NewName) {
    const std::string old = Name();
    const bool follows = !InState(tk::csLoading) && Caption() == text::utf8ToUtf16(old) &&
                         !(Owner() && Owner()->InState(tk::csLoading));
    TRdGraphicControl::SetName(NewName);
    if (follows && !old.empty()) SetCaption(text::utf8ToUtf16(NewName));
}

// ---- mouse, hints and notifications ----

void TRdCustomLabel::MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    if (Button == tk::mbLeft && !FMouseLDown) {
        FMouseLDown = true;
        if (StateColourDiffers(FFontDownColor)) Invalidate();
    }
    TRdGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TRdCustomLabel::MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    bool repaint = FMouseLDown && StateColourDiffers(FFontDownColor);
    FMouseLDown = false;
    const RECT client = GetClientRect();
    if (FMouseEnter && !::PtInRect(&client, POINT{X, Y})) {
        FMouseEnter = false;
        repaint = true;
    }
    if (repaint) Invalidate();
    TRdGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TRdCustomLabel::HintShow(tk::TMessage& m) {
    auto* info = reinterpret_cast<tk::THintInfo*>(m.LParam);
    if (info && FAutoShowHint) {
        if (!FFoundTextEllipsis)
            info->HintStr.clear();
        else if (Hint().empty())
            info->HintStr = Caption();
    }
    TRdGraphicControl::WndProc(m);
    bool canShow = m.Result == 0;
    if (info) OnShowHint(info->HintStr, canShow, *info);
    m.Result = canShow ? 0 : 1;
}

void TRdCustomLabel::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case tk::CM_TEXTCHANGED:
        TRdGraphicControl::WndProc(m);
        AdjustBounds();
        Invalidate();
        return;
    case tk::CM_FONTCHANGED:
        TRdGraphicControl::WndProc(m);
        AdjustBounds();
        return;
    case tk::CM_COLORCHANGED:
        TRdGraphicControl::WndProc(m);
        UpdateOpaque();
        return;
    case tk::CM_HINTSHOW:
        HintShow(m);
        return;
    case tk::CM_MOUSEENTER:
        TRdGraphicControl::WndProc(m);
        if (m.LParam == 0) {
            FMouseEnter = true;
            if (StateColourDiffers(FFontHoverColor)) Invalidate();
        }
        return;
    case tk::CM_MOUSELEAVE:
        TRdGraphicControl::WndProc(m);
        if (m.LParam == 0) {
            const bool repaint = (FMouseLDown && StateColourDiffers(FFontDownColor)) ||
                                 (FMouseEnter && StateColourDiffers(FFontHoverColor));
            FMouseEnter = FMouseLDown = false;
            if (repaint) Invalidate();
        }
        return;
    case tk::CM_DIALOGCHAR:
        if (FFocusControl && Enabled() && FShowAccelChar && isAccel(static_cast<WORD>(m.WParam), Caption()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            m.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TRdGraphicControl::WndProc(m);
}

void TRdCustomLabel::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    Info.Name = Caption();
    Info.Role = ROLE_SYSTEM_STATICTEXT;
    Info.State = STATE_SYSTEM_READONLY;
}

} // namespace vell::rd
