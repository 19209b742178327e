#include "core/forms/format.h"
#include "core/text/utf.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vell::forms {

namespace {

constexpr const char* kNewLine = "\r\n";
// Long strings and binary blocks of form descriptions break after this many units.
constexpr size_t kStringPiece = 64;
constexpr size_t kBinaryChunk = 32;

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// One string piece: quoted runs and #codes that the parser joins back to `s`.
void appendQuoted(std::string& out, std::u16string_view s, TextLayout layout) {
    if (s.empty()) {
        out += "''";
        return;
    }
    bool inRun = false;
    auto openRun = [&] {
        if (!inRun) out += '\'';
        inRun = true;
    };
    auto closeRun = [&] {
        if (inRun) out += '\'';
        inRun = false;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        bool pair = isHighSurrogate(c) && i + 1 < s.size() && isLowSurrogate(s[i + 1]);
        bool plain = layout == TextLayout::SkinLine
                         ? c >= 32 && c != u'\'' && (c < 0xD800 || c > 0xDFFF || pair)
                         : c >= 32 && c < 127;
        if (!plain) {
            closeRun();
            out += '#' + std::to_string(static_cast<unsigned>(c));
            continue;
        }
        openRun();
        if (c == u'\'') {
            out += "''";
        } else if (c < 128) {
            out += static_cast<char>(c);
        } else {
            out += text::utf16ToUtf8(s.substr(i, pair ? 2 : 1));
            if (pair) ++i;
        }
    }
    closeRun();
}

void appendString(std::string& out, const std::u16string& s, TextLayout layout, const std::string& indent) {
    if (layout == TextLayout::SkinLine || s.size() <= kStringPiece) {
        appendQuoted(out, s, layout);
        return;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back(); // "Caption =" ends its line
    for (size_t start = 0; start < s.size(); start += kStringPiece) {
        if (start > 0) out += " +";
        out += kNewLine + indent + "  ";
        // Breaking inside a surrogate pair is harmless: each half becomes a #code.
        appendQuoted(out, std::u16string_view(s).substr(start, kStringPiece), layout);
    }
}

// The shortest text that reads back to the same double; always with a point or exponent
// unless a suffix follows, so that it reads back as a float.
std::string shortest(double d, bool asSingle) {
    if (!std::isfinite(d)) d = 0;
    char buf[64];
    auto r = asSingle ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(d))
                      : std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string floatText(double d) {
    std::string s = shortest(d, false);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string hexBytes(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

void appendValue(std::string& out, const Value& v, TextLayout layout, const std::string& indent);

void appendLines(std::string& out, const std::vector<PropertyLine>& lines, const std::string& indent) {
    for (const PropertyLine& p : lines) {
        out += indent + p.path + " = ";
        if (!p.value.empty()) appendValue(out, p.value.front(), TextLayout::Description, indent);
        out += kNewLine;
    }
}

void appendValue(std::string& out, const Value& v, TextLayout layout, const std::string& indent) {
    const bool multi = layout == TextLayout::Description;
    const std::string inner = indent + "  ";
    switch (v.kind) {
    case ValueKind::Nil:
        out += "nil";
        return;
    case ValueKind::Null:
        out += "null";
        return;
    case ValueKind::False:
        out += "False";
        return;
    case ValueKind::True:
        out += "True";
        return;
    case ValueKind::Ident:
        out += v.ident;
        return;
    case ValueKind::Integer:
    case ValueKind::Int64:
        out += std::to_string(v.integer);
        return;
    case ValueKind::Extended:
        out += floatText(v.number);
        return;
    case ValueKind::Single:
        out += shortest(v.number, true) + "s";
        return;
    case ValueKind::Currency: {
        // Currency is a count of ten-thousandths written as a whole number, kept within the
        // range where a double holds every count exactly.
        constexpr double kLimit = 9007199254740992.0; // 2^53
        double units = std::isfinite(v.number) ? std::clamp(v.number * 10000.0, -kLimit, kLimit) : 0;
        out += std::to_string(std::llround(units)) + "c";
        return;
    }
    case ValueKind::Date:
        out += shortest(v.number, false) + "d";
        return;
    case ValueKind::String:
        appendString(out, v.text, layout, indent);
        return;
    case ValueKind::Set:
        out += '[';
        for (size_t i = 0; i < v.set.size(); ++i)
            out += (i ? ", " : "") + v.set[i];
        out += ']';
        return;
    case ValueKind::List:
        out += '(';
        for (size_t i = 0; i < v.list.size(); ++i) {
            out += multi ? kNewLine + inner : std::string(i ? " " : "");
            appendValue(out, v.list[i], layout, inner);
        }
        out += ')';
        return;
    case ValueKind::Binary:
        out += '{';
        if (!multi || v.bytes.size() < kBinaryChunk) {
            out += hexBytes(v.bytes.data(), v.bytes.size());
        } else {
            for (size_t i = 0; i < v.bytes.size(); i += kBinaryChunk)
                out += kNewLine + inner +
                       hexBytes(v.bytes.data() + i, std::min(kBinaryChunk, v.bytes.size() - i));
        }
        out += '}';
        return;
    case ValueKind::Collection:
        out += '<';
        for (const CollectionItem& item : v.items) {
            out += multi ? kNewLine + inner : std::string(" ");
            out += "item";
            if (item.order) out += " [" + std::to_string(*item.order) + "]";
            if (multi) {
                out += kNewLine;
                appendLines(out, item.properties, inner + "  ");
                out += inner + "end";
            } else {
                for (const PropertyLine& p : item.properties) {
                    out += " " + p.path + " = ";
                    if (!p.value.empty()) appendValue(out, p.value.front(), layout, inner);
                }
                out += " end";
            }
        }
        out += '>';
        return;
    }
}

void appendObject(std::string& out, const ObjectDescription& d, const std::string& indent) {
    out += indent + (d.inherited ? "inherited " : "object ");
    out += d.name.empty() ? d.className : d.name + ": " + d.className;
    out += kNewLine;
    appendLines(out, d.properties, indent + "  ");
    for (const ObjectDescription& child : d.children)
        appendObject(out, child, indent + "  ");
    out += indent + "end" + kNewLine;
}

} // namespace

std::string formatValue(const Value& value, TextLayout layout, const std::string& indent) {
    std::string out;
    appendValue(out, value, layout, indent);
    return out;
}

std::string formatDescription(const ObjectDescription& description) {
    std::string out;
    appendObject(out, description, std::string());
    return out;
}

} // namespace vell::forms
