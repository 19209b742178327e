#include "core/text/utf.h"

#include <cstdint>

namespace vell::text {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at s[i]; returns the code point or -1 and advances i past
// what was consumed (at least one byte).
int32_t decodeOne(std::string_view s, size_t& i) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    uint32_t cp;
    uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return -1;
    }
    size_t j = i + 1;
    for (int k = 1; k < len; ++k, ++j) {
        if (j >= s.size() || (static_cast<uint8_t>(s[j]) & 0xC0) != 0x80) {
            i = j;
            return -1;
        }
        cp = (cp << 6) | (static_cast<uint8_t>(s[j]) & 0x3F);
    }
    i = j;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    return static_cast<int32_t>(cp);
}

} // namespace

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const int32_t cp = decodeOne(s, i);
        if (cp < 0) {
            out.push_back(kReplacement);
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            const uint32_t v = static_cast<uint32_t>(cp) - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size())
        if (decodeOne(s, i) < 0) return false;
    return true;
}

std::string utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace vell::text
