// Nine-slice geometry: which part of a picture goes where when it is drawn into a
// rectangle with a TDesignRect. Corners keep their size; edges and centre are
// stretched, or tiled in sdmFill. The painting itself is the caller's: it gets pairs of
// destination and source rectangles in painting order.
#pragma once
#include "core/design/design_rect.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vell::design {

struct SliceRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const SliceRect&) const = default;
};

struct SliceMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};

enum class SlicePart : std::uint8_t {
    Centre,
    TopLeft,
    Top,
    TopRight,
    Left,
    Right,
    BottomLeft,
    Bottom,
    BottomRight
};

struct SlicePiece {
    SlicePart part;
    SliceRect dst, src;
    bool tiled = false; // painted as unscaled tiles of src's size instead of stretched
};

// The pieces to paint, in painting order, for a source of srcW x srcH drawn into dest.
// sdmDefault behaves as sdmStretch, and in both an axis whose destination size equals
// the source size ignores its margins. Pieces with no area in either rectangle are
// left out, so odd margins never fail: margins wider than the destination overlap.
std::vector<SlicePiece> nineSlicePieces(int srcW, int srcH, const SliceRect& dest, SliceMargins margins,
                                        TSuperStretchMode mode);

// Paints every piece: paint(dst, src) once for a stretched piece, once per tile for a
// tiled one (tiles column by column, each column top to bottom; the last row and column
// cropped to what is left). With a clip, tiles entirely outside it are not visited, so
// the work stays bounded by the clip's area whatever the destination's size.
void paintNineSlice(int srcW, int srcH, const SliceRect& dest, SliceMargins margins, TSuperStretchMode mode,
                    const SliceRect* clip,
                    const std::function<void(const SliceRect& dst, const SliceRect& src)>& paint);

} // namespace vell::design
