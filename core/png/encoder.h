// The image-data encoder: filters and deflates rows of a stored layout into IDAT chunks.
#pragma once
#include <cstdint>
#include <span>

#include "core/png/chunks.h"
#include "core/png/format.h"

namespace vell::png {

// Filter set bits (TFilter): tried per row when saving.
enum FilterBits : uint8_t {
    kFilterNone = 1 << 0,
    kFilterSub = 1 << 1,
    kFilterUp = 1 << 2,
    kFilterAverage = 1 << 3,
    kFilterPaeth = 1 << 4,
};

struct EncodeSource {
    Layout layout; // PixelFormat::Stored or Stored32 for the header
    const uint8_t* pixels = nullptr;
    const uint8_t* alpha = nullptr;
    const uint8_t* extra = nullptr;
};

struct EncodeOptions {
    uint8_t filters = kFilterSub;          // {} or {None}: None; one filter: that one; else the best score
    int compressionLevel = 1;              // zlib level 0..9
    uint32_t maxIdatSize = 65535;          // every IDAT but the last has exactly this size
    const uint8_t* inverseGamma = nullptr; // 256 entries; null = identity
};

// Writes the IDAT chunks of the image. Adam7 when h.interlaceMethod is 1 and the depth is
// not 2; a 2-bit depth is written as 4-bit rows (grey levels scaled to keep their
// brightness), matching serializeIhdr.
void encodeImageData(const Ihdr& h, const EncodeSource& source, const EncodeOptions& options, ByteSink& out);

// Writes undecoded IDAT bytes back exactly as read: big-endian firstIdatSize, "IDAT", then
// the stored run (which holds that chunk's data and CRC and any further IDAT chunks).
void writeIdatRun(ByteSink& out, std::span<const uint8_t> run, uint32_t firstIdatSize);

// The filter type chosen for one row (exposed for tests): `row` the raw row, `prev` the
// previous raw row (zeros for the first), `bpp` the filter offset. Writes the filtered
// bytes to `out` (row.size() bytes) and returns the filter type 0..4.
uint8_t chooseFilter(std::span<const uint8_t> row, const uint8_t* prev, uint32_t bpp, uint8_t filters,
                     uint8_t* out);

} // namespace vell::png
