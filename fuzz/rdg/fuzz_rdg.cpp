// Any text as a picture reference: reading must never fail, and what is written must
// read back to the same text (writing is stable after one round).
#include "core/rdg/reference_text.h"

#include <cstddef>
#include <cstdint>

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::u16string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') lines.emplace_back();
        else lines.back() += char16_t(data[i]);
    }
    rdg::RdgValues first, second;
    design::TDesignRect opt1, opt2;
    rdg::LoadFromStrings(first, opt1, lines, false, true);
    // A self-update over it, as a definition refresh does.
    rdg::LoadFromStrings(first, opt1, lines, true, false);
    const auto written = rdg::SaveToStrings(first, opt1, &lines);
    const auto once = rdg::SaveToStrings(first, opt1, nullptr);
    rdg::LoadFromStrings(second, opt2, once, false, true);
    if (rdg::SaveToStrings(second, opt2, nullptr) != once) __builtin_trap();
    (void)written;
    return 0;
}
