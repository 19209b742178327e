// Makes the skinned controls known to form descriptions by their class names (the skinned
// library's start-up; tests call it too). Running it again changes nothing.
#pragma once

namespace vell::rd {

void RegisterSkinnedControls();
// The skinned library's shut-down: the classes are unknown to form descriptions again ("TLabel"
// names the class it named before), and the controls' toolkit hooks are out of the chain.
// RegisterSkinnedControls may run again.
void UnregisterSkinnedControls();

} // namespace vell::rd
