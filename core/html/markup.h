// The HTML label's markup text: preparing it for layout (entities, "<#...>" wrappers,
// line breaks), the plain text without tags, and reading tags and their attributes.
// Portable: the layout measures through an interface (layout.h), so the parser and the
// layout run natively (tests, fuzzing) as well as on Windows.
#pragma once
#include "core/color/colors.h"

#include <optional>
#include <string>
#include <string_view>

namespace vell::html {

// What the preparation decided about accelerator prefixes.
struct PreparedMarkup {
    std::u16string Text;
    bool Prefix = true; // "&x" underlines x, "&&" is an ampersand
};

// Entities replaced (case-insensitively; "&amp;" becomes "&&" while prefixes are on),
// "<#" ... ">" wrappers removed keeping what they enclose, each CR or CR LF a "<BR>".
// A text with " & " switches prefix processing off; so does Prefix false on entry.
PreparedMarkup PrepareMarkup(std::u16string_view Text, bool Prefix);

// The text without tags: every "<br>" followed by CR LF first, then each tag from "<"
// to the next ">" deleted; a "<" with another "<" before its ">" stays.
std::u16string PlainText(std::u16string_view Text);

// Text-run entities: "&nbsp;" a space, "&lt;" and "&gt;" the angle brackets.
std::u16string DecodeRunEntities(std::u16string_view Run);

// One tag's text between "<" and ">". Names and attribute names match without case;
// values keep the case they were written in.
class Tag {
  public:
    explicit Tag(std::u16string_view Inner);
    // The tag name upper-cased, without the "/" of a closing tag.
    const std::u16string& Name() const { return FName; }
    bool Closing() const { return FClosing; }
    // NAME=value, NAME = "value" (a value without its closing quote runs to the next
    // space); the name must start the tag's text or follow a space.
    std::optional<std::u16string> Attr(std::u16string_view Name) const;
    // Whether the value of Name was written in double quotes, starting with Word.
    bool QuotedValueStarts(std::u16string_view Name, std::u16string_view Word) const;
    std::optional<int> IntAttr(std::u16string_view Name) const;
    // "#RRGGBB" or a colour name; nothing when neither.
    std::optional<TColor> ColorAttr(std::u16string_view Name) const;
    // A number in a style value after Key ("FONT-SIZE:" 12 "PT"), or a "#" colour.
    std::optional<int> StyleNumber(std::u16string_view Key) const;
    std::optional<TColor> StyleColor(std::u16string_view Key) const;

  private:
    std::optional<size_t> ValueStart(std::u16string_view Name) const;
    std::u16string FText;  // as written
    std::u16string FUpper; // ASCII upper case, same positions
    std::u16string FName;
    bool FClosing = false;
};

// "#RRGGBB" (either case) as a colour value; a colour name resolved through the colour
// table (with or without its "cl" prefix).
std::optional<TColor> ParseColor(std::u16string_view Text);
// A leading decimal number (sign allowed); nothing without digits. Saturates.
std::optional<int> ParseInt(std::u16string_view Text);

} // namespace vell::html
