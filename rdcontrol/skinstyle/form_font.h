// The size factor of form-wide font size steps (TRdFont::UpdateFontSize).
#pragma once

namespace vell::rd {

// What UpdateFontSize multiplies its size step by: 1 unless the process scales its fonts.
double FontSizeFactor();
void SetFontSizeFactor(double Value);

} // namespace vell::rd
