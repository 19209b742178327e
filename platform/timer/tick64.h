// The process-wide 64-bit millisecond clock.
#pragma once
#include <cstdint>

namespace vell::win {

// Milliseconds since the system started, never wrapping: the system's GetTickCount64
// where it exists (looked up once), else the 32-bit tick counter extended across wraps.
uint64_t Tick64();

} // namespace vell::win
