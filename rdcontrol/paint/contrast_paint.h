// Skinned painting under a high-contrast scheme. While the system runs one, skinned
// controls draw without the skin's effects (opacity, scale, grey, blur, text shadows and
// glows) and in the system's colours: windowed skinned controls, panels, labels and image
// buttons stand on a solid, opaque background, text takes the system's text colours, and a
// skin picture stretched over an area (a background or frame) becomes the background with
// a one-pixel frame in the text colour. Pictures drawn at their own size (icons) are
// content and stay.
//
// The decisions sit where each path draws: the windowless and windowed skinned paint (no
// effects; a windowed control's background), the colour fills of panels and controls, the
// labels' background and state colour, DrawDesignGraphic (stretched pictures), the image
// button's face and caption colour, the HTML label's runs and TextEffectFlags.
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
