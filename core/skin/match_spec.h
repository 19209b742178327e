// Shell wildcard matching as the platform's PathMatchSpec does it: "*" stands for any run
// of characters (path separators included), "?" for one character, letters compare
// without case, and a pattern may hold several specs separated by ";" (blanks before
// each spec are ignored). "*.*" matches every name, with or without a dot.
#pragma once
#include <string_view>

namespace vell::skin {

bool MatchSpec(std::u16string_view path, std::u16string_view pattern);

} // namespace vell::skin
