#include "core/text/codec.h"

#include "core/text/utf.h"

#include <atomic>

namespace vell::text {
namespace {

std::u16string portableAnsiDecode(std::string_view bytes) {
    if (isValidUtf8(bytes)) return utf8ToUtf16(bytes);
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<uint8_t>(bytes[i]);
    return out;
}

std::string portableAnsiEncode(std::u16string_view text) {
    return utf16ToUtf8(text);
}

std::atomic<decltype(AnsiCodePage::decode)> gDecode{portableAnsiDecode};
std::atomic<decltype(AnsiCodePage::encode)> gEncode{portableAnsiEncode};

std::u16string decodeUtf16(std::span<const uint8_t> b, bool bigEndian) {
    std::u16string out(b.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t lo = b[2 * i + (bigEndian ? 1 : 0)];
        const uint8_t hi = b[2 * i + (bigEndian ? 0 : 1)];
        out[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return out;
}

} // namespace

void setAnsiCodePage(AnsiCodePage cp) {
    gDecode = cp.decode ? cp.decode : portableAnsiDecode;
    gEncode = cp.encode ? cp.encode : portableAnsiEncode;
}

TextEncoding detectEncoding(std::span<const uint8_t> b, size_t* bomLength) {
    size_t len = 0;
    TextEncoding enc = TextEncoding::Ansi;
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        enc = TextEncoding::Utf8, len = 3;
    } else if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        enc = TextEncoding::Utf16LE, len = 2;
    } else if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        enc = TextEncoding::Utf16BE, len = 2;
    }
    if (bomLength) *bomLength = len;
    return enc;
}

std::u16string decodeText(std::span<const uint8_t> bytes) {
    size_t bom = 0;
    const TextEncoding enc = detectEncoding(bytes, &bom);
    const auto body = bytes.subspan(bom);
    const std::string_view narrow(reinterpret_cast<const char*>(body.data()), body.size());
    switch (enc) {
    case TextEncoding::Utf8:
        return utf8ToUtf16(narrow);
    case TextEncoding::Utf16LE:
        return decodeUtf16(body, false);
    case TextEncoding::Utf16BE:
        return decodeUtf16(body, true);
    case TextEncoding::Ansi:
        break;
    }
    return gDecode.load()(narrow);
}

std::string encodeText(std::u16string_view text, TextEncoding encoding, bool withBom) {
    std::string out;
    switch (encoding) {
    case TextEncoding::Ansi:
        return gEncode.load()(text);
    case TextEncoding::Utf8:
        if (withBom) out = "\xEF\xBB\xBF";
        return out + utf16ToUtf8(text);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool be = encoding == TextEncoding::Utf16BE;
        out.reserve(text.size() * 2 + 2);
        auto put = [&](char16_t c) {
            const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
            out.push_back(be ? hi : lo);
            out.push_back(be ? lo : hi);
        };
        if (withBom) put(0xFEFF);
        for (char16_t c : text)
            put(c);
        return out;
    }
    }
    return out;
}

} // namespace vell::text
