#include "core/forms/parser.h"
#include "core/text/utf.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace vell::forms {

namespace {

// Nesting of lists and collections is bounded so that hostile text cannot exhaust the stack.
constexpr int kMaxDepth = 64;

bool isIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool isLiteralStart(std::string_view text) {
    if (text.empty()) return false;
    switch (text[0]) {
    case '#':
    case '\'':
    case '(':
    case '<':
    case '[':
    case '{':
        return true;
    default:
        return false;
    }
}

Value parseValue(std::string_view text, bool wholeText) {
    LiteralParser p(text);
    p.skipBlanks();
    Value v = p.value();
    if (wholeText) {
        p.skipBlanks();
        if (!p.atEnd()) p.fail("Invalid property value");
    }
    return v;
}

LiteralParser::LiteralParser(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

void LiteralParser::fail(const std::string& message) const {
    throw ParseError(message + " on line " + std::to_string(line_));
}

void LiteralParser::skipBlanks() {
    while (!atEnd()) {
        char c = text_[pos_];
        if (c == '\n') {
            ++line_;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            break;
        }
        ++pos_;
    }
}

bool LiteralParser::accept(char c) {
    skipBlanks();
    if (peek() != c) return false;
    ++pos_;
    return true;
}

void LiteralParser::expect(char c) {
    if (!accept(c)) fail(std::string(1, c) + " expected");
}

bool LiteralParser::startsIdentifier() const {
    return !atEnd() && isIdentStart(text_[pos_]);
}

bool LiteralParser::nextWordIs(std::string_view word) const {
    size_t end = pos_;
    while (end < text_.size() && isIdentChar(text_[end]))
        ++end;
    return equalsNoCase(text_.substr(pos_, end - pos_), word);
}

std::string LiteralParser::identifier() {
    if (!startsIdentifier()) fail("Identifier expected");
    size_t start = pos_;
    for (;;) {
        while (!atEnd() && isIdentChar(text_[pos_]))
            ++pos_;
        if (peek() == '.' && pos_ + 1 < text_.size() && isIdentStart(text_[pos_ + 1])) {
            ++pos_;
            continue;
        }
        break;
    }
    return std::string(text_.substr(start, pos_ - start));
}

std::string LiteralParser::propertyPath() {
    std::string path = identifier();
    while (peek() == '[') {
        size_t start = pos_++;
        while (isDigit(peek()))
            ++pos_;
        if (pos_ == start + 1 || peek() != ']') fail("Invalid property path");
        ++pos_;
        path.append(text_.substr(start, pos_ - start));
        if (peek() != '.') break;
        ++pos_;
        path += '.' + identifier();
    }
    return path;
}

Value LiteralParser::value() {
    skipBlanks();
    int line = line_;
    Value v;
    char c = peek();
    if (c == '\'' || c == '#') {
        v = stringValue();
    } else if (isDigit(c) || c == '$' ||
               (c == '-' && pos_ + 1 < text_.size() &&
                (isDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
        v = numberValue();
    } else if (isIdentStart(c)) {
        std::string id = identifier();
        if (equalsNoCase(id, "false")) {
            v.kind = ValueKind::False;
        } else if (equalsNoCase(id, "true")) {
            v.kind = ValueKind::True;
        } else if (equalsNoCase(id, "nil")) {
            v.kind = ValueKind::Nil;
        } else if (equalsNoCase(id, "null")) {
            v.kind = ValueKind::Null;
        } else {
            v.kind = ValueKind::Ident;
            v.ident = std::move(id);
        }
    } else if (c == '(' || c == '[' || c == '<' || c == '{') {
        if (++depth_ > kMaxDepth) fail("Invalid property value");
        v = c == '(' ? listValue() : c == '[' ? setValue() : c == '<' ? collectionValue() : binaryValue();
        --depth_;
    } else {
        fail("Invalid property value");
    }
    v.line = line;
    return v;
}

void LiteralParser::stringPiece(std::u16string& out) {
    // Pieces written next to each other form one string: 'run'#13#10'run'.
    bool any = false;
    for (;;) {
        char c = peek();
        if (c == '\'') {
            ++pos_;
            size_t start = pos_;
            std::string run;
            for (;;) {
                if (atEnd() || text_[pos_] == '\n' || text_[pos_] == '\r') fail("Invalid string constant");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        run.append(text_.substr(start, pos_ + 1 - start));
                        pos_ += 2;
                        start = pos_;
                        continue;
                    }
                    run.append(text_.substr(start, pos_ - start));
                    ++pos_;
                    break;
                }
                ++pos_;
            }
            out += text::utf8ToUtf16(run);
        } else if (c == '#') {
            ++pos_;
            if (!isDigit(peek())) fail("Invalid string constant");
            uint32_t code = 0;
            while (isDigit(peek())) {
                code = code * 10 + static_cast<uint32_t>(text_[pos_] - '0');
                if (code > 0xFFFF) fail("Invalid string constant");
                ++pos_;
            }
            out += static_cast<char16_t>(code);
        } else {
            break;
        }
        any = true;
    }
    if (!any) fail("String expected");
}

Value LiteralParser::stringValue() {
    Value v;
    v.kind = ValueKind::String;
    stringPiece(v.text);
    for (;;) {
        size_t save = pos_;
        int saveLine = line_;
        skipBlanks();
        if (peek() != '+') {
            pos_ = save;
            line_ = saveLine;
            break;
        }
        ++pos_;
        skipBlanks();
        if (peek() != '\'' && peek() != '#') fail("String expected");
        stringPiece(v.text);
    }
    return v;
}

Value LiteralParser::numberValue() {
    Value v;
    size_t start = pos_;
    bool negative = false;
    if (peek() == '-') {
        negative = true;
        ++pos_;
    }
    if (peek() == '$') {
        ++pos_;
        uint64_t n = 0;
        int digits = 0;
        for (int d; (d = hexDigit(peek())) >= 0; ++pos_, ++digits) {
            if (digits == 16) fail("Number expected");
            n = n << 4 | static_cast<uint64_t>(d);
        }
        if (digits == 0) fail("Number expected");
        int64_t s = static_cast<int64_t>(n);
        v.integer = negative ? static_cast<int64_t>(0 - n) : s;
        v.kind = v.integer >= std::numeric_limits<int32_t>::min() &&
                         v.integer <= std::numeric_limits<int32_t>::max()
                     ? ValueKind::Integer
                     : ValueKind::Int64;
        return v;
    }
    while (isDigit(peek()))
        ++pos_;
    bool isFloat = false;
    if (peek() == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1])) {
        isFloat = true;
        ++pos_;
        while (isDigit(peek()))
            ++pos_;
    }
    if (peek() == 'e' || peek() == 'E') {
        size_t e = pos_ + 1;
        if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) ++e;
        if (e < text_.size() && isDigit(text_[e])) {
            isFloat = true;
            pos_ = e;
            while (isDigit(peek()))
                ++pos_;
        }
    }
    std::string digits(text_.substr(start, pos_ - start));
    char suffix = static_cast<char>(std::tolower(static_cast<unsigned char>(peek())));
    bool hasSuffix = suffix == 's' || suffix == 'c' || suffix == 'd';
    if (hasSuffix && pos_ + 1 < text_.size() && isIdentChar(text_[pos_ + 1])) hasSuffix = false;
    if (!isFloat && !hasSuffix) {
        errno = 0;
        char* end = nullptr;
        long long n = std::strtoll(digits.c_str(), &end, 10);
        if (errno == ERANGE || end != digits.c_str() + digits.size()) fail("Number expected");
        v.integer = n;
        v.kind = n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()
                     ? ValueKind::Integer
                     : ValueKind::Int64;
        return v;
    }
    // strtod follows the C locale, whose decimal separator is "." whatever the process uses.
    char* end = nullptr;
    double d = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) fail("Number expected");
    v.kind = ValueKind::Extended;
    if (hasSuffix) {
        ++pos_;
        v.kind = suffix == 's' ? ValueKind::Single : suffix == 'c' ? ValueKind::Currency : ValueKind::Date;
        if (suffix == 'c') d /= 10000.0;
    }
    v.number = d;
    return v;
}

