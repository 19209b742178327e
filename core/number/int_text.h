// Integers as skin files and picture references write them: decimal with an optional
// sign, or hexadecimal after "$" or "0x" (up to 32 bits, which may read as negative),
// surrounding blanks ignored. Anything else, or a decimal outside 32 bits, fails.
#pragma once
#include <string_view>

namespace vell {

bool ParseIntText(std::u16string_view s, int& out);

// Exactly the hexadecimal digits of s (1 to 8 of them, no prefix or blanks) as 32 bits.
bool ParseHexDigits(std::u16string_view s, unsigned& out);

} // namespace vell
