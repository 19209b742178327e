// Text form descriptions:
//
//   object frm_Main: TMainForm
//     Caption = 'Main'
//     Font.Height = -11
//     object pnl_Main: TPanel
//       Align = alClient
//     end
//   end
//
// Property values use the literal syntax of value.h.
#pragma once
#include "core/forms/value.h"

namespace vell::forms {

struct ObjectDescription {
    std::string name; // may be empty
    std::string className;
    bool inherited = false; // "inherited" instead of "object"
    int line = 0;
    std::vector<PropertyLine> properties;
    std::vector<ObjectDescription> children;
};

// Parses one description (UTF-8, an optional byte-order mark). Raises ParseError.
ObjectDescription parseDescription(std::string_view text);

} // namespace vell::forms
