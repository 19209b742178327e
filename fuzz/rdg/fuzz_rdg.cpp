// Any bytes as an .rdg file: reading must never fail, and once written text has been read
// back, writing it again is stable. (The first write of a refreshed definition may still
// change on reading: its plain lines read back as the reference's own values.)
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
    const auto twice = rdg::SaveToStrings(second, opt2, nullptr);
    rdg::RdgValues third;
    design::TDesignRect opt3;
    rdg::LoadFromStrings(third, opt3, twice, false, true);
    if (rdg::SaveToStrings(third, opt3, nullptr) != twice) __builtin_trap();
    const std::string file = rdg::WriteRdgText(written);
    rdg::ReadRdgText({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
    return 0;
}
