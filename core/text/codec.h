// Reading and writing text files' bytes: a byte-order mark picks UTF-8, UTF-16 LE or
// UTF-16 BE; text without one is in the system's ANSI code page. The code-page conversion
// itself belongs to the platform: Windows installs its own with setAnsiCodePage, and the
// portable default reads well-formed UTF-8 as UTF-8 and anything else as Latin-1, and
// writes UTF-8.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vell::text {

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct AnsiCodePage {
    std::u16string (*decode)(std::string_view bytes) = nullptr;
    std::string (*encode)(std::u16string_view text) = nullptr;
};
// Replaces the ANSI conversion; a null function restores the portable one. Installed once
// at start-up, before any text is read.
void setAnsiCodePage(AnsiCodePage cp);

// The encoding announced by the byte-order mark at the start of `bytes` (Ansi without one)
// and the mark's length in bytes.
TextEncoding detectEncoding(std::span<const uint8_t> bytes, size_t* bomLength = nullptr);
// Decodes a whole file's bytes. An odd trailing byte of UTF-16 text is dropped.
std::u16string decodeText(std::span<const uint8_t> bytes);
// The bytes of `text` in `encoding`, with the byte-order mark when `withBom` (never for Ansi).
std::string encodeText(std::u16string_view text, TextEncoding encoding, bool withBom);

inline std::span<const uint8_t> asBytes(std::string_view s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace vell::text
