// Decode tables of the deflate format's Huffman codes, as the inflater reads them: one
// look-up of the next bits gives the symbol's meaning (a literal, a length or distance
// base with its extra bits, the end of the block) and how many bits to consume. Codes
// longer than the root table's bits continue in a sub-table.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::inflate {

// One table entry:
//   bits 0..7    bits consumed: code length plus extra bits (the root bits for a link)
//   bits 8..11   code length (for a link: the sub-table's index bits)
//   bits 12..15  kLiteral, kExceptional (a link, the end of the block or an invalid code),
//                kLink, kEndOfBlock
//   bits 16..31  literal byte, length or distance base, sub-table start
namespace entry {
inline constexpr uint32_t kLiteral = 1u << 12, kExceptional = 1u << 13, kLink = 1u << 14,
                          kEndOfBlock = 1u << 15;
inline constexpr unsigned consumed(uint32_t e) {
    return e & 0xFF;
}
inline constexpr unsigned codeLength(uint32_t e) {
    return (e >> 8) & 0xF;
}
inline constexpr unsigned value(uint32_t e) {
    return e >> 16;
}
} // namespace entry

// The three alphabets; they differ in what their symbols mean and in which incomplete
// codes they accept (as zlib does: the code-length code must be complete, the others
// may be a single one-bit code; an alphabet without any code decodes nothing).
enum class Alphabet : uint8_t { CodeLengths, LiteralLength, Distance };

inline constexpr unsigned kLiteralLengthRootBits = 11, kDistanceRootBits = 8, kCodeLengthRootBits = 7;
// The most entries a table of each alphabet can take with its sub-tables.
inline constexpr size_t kLiteralLengthTableSize = 2342, kDistanceTableSize = 402, kCodeLengthTableSize = 128;

// Builds the table of `count` code lengths (0..15) into `table` (the alphabet's size).
// False when the lengths are over-subscribed, or incomplete where the alphabet forbids it.
bool buildTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table);

// The fixed codes of block type 1, built once.
const uint32_t* fixedLiteralLengthTable();
const uint32_t* fixedDistanceTable();

} // namespace vell::inflate
