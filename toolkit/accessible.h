// What the toolkit shows assistive technology (screen readers, magnifiers, test tools).
//
// Every framework window answers WM_GETOBJECT (OBJID_CLIENT) with an accessible object
// (IAccessible) of its control. The object describes one control, windowed or windowless,
// by asking the control's virtuals: GetAccessibleInfo (name, role, value, default action,
// the control's own state bits), DoAccessibleDefaultAction, and for simple elements inside
// it (links in a text) GetAccessibleParts and DoAccessiblePartAction. Its children are the
// controls that lie in the control's client area (GetContainedControls), each again a full
// accessible object, so windowless controls nested in windowless containers appear nested
// as they are. Locations are screen rectangles through nesting, scroll offsets and the
// scale at which a container shows its content (ContentScale).
//
// An object holds only a weak link to its control: once the control is destroyed every
// call answers CO_E_OBJNOTCONNECTED. Objects are made on request and live as long as their
// clients hold them; controls keep no reference.
//
// Events: NotifyAccessibleEvent raises a WinEvent for a control. Windowless controls are
// addressed through their window with a negative child id (-AccessibleId()), which the
// window's object maps back to the control.
#pragma once
#include "toolkit/types.h"

#include <string>

namespace vell::tk {

class TControl;
class TWinControl;

struct TAccessibleInfo {
    std::u16string Name;
    std::u16string Value;
    std::u16string Description;
    // The verb of DoAccessibleDefaultAction ("Press"); empty when there is none.
    std::u16string DefaultAction;
    long Role = 0;  // ROLE_SYSTEM_*
    long State = 0; // STATE_SYSTEM_* bits of the control's own (pressed, checked, hot...);
                    // visibility, availability and focus are added by the toolkit
};

// A simple element of a control that is no control of its own (a link in a text): a child
// of the control's object numbered after its contained controls.
struct TAccessiblePart {
    std::u16string Name;
    std::u16string DefaultAction;
    long Role = 0;
    long State = 0; // the control's invisible and unavailable states are added
    RECT Bounds{};  // in the control's client coordinates
};

// Answers WM_GETOBJECT for a framework window: the control's accessible object for
// OBJID_CLIENT, else false (the platform's default answer applies).
bool AnswerGetObject(TWinControl* Control, TMessage& Message);

// Raises Event (EVENT_OBJECT_*, EVENT_SYSTEM_*) for Control when it has a window to be
// addressed through; nothing while it is read, destroyed or has no window yet.
void NotifyAccessibleEvent(TControl* Control, DWORD Event);

// Where Control shows on the screen: a windowed control's client area, a windowless
// control's bounds through its containers (their scroll offsets and content scale).
RECT AccessibleScreenRect(const TControl* Control);

// The accessible state bits of Control: its own (GetAccessibleInfo) with invisible,
// unavailable, focusable and focused added.
long AccessibleState(const TControl* Control);

// The number of accessible objects alive in the process (for leak checks).
long LiveAccessibleObjects();

} // namespace vell::tk
