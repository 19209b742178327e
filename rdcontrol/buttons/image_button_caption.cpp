// The image button's caption engine: the text area (offsets, margins, the icon), the
// fitting of whole lines into the height with "..." at the end, the placement of the drawn
// text, and the automatic sizing. Everything is measured with the same DrawTextW calls that
// draw, on a memory device context while sizing and 10000 pixels below the visible area
// while painting, so that measured and drawn text agree.
#include "rdcontrol/buttons/image_button.h"

#include "platform/text/canvas_font.h"
#include "platform/win/handles.h"

#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/paint/measure_dc.h"

#include <algorithm>
#include <optional>

namespace vell::rd {

namespace {

constexpr int kOffScreen = 10000;
// The fitting loop ends after this many rounds even if the measures do not settle.
constexpr int kMaxFitRounds = 32;

int width(const RECT& R) {
    return R.right - R.left;
}
int height(const RECT& R) {
    return R.bottom - R.top;
}
void moveTo(RECT& R, int Left, int Top) {
    ::OffsetRect(&R, Left - R.left, Top - R.top);
}
void moveX(RECT& R, int Left) {
    moveTo(R, Left, R.top);
}
void moveY(RECT& R, int Top) {
    moveTo(R, R.left, Top);
}

// A copy with room for the "..." DT_MODIFYSTRING writes, and the text up to its first NUL.
std::u16string withRoom(const std::u16string& S) {
    return S + std::u16string(8, u'\0');
}
void cutAtNul(std::u16string& S) {
    if (const size_t p = S.find(u'\0'); p != std::u16string::npos) S.resize(p);
}

UINT alignBits(tk::TAlignment A) {
    return A == tk::taRightJustify ? DT_RIGHT : A == tk::taCenter ? DT_CENTER : 0;
}

} // namespace

int TRdImageButton::MeasureTextMaxLines(tk::TCanvas& Canvas, int MaxLines, int& LineHeight, UINT Format,
                                        const std::u16string& Text, RECT& Rect) {
    const LONG right = Rect.right;
    const int h = Canvas.DrawText(Text, Rect, Format | DT_CALCRECT);
    if (MaxLines <= 0) return h;
    if (LineHeight <= 0) LineHeight = std::max(1, TRdCustomLabel::LineHeight(Canvas));
    if (LineHeight * MaxLines >= h) return h;
    // Cut a copy to the lines that fit, ending in "...", far below every clip.
    Rect.bottom = Rect.top + LineHeight * MaxLines;
    RECT off = Rect;
    off.right = right;
    ::OffsetRect(&off, 0, kOffScreen);
    std::u16string copy = withRoom(Text);
    const int drawn = Canvas.DrawTextModify(copy, off,
                                            (Format | DT_END_ELLIPSIS | DT_MODIFYSTRING) &
                                                ~static_cast<UINT>(DT_NOCLIP | DT_CALCRECT));
    cutAtNul(copy);
    Canvas.DrawText(copy, off, Format | DT_CALCRECT);
    ::OffsetRect(&off, 0, -kOffScreen);
    Rect = off;
    Rect.bottom = Rect.top + drawn;
    return drawn;
}

void TRdImageButton::CalcTextLayout(tk::TCanvas& Canvas, RECT& R, bool Measuring, int& LineHeight,
                                    UINT& Format, tk::TPicture*& Icon, RECT& Area, RECT& TextRect) {
    Format = FShowAccelChar ? 0 : DT_NOPREFIX;
    Format |= TextEffectFlags(Canvas);
    Format |= FWordWrap ? (DT_WORDBREAK | DT_NOCLIP | DT_EDITCONTROL) : (DT_SINGLELINE | DT_NOCLIP);
    Format |= alignBits(FTextWarpAlign);
    Area = R;
    if (FCaptionAlignment == tk::taLeftJustify) Area.left += FTextOffset;
    if (FCaptionAlignment == tk::taRightJustify) Area.right -= FTextOffset;
    if (Measuring) {
        Area.left = std::max<LONG>(R.left + FTextLeftMargin, Area.left);
        Area.right = std::min<LONG>(R.right - FTextRightMargin, Area.right);
        // An icon placed by the text and pushed outside it reserves the room it needs.
        auto iconRoom = [&](tk::TVerticalAlignment Side) {
            return FIconVisible && FIconAlignY == Side && FIconAlignYByText && FIconOffsetY < 0
                       ? -FIconOffsetY
                       : 0;
        };
        const LONG top = Area.top;
        if (FTextAlignY == tk::taAlignTop)
            Area.top = std::max({top + FTextTopMargin, top, top + FTextTopOffset}) +
                       std::max(FTextBottomMargin, iconRoom(tk::taAlignBottom));
        else if (FTextAlignY == tk::taAlignBottom)
            Area.top = std::max({top + FTextTopOffset, top + FTextBottomMargin, top}) +
                       std::max(FTextTopMargin, iconRoom(tk::taAlignTop));
        else
            Area.top = std::max<LONG>(top + FTextTopMargin, top) + FTextBottomMargin;
    }
    const RECT beforeIcon = Area;
    Icon = nullptr;
    if (FIconVisible) {
        const TIconSet set = FExpand ? Up : Dn;
        Icon = FIcons[set][Enabled() ? FIconState : isDisabled].get();
        if (!HasGraphic(Icon)) Icon = FIcons[set][isNormal].get();
        if (HasWidth(Icon)) {
            const RECT ir = CalcIconRect(Icon->Width(), Icon->Height(), true);
            if (width(ir) > 0) {
                if (FIconAlign == tk::taLeftJustify)
                    Area.left = std::max<LONG>(
                        ir.right + (FCaptionAlignment == tk::taLeftJustify ? FTextOffset : 0), Area.left);
                else if (FIconAlign == tk::taRightJustify)
                    Area.right = std::min<LONG>(
                        ir.left - (FCaptionAlignment == tk::taRightJustify ? FTextOffset : 0), Area.right);
            }
        }
    }
    TextRect =
        (FCaptionAlignment == tk::taCenter && FTextAlignCenterIgnoreIcon && !Measuring) ? beforeIcon : Area;
    MeasureTextMaxLines(Canvas, FTextMaxLine, LineHeight, Format, FCaption, TextRect);
}

void TRdImageButton::PaintCaption(tk::TCanvas& Canvas, tk::TPicture*& Icon) {
    const RECT C = GetClientRect();
    RECT R0 = C, A{}, T{};
    int lh = 0;
    UINT F = 0;
    CalcTextLayout(Canvas, R0, false, lh, F, Icon, A, T);
    if (lh <= 0) lh = std::max(1, TRdCustomLabel::LineHeight(Canvas));
    const int Lmin = std::max({C.left + FTextLeftMargin, C.left, A.left});
    const int Rmax = std::min({C.right - FTextRightMargin, C.right, A.right});
    const int Tmin = C.top + FTextTopMargin, Bmax = C.bottom - FTextBottomMargin;
    const bool top = FTextAlignY == tk::taAlignTop, bottom = FTextAlignY == tk::taAlignBottom,
               middle = !top && !bottom;
    const bool capLeft = FCaptionAlignment == tk::taLeftJustify,
               capRight = FCaptionAlignment == tk::taRightJustify;
    const int V = bottom ? -FTextTopOffset : FTextTopOffset;
    int maxLines = FTextMaxLine;
    FFoundTextEllipsis = false;

    // Places a height in C by the vertical alignment.
    auto placeY = [&](RECT& R, int H) {
        R.top = top ? C.top : bottom ? C.bottom - H : C.top + (height(C) - H) / 2;
        R.bottom = R.top + H;
    };
    auto shiftToEnd = [](RECT& R, int Bottom) { moveY(R, Bottom - height(R)); };
    RECT X{};
    bool cutL = false, cutR = false;
    for (int round = 0; round < kMaxFitRounds; ++round) {
        placeY(T, height(T));
        if (capRight)
            moveX(T, C.right - width(T));
        else if (!capLeft)
            moveX(T, C.left + (width(C) - width(T)) / 2);
        X = T;
        T.left = C.left;
        T.right = C.right;
        cutL = cutR = false;
        bool narrowed = false;
        if (X.right > Rmax) {
            moveX(X, Rmax - width(X));
            cutR = true;
            if (X.left < Lmin) X.left = Lmin, cutL = narrowed = true;
        } else if (X.left < Lmin) {
            moveX(X, Lmin);
            cutL = true;
            if (X.right > Rmax) X.right = Rmax, cutR = narrowed = true;
        }
        if (narrowed && FWordWrap) {
            RECT m{Lmin, C.top, Rmax, C.bottom};
            const int h = MeasureTextMaxLines(Canvas, maxLines, lh, F, FCaption, m);
            X.right = m.right;
            placeY(T, h);
        }
        ::OffsetRect(&T, 0, V);
        if (bottom) {
            if (T.bottom > Bmax) {
                shiftToEnd(T, Bmax);
                if (!FWordWrap && T.top < Tmin) T.top = Tmin;
            }
            if ((FEllipsisByHeight || !FWordWrap) && T.top < Tmin) {
                moveY(T, Tmin);
                if (!FWordWrap && T.bottom > Bmax) T.bottom = Bmax;
            }
        } else if (T.top < Tmin) {
            moveY(T, Tmin);
            if (!FWordWrap && T.bottom > Bmax) T.bottom = Bmax;
        } else if ((FEllipsisByHeight || !FWordWrap) && middle && T.bottom > Bmax) {
            shiftToEnd(T, Bmax);
            if (!FWordWrap && T.top < Tmin) T.top = Tmin;
        }
        F &= ~static_cast<UINT>(DT_NOCLIP);
        if (!FWordWrap || !FEllipsisByHeight) break;

        RECT off{X.left, T.top + kOffScreen, X.right, T.bottom + kOffScreen};
        const int h = Canvas.DrawText(FCaption, off, F | DT_END_ELLIPSIS);
        if (T.top + h <= Bmax && T.top >= Tmin) break;
        const int D = std::max((std::min<int>(T.top + h, Bmax) - std::max<int>(T.top, Tmin)) / lh, 1);
        moveY(T, C.top);
        if (D == maxLines) {
            // As many whole lines as fit, placed and held inside the margins.
            int HH = D * lh;
            placeY(T, HH);
            ::OffsetRect(&T, 0, V);
            auto clamp = [&] {
                if (bottom) {
                    if (T.bottom > Bmax)
                        shiftToEnd(T, Bmax);
                    else if (T.top < Tmin)
                        moveY(T, Tmin);
                } else if (T.top < Tmin) {
                    moveY(T, Tmin);
                } else if (middle && T.bottom > Bmax) {
                    shiftToEnd(T, Bmax);
                }
            };
            clamp();
            if (HH > lh && (T.top < Tmin || T.bottom > Bmax)) {
                const int D2 = std::max((std::min<int>(T.bottom, Bmax) - std::max<int>(T.top, Tmin)) / lh, 1);
                HH = D2 * lh;
                if (top)
                    T.bottom = T.top + HH;
                else
                    placeY(T, HH);
                ::OffsetRect(&T, 0, V);
            }
            if (bottom && T.bottom > Bmax) shiftToEnd(T, Bmax);
            if (T.top < Tmin) moveY(T, Tmin);
            break;
        }
        maxLines = D;
        MeasureTextMaxLines(Canvas, maxLines, lh, F | DT_NOCLIP, FCaption, T);
    }

    // Drawing.
    Canvas.Brush()->SetStyle(tk::bsClear);
    F |= alignBits(FTextWarpAlign);
    const RECT P = T;
    std::u16string copy = FCaption;
    bool ellipsis = false;
    // Cut to the lines of the box with "..." (a line limit cuts too, also without
    // EllipsisByHeight: drawn unclipped, the caption would run past its last line).
    if (FWordWrap && (FEllipsisByHeight || FTextMaxLine > 0)) {
        copy = withRoom(FCaption);
        RECT off = X;
        ::OffsetRect(&off, 0, kOffScreen);
        Canvas.DrawTextModify(copy, off, F | DT_END_ELLIPSIS | DT_MODIFYSTRING);
        cutAtNul(copy);
        ellipsis = copy != FCaption;
    }
    RECT R = X;
    UINT mf = F | DT_CALCRECT | DT_END_ELLIPSIS;
    if (FTextWarpAlign == tk::taRightJustify) mf &= ~static_cast<UINT>(DT_RIGHT);
    Canvas.DrawText(copy, R, mf);

    bool cutR2 = cutR, cutL2 = cutL;
    auto takeOver = [&] {
        if (cutR2 || ellipsis) T.right = R.right;
        if (cutL2 || ellipsis) T.left = R.left;
    };
    auto fixLeft = [&] {
        if (R.left < Lmin) moveX(R, Lmin), cutL2 = true;
    };
    if (capRight) {
        moveX(R, T.right - width(R));
        if (R.right > Rmax) moveX(R, Rmax - width(R)), cutR2 = true;
        fixLeft();
        takeOver();
        if (FTextWarpAlign != tk::taRightJustify) T.left = R.left;
    } else if (!capLeft) {
        moveX(R, T.left + (width(T) - width(R)) / 2);
        if (R.right > Rmax) moveX(R, Rmax - width(R)), cutR2 = true;
        fixLeft();
        takeOver();
        if (!ellipsis) {
            if (FTextWarpAlign == tk::taLeftJustify)
                T.left = R.left;
            else if (FTextWarpAlign == tk::taRightJustify)
                T.right = R.right;
            else if (cutL2 || cutR2)
                T.left = R.left, T.right = R.right;
        }
    } else {
        takeOver();
        // A left-aligned caption starts where its box starts: after TextOffset, the margins
        // and a left icon.
        T.left = R.left;
    }
    if (capLeft && (FTextWarpAlign == tk::taRightJustify || FTextWarpAlign == tk::taCenter))
        T.right = R.right;
    else if (!capLeft && FTextWarpAlign == tk::taCenter && !cutL2 && !cutR2 && !ellipsis)
        moveX(R, T.left + (width(T) - width(R)) / 2);

    RECT Q = T;
    UINT G = F | DT_END_ELLIPSIS | (ellipsis ? 0 : DT_NOCLIP);
    HDC dc = Canvas.Handle();
    // Without ellipsis by height, wrapped text below Bmax is clipped away while it is drawn.
    std::optional<win::SavedDC> clipped;
    if (FWordWrap && !FEllipsisByHeight && Q.bottom > Bmax && dc) {
        clipped.emplace(dc);
        ::ExcludeClipRect(dc, C.left, Bmax - 1, C.right, C.bottom);
    }
    RECT single = P;
    Canvas.DrawText(FCaption, single, ((F & ~static_cast<UINT>(DT_WORDBREAK)) | DT_CALCRECT | DT_NOCLIP));
    bool draw = !FCaption.empty();
    if (FAutoHideText && draw) {
        const int need = Canvas.TextWidth(FCaption.substr(0, 1) + u"...");
        if (width(R) < need || R.right > Rmax) {
            R.right = R.left;
            draw = false;
        }
    }
    if (Q.right > Rmax) {
        Q.right = Rmax;
        G &= ~static_cast<UINT>(DT_NOCLIP);
    }
    R.right = std::min<LONG>(R.right, Rmax);
    const int hh = draw ? Canvas.DrawText(FCaption, Q, G) : 0;
    clipped.reset();
    R.bottom = R.top + hh;
    FFoundTextDrawLine = hh / lh;
    FFoundTextEllipsis = ellipsis || (!FWordWrap && width(X) < width(single));
    FFoundTextWordBreak = height(single) < height(T);
    FLastTextRect = R;
}

void TRdImageButton::MeasuringPaint() {
    MeasureDC measure;
    if (!measure.dc) return;
    FlagScope adjusting(FBoundsAdjusting);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(measure.dc));
}

