#include "core/inflate/huffman.h"

#include <algorithm>
#include <cstring>

namespace vell::inflate {

namespace {

using namespace entry;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr uint32_t make(uint32_t value, unsigned codeLength, unsigned extra, uint32_t flags) {
    return value << 16 | flags | codeLength << 8 | (codeLength + extra);
}

// Symbols without a meaning (literal/length 286 and 287, distances 30 and 31 of the fixed
// codes) and the missing half of a one-bit code: an error once their bits are there.
constexpr uint32_t invalid(unsigned codeLength) {
    return make(0, codeLength, 0, kExceptional);
}

uint32_t symbolEntry(Alphabet alphabet, unsigned symbol, unsigned codeLength) {
    switch (alphabet) {
    case Alphabet::CodeLengths:
        return make(symbol, codeLength, 0, 0);
    case Alphabet::LiteralLength:
        if (symbol < 256) return make(symbol, codeLength, 0, kLiteral);
        if (symbol == 256) return make(0, codeLength, 0, kExceptional | kEndOfBlock);
        if (symbol < 286) return make(kLengthBase[symbol - 257], codeLength, kLengthExtra[symbol - 257], 0);
        return invalid(codeLength);
    case Alphabet::Distance:
        if (symbol < 30) return make(kDistanceBase[symbol], codeLength, kDistanceExtra[symbol], 0);
        return invalid(codeLength);
    }
    return invalid(codeLength);
}

unsigned rootBits(Alphabet alphabet) {
    switch (alphabet) {
    case Alphabet::CodeLengths:
        return kCodeLengthRootBits;
    case Alphabet::LiteralLength:
        return kLiteralLengthRootBits;
    case Alphabet::Distance:
        return kDistanceRootBits;
    }
    return 0;
}

size_t tableSize(Alphabet alphabet) {
    switch (alphabet) {
    case Alphabet::CodeLengths:
        return kCodeLengthTableSize;
    case Alphabet::LiteralLength:
        return kLiteralLengthTableSize;
    case Alphabet::Distance:
        return kDistanceTableSize;
    }
    return 0;
}

} // namespace

bool buildTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table) {
    constexpr unsigned kMaxBits = 15;
    const unsigned root = rootBits(alphabet);
    const uint32_t rootSize = 1u << root;
    unsigned counts[kMaxBits + 1] = {};
    for (unsigned s = 0; s < count; ++s)
        ++counts[lengths[s]];
    unsigned maxLength = kMaxBits;
    while (maxLength > 0 && counts[maxLength] == 0)
        --maxLength;

    if (maxLength == 0) {
        // No code at all. Each look-up then consumes one bit: as an invalid code, except in
        // the code-length alphabet, where zlib reads it as the length 0.
        const uint32_t e = alphabet == Alphabet::CodeLengths ? make(0, 1, 0, 0) : invalid(1);
        std::fill(table, table + rootSize, e);
        return true;
    }
    int left = 1;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
        left = left * 2 - int(counts[len]);
        if (left < 0) return false; // over-subscribed
    }
    if (left > 0) {
        // Incomplete: only a single one-bit code outside the code-length alphabet.
        if (alphabet == Alphabet::CodeLengths || maxLength != 1) return false;
        table[0] = table[1] = invalid(1);
    }

    // Symbols in canonical order: by code length, then by symbol.
    unsigned offsets[kMaxBits + 2] = {};
    for (unsigned len = 1; len <= kMaxBits; ++len)
        offsets[len + 1] = offsets[len] + counts[len];
    uint16_t sorted[288];
    for (unsigned s = 0; s < count; ++s)
        if (lengths[s] != 0) sorted[offsets[lengths[s]]++] = uint16_t(s);
    const unsigned coded = offsets[kMaxBits];

    // Codes are read lowest bit first, so a code's table index is its bit reversal: the
    // canonical codes are counted up in that reversed form (a longer code of the next
    // length only adds zeros at its end, which are high bits here).
    // The root table is filled for the shortest codes first and doubled (its lower half
    // copied onto its upper half) as the codes grow longer, so that a code's entry stands at
    // every index whose low bits are the code; slots copied before they were filled belong
    // to longer codes, which fill them later.
    unsigned remaining[kMaxBits + 1];
    std::copy(counts, counts + kMaxBits + 1, remaining);
    unsigned filled = std::min(unsigned(lengths[sorted[0]]), root);
    auto growTo = [&](unsigned bits) {
        for (; filled < bits; ++filled)
            std::memcpy(table + (1u << filled), table, sizeof(uint32_t) << filled);
    };
    uint32_t reversed = 0;
    uint32_t subPrefix = ~0u, subStart = 0, subBits = 0, next = rootSize;
    for (unsigned i = 0; i < coded; ++i) {
        const unsigned symbol = sorted[i], len = lengths[symbol];
        if (len <= root) {
            growTo(len);
            table[reversed] = symbolEntry(alphabet, symbol, len);
        } else {
            growTo(root);
            const uint32_t prefix = reversed & (rootSize - 1);
            if (prefix != subPrefix) {
                // A new sub-table, just large enough for the codes that share this prefix.
                subBits = len - root;
                int room = 1 << subBits;
                while (subBits + root < maxLength) {
                    room -= int(remaining[subBits + root]);
                    if (room <= 0) break;
                    ++subBits;
                    room <<= 1;
                }
                subStart = next;
                next += 1u << subBits;
                if (next > tableSize(alphabet)) return false; // cannot happen for a complete code
                table[prefix] = make(subStart, subBits, root - subBits, kExceptional | kLink);
                subPrefix = prefix;
            }
            const unsigned subLength = len - root;
            const uint32_t e = symbolEntry(alphabet, symbol, subLength);
            for (uint32_t at = reversed >> root; at < (1u << subBits); at += 1u << subLength)
                table[subStart + at] = e;
        }
        --remaining[len];
        uint32_t carry = 1u << (len - 1);
        while (reversed & carry)
            carry >>= 1;
        reversed = carry ? (reversed & (carry - 1)) + carry : 0;
    }
    growTo(root);
    return true;
}

namespace {

struct FixedTables {
    uint32_t literalLength[kLiteralLengthTableSize];
    uint32_t distance[kDistanceTableSize];
    FixedTables() {
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        buildTable(Alphabet::LiteralLength, lengths, 288, literalLength);
        std::fill(lengths, lengths + 32, 5);
        buildTable(Alphabet::Distance, lengths, 32, distance);
    }
};

const FixedTables& fixedTables() {
    static const FixedTables tables;
    return tables;
}

} // namespace

const uint32_t* fixedLiteralLengthTable() {
    return fixedTables().literalLength;
}
const uint32_t* fixedDistanceTable() {
    return fixedTables().distance;
}

} // namespace vell::inflate
