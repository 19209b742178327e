// Values of form descriptions and skin lines: the literal syntax shared by both.
//
//   'text'#13#10'more' + 'joined'     string
//   clRed  text.cl_txt_hot  True       identifier (True/False/nil/null are words of their own)
//   12  -7  $FF                        integer (64-bit when it does not fit 32 bits)
//   1.5  2.5s  12.5c  45000.5d         extended, single, currency, date
//   (1 2 'x')                          list
//   [fsBold, fsItalic]                 set
//   <item Caption = 'a' end item end>  collection
//   {0A1B2C}                           binary
#pragma once
#include "core/image/errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::forms {

// Malformed literal or description; the message ends in " on line N".
class ParseError : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

enum class ValueKind {
    Nil,  // "nil": the empty object
    Null, // "null": the null value
    False,
    True,
    Ident,
    Integer, // fits 32 bits
    Int64,
    Extended,
    Single,
    Currency, // `number` holds the value (the text holds 10000 times it)
    Date,
    String,
    List,
    Set,
    Collection,
    Binary,
};

struct Value;

struct PropertyLine {
    std::string path;         // dotted, e.g. Font.Color
    std::vector<Value> value; // exactly one element (a vector keeps Value incomplete here)
    int line = 0;
};

struct CollectionItem {
    std::optional<int32_t> order;
    std::vector<PropertyLine> properties;
};

struct Value {
    ValueKind kind = ValueKind::Nil;
    int64_t integer = 0;          // Integer, Int64
    double number = 0;            // Extended, Single, Currency, Date
    std::string ident;            // Ident
    std::u16string text;          // String (UTF-16)
    std::vector<Value> list;      // List
    std::vector<std::string> set; // Set members; a one-character string member is "#" + code
    std::vector<CollectionItem> items;
    std::vector<uint8_t> bytes; // Binary
    int line = 1;               // where the value starts

    bool isBoolean() const { return kind == ValueKind::False || kind == ValueKind::True; }
    bool isInteger() const { return kind == ValueKind::Integer || kind == ValueKind::Int64; }
    bool isNumber() const {
        return isInteger() || kind == ValueKind::Extended || kind == ValueKind::Single ||
               kind == ValueKind::Currency || kind == ValueKind::Date;
    }
    double asDouble() const { return isInteger() ? static_cast<double>(integer) : number; }
};

// True when `text` starts a literal: its first character is one of # ' ( < [ {.
// Anything else (and the empty text) is a native value, used as plain text.
bool isLiteralStart(std::string_view text);

// Parses one value from `text` (UTF-8). With `wholeText` anything but blanks after the
// value is an error; otherwise the rest is ignored. Lines are counted from 1.
Value parseValue(std::string_view text, bool wholeText = true);

} // namespace vell::forms
