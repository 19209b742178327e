#include "core/png/decoder.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/checksum/crc32.h"
#include "core/image/errors.h"
#include "core/inflate/inflate.h"
#include "core/png/filters.h"
#include "core/png/messages.h"
#include "core/png/rows.h"

namespace vell::png {

using image::raiseError;

namespace {

// Collects the data of the consecutive IDAT chunks, each checked against its CRC, so that
// inflate gets it in one piece. Data spread over several chunks is copied together once.
class IdatInput {
  public:
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
                badCrc_ = true;
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
            for (const auto& p : parts)
                copy_.insert(copy_.end(), p.begin(), p.end());
            whole_ = copy_;
        }
    }

    std::span<const uint8_t> whole() const { return whole_; }

    // What stands after the data when more of it is wanted: a chunk with a CRC mismatch
    // (damaged), another chunk in place of the next IDAT (EPNGMissingMultipleIDAT), or
    // the end of the bytes.
    bool badCrc() const { return badCrc_; }
    void checkNotMissing() const {
        if (!badCrc_ && missing_) raiseError<image::EPNGMissingMultipleIDAT>(msg::kMissingMultipleIdat);
    }

  private:
    std::span<const uint8_t> whole_;
    std::vector<uint8_t> copy_;
    bool badCrc_ = false;
    bool missing_ = false;
};

enum class FillStatus { Full, End, Damaged };

// The inflated image data in batches of rows, with the errors of the chunks around it.
class RawRows {
  public:
    RawRows(std::span<const uint8_t> data, uint32_t firstSize, bool strict, size_t maxRead, size_t total)
        : input_(data, firstSize), inflater_(input_.whole(), maxRead, total), strict_(strict) {}

    // The next n bytes at `out`, valid until the next call; `got` tells how many came.
    FillStatus read(size_t n, const uint8_t*& out, size_t& got) {
        switch (inflater_.read(n, out, got)) {
        case inflate::Inflater::Status::Error:
            if (strict_) raiseError<image::EPNGZLIBError>(std::string(msg::kZlibError) + inflater_.message());
            return FillStatus::Damaged;
        case inflate::Inflater::Status::Truncated:
            if (got == n) return FillStatus::Full;
            if (input_.badCrc()) {
                if (strict_) raiseError<image::EPngInvalidCRC>(msg::kInvalidCrc);
                return FillStatus::Damaged;
            }
            input_.checkNotMissing();
            return FillStatus::End;
        default:
            return got == n ? FillStatus::Full : FillStatus::End;
        }
    }

  private:
    IdatInput input_;
    inflate::Inflater inflater_;
    bool strict_;
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
        for (uint32_t i = 0, x = p.x0; i < count; ++i, x += p.dx)
            std::memcpy(dst + size_t(x) * bpp, src + size_t(i) * bpp, bpp);
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

    // Work memory: the inflater's batch of rows with its window, two unfiltered rows, and
    // for Adam7 the raw image or one converted pass row.
    const uint32_t batchRows =
        std::min<uint32_t>(h.height, std::max<uint32_t>(2, (1u << 18) / (fullRow + 1)));
    const size_t batchBytes = size_t(batchRows) * (fullRow + 1);
    uint64_t work = inflate::Inflater::workBytes(batchBytes) + uint64_t(fullRow) * 3;
    if (interlaced) work += packed ? uint64_t(fullRow) * h.height : uint64_t(layout.stride) * 2 + h.width;
    if (pixelStoreBytes(h, layout) + work > options.limits.maxPixelBytes)
        raiseError<image::EPNGOutMemory>(std::string(msg::kOverLimit) +
                                         ", Size=" + std::to_string(pixelStoreBytes(h, layout) + work));

    const RowConverter convert(h, layout, options.gamma, options.palette, options.transparency);
    auto convertRow = [&](const uint8_t* raw, uint32_t y) {
        convert.toLayout(raw, target.pixels + size_t(y) * layout.stride,
                         target.alpha ? target.alpha + size_t(y) * h.width : nullptr,
                         target.extra ? target.extra + size_t(y) * layout.stride : nullptr);
    };

    RawRows source(data, firstIdatSize, options.strictChecks, batchBytes, size_t(inflatedSize(h)));
    // Unfiltered rows: the current one, the one above it, and zeros above a pass's first.
    std::vector<uint8_t> unfiltered(size_t(fullRow) * 3);
    uint8_t* rowBuffers[2] = {unfiltered.data(), unfiltered.data() + fullRow};
    const uint8_t* const zeros = unfiltered.data() + size_t(fullRow) * 2;
    // Rows already in the layout's form are unfiltered straight into the image.
    const bool direct = !interlaced && convert.rawIsLayout();
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
            if (ex)
                std::memcpy(ex + size_t(x) * pixelBytes, passExtra.data() + size_t(i) * pixelBytes,
                            pixelBytes);
            if (al) al[x] = passAlpha[i];
        }
    };

    FillStatus status = FillStatus::Full;
    uint32_t rowsConverted = 0; // non-interlaced: rows complete from the top
    for (int p = 0; p < (interlaced ? 7 : 1) && status == FillStatus::Full; ++p) {
        const Pass& pass = interlaced ? kAdam7[p] : kWhole;
        if (h.width <= pass.x0 || h.height <= pass.y0) continue;
        const uint32_t width = (h.width - pass.x0 + pass.dx - 1) / pass.dx;
        const uint32_t rows = (h.height - pass.y0 + pass.dy - 1) / pass.dy;
        const uint32_t rowBytes = uint32_t(fileRowBytes(h, width));
        const size_t span = size_t(rowBytes) + 1;
        const uint8_t* above = zeros;
        int next = 0;
        for (uint32_t row = 0; row < rows && status == FillStatus::Full;) {
            const uint32_t k = std::min<uint32_t>(rows - row, uint32_t(batchBytes / span));
            const uint8_t* batch;
            size_t got = 0;
            status = source.read(k * span, batch, got);
            if (status == FillStatus::Damaged) break;
            const uint32_t complete = uint32_t(got / span);
            for (uint32_t r = 0; r < complete; ++r, ++row) {
                const uint8_t* line = batch + r * span;
                const uint32_t y = pass.y0 + row * pass.dy;
                uint8_t* const out = direct ? target.pixels + size_t(y) * layout.stride : rowBuffers[next];
                if (!unfilterRow(line[0], line + 1, out, above, rowBytes, bpp)) {
                    status = FillStatus::Damaged;
                    break;
                }
                above = out;
                next ^= 1;
                if (!interlaced) {
                    if (!direct) convertRow(out, y);
                    rowsConverted = y + 1;
                } else if (packed) {
                    scatter(out, width, pass, bitsPerPixel, image.data() + size_t(y) * fullRow);
                } else {
                    placePassRow(out, width, pass, y);
                }
            }
        }
    }

    if (status == FillStatus::Damaged) {
        zeroRows(h, target, 0);
        return DecodeResult::Damaged;
    }
    if (!interlaced) {
        zeroRows(h, target, rowsConverted);
    } else if (packed) {
        for (uint32_t y = 0; y < h.height; ++y)
            convertRow(image.data() + size_t(y) * fullRow, y);
    }
    return status == FillStatus::Full ? DecodeResult::Complete : DecodeResult::Truncated;
}

} // namespace vell::png
