#include "core/png/decoder.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/checksum/crc32.h"
#include "core/image/errors.h"
#include "core/png/filters.h"
#include "core/png/messages.h"
#include "core/png/rows.h"

namespace vell::png {

using image::raiseError;

namespace {

// Collects the data of the consecutive IDAT chunks, each checked against its CRC, so that
// inflate gets it in one piece: zlib then copies its window once per call instead of
// once per chunk. Data spread over several chunks is copied together once.
class IdatInput {
public:
    enum class Status { Data, End, BadCrc };

    IdatInput(std::span<const uint8_t> data, uint32_t firstSize) {
        std::vector<std::span<const uint8_t>> parts;
        size_t at = 0, length = firstSize;
        for (;;) {
            const size_t avail = data.size() - at;
            if (length > avail || avail - length < 4) { // cut short by the end: used unchecked
                parts.push_back(data.subspan(at));
                break;
            }
            static const uint8_t kName[4] = {'I', 'D', 'A', 'T'};
            const uint32_t crc = checksum::crc32Update(checksum::crc32(kName, 4), data.data() + at, length);
            if (crc != readBE32(data.data() + at + length)) {
                after_ = Status::BadCrc;
                break;
            }
            parts.push_back(data.subspan(at, length));
            const size_t next = at + length + 4;
            if (data.size() - next < 8) break;
            if (readBE32(data.data() + next + 4) != kIDAT) {
                missing_ = true;
                break;
            }
            length = readBE32(data.data() + next);
            at = next + 8;
        }
        if (parts.size() == 1) {
            whole_ = parts[0];
        } else {
            for (const auto& p : parts) copy_.insert(copy_.end(), p.begin(), p.end());
            whole_ = copy_;
        }
    }

    // The data in blocks, then what ended it. More data wanted where another chunk stands
    // in place of the next IDAT is the error EPNGMissingMultipleIDAT.
    Status next(std::span<const uint8_t>& block) {
        if (pos_ < whole_.size()) {
            const size_t n = std::min<size_t>(whole_.size() - pos_, size_t(1) << 30);
            block = whole_.subspan(pos_, n);
            pos_ += n;
            return Status::Data;
        }
        if (after_ == Status::End && missing_) raiseError<image::EPNGMissingMultipleIDAT>(msg::kMissingMultipleIdat);
        return after_;
    }

private:
    std::span<const uint8_t> whole_;
    std::vector<uint8_t> copy_;
    size_t pos_ = 0;
    Status after_ = Status::End;
    bool missing_ = false;
};

enum class FillStatus { Full, End, Damaged };

class Inflater {
public:
    Inflater(std::span<const uint8_t> data, uint32_t firstSize, bool strict) : input_(data, firstSize), strict_(strict) {
        if (inflateInit(&z_) != Z_OK) raiseError<image::EPNGZLIBError>(std::string(msg::kZlibError) + "inflateInit");
#if ZLIB_VERNUM >= 0x1290
        // Every IDAT chunk is already checked against its CRC; the Adler-32 of the whole
        // stream would be a second pass over every inflated byte.
        inflateValidate(&z_, 0);
#endif
    }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills out[0..n) as far as the data goes; `got` tells how far that was.
    // `last`: these are the final bytes of the image, so zlib need not keep a window.
    FillStatus fill(uint8_t* out, size_t n, bool last, size_t& got) {
        z_.next_out = out;
        z_.avail_out = uInt(n);
        FillStatus status = FillStatus::Full;
        while (z_.avail_out != 0) {
            if (ended_) {
                status = FillStatus::End;
                break;
            }
            if (z_.avail_in == 0) {
                std::span<const uint8_t> block;
                const auto s = input_.next(block);
                if (s == IdatInput::Status::End) {
                    status = FillStatus::End;
                    break;
                }
                if (s == IdatInput::Status::BadCrc) {
                    if (strict_) raiseError<image::EPngInvalidCRC>(msg::kInvalidCrc);
                    status = FillStatus::Damaged;
                    break;
                }
                z_.next_in = const_cast<Bytef*>(block.data());
                z_.avail_in = uInt(block.size());
                if (block.empty()) continue;
            }
            const int rc = inflate(&z_, last ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                ended_ = true;
            } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && (z_.avail_in == 0 || z_.avail_out == 0))) {
                if (strict_)
                    raiseError<image::EPNGZLIBError>(std::string(msg::kZlibError) + (z_.msg ? z_.msg : zError(rc)));
                status = FillStatus::Damaged;
                break;
            }
        }
        got = n - z_.avail_out;
        return status;
    }

private:
    IdatInput input_;
    z_stream z_{};
    bool strict_;
    bool ended_ = false;
};

