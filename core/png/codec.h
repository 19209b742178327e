// Whole-file conveniences over the reader, decoder and encoder: PNG to 32-bit
// premultiplied BGRA and back. Gamma (gAMA) is applied as the image class does.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "core/png/decoder.h"
#include "core/png/format.h"

namespace vell::png {

struct BgraImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;                // width * 4 bytes per row, premultiplied BGRA
    Ihdr header;                                // as read from the file
    bool hasImageData = false;                  // an IDAT was found
    DecodeResult data = DecodeResult::Complete; // how its image data decoded
};

// Decodes a PNG file. Raises the structural errors of the reader and decoder; a file whose
// image data is damaged decodes to all zero, one whose data ends early keeps the rows
// read. A file that ends before any image data raises EPngInvalidIHDR (no header) or
// gives an all-zero image (header but no IDAT).
BgraImage decodeToBgra(std::span<const uint8_t> file, const Limits& limits = {});

// Encodes 32-bit BGRA (straight alpha unless `premultiplied`) as a non-interlaced RGBA PNG;
// `filters` as EncodeOptions::filters (default: all five, best score per row).
std::vector<uint8_t> encodeBgra(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                                bool premultiplied, int compressionLevel = 6, uint8_t filters = 0x1F);

} // namespace vell::png
