// Small UTF-16 string helpers shared by the text formats.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vell::text {

// Removes spaces and control characters (code units up to U+0020) at both ends.
std::u16string_view trim(std::u16string_view s);

// Upper case of one code unit: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and the
// full-width Latin letters; everything else is returned unchanged. One table for every
// host, so case-insensitive look-ups behave the same natively and on Windows.
char16_t upperChar(char16_t c);
std::u16string upperCase(std::u16string_view s);
// Equal after upperChar on both sides.
bool sameText(std::u16string_view a, std::u16string_view b);
// Equal when only ASCII letters are folded.
bool sameTextAscii(std::u16string_view a, std::u16string_view b);
// True when `part` stands anywhere in `s`, only ASCII letters folded (an empty part always).
bool containsAsciiNoCase(std::u16string_view s, std::u16string_view part);

// Replaces every occurrence of `what` (ASCII letters compared without case) by `with`.
std::u16string replaceAsciiNoCase(std::u16string_view s, std::u16string_view what, std::u16string_view with);

// Splits at CR, LF or CR LF. A final line break adds no empty line.
std::vector<std::u16string> splitLines(std::u16string_view s);

} // namespace vell::text
