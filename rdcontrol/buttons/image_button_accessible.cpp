// What the image button tells accessibility clients: a push button or a check box, with
// its name, states and default action.
#include "rdcontrol/buttons/image_button.h"

#include "toolkit/accessible.h"

#include <oleacc.h>

namespace vell::rd {

void TRdImageButton::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    Info.Name = FCaption.empty() ? (FBusyState ? FBusyCaption : Hint()) : FCaption;
    Info.Role = FShowCheckBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
    if (FButtonState == ibsDown || FButtonState == ibsSelected) Info.State |= STATE_SYSTEM_PRESSED;
    if (FShowCheckBox && FCheckState == cbChecked) Info.State |= STATE_SYSTEM_CHECKED;
    if (FShowCheckBox && FCheckState == cbGrayed) Info.State |= STATE_SYSTEM_MIXED;
    if (FIsMouseOver) Info.State |= STATE_SYSTEM_HOTTRACKED;
    if (FBusyState) Info.State |= STATE_SYSTEM_BUSY;
    if (Enabled())
        Info.DefaultAction = !FShowCheckBox ? u"Press" : FCheckState == cbChecked ? u"Uncheck" : u"Check";
}

// What a click on the button does: the check box's click for a check box, else the
// button's own click.
bool TRdImageButton::DoAccessibleDefaultAction() {
    if (!Enabled() || !(ControlStyle() & tk::csClickEvents)) return false;
    if (FShowCheckBox)
        ClickCheckBox();
    else
        Click();
    return true;
}

} // namespace vell::rd
