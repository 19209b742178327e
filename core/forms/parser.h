// The character-level parser behind parseValue and the form-description reader.
// Internal to core/forms.
#pragma once
#include "core/forms/value.h"

namespace vell::forms {

class LiteralParser {
  public:
    explicit LiteralParser(std::string_view text);

    // Skips blanks, tabs and line breaks, counting lines.
    void skipBlanks();
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    int line() const { return line_; }

    Value value();
    // A letter or underscore followed by letters, digits and underscores, with further
    // parts after "." (Font.Color, text.cl_txt_hot).
    std::string identifier();
    bool startsIdentifier() const;
    // A property path: identifiers joined by ".", each part optionally followed by a
    // collection index in square brackets (Items[2].Caption).
    std::string propertyPath();
    // Consumes `c` after blanks, or fails with "<c> expected".
    void expect(char c);
    bool accept(char c);
    // The next word compared without case, not consumed.
    bool nextWordIs(std::string_view word) const;

    [[noreturn]] void fail(const std::string& message) const;

  private:
    Value stringValue();
    Value numberValue();
    Value listValue();
    Value setValue();
    Value collectionValue();
    Value binaryValue();
    void stringPiece(std::u16string& out);

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    int depth_ = 0;
};

} // namespace vell::forms
