// The screen: every form of the process in z-order (the popups the framework and the
// library make, such as hints and shadows, are forms too), the active form and control,
// the screen cursor and the cursor table, the system's fonts, and the screen's metrics.
#pragma once
#include "toolkit/form.h"

#include <map>

namespace vell::tk {

class TScreen : public TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TScreen(TComponent* AOwner = nullptr);
    ~TScreen() override;

    // Forms in z-order, the topmost first; forms without a window come last, in the order
    // they were made.
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const;
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const;

    // The cursor over every control while not crDefault (an hourglass, say).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The platform cursor of a cursor number (standard numbers load the system's cursors;
    // a program sets its own at positive numbers); the arrow for an unknown number.
    HCURSOR Cursors(TCursor Index) const;
    void SetCursors(TCursor Index, HCURSOR Value);

    // The system's fonts for hints, icon titles, menus and message boxes; the names of
    // the installed font families (sorted).
    TFont* HintFont() const { return FHintFont.get(); }
    TFont* IconFont() const { return FIconFont.get(); }
    TFont* MenuFont() const { return FMenuFont.get(); }
    TFont* MessageFont() const { return FMessageFont.get(); }
    TStrings* Fonts();
    // Reads the four system fonts again (after a settings change).
    void ResetFonts();

    int Width() const { return ::GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return ::GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const;
    // The work area of the monitor nearest to P (the primary one by default).
    RECT WorkAreaRect() const;
    RECT WorkAreaRectAt(POINT P) const;

    // Called by forms.
    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);
    void SetActiveForm(TCustomForm* Form);
    // The z-order changed (a form was shown, activated or moved in z-order).
    void ZOrderChanged() { FZOrderDirty = true; }

  private:
    void SortForms() const;

    mutable std::vector<TCustomForm*> FForms;
    mutable bool FZOrderDirty = false;
    TCustomForm* FActiveForm = nullptr;
    TCursor FCursor = crDefault;
    std::map<TCursor, HCURSOR> FCursorMap;
    std::unique_ptr<TFont> FHintFont, FIconFont, FMenuFont, FMessageFont;
    std::unique_ptr<TStrings> FFonts;
};

// The process's screen object (created on first use, lives until the process ends).
TScreen* Screen();

// Every form of the screen, bottom to top, hears CM_SYSCOLORCHANGE (the notification of a
// colour, skin or display-preference change), is invalidated and, when it has a window,
// redrawn with RedrawFlags (RedrawWindow's). A form freed meanwhile is passed over.
void RepaintAllForms(UINT RedrawFlags);

} // namespace vell::tk
