#include "core/html/markup.h"

#include <climits>

namespace vell::html {

namespace {

char16_t upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool equalNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

std::u16string upperAscii(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out)
        c = upper(c);
    return out;
}

// Replaces every case-insensitive occurrence of From by To.
void replaceAllNoCase(std::u16string& s, std::u16string_view From, std::u16string_view To) {
    if (From.empty()) return;
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s.size() - i >= From.size() && equalNoCase(std::u16string_view(s).substr(i, From.size()), From)) {
            out += To;
            i += From.size();
        } else {
            out += s[i++];
        }
    }
    s = std::move(out);
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    c = upper(c);
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

PreparedMarkup PrepareMarkup(std::u16string_view Text, bool Prefix) {
    PreparedMarkup out;
    out.Text.assign(Text);
    out.Prefix = Prefix && out.Text.find(u" & ") == std::u16string::npos;
    if (out.Text.find(u'&') != std::u16string::npos) {
        static constexpr struct {
            std::u16string_view from, to;
        } kEntities[] = {{u"&quot;", u"\""},      {u"&sect;", u"\u00A7"}, {u"&permil;", u"\u2030"},
                         {u"&reg;", u"\u00AE"},   {u"&copy;", u"\u00A9"}, {u"&para;", u"\u00B6"},
                         {u"&trade;", u"\u2122"}, {u"&euro;", u"\u20AC"}};
        replaceAllNoCase(out.Text, u"&amp;", out.Prefix ? u"&&" : u"&");
        for (const auto& e : kEntities)
            replaceAllNoCase(out.Text, e.from, e.to);
    }
    // "<#" ... ">" wrappers go, what they enclose stays.
    for (size_t at = out.Text.find(u"<#"); at != std::u16string::npos; at = out.Text.find(u"<#", at)) {
        const size_t close = out.Text.find(u'>', at + 2);
        if (close == std::u16string::npos) break;
        out.Text.erase(close, 1);
        out.Text.erase(at, 2);
    }
    std::u16string lines;
    lines.reserve(out.Text.size());
    for (size_t i = 0; i < out.Text.size(); ++i) {
        if (out.Text[i] == u'\r') {
            lines += u"<BR>";
            if (i + 1 < out.Text.size() && out.Text[i + 1] == u'\n') ++i;
        } else {
            lines += out.Text[i];
        }
    }
    out.Text = std::move(lines);
    return out;
}

