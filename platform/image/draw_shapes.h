// Antialiased shapes drawn into a TPngImage, and cutting an image to a smooth ellipse or
// rounded rectangle. The shapes are drawn by the platform at three times their size and
// reduced with the box filter. Rectangles are (x1, y1) to (x2, y2), right and bottom
// exclusive, in either order; parts outside the image are left out.
#pragma once
#include "platform/image/png_image.h"

namespace vell::image {

// Colours are colour values (skin names and system colours allowed, an opacity in the top
// byte honoured). FillColor clNone: no fill. FrameColor clDefault or clNone, or FrameWidth
// below 1: no separate frame. InFrameStyle keeps the frame inside the rectangle.
// (w1, h1) are the corner ellipse's width and height.
void FillRoundRectSmooth(TPngImage& image, int x1, int y1, int x2, int y2, int w1, int h1, TColor FillColor,
                         int FrameWidth, TColor FrameColor, bool InFrameStyle);
void FillEllipseSmooth(TPngImage& image, int x1, int y1, int x2, int y2, TColor FillColor, int FrameWidth,
                       TColor FrameColor, bool InFrameStyle);

// Everything of the image outside the ellipse becomes transparent, its edge antialiased.
void CutEllipseSmooth(TPngImage& image, int x1, int y1, int x2, int y2);
// Everything outside the rectangle becomes transparent and its four corners are rounded
// off with a (w1, h1) corner ellipse; the inside keeps its pixels.
void CutRoundRectSmooth(TPngImage& image, int x1, int y1, int x2, int y2, int w1, int h1);

} // namespace vell::image