struct Pass {
    uint32_t x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole = {0, 0, 1, 1};

// Puts pixel i of a pass row at column x of a full-width raw row.
void scatter(const uint8_t* src, uint32_t count, const Pass& p, uint32_t bitsPerPixel, uint8_t* dst) {
    if (bitsPerPixel >= 8) {
        const uint32_t bpp = bitsPerPixel / 8;
        for (uint32_t i = 0, x = p.x0; i < count; ++i, x += p.dx) std::memcpy(dst + size_t(x) * bpp, src + size_t(i) * bpp, bpp);
        return;
    }
    const uint32_t mask = (1u << bitsPerPixel) - 1;
    for (uint32_t i = 0, x = p.x0; i < count; ++i, x += p.dx) {
        const uint32_t sb = i * bitsPerPixel, db = x * bitsPerPixel;
        const uint32_t v = (src[sb >> 3] >> (8 - bitsPerPixel - (sb & 7))) & mask;
        const uint32_t shift = 8 - bitsPerPixel - (db & 7);
        dst[db >> 3] = uint8_t((dst[db >> 3] & ~(mask << shift)) | v << shift);
    }
}

void zeroRows(const Ihdr& h, const DecodeTarget& t, uint32_t from) {
    if (from >= h.height) return;
    const size_t rows = h.height - from;
    std::memset(t.pixels + size_t(from) * t.layout.stride, 0, rows * t.layout.stride);
    if (t.alpha) std::memset(t.alpha + size_t(from) * h.width, 0, rows * h.width);
    if (t.extra) std::memset(t.extra + size_t(from) * t.layout.stride, 0, rows * t.layout.stride);
}

} // namespace

