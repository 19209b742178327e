#include "tools/vskin/text_check.h"

#include "core/text/codec.h"
#include "core/text/utf.h"

#include <algorithm>
#include <string_view>

namespace vell::vskin {

namespace {

// The 1-based line of a byte offset.
int lineOf(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return 1 + int(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(offset), std::uint8_t('\n')));
}

// The first line that is not well-formed UTF-8, 0 when all are.
int firstBadUtf8Line(std::span<const std::uint8_t> bytes) {
    std::size_t start = 0;
    int line = 1;
    while (start < bytes.size()) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n')
            ++end;
        const std::string_view text(reinterpret_cast<const char*>(bytes.data() + start), end - start);
        if (!text::isValidUtf8(text)) return line;
        start = end + 1;
        ++line;
    }
    return 0;
}

} // namespace

std::optional<TextProblem> CheckTextEncoding(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 4 && ((bytes[0] == 0xFF && bytes[1] == 0xFE && bytes[2] == 0 && bytes[3] == 0) ||
                              (bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0xFE && bytes[3] == 0xFF)))
        return TextProblem{true, 0, "UTF-32 text: the product reads UTF-8 or UTF-16 with a byte-order mark"};
    std::size_t bom = 0;
    switch (text::detectEncoding(bytes, &bom)) {
    case text::TextEncoding::Utf8:
        if (const int line = firstBadUtf8Line(bytes.subspan(bom)))
            return TextProblem{true, line,
                               "not UTF-8, although the file starts with a UTF-8 byte-order mark"};
        return std::nullopt;
    case text::TextEncoding::Utf16LE:
    case text::TextEncoding::Utf16BE:
        return std::nullopt;
    case text::TextEncoding::Ansi:
        break;
    }
    const auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t(0));
    if (nul != bytes.end())
        return TextProblem{true, lineOf(bytes, std::size_t(nul - bytes.begin())),
                           "NUL bytes in text without a byte-order mark (UTF-16 needs one)"};
    const auto high = std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; });
    if (high == bytes.end()) return std::nullopt;
    const int line = lineOf(bytes, std::size_t(high - bytes.begin()));
    if (text::isValidUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        return TextProblem{
            true, line,
            "UTF-8 text without a byte-order mark: the product reads it in the ANSI code page; "
            "save it with a byte-order mark"};
    return TextProblem{false, line,
                       "text in the ANSI code page reads differently under other code pages; "
                       "save it as UTF-8 with a byte-order mark"};
}

} // namespace vell::vskin
