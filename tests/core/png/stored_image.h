// Decodes a PNG file into one of the stored layouts, as the image class does, for tests.
#pragma once
#include <cstdint>
#include <vector>

#include "core/png/chunks.h"
#include "core/png/decoder.h"
#include "core/png/reader.h"

namespace vell::png::test {

struct Stored {
    Ihdr header;
    Layout layout;
    Palette palette;
    std::vector<uint8_t> pixels, alpha, extra;
    DecodeResult result = DecodeResult::Complete;

    DecodeTarget target() {
        return {layout, pixels.data(), alpha.empty() ? nullptr : alpha.data(),
                extra.empty() ? nullptr : extra.data()};
    }
};

// The planes start filled with `fill`, so that bytes the decoder should zero are seen.
inline Stored decodeStored(const std::vector<uint8_t>& file, PixelFormat format = PixelFormat::Stored,
                           bool strict = false, uint8_t fill = 0xCC) {
    ChunkReader r(file);
    Chunk c, idat;
    Stored s;
    while (r.next(c)) {
        if (c.type == kIHDR) s.header = parseIhdr(c.data);
        if (c.type == kPLTE) s.palette = parsePlte(c.data);
        if (c.type == kIDAT) idat = c;
    }
    s.layout = layoutFor(s.header, format);
    s.pixels.assign(size_t(s.layout.stride) * s.header.height, fill);
    if (s.layout.alphaPlane) s.alpha.assign(size_t(s.header.width) * s.header.height, fill);
    if (s.layout.extraPlane) s.extra.assign(s.pixels.size(), fill);
    DecodeOptions o;
    o.strictChecks = strict;
    s.result = decodeImageData(s.header, idat.tail, idat.firstIdatSize, s.target(), o);
    return s;
}

} // namespace vell::png::test
