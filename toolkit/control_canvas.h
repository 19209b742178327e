// The canvas of a control: bound to the paint DC while the control paints, otherwise it
// asks the control's window for a DC (released when the application is idle).
#pragma once
#include "toolkit/graphics.h"

namespace vell::tk {

class TControl;

class TControlCanvas : public TCanvas {
    VELL_CLASS_INFO()
  public:
    explicit TControlCanvas(TControl* Control) : FControl(Control) {}
    ~TControlCanvas() override;
    TControl* Control() const { return FControl; }
    void FreeHandle();

  protected:
    void CreateHandle() override;

  private:
    TControl* FControl;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

// Releases the device contexts control canvases took outside painting.
void FreeDeviceContexts();

} // namespace vell::tk
