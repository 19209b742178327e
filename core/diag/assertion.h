// A failed assertion: a programmer mistake detected at run time, raised as an exception so
// that the caller (or a test) sees the message.
#pragma once
#include "core/image/errors.h"

namespace vell {

class EAssertionFailed : public Exception {
  public:
    using Exception::Exception;
};

} // namespace vell
