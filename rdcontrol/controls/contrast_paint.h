// Skinned painting under a high-contrast scheme. While the system runs one, skinned
// controls draw without the skin's effects (opacity, scale, grey, blur, text shadows and
// glows): every control lays a solid, opaque background in the system's colours under its
// painting, draws its text in the system's text colours, and a skin frame (a picture laid
// out by nine-slice margins) becomes a one-pixel frame in the text colour. Pictures drawn
// at their own size (icons) are content and stay.
//
// The decisions sit where each path draws: the windowless and windowed skinned paint (the
// background, no effects), the colour fills of panels and controls, DrawDesignGraphic
// (frames), the labels' state colour, the image button's caption colour, the HTML label's
// runs and TextEffectFlags (shadows and glows).
#pragma once
#include "core/color/colors.h"

#include <windows.h>

namespace vell::tk {
class TCanvas;
}

namespace vell::rd {

// True while the system runs a high-contrast scheme.
bool HighContrastPaint();

// The system's colours for a text in a state; Button picks the button colours.
enum class TContrastState { Normal, Hot, Disabled };
TColor ContrastTextColor(TContrastState State, bool Button = false);
TColor ContrastBackColor(bool Button = false);

// Fills Rect opaque with the system's background colour; with Frame a one-pixel frame in
// the text colour goes round it.
void FillContrastBackground(HDC DC, const RECT& Rect, bool Button = false, bool Frame = false);

// The text flag asking the alpha text renderer for the canvas font's shadow or glow (the
// font has one enabled), 0 in high contrast.
UINT TextEffectFlags(tk::TCanvas& Canvas);

} // namespace vell::rd
