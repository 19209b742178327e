// Which skin pictures a tint colour recolours: the lines of the skin's "tintpng"
// section, taken in order with the last matching line deciding. A line pattern=value
// whose pattern matches the picture's path makes it tintable unless the value is
// "false" (any case) or "0"; a line without "=" that matches makes it tintable.
// Without patterns, or without a matching line, a picture is not tinted.
#pragma once
#include <string_view>

namespace vell {
class TStringList;
}

namespace vell::skin {

bool IsTintablePath(const TStringList* patterns, std::u16string_view path);

} // namespace vell::skin
