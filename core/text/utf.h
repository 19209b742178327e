// Text in the portable core is UTF-16 held in std::u16string: the same width as the
// system's own strings on Windows, and the same on every host (wchar_t is 4 bytes
// natively). On Windows a std::u16string and a std::wstring share their layout, so the
// conversions at the Win32 boundary below are copies without any decoding.
#pragma once
#include <string>
#include <string_view>

namespace vell::text {

// UTF-8 to UTF-16. Invalid or truncated sequences become U+FFFD, one per bad byte run.
std::u16string utf8ToUtf16(std::string_view s);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view s);
// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view s);

// A UTF-8 literal or narrow text as UTF-16; for tests and fixed ASCII texts.
inline std::u16string u16(std::string_view utf8) {
    return utf8ToUtf16(utf8);
}

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows strings are UTF-16");
inline const wchar_t* wcs(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::wstring toWide(std::u16string_view s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}
inline std::u16string fromWide(std::wstring_view s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size());
}
inline std::u16string fromWide(const wchar_t* s) {
    return s ? fromWide(std::wstring_view(s)) : std::u16string();
}
#endif

} // namespace vell::text