DecodeResult decodeImageData(const Ihdr& h, std::span<const uint8_t> data, uint32_t firstIdatSize,
                             const DecodeTarget& target, const DecodeOptions& options) {
    if (h.width == 0 || h.height == 0) return DecodeResult::Complete;
    const Layout& layout = target.layout;
    const bool interlaced = h.interlaceMethod == 1;
    // Adam7 pass rows of whole-byte layouts are converted and their pixels put in place;
    // packed layouts collect the raw image first and convert it at the end.
    const bool packed = layout.bitCount < 8;
    const uint32_t pixelBytes = layout.bitCount / 8;
    const uint32_t fullRow = uint32_t(fileRowBytes(h, h.width));
    const uint32_t bpp = filterOffset(h);
    const uint32_t bitsPerPixel = uint32_t(fileRowBytes(h, 8)); // bits of one pixel = bytes of eight

    // Work memory: a batch of rows to inflate into, and for Adam7 the raw image or one
    // converted pass row.
    const uint32_t batchRows = std::min<uint32_t>(h.height, std::max<uint32_t>(2, (1u << 18) / (fullRow + 1)));
    uint64_t work = uint64_t(batchRows) * (fullRow + 1) + fullRow;
    if (interlaced) work += packed ? uint64_t(fullRow) * h.height : uint64_t(layout.stride) * 2 + h.width;
    if (pixelStoreBytes(h, layout) + work > options.limits.maxPixelBytes)
        raiseError<image::EPNGOutMemory>(std::string(msg::kOverLimit) + ", Size=" +
                                         std::to_string(pixelStoreBytes(h, layout) + work));

    const RowConverter convert(h, layout, options.gamma, options.palette, options.transparency);
    auto convertRow = [&](const uint8_t* raw, uint32_t y) {
        convert.toLayout(raw, target.pixels + size_t(y) * layout.stride,
                         target.alpha ? target.alpha + size_t(y) * h.width : nullptr,
                         target.extra ? target.extra + size_t(y) * layout.stride : nullptr);
    };

    Inflater inflater(data, firstIdatSize, options.strictChecks);
    std::vector<uint8_t> batch(size_t(batchRows) * (fullRow + 1));
    std::vector<uint8_t> prev(fullRow);
    std::vector<uint8_t> image(interlaced && packed ? size_t(fullRow) * h.height : 0);
    std::vector<uint8_t> passPixels, passAlpha, passExtra;
    if (interlaced && !packed) {
        passPixels.resize(layout.stride);
        if (target.alpha) passAlpha.resize(h.width);
        if (target.extra) passExtra.resize(layout.stride);
        zeroRows(h, target, 0); // pixels no pass reaches stay zero
    }
    auto placePassRow = [&](const uint8_t* raw, uint32_t width, const Pass& pass, uint32_t y) {
        convert.toLayout(raw, width, passPixels.data(), passAlpha.empty() ? nullptr : passAlpha.data(),
                         passExtra.empty() ? nullptr : passExtra.data());
        uint8_t* px = target.pixels + size_t(y) * layout.stride;
        uint8_t* ex = target.extra ? target.extra + size_t(y) * layout.stride : nullptr;
        uint8_t* al = target.alpha ? target.alpha + size_t(y) * h.width : nullptr;
        for (uint32_t i = 0, x = pass.x0; i < width; ++i, x += pass.dx) {
            std::memcpy(px + size_t(x) * pixelBytes, passPixels.data() + size_t(i) * pixelBytes, pixelBytes);
            if (ex) std::memcpy(ex + size_t(x) * pixelBytes, passExtra.data() + size_t(i) * pixelBytes, pixelBytes);
            if (al) al[x] = passAlpha[i];
        }
    };

    uint64_t left = inflatedSize(h);
    FillStatus status = FillStatus::Full;
    uint32_t rowsConverted = 0; // non-interlaced: rows complete from the top
    for (int p = 0; p < (interlaced ? 7 : 1) && status == FillStatus::Full; ++p) {
        const Pass& pass = interlaced ? kAdam7[p] : kWhole;
        if (h.width <= pass.x0 || h.height <= pass.y0) continue;
        const uint32_t width = (h.width - pass.x0 + pass.dx - 1) / pass.dx;
        const uint32_t rows = (h.height - pass.y0 + pass.dy - 1) / pass.dy;
        const uint32_t rowBytes = uint32_t(fileRowBytes(h, width));
        const size_t span = size_t(rowBytes) + 1;
        std::memset(prev.data(), 0, rowBytes);
        for (uint32_t row = 0; row < rows && status == FillStatus::Full;) {
            const uint32_t k = std::min<uint32_t>(rows - row, uint32_t(batch.size() / span));
            size_t got = 0;
            status = inflater.fill(batch.data(), k * span, k * span == left, got);
            left -= k * span;
            const uint32_t complete = uint32_t(got / span);
            for (uint32_t r = 0; r < complete; ++r, ++row) {
                uint8_t* line = batch.data() + r * span;
                const uint8_t* above = r == 0 ? prev.data() : line - span + 1;
                if (!unfilterRow(line[0], line + 1, above, rowBytes, bpp)) {
                    status = FillStatus::Damaged;
                    break;
                }
                const uint32_t y = pass.y0 + row * pass.dy;
                if (!interlaced) {
                    convertRow(line + 1, y);
                    rowsConverted = y + 1;
                } else if (packed) {
                    scatter(line + 1, width, pass, bitsPerPixel, image.data() + size_t(y) * fullRow);
                } else {
                    placePassRow(line + 1, width, pass, y);
                }
            }
            if (complete > 0 && status != FillStatus::Damaged)
                std::memcpy(prev.data(), batch.data() + (complete - 1) * span + 1, rowBytes);
        }
    }

    if (status == FillStatus::Damaged) {
        zeroRows(h, target, 0);
        return DecodeResult::Damaged;
    }
    if (!interlaced) {
        zeroRows(h, target, rowsConverted);
    } else if (packed) {
        for (uint32_t y = 0; y < h.height; ++y) convertRow(image.data() + size_t(y) * fullRow, y);
    }
    return status == FillStatus::Full ? DecodeResult::Complete : DecodeResult::Truncated;
}

} // namespace vell::png
