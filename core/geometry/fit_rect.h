// Where a picture goes inside an area: at its own size, or fitted to the area (stretched,
// or kept in proportion), at the area's top left or centred. The skinned library's picture
// control and the toolkit's image compute the same fit with different arithmetic; each
// keeps its own through FitRounding.
#pragma once

namespace vell::geometry {

struct Rect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const Rect&) const = default;
};

enum class FitRounding {
    // The picture's aspect ratio as a double, each scaled side truncated: the picture's
    // longer side is fitted first and the other one when the first overflows. A centring
    // offset is rounded down.
    Truncate,
    // Each scaled side is a product rounded to the nearest, halves away from zero (Win32's
    // MulDiv): the side that fits is chosen exactly. A centring offset is rounded toward
    // zero.
    Nearest,
};

struct FitOptions {
    bool Stretch = false;      // the picture fills the area
    bool Proportional = false; // it keeps its proportions, and a larger picture is fitted too
    bool Center = false;       // centred in the area, else at its top left
};

// The picture's rectangle in the area's coordinates (the area's top left is 0, 0).
Rect FitRect(int PictureWidth, int PictureHeight, int AreaWidth, int AreaHeight, FitOptions Options,
             FitRounding Rounding);

} // namespace vell::geometry
