// Makes the skinned controls known to form descriptions by their class names (the skinned
// library's start-up; tests call it too). Running it again changes nothing.
#pragma once

namespace vell::rd {

void RegisterSkinnedControls();

} // namespace vell::rd
