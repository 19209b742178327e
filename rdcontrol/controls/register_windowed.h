// Makes the skinned windowed controls readable from form descriptions under their names
// (TRdCustomControl, TRdPanel, TRdLayerForm), replacing any stand-in of the same name.
#pragma once

namespace vell::rd {
void RegisterWindowedControls();
}
