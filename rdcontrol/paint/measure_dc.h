// Helpers of the controls that measure their text off screen: a memory device context
// for measuring, a canvas on one with a skinned font, and a flag set for a scope (a
// measuring pass).
#pragma once
#include "core/util/scope_exit.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/graphics.h"

#include <windows.h>

#include <memory>

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

// A canvas on a memory DC with a skinned font of Owner carrying Font's values, for the
// measuring passes; without a DC (dc null) the canvas has no handle.
struct MeasuringCanvas {
    HDC dc = ::CreateCompatibleDC(nullptr);
    tk::TCanvas canvas;
    MeasuringCanvas(tk::TComponent* Owner, const tk::TFont* Font) {
        canvas.ReplaceFont(std::make_unique<TRdFont>(Owner));
        if (dc) canvas.SetHandle(dc);
        canvas.SetFont(Font);
    }
    MeasuringCanvas(const MeasuringCanvas&) = delete;
    MeasuringCanvas& operator=(const MeasuringCanvas&) = delete;
    ~MeasuringCanvas() {
        canvas.SetHandle(nullptr);
        if (dc) ::DeleteDC(dc);
    }
};

} // namespace vell::rd
