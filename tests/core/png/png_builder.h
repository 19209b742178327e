// Builds small PNG files chunk by chunk for the tests.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/png/chunks.h"
#include "core/png/format.h"

namespace vell::png::test {

class PngBuilder {
  public:
    PngBuilder() { bytes_.assign(kSignature, kSignature + 8); }

    PngBuilder& chunk(const char (&name)[5], const std::vector<uint8_t>& data) {
        VectorSink sink(bytes_);
        writeChunk(sink, chunkType(name), data);
        return *this;
    }
    PngBuilder& ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace = 0) {
        Ihdr hd;
        hd.width = w;
        hd.height = h;
        hd.bitDepth = depth;
        hd.colorType = type;
        hd.interlaceMethod = interlace;
        const auto d = serializeIhdr(hd);
        // serializeIhdr writes 2-bit depths as 4; tests need the depth as given.
        std::vector<uint8_t> v(d.begin(), d.end());
        v[8] = depth;
        v[12] = interlace;
        return chunk("IHDR", v);
    }
    // One IDAT holding the zlib stream of the given raw (filtered) rows.
    PngBuilder& idat(const std::vector<uint8_t>& raw) { return chunk("IDAT", deflated(raw)); }
    PngBuilder& iend() { return chunk("IEND", {}); }
    std::vector<uint8_t>& bytes() { return bytes_; }

    static std::vector<uint8_t> deflated(const std::vector<uint8_t>& raw) {
        uLongf size = compressBound(uLong(raw.size()));
        std::vector<uint8_t> z(size);
        compress2(z.data(), &size, raw.data(), uLong(raw.size()), 9);
        z.resize(size);
        return z;
    }

  private:
    std::vector<uint8_t> bytes_;
};

// Position of the first chunk named `name` (its length field), or npos.
inline size_t findChunk(const std::vector<uint8_t>& file, const char (&name)[5]) {
    size_t pos = 8;
    while (pos + 8 <= file.size()) {
        if (readBE32(file.data() + pos + 4) == chunkType(name)) return pos;
        pos += 12 + readBE32(file.data() + pos);
    }
    return std::string::npos;
}

} // namespace vell::png::test
