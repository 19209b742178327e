#include "core/png/codec.h"

#include <cstring>

#include "core/image/errors.h"
#include "core/pixel/premultiply.h"
#include "core/png/chunks.h"
#include "core/png/decoder.h"
#include "core/png/encoder.h"
#include "core/png/messages.h"
#include "core/png/reader.h"

namespace vell::png {

BgraImage decodeToBgra(std::span<const uint8_t> file, const Limits& limits) {
    ChunkReader reader(file);
    Chunk chunk, idat;
    bool haveHeader = false, havePalette = false, haveTransparency = false, haveIdat = false;
    BgraImage out;
    Palette palette;
    Transparency transparency;
    uint8_t gamma[256], inverse[256];
    buildGammaTables(0, gamma, inverse);
    while (reader.next(chunk)) {
        switch (chunk.type) {
        case kIHDR:
            out.header = parseIhdr(chunk.data);
            haveHeader = true;
            break;
        case kPLTE:
            palette = parsePlte(chunk.data);
            havePalette = true;
            break;
        case kTRNS:
            transparency = parseTrns(chunk.data, out.header.colorType);
            haveTransparency = true;
            break;
        case kGAMA:
            if (auto g = parseGama(chunk.data)) buildGammaTables(*g, gamma, inverse);
            break;
        case kIDAT:
            idat = chunk;
            haveIdat = true;
            break;
        default:
            break;
        }
    }
    if (!haveHeader) image::raiseError<image::EPngInvalidIHDR>(msg::kInvalidIhdr);
    const Ihdr& h = out.header;
    DecodeTarget target;
    target.layout = layoutFor(h, PixelFormat::PremultipliedBgra);
    checkPixelLimit(h, target.layout, limits);
    out.width = h.width;
    out.height = h.height;
    out.pixels.assign(size_t(target.layout.stride) * h.height, 0);
    if (!haveIdat) return out;
    target.pixels = out.pixels.data();
    DecodeOptions options;
    options.gamma = gamma;
    options.palette = havePalette ? &palette : nullptr;
    options.transparency = haveTransparency ? &transparency : nullptr;
    options.limits = limits;
    out.hasImageData = true;
    out.data = decodeImageData(h, idat.tail, idat.firstIdatSize, target, options);
    return out;
}

std::vector<uint8_t> encodeBgra(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                                bool premultiplied, int compressionLevel, uint8_t filters) {
    Ihdr h;
    h.width = width;
    h.height = height;
    h.bitDepth = 8;
    h.colorType = kRgba;
    EncodeSource src;
    src.layout = layoutFor(h, PixelFormat::Stored32);
    std::vector<uint8_t> straight;
    if (premultiplied) {
        straight.resize(size_t(width) * 4 * height);
        for (uint32_t y = 0; y < height; ++y)
            pixel::unpremultiplyBgra(pixels + y * stride, straight.data() + size_t(y) * width * 4, width);
        src.pixels = straight.data();
    } else {
        src.layout.stride = uint32_t(stride);
        src.pixels = pixels;
    }
    std::vector<uint8_t> file;
    VectorSink sink(file);
    writeSignature(sink);
    const auto ihdr = serializeIhdr(h);
    writeChunk(sink, kIHDR, ihdr);
    EncodeOptions options;
    options.compressionLevel = compressionLevel;
    options.filters = filters;
    encodeImageData(h, src, options, sink);
    writeChunk(sink, kIEND, {});
    return file;
}

} // namespace vell::png
