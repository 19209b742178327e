// Switches the system's display preferences for the length of a test and puts them back.
// Each goes through the system first (with the change announced, as a user's switch is),
// and through the toolkit's seam where the system refuses: Wine does not let a program
// switch the high-contrast scheme, it does switch client-area animation.
#pragma once
#include "toolkit/application.h"
#include "toolkit/system_prefs.h"

#include <windows.h>

namespace testprefs {

#ifndef SPI_SETCLIENTAREAANIMATION
constexpr UINT SPI_GETCLIENTAREAANIMATION = 0x1042;
constexpr UINT SPI_SETCLIENTAREAANIMATION = 0x1043;
#endif

// Lets the announcement reach the process's windows.
inline void Pump() {
    for (int i = 0; i < 5; ++i) {
        vell::tk::Application()->ProcessMessages();
        ::Sleep(2);
    }
}

class Scope {
  public:
    enum Kind { HighContrast, ClientAreaAnimation };
    Scope(Kind What, bool On) : FWhat(What), FWas(current(What)) {
        FViaSystem = set(On);
        if (FViaSystem) {
            Pump();
        } else {
            vell::tk::TSystemPrefs p = vell::tk::SystemPrefs();
            (What == HighContrast ? p.HighContrast : p.ClientAreaAnimation) = On;
            vell::tk::OverrideSystemPrefs(p);
        }
    }
    ~Scope() {
        if (FViaSystem) {
            set(FWas);
            Pump();
        } else {
            vell::tk::OverrideSystemPrefs(std::nullopt);
        }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    bool ViaSystem() const { return FViaSystem; }

  private:
    // The system's own value, where it can be read.
    static bool current(Kind What) {
        if (What == ClientAreaAnimation) {
            BOOL on = TRUE;
            if (::SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0)) return on != FALSE;
            return vell::tk::ClientAreaAnimation();
        }
        HIGHCONTRASTW hc{sizeof(hc)};
        if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0))
            return (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
        return vell::tk::HighContrast();
    }
    bool set(bool On) const {
        if (FWhat == ClientAreaAnimation)
            return ::SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0,
                                           reinterpret_cast<void*>(static_cast<UINT_PTR>(On)),
                                           SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
        HIGHCONTRASTW hc{sizeof(hc)};
        hc.dwFlags = On ? HCF_HIGHCONTRASTON : 0;
        return ::SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(hc), &hc,
                                       SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
    }
    Kind FWhat;
    bool FWas;
    bool FViaSystem = false;
};

} // namespace testprefs
