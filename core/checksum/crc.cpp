// Both checksums are table-driven with eight tables (slicing-by-8): eight input bytes
// per step, one table look-up per byte, no dependency between the eight look-ups.
#include <cstring>

#include "core/checksum/crc32.h"
#include "core/checksum/crc64.h"

namespace vell::checksum {

namespace {

template <typename T> struct SliceTables {
    T t[8][256];
    explicit SliceTables(T poly) {
        for (unsigned n = 0; n < 256; ++n) {
            T c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
            t[0][n] = c;
        }
        for (unsigned n = 0; n < 256; ++n)
            for (int k = 1; k < 8; ++k)
                t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    }
};

inline uint64_t load64le(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

template <typename T> T update(const SliceTables<T>& s, T c, const uint8_t* p, size_t n) {
    while (n >= 8) {
        uint64_t word = load64le(p);
        if constexpr (sizeof(T) == 8) {
            word ^= c;
            c = s.t[7][word & 0xFF] ^ s.t[6][(word >> 8) & 0xFF] ^ s.t[5][(word >> 16) & 0xFF] ^
                s.t[4][(word >> 24) & 0xFF] ^ s.t[3][(word >> 32) & 0xFF] ^ s.t[2][(word >> 40) & 0xFF] ^
                s.t[1][(word >> 48) & 0xFF] ^ s.t[0][word >> 56];
        } else {
            const uint32_t lo = static_cast<uint32_t>(word) ^ c;
            const uint32_t hi = static_cast<uint32_t>(word >> 32);
            c = s.t[7][lo & 0xFF] ^ s.t[6][(lo >> 8) & 0xFF] ^ s.t[5][(lo >> 16) & 0xFF] ^ s.t[4][lo >> 24] ^
                s.t[3][hi & 0xFF] ^ s.t[2][(hi >> 8) & 0xFF] ^ s.t[1][(hi >> 16) & 0xFF] ^ s.t[0][hi >> 24];
        }
        p += 8;
        n -= 8;
    }
    while (n--)
        c = s.t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c;
}

} // namespace

uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
    static const SliceTables<uint32_t> tables(0xEDB88320u);
    return ~update<uint32_t>(tables, ~crc, static_cast<const uint8_t*>(data), size);
}

uint64_t crc64Update(uint64_t crc, const void* data, size_t size) {
    static const SliceTables<uint64_t> tables(0xC96C5795D7870F42ull);
    return ~update<uint64_t>(tables, ~crc, static_cast<const uint8_t*>(data), size);
}

} // namespace vell::checksum
