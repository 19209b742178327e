// Values and descriptions written back as text that parseValue and parseDescription read
// to equal values: the writing half of the literal syntax in value.h.
#pragma once
#include "core/forms/description.h"

namespace vell::forms {

enum class TextLayout {
    // Form descriptions: lists, collections, binary blocks and long strings spread over
    // lines below `indent`; characters outside printable ASCII written as #code.
    Description,
    // Skin lines: everything on one line; characters above 127 stay inside quoted runs
    // (as UTF-8), only control characters, the apostrophe and unpaired surrogates are codes.
    SkinLine,
};

// The text of one value. Non-finite floats, which the syntax cannot express, are written 0.
std::string formatValue(const Value& value, TextLayout layout = TextLayout::SkinLine,
                        const std::string& indent = std::string());

// The text of a whole description, two blanks of indentation per level, lines ended by CR LF.
std::string formatDescription(const ObjectDescription& description);

} // namespace vell::forms
