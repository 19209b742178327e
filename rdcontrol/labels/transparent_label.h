// The framework's label class name ("TLabel") taken over by a label that is transparent,
// draws its text with the plain DrawTextW (so that text drawn into 32-bit images gets the
// image engine's alpha), measures its automatic size on a memory device context, and keeps
// its right edge when right-justified. The skinned library's start-up
// (RegisterSkinnedControls) makes form descriptions that name "TLabel" create it.
#pragma once
#include "toolkit/stdctrls.h"

namespace vell::rd {

class TTransparentLabel : public tk::TLabel {
    VELL_CLASS_INFO()
  public:
    explicit TTransparentLabel(tk::TComponent* AOwner);

  protected:
    // A caption that cannot be drawn draws nothing.
    void Paint() override;
    void AdjustBounds() override;
};

} // namespace vell::rd
