// Gradient fills that keep the colours' opacity, for skinned controls.
#pragma once
#include "core/color/colors.h"

#include <windows.h>

namespace vell {

enum class TGradientDirection { gdHorizontal, gdVertical };

// Fills `rect` from StartColor to EndColor (left to right, or top to bottom). clDefault for
// one colour means the other. Colours with an opacity are composited over what is there;
// on alpha DCs opaque gradients leave alpha 255.
void FillGradient(HDC dc, const RECT& rect, TColor StartColor, TGradientDirection Direction, TColor EndColor);

} // namespace vell
