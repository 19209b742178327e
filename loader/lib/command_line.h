// The command line as the loader reads it: split at blanks and control characters (codes
// 1 to 32); a stretch in double quotes belongs to one argument and the quotes are dropped
// (there is no escape character; an unbalanced quote runs to the end); an empty pair of
// quotes where an argument would start is skipped.
#pragma once
#include <string>
#include <vector>

namespace vell::loader {

// Every token, the program's own path first.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// Token `index` (0 is the program's path), empty when missing.
std::wstring Argument(const std::vector<std::wstring>& tokens, size_t index);

// ASCII case-insensitive tests on arguments.
bool EqualsIgnoreCase(const std::wstring& text, const std::wstring& expected);
bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& part);

} // namespace vell::loader
