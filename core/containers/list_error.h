// The errors of the list containers (index out of bounds, duplicates, sorted lists).
#pragma once
#include "core/image/errors.h"

namespace vell {

class EListError : public Exception {
  public:
    using Exception::Exception;
};

class EStringListError : public Exception {
  public:
    using Exception::Exception;
};

// How a sorted list treats an entry that compares equal to one already there.
enum class TDuplicates { dupIgnore, dupAccept, dupError };

} // namespace vell
