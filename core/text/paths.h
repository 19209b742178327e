// Windows-style path text: "\" and "/" both separate folders, "C:" ends a drive part.
#pragma once
#include <string>
#include <string_view>

namespace vell::text {

// The folder part with its trailing separator ("C:\a\b.txt" -> "C:\a\"); empty for a bare name.
std::u16string ExtractFilePath(std::u16string_view path);
// The part after the last separator.
std::u16string ExtractFileName(std::u16string_view path);
// Replaces the extension of the file name (from its last "."), or appends `ext` when there
// is none; `ext` includes its dot.
std::u16string ChangeFileExt(std::u16string_view path, std::u16string_view ext);
// Removes one trailing separator.
std::u16string ExcludeTrailingBackslash(std::u16string_view path);
// Adds "\" unless the text is empty or already ends with a separator.
std::u16string IncludeTrailingBackslash(std::u16string_view path);

} // namespace vell::text
