// TRdSizeConstraints: a control's size limits with two more, for the right and the bottom
// edge of the control inside its parent (0: no limit). They narrow the maximum width and
// height by where the control is placed (the position it moves to, when a move and a
// resize come together): a larger given limit is reduced, a missing one set.
#pragma once
#include "toolkit/constraints.h"

namespace vell::rd {

class TRdSizeConstraints : public tk::TSizeConstraints {
    VELL_CLASS_INFO()
  public:
    explicit TRdSizeConstraints(tk::TControl* Control) : tk::TSizeConstraints(Control) {}
    int MaxRight() const { return FMaxRight; }
    void SetMaxRight(int Value);
    int MaxBottom() const { return FMaxBottom; }
    void SetMaxBottom(int Value);
    // Copies the four limits of any constraints, and these two from another of this class.
    void Assign(const tk::TPersistent* Source) override;
    void AdjustLimits(const tk::TControl& Control, int& MinWidth, int& MinHeight, int& MaxWidth,
                      int& MaxHeight) const override;

  private:
    int FMaxRight = 0;
    int FMaxBottom = 0;
};

} // namespace vell::rd
