// The skinned library's toolkit link for every window of the process (the library's start
// installs it): invalidation reaches the translucent windows around a window (see
// skinned_invalidate.h); a plain window that moves, resizes or changes z-order refreshes
// the translucent siblings above it (and, when it grows, its translucent children); the
// erase step fills form-coloured controls with the form colour and then the skin's second
// form colour (blended by its alpha); a form shown through a per-pixel layer erases to
// transparent black; a skinned window erases as its class says.
#pragma once

namespace vell::rd {

// Installs the link (once; again after StopSkinnedPainting) and removes it.
void StartSkinnedPainting();
void StopSkinnedPainting();
bool SkinnedPaintingStarted();

} // namespace vell::rd
