#include "core/rdg/play_script.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vell::rdg {

namespace {

struct Cursor {
    std::u16string_view s;
    std::size_t pos = 0;
    bool atEnd() const { return pos >= s.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : s[pos]; }
    bool take(char16_t c) {
        if (peek() != c) return false;
        ++pos;
        return true;
    }
    // An integer with an optional minus sign directly before its digits.
    bool number(int& out) {
        std::size_t p = pos;
        bool negative = p < s.size() && s[p] == u'-';
        if (negative) ++p;
        if (p >= s.size() || s[p] < u'0' || s[p] > u'9') return false;
        long long v = 0;
        while (p < s.size() && s[p] >= u'0' && s[p] <= u'9') {
            v = v * 10 + (s[p] - u'0');
            if (v > INT_MAX) return false;
            ++p;
        }
        out = int(negative ? -v : v);
        pos = p;
        return true;
    }
};

bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

PlayList compilePlayScript(std::u16string_view script, int& duration, bool durationCustom) {
    PlayList list;
    auto& e = list.entries;
    int n = 0;         // frames in the current group
    std::size_t g = 0; // where the current group begins
    int t = 0;         // jump target of the next range
    bool haveFirst = false;
    int firstDuration = 0; // the first group's duration

    auto closeGroup = [&] {
        e.insert(e.begin() + std::ptrdiff_t(g), PlayEntry{PlayEntryKind::Duration, duration / n, duration});
        if (!haveFirst) {
            haveFirst = true;
            firstDuration = duration;
            list.firstMarker = int(g);
        }
        g = e.size();
        n = 0;
    };
    auto room = [&](long long more) { return static_cast<long long>(e.size()) + more <= kMaxPlayEntries; };

    Cursor c{script};
    for (;;) {
        while (c.take(u' ')) {
        }
        if (c.atEnd()) break;
        if (isLetter(c.peek())) {
            std::size_t start = c.pos;
            while (isLetter(c.peek()))
                ++c.pos;
            std::u16string_view key = script.substr(start, c.pos - start);
            if ((key != u"d" && key != u"duration") || !c.take(u'=') || durationCustom) break;
            int value;
            if (!c.number(value)) break;
            if (n > 1) closeGroup();
            duration = value;
            if (!c.take(u',')) break;
            continue;
        }
        int first;
        if (!c.number(first)) break;
        if (!c.take(u'-')) {
            if (!room(1)) break;
            e.push_back({PlayEntryKind::Frame, first});
            ++n;
            if (!c.take(u',')) break;
            continue;
        }
        int last;
        if (!c.number(last)) break;
        const int step = last >= first ? 1 : -1;
        const long long count = std::llabs(static_cast<long long>(last) - first) + 1;
        if (!room(2 * count)) break; // the range, a possible reverse and its jump
        if (!e.empty()) t = int(e.size()) - 1;
        for (long long i = 0; i < count; ++i)
            e.push_back({PlayEntryKind::Frame, int(first + i * step)});
        n += int(count);
        if (c.take(u',')) continue;
        if (c.take(u'r')) {
            for (long long i = count - 2; i >= 1; --i) {
                e.push_back({PlayEntryKind::Frame, int(first + i * step)});
                ++n;
            }
        }
        e.push_back({PlayEntryKind::Jump, t});
        break;
    }
    if (!e.empty()) {
        if (n > 1) closeGroup();
        if (haveFirst) duration = firstDuration;
    }
    return list;
}

std::u16string FrameName(std::u16string_view pattern, int frame) {
    std::u16string out;
    bool used = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        if (pattern[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool left = false, zero = false;
        for (; j < pattern.size() && (pattern[j] == u'-' || pattern[j] == u'0'); ++j)
            (pattern[j] == u'-' ? left : zero) = true;
        int width = 0;
        for (; j < pattern.size() && pattern[j] >= u'0' && pattern[j] <= u'9'; ++j)
            width = std::min(width * 10 + (pattern[j] - u'0'), 64);
        if (used || j >= pattern.size() || (pattern[j] != u'd' && pattern[j] != u'i' && pattern[j] != u'u')) {
            out += c;
            continue;
        }
        const bool isUnsigned = pattern[j] == u'u';
        std::string digits = isUnsigned ? std::to_string(uint32_t(frame)) : std::to_string(frame);
        std::string sign;
        if (!digits.empty() && digits[0] == '-') {
            sign = "-";
            digits.erase(0, 1);
        }
        std::string text;
        const size_t len = sign.size() + digits.size();
        const size_t pad = size_t(width) > len ? size_t(width) - len : 0;
        if (left)
            text = sign + digits + std::string(pad, ' ');
        else if (zero)
            text = sign + std::string(pad, '0') + digits;
        else
            text = std::string(pad, ' ') + sign + digits;
        out.append(text.begin(), text.end());
        used = true;
        i = j;
    }
    return out;
}

} // namespace vell::rdg
