// Where the image button's icon and check box go: by their alignments and offsets in the
// client area, or beside the text rectangle of the caption's last layout.
#include "rdcontrol/buttons/image_button.h"

#include "rdcontrol/paint/measure_dc.h"

namespace vell::rd {

RECT TRdImageButton::IconRect() {
    if (!FIconVisible) return RECT{};
    tk::TPicture* p = StateIcon(Enabled() ? FIconState : isDisabled);
    if (!HasWidth(p)) p = FIcons[FExpand ? Up : Dn][isNormal].get();
    if (!p) return RECT{};
    return CalcIconRect(p->Width(), p->Height(), false);
}

RECT TRdImageButton::CheckBoxRect() {
    if (!FShowCheckBox) return RECT{};
    if (FLastCheckBoxRect.left == -1 && FLastCheckBoxRect.top == -1 && FLastCheckBoxRect.right == -1 &&
        FLastCheckBoxRect.bottom == -1) {
        tk::TPicture* p = FCheckImages[cbUnchecked][clNormalLook].get();
        MeasuringCanvas m(this, Font());
        FLastCheckBoxRect =
            CalcCheckBoxRect(m.dc ? &m.canvas : nullptr, FLastTextRect, p->Width(), p->Height());
    }
    return FLastCheckBoxRect;
}

RECT TRdImageButton::CalcIconRect(int W, int H, bool Layout) const {
    if (!FIconVisible) return RECT{};
    const RECT c = GetClientRect();
    const RECT& l = FLastTextRect;
    const int cw = c.right - c.left, ch = c.bottom - c.top;
    int x, y;
    if (!FIconAlignYByText || Layout) {
        const int d = FIconAlignYByText ? -FIconOffsetY : FIconOffsetY;
        y = FIconAlignY == tk::taAlignTop      ? c.top + d
            : FIconAlignY == tk::taAlignBottom ? c.bottom - H - d
                                               : c.top + (ch - H) / 2 + d;
    } else {
        y = FIconAlignY == tk::taAlignTop      ? l.top + FIconOffsetY
            : FIconAlignY == tk::taAlignBottom ? l.bottom - H - FIconOffsetY
                                               : l.top + (l.bottom - l.top - H) / 2 + FIconOffsetY;
    }
    if (!FIconAlignByText || Layout) {
        x = FIconAlign == tk::taLeftJustify    ? c.left + FIconOffset
            : FIconAlign == tk::taRightJustify ? c.right - W - FIconOffset
                                               : c.left + (cw - W) / 2 + FIconOffset;
    } else if (FIconAlign == tk::taLeftJustify) {
        x = FCaptionAlignment != tk::taLeftJustify ? l.left - FIconOffset - W : c.left + FIconOffset;
    } else if (FIconAlign == tk::taRightJustify) {
        x = FCaptionAlignment == tk::taRightJustify ? c.right - W - FIconOffset : l.right + FIconOffset;
    } else {
        x = l.left + (l.right - l.left - W) / 2 + FIconOffset;
    }
    return RECT{x, y, x + W, y + H};
}

RECT TRdImageButton::CalcCheckBoxRect(tk::TCanvas* Canvas, const RECT& T, int W, int H) const {
    const RECT c = GetClientRect();
    const int cw = c.right - c.left, ch = c.bottom - c.top, oy = FCheckBoxOffsetY;
    int x;
    if (FCheckBoxAlignXByText)
        x = FCheckBoxAlignX == tk::taLeftJustify    ? T.left - W - FCheckBoxOffset
            : FCheckBoxAlignX == tk::taRightJustify ? T.right + FCheckBoxOffset
                                                    : T.left + (T.right - T.left - W) / 2 + FCheckBoxOffset;
    else
        x = FCheckBoxAlignX == tk::taLeftJustify    ? c.left + FCheckBoxOffset
            : FCheckBoxAlignX == tk::taRightJustify ? cw - W - FCheckBoxOffset
                                                    : (cw - W) / 2 + FCheckBoxOffset;
    int fh = 0, tl = 0, bl = 0;
    if (FCheckBoxAlignYByFont && Canvas)
        if (auto* f = dynamic_cast<TRdFont*>(Canvas->Font())) {
            fh = f->FontHeight();
            tl = f->FontTopLine();
            bl = f->FontBaseLine();
        }
    int y;
    if (FCheckBoxAlignY == tk::taVerticalCenter) {
        y = FCheckBoxAlignYByFont ? T.top + (T.bottom - T.top - H) / 2 + oy : c.top + (ch - H) / 2 + oy;
    } else if (FCheckBoxAlignY == tk::taAlignTop) {
        y = !FCheckBoxAlignYByFont                      ? T.top + oy
            : FCheckBoxAlignYByFontLine == tk::tlTop    ? T.top + tl + oy
            : FCheckBoxAlignYByFontLine == tk::tlCenter ? T.top + (fh - H) / 2 + oy
                                                        : T.top + fh - bl - H - oy;
    } else {
        y = !FCheckBoxAlignYByFont                      ? T.bottom - H - oy
            : FCheckBoxAlignYByFontLine == tk::tlTop    ? T.bottom + tl + oy - fh
            : FCheckBoxAlignYByFontLine == tk::tlCenter ? T.bottom + (fh - H) / 2 + oy - fh
                                                        : T.bottom - bl - H - oy;
    }
    return RECT{x, y, x + W, y + H};
}

} // namespace vell::rd
