#include "toolkit/system_prefs.h"
#include "toolkit/screen.h"

#include <windows.h>

namespace vell::tk {

namespace {

#ifndef SPI_GETCLIENTAREAANIMATION
constexpr UINT SPI_GETCLIENTAREAANIMATION = 0x1042;
#endif

TSystemPrefs readSystem() {
    TSystemPrefs p;
    HIGHCONTRASTW hc{sizeof(hc)};
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0))
        p.HighContrast = (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
    // Before Windows 7 (and where the setting is unknown) animation stays on.
    BOOL animate = TRUE;
    if (::SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0))
        p.ClientAreaAnimation = animate != FALSE;
    return p;
}

struct State {
    bool Read = false;
    TSystemPrefs System;
    std::optional<TSystemPrefs> Override;
    TSystemPrefs Current;
};

State& state() {
    static State s;
    return s;
}

// Takes the new values; tells the forms when the preferences in force changed.
bool settle(State& S) {
    const TSystemPrefs now = S.Override ? *S.Override : S.System;
    if (now == S.Current) return false;
    S.Current = now;
    RepaintAllForms(RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return true;
}

} // namespace

const TSystemPrefs& SystemPrefs() {
    State& s = state();
    if (!s.Read) {
        s.Read = true;
        s.System = readSystem();
        s.Current = s.Override ? *s.Override : s.System;
    }
    return s.Current;
}

bool RefreshSystemPrefs() {
    State& s = state();
    SystemPrefs();
    s.System = readSystem();
    return settle(s);
}

void OverrideSystemPrefs(std::optional<TSystemPrefs> Prefs) {
    State& s = state();
    SystemPrefs();
    s.Override = Prefs;
    settle(s);
}

} // namespace vell::tk
