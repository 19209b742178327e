// Form descriptions and literal values from arbitrary bytes: a parse error or a result,
// never a crash, a hang or unbounded memory.
#include "core/forms/description.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        vell::forms::parseDescription(text);
    } catch (const vell::forms::ParseError&) {
    }
    try {
        vell::forms::parseValue(text, false);
    } catch (const vell::forms::ParseError&) {
    }
    return 0;
}
