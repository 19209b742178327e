#include "loader/lib/module_list.h"

namespace vell::loader {

void ModuleList::Startup() {
    while (started_ < modules_.size()) {
        const Module& m = modules_[started_];
        if (m.startup) m.startup();
        ++started_;
    }
}

void ModuleList::Shutdown() {
    while (started_ > 0) {
        const Module& m = modules_[--started_];
        if (m.shutdown) m.shutdown();
    }
}

} // namespace vell::loader
