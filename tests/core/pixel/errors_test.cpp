#include "core/image/errors.h"

#include <gtest/gtest.h>

using namespace vell::image;

TEST(ImageErrors, MessageStartsWithEngineVersion) {
    try {
        raiseError<EPNGInvalidNewSize>(msg::kInvalidNewSize);
        FAIL();
    } catch (const EPNGInvalidNewSize& e) {
        EXPECT_STREQ(e.what(), "2.701 The new size provided for image resizing is invalid.");
    } catch (...) {
        FAIL();
    }
}
