// TRdPaintBox: a windowless skinned surface that its OnPaint handler draws on, with a
// hit-test switch (HitTest False lets the mouse through to what lies behind).
#pragma once
#include "rdcontrol/base/graphic_control.h"

namespace vell::rd {

class TRdPaintBox : public TRdGraphicControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdPaintBox(tk::TComponent* AOwner);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    tk::TNotifyEvent OnPaint;

  protected:
    void Paint() override;
};

} // namespace vell::rd
