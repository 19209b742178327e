// Makes the skinned controls known to form descriptions by their class names (part of the
// skinned library's start). Running it again changes nothing.
#pragma once

namespace vell::rd {

void RegisterSkinnedControls();
// The classes are unknown to form descriptions again ("TLabel" names the class it named
// before). RegisterSkinnedControls may run again.
void UnregisterSkinnedControls();

} // namespace vell::rd
