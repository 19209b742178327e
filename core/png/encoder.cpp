#include "core/png/encoder.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/image/errors.h"
#include "core/png/filters.h"
#include "core/png/messages.h"
#include "core/png/rows.h"

namespace vell::png {

namespace {

// Repeats within the filtered row: positions j >= 2 equal to the byte one or two before.
uint32_t score(const uint8_t* f, size_t n) {
    uint32_t s = 0;
    for (size_t j = 2; j < n; ++j)
        s += f[j] == f[j - 1] || f[j] == f[j - 2];
    return s;
}

// Deflates into chunks of exactly `size` bytes (the last one shorter).
class IdatWriter {
  public:
    IdatWriter(ByteSink& out, int level, uint32_t size) : out_(out), buffer_(size) {
        if (deflateInit(&z_, level) != Z_OK)
            image::raiseError<image::EPNGZLIBError>(std::string(msg::kZlibError) + "deflateInit");
        z_.next_out = buffer_.data();
        z_.avail_out = uInt(buffer_.size());
    }
    ~IdatWriter() { deflateEnd(&z_); }
    IdatWriter(const IdatWriter&) = delete;
    IdatWriter& operator=(const IdatWriter&) = delete;

    void write(const uint8_t* data, size_t n, bool finish) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = uInt(n);
        for (;;) {
            const int rc = deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR)
                image::raiseError<image::EPNGZLIBError>(std::string(msg::kZlibError) + "deflate");
            if (z_.avail_out == 0) emit(buffer_.size());
            if (finish ? rc == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out != 0)) break;
        }
        if (finish && z_.avail_out != buffer_.size()) emit(buffer_.size() - z_.avail_out);
    }

  private:
    void emit(size_t n) {
        writeChunk(out_, kIDAT, {buffer_.data(), n});
        z_.next_out = buffer_.data();
        z_.avail_out = uInt(buffer_.size());
    }

    ByteSink& out_;
    std::vector<uint8_t> buffer_;
    z_stream z_{};
};

struct Pass {
    uint32_t x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// Takes every dx-th pixel from x0 of a full raw row.
void gather(const uint8_t* src, uint32_t count, const Pass& p, uint32_t bitsPerPixel, uint8_t* dst) {
    if (bitsPerPixel >= 8) {
        const uint32_t bpp = bitsPerPixel / 8;
        for (uint32_t i = 0, x = p.x0; i < count; ++i, x += p.dx)
            std::memcpy(dst + size_t(i) * bpp, src + size_t(x) * bpp, bpp);
        return;
    }
    std::memset(dst, 0, (size_t(count) * bitsPerPixel + 7) / 8);
    const uint32_t mask = (1u << bitsPerPixel) - 1;
    for (uint32_t i = 0, x = p.x0; i < count; ++i, x += p.dx) {
        const uint32_t sb = x * bitsPerPixel, db = i * bitsPerPixel;
        const uint32_t v = (src[sb >> 3] >> (8 - bitsPerPixel - (sb & 7))) & mask;
        dst[db >> 3] = uint8_t(dst[db >> 3] | v << (8 - bitsPerPixel - (db & 7)));
    }
}

} // namespace

namespace {
// `candidate` is scratch space kept by the caller across rows.
uint8_t choose(std::span<const uint8_t> row, const uint8_t* prev, uint32_t bpp, uint8_t filters, uint8_t* out,
               std::vector<uint8_t>& candidate) {
    const size_t n = row.size();
    filters &= 0x1F;
    if (filters == 0 || filters == kFilterNone) {
        std::memcpy(out, row.data(), n);
        return kNone;
    }
    if ((filters & (filters - 1)) == 0) { // exactly one filter
        const uint8_t type = uint8_t(__builtin_ctz(filters));
        filterRow(type, row.data(), prev, n, bpp, out);
        return type;
    }
    candidate.resize(n);
    uint32_t best = 0;
    uint8_t bestType = kNone;
    for (uint8_t type = kNone; type <= kPaeth; ++type) {
        if (!(filters & (1u << type))) continue;
        filterRow(type, row.data(), prev, n, bpp, candidate.data());
        const uint32_t s = score(candidate.data(), n);
        if (s > best) {
            best = s;
            bestType = type;
            std::memcpy(out, candidate.data(), n);
        }
    }
    if (best == 0) std::memcpy(out, row.data(), n); // nothing scored: unfiltered
    return bestType;
}
} // namespace

