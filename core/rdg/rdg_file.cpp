#include "core/rdg/rdg_file.h"

#include "core/text/codec.h"
#include "core/text/strings.h"

namespace vell::rdg {

std::vector<std::u16string> ReadRdgText(std::span<const std::uint8_t> bytes) {
    return text::splitLines(text::decodeText(bytes));
}

std::string WriteRdgText(const std::vector<std::u16string>& lines) {
    std::u16string all;
    for (const std::u16string& line : lines) {
        all += line;
        all += u"\r\n";
    }
    return text::encodeText(all, text::TextEncoding::Utf8, true);
}

} // namespace vell::rdg
