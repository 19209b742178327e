// Helpers of the controls that measure their text off screen: a memory device context
// for measuring, and a flag set for a scope (a measuring pass).
#pragma once
#include <windows.h>

namespace vell::rd {

// A memory context compatible with the screen, deleted with the object; dc is null when
// none could be made.
struct MeasureDC {
    HDC dc = ::CreateCompatibleDC(nullptr);
    MeasureDC() = default;
    MeasureDC(const MeasureDC&) = delete;
    MeasureDC& operator=(const MeasureDC&) = delete;
    ~MeasureDC() {
        if (dc) ::DeleteDC(dc);
    }
};

// Sets a flag for a scope and restores what it was.
struct FlagScope {
    bool& flag;
    bool was;
    explicit FlagScope(bool& f) : flag(f), was(f) { flag = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag = was; }
};

} // namespace vell::rd
