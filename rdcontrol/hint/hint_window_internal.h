// What the hint window's files share: its timers and the screen rectangle of a control.
#pragma once
#include "toolkit/control.h"

#include <windows.h>

namespace vell::rd::hint_window {

constexpr UINT_PTR kPollTimer = 188;      // is the mouse still over the hint?
constexpr UINT_PTR kHidePauseTimer = 988; // the hint hides itself

// The control's client area on the screen.
RECT screenRectOf(tk::TControl* C);

} // namespace vell::rd::hint_window
