// Connects the core's colour resolution to the platform's current system colours.
#pragma once

namespace vell {

// Makes SkinColorToRGB answer system colour numbers with GetSysColor. Called once at
// start-up; calling it again is harmless.
void InstallSystemColors();

} // namespace vell
