// Any bytes as an .rdg file: reading must never fail, and what is written must read
// back to the same text (writing is stable after one round).
#include "core/rdg/rdg_file.h"
#include "core/rdg/reference_text.h"

#include <cstddef>
#include <cstdint>

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::u16string> lines = rdg::ReadRdgText({data, size});
    rdg::RdgValues first, second;
    design::TDesignRect opt1, opt2;
    rdg::LoadFromStrings(first, opt1, lines, false, true);
    // A self-update over it, as a definition refresh does.
    rdg::LoadFromStrings(first, opt1, lines, true, false);
    const auto written = rdg::SaveToStrings(first, opt1, &lines);
    const auto once = rdg::SaveToStrings(first, opt1, nullptr);
    rdg::LoadFromStrings(second, opt2, once, false, true);
    if (rdg::SaveToStrings(second, opt2, nullptr) != once) __builtin_trap();
    const std::string file = rdg::WriteRdgText(written);
    rdg::ReadRdgText({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
    return 0;
}
