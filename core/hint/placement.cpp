#include "core/hint/placement.h"

#include <algorithm>

namespace vell::hint {

namespace {

bool vertical(Side s) {
    return s == Side::Below || s == Side::Above;
}

Side opposite(Side s) {
    switch (s) {
    case Side::Below:
        return Side::Above;
    case Side::Above:
        return Side::Below;
    case Side::Right:
        return Side::Left;
    default:
        return Side::Right;
    }
}

// The arrow picture for a side (the edge facing the control), falling back to the other
// picture of the pair.
void arrowSize(const ArrowSizes& a, Side s, int& w, int& h) {
    auto pick = [&](int w1, int h1, int w2, int h2) {
        if (w1 > 0 && h1 > 0) {
            w = w1;
            h = h1;
        } else {
            w = std::max(w2, 0);
            h = std::max(h2, 0);
        }
    };
    switch (s) {
    case Side::Below:
        pick(a.UpW, a.UpH, a.DownW, a.DownH);
        break;
    case Side::Above:
        pick(a.DownW, a.DownH, a.UpW, a.UpH);
        break;
    case Side::Right:
        pick(a.LeftW, a.LeftH, a.RightW, a.RightH);
        break;
    case Side::Left:
        pick(a.RightW, a.RightH, a.LeftW, a.LeftH);
        break;
    }
}

// Whether the side's own picture (not the fallback) exists.
bool ownPicture(const ArrowSizes& a, Side s) {
    switch (s) {
    case Side::Below:
        return a.UpW > 0 && a.UpH > 0;
    case Side::Above:
        return a.DownW > 0 && a.DownH > 0;
    case Side::Right:
        return a.LeftW > 0 && a.LeftH > 0;
    default:
        return a.RightW > 0 && a.RightH > 0;
    }
}

bool leavesAcross(const Box& b, const Box& wa, Side s) {
    switch (s) {
    case Side::Below:
        return b.Bottom > wa.Bottom;
    case Side::Above:
        return b.Top < wa.Top;
    case Side::Right:
        return b.Right > wa.Right;
    default:
        return b.Left < wa.Left;
    }
}

struct Layout {
    const PlacementInput& in;
    int q;

