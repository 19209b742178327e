#include "core/number/int_text.h"

#include <climits>

namespace vell {

namespace {
int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}
} // namespace

bool ParseHexDigits(std::u16string_view s, unsigned& out) {
    if (s.empty() || s.size() > 8) return false;
    unsigned v = 0;
    for (char16_t c : s) {
        const int d = hexValue(c);
        if (d < 0) return false;
        v = v << 4 | unsigned(d);
    }
    out = v;
    return true;
}

bool ParseIntText(std::u16string_view s, int& out) {
    while (!s.empty() && s.front() <= u' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() <= u' ')
        s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) {
        negative = s.front() == u'-';
        s.remove_prefix(1);
    }
    if (!s.empty() &&
        (s.front() == u'$' || (s.size() > 1 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')))) {
        unsigned v;
        if (!ParseHexDigits(s.substr(s.front() == u'$' ? 1 : 2), v)) return false;
        out = int(negative ? 0u - v : v);
        return true;
    }
    if (s.empty()) return false;
    long long v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX) return false;
    out = int(v);
    return true;
}

} // namespace vell
