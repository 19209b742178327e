// The image-data decoder: inflates the bytes of an IDAT run, undoes the row filters and
// Adam7, and converts the rows into one of the pixel layouts of format.h.
#pragma once
#include <cstdint>
#include <span>

#include "core/png/chunks.h"
#include "core/png/format.h"

namespace vell::png {

// Where the pixels go: planes described by `layout` (see layoutFor); alpha and extra are
// required exactly when the layout has those planes. The decoder writes every byte of
// the pixel rows it covers (row padding aside) and zeroes what it cannot decode.
struct DecodeTarget {
    Layout layout;
    uint8_t* pixels = nullptr;
    uint8_t* alpha = nullptr; // width bytes per row
    uint8_t* extra = nullptr; // layout.stride bytes per row
};

struct DecodeOptions {
    const uint8_t* gamma = nullptr;             // 256 entries; null = identity
    const Palette* palette = nullptr;           // PremultipliedBgra of type 3
    const Transparency* transparency = nullptr; // PremultipliedBgra of types 0, 2, 3
    bool strictChecks = false;                  // raise on CRC and inflate errors instead of zeroing
    Limits limits;
};

enum class DecodeResult {
    Complete,  // every row decoded
    Truncated, // the data ended early: the rows not reached are zero
    Damaged,   // CRC mismatch or invalid compressed data: the whole target is zero
};

// `data` starts at the first IDAT's data, whose size is `firstIdatSize`; after its CRC it
// continues with further chunks (a Chunk's idatRun or tail). Each IDAT's CRC is checked
// before its data is used. When more data is needed and the next chunk is not an IDAT,
// raises EPNGMissingMultipleIDAT; when the bytes simply end, the result is Truncated.
// With strictChecks, a CRC mismatch raises EPngInvalidCRC and invalid compressed data
// EPNGZLIBError. The decoder's work memory counts against limits.maxPixelBytes
// (EPNGOutMemory).
DecodeResult decodeImageData(const Ihdr& h, std::span<const uint8_t> data, uint32_t firstIdatSize,
                             const DecodeTarget& target, const DecodeOptions& options = {});

} // namespace vell::png