    Placement at(Side s) const {
        const Box& c = in.Control;
        const Box& sf = in.ShadowFrame;
        const int cw = c.Width(), ch = c.Height(), hw = in.BodyWidth, hh = in.BodyHeight;
        const int lw = hw + sf.Left + sf.Right, lh = hh + sf.Top + sf.Bottom;
        int aw = 0, ah = 0;
        arrowSize(in.Arrows, s, aw, ah);
        Placement p;
        p.Quadrant = q;
        p.Where = s;
        p.ArrowShown = in.ShowArrow && aw > 0 && ah > 0;
        const bool v = vertical(s);
        bool centred = in.Centred;
        if (v ? (2 * cw < 3 * aw || hw < 2 * aw) : (2 * ch < 3 * ah || hh < 2 * ah)) centred = true;
        const int shownW = p.ArrowShown ? aw : 0, shownH = p.ArrowShown ? ah : 0;
        int left = 0, top = 0, arrowLeft = 0, arrowTop = 0;
        switch (s) {
        case Side::Below:
            top = c.Bottom + in.TipDownOffY + shownH;
            arrowTop = 0;
            break;
        case Side::Above:
            top = c.Top - hh + in.TipUpOffY - shownH;
            arrowTop = lh - ah;
            break;
        case Side::Right:
            left = c.Right + in.TipRightOffX + shownW;
            arrowLeft = 0;
            break;
        case Side::Left:
            left = c.Left - hw + in.TipLeftOffX - shownW;
            arrowLeft = lw - aw;
            break;
        }
        if (v) {
            if (centred) {
                left = c.Left - (hw - cw) / 2;
                arrowLeft = (hw - aw) / 2 + sf.Left;
            } else {
                int d = (cw - aw) / 2;
                if (hw - hw / 5 - aw / 2 < d + aw) d = (hw - aw) / 2;
                if (q == 1 || q == 3) {
                    left = c.Left;
                    arrowLeft = d + sf.Left - 1;
                } else {
                    left = c.Right - hw;
                    arrowLeft = lw - d - aw - sf.Right + 1;
                }
            }
        } else {
            if (centred) {
                top = c.Top - (hh - ch) / 2;
                arrowTop = (hh - ah) / 2 + sf.Top;
            } else {
                int d = (ch - ah) / 2;
                if (hh - hh / 5 - ah / 2 < d + ah) d = (hh - ah) / 2;
                if (q == 1 || q == 2) {
                    top = c.Top;
                    arrowTop = d + sf.Top;
                } else {
                    top = c.Bottom - hh;
                    arrowTop = lh - d - ah - sf.Bottom;
                }
            }
        }
        p.Body = {left, top, left + hw, top + hh};
        p.Arrow = {arrowLeft, arrowTop, arrowLeft + aw, arrowTop + ah};
        return p;
    }
};

// Shifts the body along one axis (Lo, Hi: its edges on that axis) into the work area's
// WaLo..WaHi; the arrow, in the layer's coordinates, moves back by the same amount and is
// dropped when it no longer lies over the body (FrameLo: the layer's margin before it).
void shiftAlong(Placement& p, int Box::*Lo, int Box::*Hi, int WaLo, int WaHi, int FrameLo, int BodySize) {
    int d = 0;
    if (p.Body.*Hi > WaHi) d = WaHi - p.Body.*Hi;
    if (p.Body.*Lo + d < WaLo) d = WaLo - p.Body.*Lo;
    p.Body.*Lo += d;
    p.Body.*Hi += d;
    p.Arrow.*Lo -= d;
    p.Arrow.*Hi -= d;
    const int half = (p.Arrow.*Hi - p.Arrow.*Lo) / 2;
    if (p.Arrow.*Lo < FrameLo - half || p.Arrow.*Hi > FrameLo + BodySize + half) p.ArrowShown = false;
}

} // namespace

int QuadrantOf(const Box& Control, int ReferenceX, int ReferenceY) {
    const int cx = Control.Left + Control.Width() / 2, cy = Control.Top + Control.Height() / 2;
    const bool left = cx < ReferenceX, above = cy < ReferenceY;
    return above ? (left ? 1 : 2) : (left ? 3 : 4);
}

Placement Place(const PlacementInput& In) {
    const int q = In.Quadrant >= 1 && In.Quadrant <= 4 ? In.Quadrant
                                                       : QuadrantOf(In.Control, In.ReferenceX, In.ReferenceY);
    Side s;
    if (!In.HorizontalArrows) {
        s = q <= 2 ? Side::Below : Side::Above;
        if (In.ArrowAutoUp)
            s = Side::Above;
        else if (In.ArrowAutoDown)
            s = Side::Below;
    } else {
        s = q == 1 || q == 3 ? Side::Right : Side::Left;
        if (In.ArrowAutoUp)
            s = Side::Left;
        else if (In.ArrowAutoDown)
            s = Side::Right;
    }
    const Layout layout{In, q};
    const Box& wa = In.WorkArea;
    Placement p = layout.at(s);
    // Across the arrow edge: the other side when this one leaves the work area and that
    // one does not.
    if (leavesAcross(p.Body, wa, s)) {
        const Placement other = layout.at(opposite(s));
        if (!leavesAcross(other.Body, wa, other.Where)) {
            p = other;
            if (p.ArrowShown && !ownPicture(In.Arrows, p.Where)) p.ArrowShown = false;
        }
    }
    const Box& sf = In.ShadowFrame;
    // Along the edge: shifted into the work area, the arrow kept over the control.
    if (vertical(p.Where))
        shiftAlong(p, &Box::Left, &Box::Right, wa.Left, wa.Right, sf.Left, In.BodyWidth);
    else
        shiftAlong(p, &Box::Top, &Box::Bottom, wa.Top, wa.Bottom, sf.Top, In.BodyHeight);
    // Last, inside the work area whatever it costs; a moved hint no longer points.
    const Box before = p.Body;
    const int w = p.Body.Width(), h = p.Body.Height();
    p.Body.Left = std::max(wa.Left, std::min(p.Body.Left, wa.Right - w));
    p.Body.Top = std::max(wa.Top, std::min(p.Body.Top, wa.Bottom - h));
    p.Body.Right = p.Body.Left + w;
    p.Body.Bottom = p.Body.Top + h;
    if (!(p.Body == before)) p.ArrowShown = false;
    if (!p.ArrowShown) {
        p.Arrow = {};
    } else {
        const int dx = In.ArrowOffX + (p.Where == Side::Right  ? In.ArrowOffsetLeftX
                                       : p.Where == Side::Left ? In.ArrowOffsetRightX
                                                               : 0);
        const int dy = In.ArrowOffY + (p.Where == Side::Below   ? In.ArrowOffsetUpY
                                       : p.Where == Side::Above ? In.ArrowOffsetDownY
                                                                : 0);
        p.Arrow.Left += dx;
        p.Arrow.Right += dx;
        p.Arrow.Top += dy;
        p.Arrow.Bottom += dy;
    }
    return p;
}

bool MonitorScaled(int MonitorWidth, int MonitorHeight, int ModeWidth, int ModeHeight) {
    if (ModeWidth <= 0 || ModeHeight <= 0) return false; // no mode known: nothing to compare
    const bool same = MonitorWidth == ModeWidth && MonitorHeight == ModeHeight;
    const bool turned = MonitorWidth == ModeHeight && MonitorHeight == ModeWidth;
    return !same && !turned;
}

int FadeStep(int Target, int Times) {
    return std::max(1, Times > 0 ? Target / Times : Target);
}

int FadeInNext(int Alpha, int Target, int Step) {
    return std::min(Target, Alpha + std::max(Step, 1));
}

int FadeOutNext(int Alpha, int Step) {
    return Alpha < Step ? 0 : Alpha - std::max(Step, 1);
}

} // namespace vell::hint
