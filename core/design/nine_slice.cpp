#include "core/design/nine_slice.h"

#include <algorithm>
#include <climits>

namespace vell::design {

namespace {

// Pieces are computed in 64 bits: margins come from skin text and may be anything.
struct Rect64 {
    std::int64_t x, y, w, h;
};

bool fitsInt(const Rect64& r) {
    auto ok = [](std::int64_t v) { return v >= INT_MIN && v <= INT_MAX; };
    return ok(r.x) && ok(r.y) && ok(r.w) && ok(r.h) && ok(r.x + r.w) && ok(r.y + r.h);
}

SliceRect narrow(const Rect64& r) {
    return SliceRect{int(r.x), int(r.y), int(r.w), int(r.h)};
}

constexpr int kMinTile = 4; // smaller source pieces are stretched even in sdmFill

} // namespace

std::vector<SlicePiece> nineSlicePieces(int srcW, int srcH, const SliceRect& dest, SliceMargins m,
                                        TSuperStretchMode mode) {
    std::vector<SlicePiece> pieces;
    if (mode == sdmDefault) mode = sdmStretch;
    std::int64_t L = m.left, T = m.top, R = m.right, B = m.bottom;
    if (mode == sdmStretch) {
        if (dest.h == srcH) T = B = 0;
        if (dest.w == srcW) L = R = 0;
    }
    const std::int64_t SW = srcW, SH = srcH, DX = dest.x, DY = dest.y, DW = dest.w, DH = dest.h;
    const bool fill = mode == sdmFill;
    const bool edges = mode != sdmCorner;

    auto add = [&](SlicePart part, Rect64 d, Rect64 s, bool tiled) {
        if (d.w <= 0 || d.h <= 0 || s.w <= 0 || s.h <= 0) return;
        if (!fitsInt(d) || !fitsInt(s)) return;
        pieces.push_back(SlicePiece{part, narrow(d), narrow(s), tiled});
    };
    const std::int64_t midSW = SW - L - R, midSH = SH - T - B, midDW = DW - L - R, midDH = DH - T - B;
    if (mode != sdmFrame && mode != sdmCorner)
        add(SlicePart::Centre, {DX + L, DY + T, midDW, midDH}, {L, T, midSW, midSH},
            fill && midSW >= kMinTile && midSH >= kMinTile);
    add(SlicePart::TopLeft, {DX, DY, L, T}, {0, 0, L, T}, false);
    if (edges) add(SlicePart::Top, {DX + L, DY, midDW, T}, {L, 0, midSW, T}, fill && midSW >= kMinTile);
    add(SlicePart::TopRight, {DX + DW - R, DY, R, T}, {SW - R, 0, R, T}, false);
    if (edges) {
        add(SlicePart::Left, {DX, DY + T, L, midDH}, {0, T, L, midSH}, fill && midSH >= kMinTile);
        add(SlicePart::Right, {DX + DW - R, DY + T, R, midDH}, {SW - R, T, R, midSH},
            fill && midSH >= kMinTile);
    }
    add(SlicePart::BottomLeft, {DX, DY + DH - B, L, B}, {0, SH - B, L, B}, false);
    if (edges)
        add(SlicePart::Bottom, {DX + L, DY + DH - B, midDW, B}, {L, SH - B, midSW, B},
            fill && midSW >= kMinTile);
    add(SlicePart::BottomRight, {DX + DW - R, DY + DH - B, R, B}, {SW - R, SH - B, R, B}, false);
    return pieces;
}

void paintNineSlice(int srcW, int srcH, const SliceRect& dest, SliceMargins margins, TSuperStretchMode mode,
                    const SliceRect* clip,
                    const std::function<void(const SliceRect&, const SliceRect&)>& paint) {
    for (const SlicePiece& p : nineSlicePieces(srcW, srcH, dest, margins, mode)) {
        if (!p.tiled) {
            paint(p.dst, p.src);
            continue;
        }
        // Tiles are laid from the piece's top-left corner. With a clip only the columns
        // and rows that reach into it are visited.
        const std::int64_t tw = p.src.w, th = p.src.h;
        std::int64_t firstCol = 0, lastCol = (std::int64_t(p.dst.w) - 1) / tw;
        std::int64_t firstRow = 0, lastRow = (std::int64_t(p.dst.h) - 1) / th;
        if (clip) {
            const std::int64_t cx0 = std::int64_t(clip->x) - p.dst.x, cx1 = cx0 + clip->w;
            const std::int64_t cy0 = std::int64_t(clip->y) - p.dst.y, cy1 = cy0 + clip->h;
            if (clip->w <= 0 || clip->h <= 0 || cx1 <= 0 || cy1 <= 0 || cx0 >= p.dst.w || cy0 >= p.dst.h)
                continue;
            firstCol = std::max<std::int64_t>(0, cx0 / tw);
            lastCol = std::min(lastCol, (cx1 - 1) / tw);
            firstRow = std::max<std::int64_t>(0, cy0 / th);
            lastRow = std::min(lastRow, (cy1 - 1) / th);
        }
        for (std::int64_t col = firstCol; col <= lastCol; ++col) {
            const int offX = int(col * tw);
            const int w = int(std::min<std::int64_t>(tw, p.dst.w - offX));
            for (std::int64_t row = firstRow; row <= lastRow; ++row) {
                const int offY = int(row * th);
                const int h = int(std::min<std::int64_t>(th, p.dst.h - offY));
                paint(SliceRect{p.dst.x + offX, p.dst.y + offY, w, h}, SliceRect{p.src.x, p.src.y, w, h});
            }
        }
    }
}

} // namespace vell::design
