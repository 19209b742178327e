// The form skin's window region: rounded (EllipseSize.Ellipse) or diagonally cut corners,
// none while the owner is maximised.
#include "rdcontrol/formskin/form_skin.h"

#include "platform/win/handles.h"

namespace vell::rd {

bool TRdFormSkin::OwnerMaximized() const {
    if (FCustomFormState == tk::wsMaximized) return true;
    if (FOwnerForm) return FOwnerForm->WindowState() == tk::wsMaximized;
    return FOwnerControl && FOwnerControl->HandleAllocated() && ::IsZoomed(FOwnerControl->Handle());
}

void TRdFormSkin::ApplyRegion() {
    if (InState(tk::csDesigning) || !FOwnerControl || !FOwnerControl->HandleAllocated()) return;
    HWND h = FOwnerControl->Handle();
    if (!FEllipseSize->Check() || OwnerMaximized()) {
        ::SetWindowRgn(h, nullptr, TRUE);
        return;
    }
    const bool minimized = FOwnerForm ? FOwnerForm->WindowState() == tk::wsMinimized : ::IsIconic(h) != 0;
    if (minimized) return;
    const int W = FOwnerControl->Width(), H = FOwnerControl->Height();
    const int EW = FEllipseSize->Width(), EH = FEllipseSize->Height();
    win::UniqueRegion rgn;
    if (FEllipseSize->Ellipse()) {
        rgn.reset(::CreateRoundRectRgn(0, 0, W + 1, H + 1, EW, EH));
    } else {
        const POINT pts[8] = {{EW, 0},         {W - EW, 0}, {W, EH},         {W, H - EH - 1},
                              {W - EW - 1, H}, {EW, H},     {0, H - EH - 1}, {0, EH}};
        rgn.reset(::CreatePolygonRgn(pts, 8, WINDING));
    }
    if (rgn && ::SetWindowRgn(h, rgn.get(), TRUE)) rgn.release(); // the window owns it once taken
}

} // namespace vell::rd