void TRdImageButton::AdjustBounds() {
    if (FBoundsAdjusting || InState(tk::csDestroying | tk::csLoading | tk::csReading)) return;
    if (FCaption.empty() && !FAutoSize) return;
    MeasureDC measure;
    if (!measure.dc) return;
    {
        FlagScope adjusting(FBoundsAdjusting);
        const tk::TAnchors anchors = Anchors();
        const bool keepRight =
            FCaptionAlignment == tk::taRightJustify || (anchors.has(tk::akRight) && !anchors.has(tk::akLeft));
        const bool keepBottom =
            FTextAlignY == tk::taAlignBottom || (anchors.has(tk::akBottom) && !anchors.has(tk::akTop));
        const int right = Left_Right(), bottomEdge = Top_Bottom();
        if (FAutoSizeByText && !FCaption.empty()) {
            const int maxW = Constraints()->MaxWidth();
            if (maxW != 0) SetBounds(keepRight ? right - maxW : Left(), Top(), maxW, Height());
            MeasuringCanvas m(this, Font());
            if (!m.dc) return;
            RECT client = GetClientRect(), area{}, text{};
            int lh = 0;
            UINT format = 0;
            tk::TPicture* icon = nullptr;
            CalcTextLayout(m.canvas, client, true, lh, format, icon, area, text);
            int W = text.right + (client.right - area.right), H = text.bottom, w = 0;
            if (FShowCheckBox) {
                tk::TPicture* box = FCheckImages[cbUnchecked][clNormalLook].get();
                H = std::max(H, box->Height() + FCheckBoxOffsetY);
                w = box->Width() + FCheckBoxOffset;
                const bool opposite =
                    (FCaptionAlignment == tk::taRightJustify && FCheckBoxAlignX == tk::taLeftJustify) ||
                    (FCaptionAlignment == tk::taLeftJustify && FCheckBoxAlignX == tk::taRightJustify);
                if (FCheckBoxAlignXByText && opposite) W += w;
            }
            if (HasWidth(icon)) {
                const int offsets = FIconAlignY == tk::taVerticalCenter ? 2 * FIconOffsetY : FIconOffsetY;
                H = std::max(H, icon->Height() + offsets);
                w = std::max(w, icon->Width() + FIconOffset);
            }
            W = std::max(W, w);
            const tk::TAlign align = Align();
            const int newW =
                (align == tk::alNone || align == tk::alLeft || align == tk::alRight) ? W : Width();
            const int newH =
                (align == tk::alNone || align == tk::alTop || align == tk::alBottom) ? H : Height();
            TRdGraphicControl::SetBounds(keepRight ? right - newW : Left(),
                                         keepBottom ? bottomEdge - newH : Top(), newW, newH);
            if (keepRight) SetLeft_Right(right);
            if (keepBottom) SetTop_Bottom(bottomEdge);
        } else if (FAutoSize && FImageNormal->Width() > 0 && FImageNormal->Height() > 0) {
            const int w = FImageNormal->Width(), h = FImageNormal->Height();
            TRdGraphicControl::SetBounds(keepRight ? right - w : Left(), keepBottom ? bottomEdge - h : Top(),
                                         w, h);
        }
    }
    MeasuringPaint();
}

void TRdImageButton::Resize() {
    if (InState(tk::csDestroying)) return;
    if (!InState(tk::csLoading | tk::csReading) && !FBoundsAdjusting) MeasuringPaint();
    TRdGraphicControl::Resize();
}

} // namespace vell::rd
