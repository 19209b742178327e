#include "rdcontrol/paint/contrast_paint.h"
#include "platform/graphics/canvas.h"
#include "platform/text/canvas_font.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/system_prefs.h"

namespace vell::rd {

namespace {
constexpr UINT kShadowGlow = 0x01000000; // the text interception adds the font's shadow or glow

// The system colour as a plain, opaque colour value.
TColor sysColor(int Index) {
    return static_cast<TColor>(::GetSysColor(Index) & 0xFFFFFF);
}
} // namespace

bool HighContrastPaint() {
    return tk::HighContrast();
}

TColor ContrastTextColor(TContrastState State, bool Button) {
    switch (State) {
    case TContrastState::Hot:
        return sysColor(COLOR_HIGHLIGHT);
    case TContrastState::Disabled:
        return sysColor(COLOR_GRAYTEXT);
    default:
        return sysColor(Button ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
    }
}

TColor ContrastBackColor(bool Button) {
    return sysColor(Button ? COLOR_BTNFACE : COLOR_WINDOW);
}

void FillContrastBackground(HDC DC, const RECT& Rect, bool Button, bool Frame) {
    if (!DC || ::IsRectEmpty(&Rect)) return;
    FillAlphaColor(DC, Rect, ContrastBackColor(Button));
    if (!Frame) return;
    const TColor line = ContrastTextColor(TContrastState::Normal, Button);
    const RECT edges[4] = {{Rect.left, Rect.top, Rect.right, Rect.top + 1},
                           {Rect.left, Rect.bottom - 1, Rect.right, Rect.bottom},
                           {Rect.left, Rect.top, Rect.left + 1, Rect.bottom},
                           {Rect.right - 1, Rect.top, Rect.right, Rect.bottom}};
    for (const RECT& e : edges)
        FillAlphaColor(DC, e, line);
}

UINT TextEffectFlags(tk::TCanvas& Canvas) {
    if (HighContrastPaint()) return 0;
    auto* rd = dynamic_cast<TRdFont*>(Canvas.Font());
    return rd && rd->ShadowGlow() && rd->ShadowGlow()->Enabled() ? kShadowGlow : 0;
}

} // namespace vell::rd
