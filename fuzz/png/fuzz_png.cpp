// Whole-file decoding of arbitrary bytes: to premultiplied BGRA, and chunk by chunk into
// the stored layouts as the image class does. Expected failures are the engine's
// exceptions; anything else (a crash, a sanitizer report, a leak, a hang) is a bug.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image/errors.h"
#include "core/png/chunks.h"
#include "core/png/codec.h"
#include "core/png/decoder.h"
#include "core/png/reader.h"

using namespace vell::png;

namespace {

Limits fuzzLimits() {
    Limits l;
    l.maxPixelBytes = 32u << 20;
    l.maxTextBytes = 1u << 16;
    return l;
}

void decodeStored(std::span<const uint8_t> file, PixelFormat format) {
    ChunkReader reader(file);
    Chunk c;
    Ihdr h;
    bool haveHeader = false;
    Palette palette;
    Transparency trns;
    uint8_t gamma[256], inverse[256];
    buildGammaTables(0, gamma, inverse);
    const Limits limits = fuzzLimits();
    while (reader.next(c)) {
        switch (c.type) {
        case kIHDR:
            h = parseIhdr(c.data);
            haveHeader = true;
            break;
        case kPLTE:
            palette = parsePlte(c.data);
            break;
        case kTRNS: {
            trns = parseTrns(c.data, h.colorType);
            Rgbq table[256];
            const uint32_t n = buildColorTable(h, &palette, gamma, table);
            (void)transparentColor(trns, h, {table, n}, gamma);
            break;
        }
        case kGAMA:
            if (auto g = parseGama(c.data)) buildGammaTables(*g, gamma, inverse);
            break;
        case kTEXT:
            (void)readDevur(parseText(c.data).text, {});
            break;
        case kZTXT:
            (void)parseZtxt(c.data, limits.maxTextBytes);
            break;
        case kIDAT: {
            if (!haveHeader) break;
            const Layout layout = layoutFor(h, format);
            checkPixelLimit(h, layout, limits);
            std::vector<uint8_t> pixels(size_t(layout.stride) * h.height);
            std::vector<uint8_t> alpha(layout.alphaPlane ? size_t(h.width) * h.height : 0);
            std::vector<uint8_t> extra(layout.extraPlane ? pixels.size() : 0);
            DecodeTarget t{layout, pixels.data(), alpha.empty() ? nullptr : alpha.data(),
                           extra.empty() ? nullptr : extra.data()};
            DecodeOptions o;
            o.gamma = gamma;
            o.limits = limits;
            decodeImageData(h, c.idatRun, c.firstIdatSize, t, o);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    try {
        (void)decodeToBgra(file, fuzzLimits());
    } catch (const vell::Exception&) {
    }
    try {
        decodeStored(file, size % 2 ? PixelFormat::Stored32 : PixelFormat::Stored);
    } catch (const vell::Exception&) {
    }
    return 0;
}
