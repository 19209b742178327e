#include "rdcontrol/library.h"

#include "rdcontrol/base/auto_align.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/paint/skinned_link.h"
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