uint8_t chooseFilter(std::span<const uint8_t> row, const uint8_t* prev, uint32_t bpp, uint8_t filters,
                     uint8_t* out) {
    std::vector<uint8_t> candidate;
    return choose(row, prev, bpp, filters, out, candidate);
}

void encodeImageData(const Ihdr& h, const EncodeSource& src, const EncodeOptions& options, ByteSink& out) {
    Ihdr file = h; // the header as written: 2-bit depths become 4-bit, non-interlaced
    if (file.bitDepth == 2) {
        file.bitDepth = 4;
        file.interlaceMethod = 0;
    }
    const uint32_t size =
        options.maxIdatSize == 0 ? 65535 : std::min<uint32_t>(options.maxIdatSize, 0x7FFFFFFF);
    IdatWriter writer(out, options.compressionLevel, size);
    if (h.width == 0 || h.height == 0) {
        writer.write(nullptr, 0, true);
        return;
    }
    const Layout& l = src.layout;
    const uint32_t fullRow = uint32_t(fileRowBytes(file, h.width));
    const uint32_t bpp = filterOffset(file);
    const uint32_t bitsPerPixel = uint32_t(fileRowBytes(file, 8));
    const bool interlaced = file.interlaceMethod == 1;

    std::vector<uint8_t> raw(fullRow), passRow(fullRow), prev(fullRow), candidate;
    std::vector<uint8_t> pending; // filtered rows waiting for deflate
    pending.reserve(size_t(1) << 16);
    auto rowOf = [&](uint32_t y) {
        fromLayout(h, l, options.inverseGamma, src.pixels + size_t(y) * l.stride,
                   src.alpha ? src.alpha + size_t(y) * h.width : nullptr,
                   src.extra ? src.extra + size_t(y) * l.stride : nullptr, raw.data());
    };
    for (int p = 0; p < (interlaced ? 7 : 1); ++p) {
        const Pass pass = interlaced ? kAdam7[p] : Pass{0, 0, 1, 1};
        if (h.width <= pass.x0 || h.height <= pass.y0) continue;
        const uint32_t width = (h.width - pass.x0 + pass.dx - 1) / pass.dx;
        const uint32_t rowBytes = uint32_t(fileRowBytes(file, width));
        std::memset(prev.data(), 0, rowBytes);
        for (uint32_t y = pass.y0; y < h.height; y += pass.dy) {
            rowOf(y);
            const uint8_t* row = raw.data();
            if (interlaced) {
                gather(raw.data(), width, pass, bitsPerPixel, passRow.data());
                row = passRow.data();
            }
            const size_t at = pending.size();
            pending.resize(at + 1 + rowBytes);
            pending[at] = choose({row, rowBytes}, prev.data(), bpp, options.filters, pending.data() + at + 1,
                                 candidate);
            std::memcpy(prev.data(), row, rowBytes);
            if (pending.size() >= (size_t(1) << 16)) {
                writer.write(pending.data(), pending.size(), false);
                pending.clear();
            }
        }
    }
    writer.write(pending.data(), pending.size(), true);
}

void writeIdatRun(ByteSink& out, std::span<const uint8_t> run, uint32_t firstIdatSize) {
    uint8_t head[8];
    writeBE32(head, firstIdatSize);
    writeBE32(head + 4, kIDAT);
    out.write(head, 8);
    if (!run.empty()) out.write(run.data(), run.size());
}

} // namespace vell::png