Value LiteralParser::listValue() {
    Value v;
    v.kind = ValueKind::List;
    ++pos_; // (
    for (;;) {
        skipBlanks();
        if (atEnd()) fail(") expected");
        if (peek() == ')') break;
        v.list.push_back(value());
    }
    ++pos_;
    return v;
}

Value LiteralParser::setValue() {
    Value v;
    v.kind = ValueKind::Set;
    ++pos_; // [
    skipBlanks();
    if (peek() == ']') {
        ++pos_;
        return v;
    }
    for (;;) {
        skipBlanks();
        char c = peek();
        if (isIdentStart(c)) {
            v.set.push_back(identifier());
        } else if (isDigit(c) || c == '-' || c == '$') {
            Value n = numberValue();
            if (!n.isInteger()) fail("Identifier expected");
            v.set.push_back(std::to_string(n.integer));
        } else if (c == '\'' || c == '#') {
            Value s = stringValue();
            if (s.text.size() != 1) fail("Identifier expected");
            v.set.push_back("#" + std::to_string(static_cast<uint32_t>(s.text[0])));
        } else {
            fail("Identifier expected");
        }
        skipBlanks();
        if (peek() == ']') {
            ++pos_;
            return v;
        }
        expect(',');
    }
}

Value LiteralParser::collectionValue() {
    Value v;
    v.kind = ValueKind::Collection;
    ++pos_; // <
    for (;;) {
        skipBlanks();
        if (peek() == '>') {
            ++pos_;
            return v;
        }
        if (!nextWordIs("item")) fail("item expected");
        identifier();
        CollectionItem item;
        if (accept('[')) {
            skipBlanks();
            Value n = numberValue();
            if (!n.isInteger() || n.kind != ValueKind::Integer) fail("Number expected");
            item.order = static_cast<int32_t>(n.integer);
            expect(']');
        }
        for (;;) {
            skipBlanks();
            if (atEnd()) fail("end expected");
            if (nextWordIs("end")) {
                identifier();
                break;
            }
            PropertyLine prop;
            prop.line = line_;
            prop.path = propertyPath();
            if (prop.path.size() > 255) prop.path.resize(255); // names are short strings
            expect('=');
            prop.value.push_back(value());
            item.properties.push_back(std::move(prop));
        }
        v.items.push_back(std::move(item));
    }
}

Value LiteralParser::binaryValue() {
    Value v;
    v.kind = ValueKind::Binary;
    ++pos_; // {
    int high = -1;
    for (;;) {
        skipBlanks();
        if (atEnd()) fail("Invalid binary value");
        char c = text_[pos_++];
        if (c == '}') {
            if (high >= 0) fail("Invalid binary value");
            return v;
        }
        int d = hexDigit(c);
        if (d < 0) fail("Invalid binary value");
        if (high < 0) {
            high = d;
        } else {
            v.bytes.push_back(static_cast<uint8_t>(high << 4 | d));
            high = -1;
        }
    }
}

} // namespace vell::forms
