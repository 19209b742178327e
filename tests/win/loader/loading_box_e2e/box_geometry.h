// Where the box and its parts are on the screen.
#pragma once
#include <windows.h>

namespace boxtest {

// The box's size at 96 DPI and the large-screen factor.
inline constexpr int kBoxWidth = 560, kBoxHeight = 240;

// The box centred on a screen of the given size, at `scale` times its size.
inline RECT CentredBox(int screenW, int screenH, int scale) {
    const int w = kBoxWidth * scale, h = kBoxHeight * scale;
    const int x = (screenW - w) / 2, y = (screenH - h) / 2;
    return RECT{x, y, x + w, y + h};
}

// The text line's area and the icon's centre inside a box at `box`.
inline RECT LabelArea(const RECT& box, int scale) {
    return RECT{box.left + 48 * scale, box.top + 170 * scale, box.left + (48 + 465) * scale,
                box.top + (170 + 55) * scale};
}
inline POINT IconCentre(const RECT& box, int scale) {
    return POINT{box.left + 280 * scale, box.top + 96 * scale};
}

inline RECT WindowRect(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return r;
}

} // namespace boxtest
