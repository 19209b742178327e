// Whether a foreign program owns the screen in full-screen mode, in which case the loading
// box stays away.
#pragma once
#include <windows.h>

#include <string>

namespace vell::loader {

// True when a window with this rectangle and class fills the primary screen exactly and
// is not one of the shell's desktop windows or the product's own main windows.
bool IsFullScreenWindow(const RECT& rect, int screenWidth, int screenHeight, const std::wstring& className);

// The check on the current foreground window. Never raises: a failure answers false.
bool IsForegroundFullScreen();

} // namespace vell::loader
