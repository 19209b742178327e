#include "loader/lib/loading_box.h"

namespace vell::loader {

void RunLoadingBox(const std::wstring& /*argument2*/) {
    // The box is built on the UI toolkit; until the toolkit is part of the build there is
    // no window and the program ends normally.
}

} // namespace vell::loader
