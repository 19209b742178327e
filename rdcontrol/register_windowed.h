// Makes the skinned windowed controls readable from form descriptions under their names
// (TRdCustomControl, TRdPanel, TRdLayerForm), replacing any stand-in of the same name.
#pragma once
#include "core/component/typeinfo.h"

#include <array>

namespace vell::rd {
std::array<const tk::ClassInfo*, 3> WindowedControlClasses();
void RegisterWindowedControls();
} // namespace vell::rd
