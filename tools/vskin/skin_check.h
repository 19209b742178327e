// Checking a set of packages as the product reads them, for skin authors: every problem
// the product would meet silently (a missing picture, a colour that resolves nowhere, a
// broken section parent, ...) becomes one finding.
#pragma once
#include "tools/vskin/skin_set.h"

#include <string>
#include <vector>

namespace vell::vskin {

struct Finding {
    Location at;
    bool error = true; // else a warning
    std::string message;
};

// "package:path:line: error: message" (or "warning").
std::string FormatFinding(const Finding& f);

// Every finding, ordered by package, path and line.
std::vector<Finding> CheckSkin(SkinSet& set);

} // namespace vell::vskin
