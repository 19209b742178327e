// The loading box: created as the application's only form, shown without activation, and
// kept until its window is closed from outside.
#pragma once
#include <string>

namespace vell::loader {

// Creates the box for argument 2 and runs the message loop until the application ends.
void RunLoadingBox(const std::wstring& argument2);

} // namespace vell::loader
