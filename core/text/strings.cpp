#include "core/text/strings.h"

namespace vell::text {

std::u16string_view trim(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= u' ')
        ++b;
    while (e > b && s[e - 1] <= u' ')
        --e;
    return s.substr(b, e - b);
}

char16_t upperChar(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c & ~1u);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

std::u16string upperCase(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out)
        c = upperChar(c);
    return out;
}

bool sameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && upperChar(a[i]) != upperChar(b[i])) return false;
    return true;
}

namespace {
char16_t asciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
}

bool matchesAt(std::u16string_view s, size_t pos, std::u16string_view what) {
    for (size_t k = 0; k < what.size(); ++k)
        if (asciiUpper(s[pos + k]) != asciiUpper(what[k])) return false;
    return true;
}
} // namespace

bool sameTextAscii(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && matchesAt(a, 0, b);
}

bool containsAsciiNoCase(std::u16string_view s, std::u16string_view part) {
    for (size_t i = 0; i + part.size() <= s.size(); ++i)
        if (matchesAt(s, i, part)) return true;
    return false;
}

std::u16string replaceAsciiNoCase(std::u16string_view s, std::u16string_view what, std::u16string_view with) {
    if (what.empty() || s.size() < what.size()) return std::u16string(s);
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (i + what.size() <= s.size() && matchesAt(s, i, what)) {
            out.append(with);
            i += what.size();
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

std::vector<std::u16string> splitLines(std::u16string_view s) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != u'\r' && s[i] != u'\n') continue;
        lines.emplace_back(s.substr(start, i - start));
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < s.size()) lines.emplace_back(s.substr(start));
    return lines;
}

} // namespace vell::text
