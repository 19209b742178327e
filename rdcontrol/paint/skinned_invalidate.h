// Invalidation among translucent windows. A window that draws its parent's background
// (a skinned window whose skin needs it, or a plain window with an alpha colour) shows
// what lies behind it, so a change there must reach it:
// - invalidating a window also refreshes its children and the siblings above it that draw
//   their parent's background (their background buffers go stale and their windows are
//   invalidated over the shared area);
// - a window on a layer form adds the area to the layer form's dirty rectangle and
//   invalidates the layer form instead of itself;
// - the private requests refresh only those neighbours.
#pragma once
#include "toolkit/win_control.h"

namespace vell::tk {
class TToolkitHooks;
}

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

// An ordinary invalidation of Control's window (Rect null: all of it) with the refreshes
// above; Next is the toolkit link below the caller's.
void InvalidateWithNeighbours(tk::TToolkitHooks& Next, tk::TWinControl* Control, const RECT* Rect,
                              bool Erase);

inline bool IsChildWindow(HWND Wnd) {
    return (::GetWindowLongW(Wnd, GWL_STYLE) & WS_CHILD) != 0;
}

} // namespace vell::rd
