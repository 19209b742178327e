#include "rdcontrol/library.h"

#include "rdcontrol/controls/auto_align.h"
#include "rdcontrol/controls/form_skin.h"
#include "rdcontrol/controls/register_controls.h"
#include "rdcontrol/controls/skinned_link.h"
#include "rdcontrol/skinstyle/skin_style.h"

namespace vell::rd {

void StartSkinnedLibrary() {
    RegisterSkinStyle();
    RegisterSkinnedControls();
    StartSkinnedPainting();
    StartFollowingMoves();
    StartFollowingAlpha();
}

void StopSkinnedLibrary() {
    StopFollowingAlpha();
    StopFollowingMoves();
    StopSkinnedPainting();
    UnregisterSkinnedControls();
    UnregisterSkinStyle();
}

} // namespace vell::rd
