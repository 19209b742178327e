#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/checksum/crc32.h"
#include "core/checksum/crc64.h"

using namespace vell::checksum;

namespace {

// Bit-at-a-time references the sliced implementations are held against.
uint32_t slowCrc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    while (n--) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}
uint64_t slowCrc64(const uint8_t* p, size_t n) {
    uint64_t c = ~0ull;
    while (n--) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xC96C5795D7870F42ull ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

} // namespace

TEST(Crc, CheckValues) {
    const char* s = "123456789";
    EXPECT_EQ(crc32(s, 9), 0xCBF43926u);
    EXPECT_EQ(crc64(s, 9), 0x995DC9BBDF1939FAull);
    EXPECT_EQ(crc32(s, 0), 0u);
    EXPECT_EQ(crc64(s, 0), 0u);
    // The CRC of a PNG IEND chunk (over its name).
    EXPECT_EQ(crc32("IEND", 4), 0xAE426082u);
}

TEST(Crc, SlicedAndRunningFormsMatchBitwiseReference) {
    std::vector<uint8_t> data(1000);
    uint32_t x = 12345;
    for (auto& b : data)
        b = uint8_t((x = x * 1103515245u + 12345u) >> 16);
    // Every length up to 40 (all alignments of the 8-byte loop) and a long one.
    for (size_t n : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 40, 1000}) {
        for (size_t offset = 0; offset < 3; ++offset) {
            const uint8_t* p = data.data() + offset;
            const size_t len = std::min(n, data.size() - offset);
            EXPECT_EQ(crc32(p, len), slowCrc32(p, len)) << n;
            EXPECT_EQ(crc64(p, len), slowCrc64(p, len)) << n;
            const size_t cut = len / 3;
            EXPECT_EQ(crc32Update(crc32(p, cut), p + cut, len - cut), slowCrc32(p, len));
            EXPECT_EQ(crc64Update(crc64(p, cut), p + cut, len - cut), slowCrc64(p, len));
        }
    }
}
