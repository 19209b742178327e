// Skinned painting inside the toolkit: a TToolkitHooks link, installed once at the skinned
// library's start-up, that makes every window of the process work with translucent skinned
// windowed controls (TRdPanel, TRdCustomControl, TRdLayerForm):
//
// - invalidating a window also refreshes the translucent windows that show it through:
//   its children and the siblings above it that draw their parent's background (their
//   background buffers go stale and their windows are invalidated over the shared area);
//   a window on a layer form adds the area to the layer form's dirty rectangle and
//   invalidates the layer form instead of itself;
// - a plain window that moves, resizes or changes z-order refreshes the translucent
//   siblings above it (and, when it grows, its translucent children);
// - the erase step fills form-coloured controls with the form colour and then the skin's
//   second form colour (blended by its alpha);
// - a skinned window paints through its skin's draw buffer into a 32-bit image: its
//   parent's background captured behind it (blurred when asked), its own rendering drawn
//   over it with the skin's opacity, scale and grey;
// - a skinned window's messages are pre-processed: position, show and skin changes make
//   its buffers stale.
#pragma once
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/win_control.h"

namespace vell::rd {

// Private invalidation requests: they do not invalidate the window itself, only refresh
// the translucent windows around it.
enum TInvalidateRequest : int {
    irSiblings = -999,            // translucent siblings above the window
    irSiblingsNow = -998,         // the same, and those windows are updated at once
    irChildren = -997,            // translucent children of the window
    irChildrenAndSiblings = -996, // both
};
void InvalidateRequest(tk::TWinControl* Control, TInvalidateRequest Request);

// True when the window draws what lies behind it: a skinned window whose skin needs the
// parent's background, or a plain window whose colour is not opaque.
bool DrawsParentBackground(const tk::TWinControl* Control);

// The pixels behind Control (its parent's background and content, and the windowed
// siblings below it that overlap it), drawn into DC with Control's top-left at (0, 0).
void DrawParentBackground(tk::TWinControl* Control, HDC DC);

// The skinned paint message of a windowed control with skin Skin (a DC in WParam, or
// none: the window is painted through a 32-bit memory image).
void SkinnedWindowPaint(tk::TWinControl* Control, TRdSkinClass& Skin, tk::TMessage& Message);

// Fills Rect of DC with Color, blending by the colour's alpha (premultiplied, so a
// 32-bit DC keeps the alpha).
void FillAlphaColor(HDC DC, const RECT& Rect, TColor Color);

// Installs the link (once; again after StopSkinnedPainting) and removes it.
void StartSkinnedPainting();
void StopSkinnedPainting();
bool SkinnedPaintingStarted();

} // namespace vell::rd
