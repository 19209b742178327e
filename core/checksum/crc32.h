// CRC-32 as used by PNG chunks and zlib (reflected polynomial 0xEDB88320, initial value
// all ones, result inverted).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::checksum {

// Running form: start with crc = 0 and feed the data in any number of pieces;
// crc32Update(crc32Update(0, a), b) == crc32 of a followed by b.
uint32_t crc32Update(uint32_t crc, const void* data, size_t size);

inline uint32_t crc32(const void* data, size_t size) {
    return crc32Update(0, data, size);
}

} // namespace vell::checksum
