// Row filters of the PNG format, both directions. The decoding side has an SSE2 path for
// the common pixel sizes (3, 4 and 8 bytes) next to the plain one it is tested against.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::png {

enum FilterType : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// Undoes filter `type` on the n bytes at `src` into `row`, which may be `src` itself (in
// place) or a row apart from it; `prev` is the previous unfiltered row (zeros for the
// first row of a pass), `bpp` the filter offset. False for a type above 4.
bool unfilterRow(uint8_t type, const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n, uint32_t bpp);
bool unfilterRowPlain(uint8_t type, const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n,
                      uint32_t bpp);

// Applies filter `type` (1..4) to the raw row `row` into `out`.
void filterRow(uint8_t type, const uint8_t* row, const uint8_t* prev, size_t n, uint32_t bpp, uint8_t* out);

inline uint8_t paethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return pb <= pc ? uint8_t(b) : uint8_t(c);
}

} // namespace vell::png