std::u16string PlainText(std::u16string_view Text) {
    std::u16string s(Text);
    replaceAllNoCase(s, u"<br>", u"<br>\r\n");
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == u'<') {
            const size_t close = s.find(u'>', i + 1);
            const size_t nextOpen = s.find(u'<', i + 1);
            if (close != std::u16string::npos && (nextOpen == std::u16string::npos || nextOpen > close)) {
                i = close + 1;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

std::u16string DecodeRunEntities(std::u16string_view Run) {
    std::u16string s(Run);
    if (s.find(u'&') == std::u16string::npos) return s;
    replaceAllNoCase(s, u"&nbsp;", u" ");
    replaceAllNoCase(s, u"&lt;", u"<");
    replaceAllNoCase(s, u"&gt;", u">");
    return s;
}

std::optional<int> ParseInt(std::u16string_view Text) {
    size_t i = 0;
    while (i < Text.size() && Text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == u'-' || Text[i] == u'+')) negative = Text[i++] == u'-';
    long long v = 0;
    bool any = false;
    for (; i < Text.size() && Text[i] >= u'0' && Text[i] <= u'9'; ++i) {
        any = true;
        if (v < INT_MAX) v = v * 10 + (Text[i] - u'0');
    }
    if (!any) return std::nullopt;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(negative ? -v : v);
}

std::optional<TColor> ParseColor(std::u16string_view Text) {
    if (!Text.empty() && Text[0] == u'#') {
        if (Text.size() < 7) return std::nullopt;
        int rgb[3];
        for (int k = 0; k < 3; ++k) {
            const int hi = hexDigit(Text[1 + 2 * k]), lo = hexDigit(Text[2 + 2 * k]);
            if (hi < 0 || lo < 0) return std::nullopt;
            rgb[k] = hi * 16 + lo;
        }
        return static_cast<TColor>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
    }
    if (Text.empty()) return std::nullopt;
    for (const BuiltInColor& c : BuiltInColors()) {
        const std::u16string_view name(c.Name);
        if (equalNoCase(name, Text) || (name.size() > 2 && equalNoCase(name.substr(2), Text))) return c.Value;
    }
    const TColor found = FindColorByName(Text, clNone);
    if (found != clNone) return found;
    return std::nullopt;
}

Tag::Tag(std::u16string_view Inner) : FText(Inner), FUpper(upperAscii(Inner)) {
    size_t i = 0;
    if (i < FUpper.size() && FUpper[i] == u'/') {
        FClosing = true;
        ++i;
    }
    size_t end = i;
    while (end < FUpper.size() && !isSpace(FUpper[end]))
        ++end;
    FName = FUpper.substr(i, end - i);
}

std::optional<size_t> Tag::ValueStart(std::u16string_view Name) const {
    const std::u16string want = upperAscii(Name);
    for (size_t at = FUpper.find(want); at != std::u16string::npos; at = FUpper.find(want, at + 1)) {
        if (at > 0 && !isSpace(FUpper[at - 1])) continue;
        size_t i = at + want.size();
        while (i < FUpper.size() && FUpper[i] == u' ')
            ++i;
        if (i >= FUpper.size() || FUpper[i] != u'=') continue;
        ++i;
        while (i < FUpper.size() && FUpper[i] == u' ')
            ++i;
        return i;
    }
    return std::nullopt;
}

std::optional<std::u16string> Tag::Attr(std::u16string_view Name) const {
    const auto start = ValueStart(Name);
    if (!start) return std::nullopt;
    size_t i = *start;
    if (i < FText.size() && FText[i] == u'"') {
        const size_t close = FText.find(u'"', i + 1);
        if (close != std::u16string::npos) return FText.substr(i + 1, close - i - 1);
        const size_t space = FText.find(u' ', i + 1);
        return FText.substr(i + 1, space == std::u16string::npos ? std::u16string::npos : space - i - 1);
    }
    const size_t space = FText.find(u' ', i);
    return FText.substr(i, space == std::u16string::npos ? std::u16string::npos : space - i);
}

bool Tag::QuotedValueStarts(std::u16string_view Name, std::u16string_view Word) const {
    const auto start = ValueStart(Name);
    if (!start || *start >= FUpper.size() || FUpper[*start] != u'"') return false;
    return std::u16string_view(FUpper).substr(*start + 1).starts_with(upperAscii(Word));
}

std::optional<int> Tag::IntAttr(std::u16string_view Name) const {
    const auto v = Attr(Name);
    return v ? ParseInt(*v) : std::nullopt;
}

std::optional<TColor> Tag::ColorAttr(std::u16string_view Name) const {
    const auto v = Attr(Name);
    return v ? ParseColor(*v) : std::nullopt;
}

std::optional<int> Tag::StyleNumber(std::u16string_view Key) const {
    const size_t at = FUpper.find(upperAscii(Key));
    if (at == std::u16string::npos) return std::nullopt;
    return ParseInt(std::u16string_view(FUpper).substr(at + Key.size()));
}

std::optional<TColor> Tag::StyleColor(std::u16string_view Key) const {
    const size_t at = FUpper.find(upperAscii(Key));
    if (at == std::u16string::npos) return std::nullopt;
    size_t i = at + Key.size();
    while (i < FUpper.size() && FUpper[i] == u' ')
        ++i;
    if (i >= FUpper.size() || FUpper[i] != u'#') return std::nullopt; // only "#" colours
    return ParseColor(std::u16string_view(FUpper).substr(i, 7));
}

} // namespace vell::html
