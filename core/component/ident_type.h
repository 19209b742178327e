// Integer types whose values have names (charsets, cursors): a fixed table read both ways,
// names compared without case.
#pragma once
#include "core/component/typeinfo.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vell::tk {

struct IdentEntry {
    const char* name;
    int64_t value;
};

// Table must have static storage duration: the type's conversions are plain functions.
template <const auto& Table> TypeInfo IntegerTypeWithIdents(std::string name) {
    TypeInfo t;
    t.kind = TypeKind::Integer;
    t.name = std::move(name);
    t.identToInt = [](std::string_view ident, int64_t& value) {
        for (const IdentEntry& e : Table)
            if (sameText(e.name, ident)) {
                value = e.value;
                return true;
            }
        return false;
    };
    t.intToIdent = [](int64_t value, std::string& ident) {
        for (const IdentEntry& e : Table)
            if (e.value == value) {
                ident = e.name;
                return true;
            }
        return false;
    };
    return t;
}

} // namespace vell::tk
