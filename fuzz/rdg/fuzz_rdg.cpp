// Any bytes as an .rdg file: reading must never fail, and the text written from what was
// read reads back to the same values, so writing it again gives the same lines. The same
// holds when the lines also serve as the definition the reference is linked to.
#include "core/rdg/rdg_file.h"
#include "core/rdg/reference_text.h"

#include <cstddef>
#include <cstdint>

using namespace vell;

namespace {

using Lines = std::vector<std::u16string>;

Lines readAndWrite(const Lines& lines, const Lines* definition) {
    rdg::RdgValues values;
    design::TDesignRect opt;
    rdg::LoadFromStrings(values, opt, lines, false, true);
    return rdg::SaveToStrings(values, opt, definition);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Lines lines = rdg::ReadRdgText({data, size});
    for (const Lines* definition : {static_cast<const Lines*>(nullptr), &lines}) {
        const Lines once = readAndWrite(lines, definition);
        if (readAndWrite(once, definition) != once) __builtin_trap();
    }
    // A self-update over a text already read, as a definition refreshing itself does.
    rdg::RdgValues values;
    design::TDesignRect opt;
    rdg::LoadFromStrings(values, opt, lines, false, true);
    rdg::LoadFromStrings(values, opt, lines, true, false);
    const std::string file = rdg::WriteRdgText(rdg::SaveToStrings(values, opt, &lines));
    rdg::ReadRdgText({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
    return 0;
}
