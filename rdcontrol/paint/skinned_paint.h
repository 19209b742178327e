// Skinned painting of windowed controls (TRdPanel, TRdCustomControl, TRdLayerForm), which
// each class calls from its own virtuals:
// - SkinnedWindowPaint (its DefaultPaint): it paints through its skin's draw buffer into a
//   32-bit image: its parent's background captured behind it (blurred when asked), its
//   own rendering drawn over it with the skin's opacity, scale and grey;
// - SkinnedWindowPrepare (its PrepareMessage): position, show and skin changes make its
//   buffers stale, and a scaled window's mouse points go back to the unscaled control.
#pragma once
#include "rdcontrol/paint/skinned_invalidate.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/win_control.h"

#include <functional>

namespace vell::rd {

// The pixels behind Control (its parent's background and content, and the windowed
// siblings below it that overlap it), drawn into DC with Control's top-left at (0, 0).
void DrawParentBackground(tk::TWinControl* Control, HDC DC);

// How a skinned window paints itself without its skin's effects: its framework class's
// own paint (a DC in WParam, or none).
using TPlainPaint = std::function<void(tk::TMessage&)>;

// The paint message of a skinned windowed control with skin Skin (a DC in WParam, or
// none: the window is painted through a 32-bit memory image): Plain renders the control,
// into the skin's draw buffer when the skin has one.
void SkinnedWindowPaint(tk::TWinControl* Control, TRdSkinClass& Skin, tk::TMessage& Message,
                        const TPlainPaint& Plain);

// Prepares a message of a skinned windowed control with skin Skin before its handling
// (the class's PrepareMessage).
void SkinnedWindowPrepare(tk::TWinControl* Control, TRdSkinClass& Skin, tk::TMessage& Message);

// Erases a window shown through a per-pixel layer: transparent black.
void EraseLayer(tk::TWinControl* Control, HDC DC);

// Fills Rect of DC with Color, blending by the colour's alpha (premultiplied, so a
// 32-bit DC keeps the alpha).
void FillAlphaColor(HDC DC, const RECT& Rect, TColor Color);

} // namespace vell::rd
