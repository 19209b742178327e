// The system's display preferences that change how controls draw and move: a high-contrast
// scheme (controls then draw in the system's colours over a solid background) and
// client-area animation (off: fades and cross-fades jump to their final frame).
//
// They are read once, on first use, and read again when a window of the process hears
// WM_SETTINGCHANGE or WM_SYSCOLORCHANGE; when they changed, every form hears
// CM_SYSCOLORCHANGE and repaints. Tests may fix them (OverrideSystemPrefs) where the real
// settings cannot be switched.
#pragma once
#include <optional>

namespace vell::tk {

struct TSystemPrefs {
    bool HighContrast = false;       // SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON
    bool ClientAreaAnimation = true; // SPI_GETCLIENTAREAANIMATION; on where it cannot be read
    bool operator==(const TSystemPrefs&) const = default;
};

const TSystemPrefs& SystemPrefs();
inline bool HighContrast() {
    return SystemPrefs().HighContrast;
}
inline bool ClientAreaAnimation() {
    return SystemPrefs().ClientAreaAnimation;
}

// Reads the system's settings again (an override stays in force); true when the
// preferences changed, after every form was told.
bool RefreshSystemPrefs();

// Fixed preferences in place of the system's (nullopt: the system's again); forms are
// told as on a change.
void OverrideSystemPrefs(std::optional<TSystemPrefs> Prefs);

} // namespace vell::tk
