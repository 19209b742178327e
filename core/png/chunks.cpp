#include "core/png/chunks.h"

#include <zlib.h>

#include <cctype>
#include <cmath>
#include <cstring>

#include "core/checksum/crc32.h"
#include "core/image/errors.h"
#include "core/png/messages.h"

namespace vell::png {

using image::raiseError;

void VectorSink::write(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
}

void writeChunk(ByteSink& out, uint32_t type, std::span<const uint8_t> data) {
    uint8_t head[8];
    writeBE32(head, uint32_t(data.size()));
    writeBE32(head + 4, type);
    uint32_t crc = checksum::crc32(head + 4, 4);
    crc = checksum::crc32Update(crc, data.data(), data.size());
    uint8_t tail[4];
    writeBE32(tail, crc);
    out.write(head, 8);
    if (!data.empty()) out.write(data.data(), data.size());
    out.write(tail, 4);
}

void writeSignature(ByteSink& out) {
    out.write(kSignature, 8);
}

// ---- IHDR ----------------------------------------------------------------------------

namespace {
bool validDepth(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
    case kGrey:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kIndexed:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case kRgb:
    case kGreyAlpha:
    case kRgba:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}
} // namespace

Ihdr parseIhdr(std::span<const uint8_t> d) {
    if (d.size() < 13) raiseError<image::EPngInvalidIHDR>(msg::kInvalidIhdr);
    Ihdr h;
    h.width = readBE32(d.data());
    h.height = readBE32(d.data() + 4);
    h.bitDepth = d[8];
    h.colorType = d[9];
    h.compressionMethod = d[10];
    h.filterMethod = d[11];
    h.interlaceMethod = d[12];
    if (h.width > kMaxDimension || h.height > kMaxDimension)
        raiseError<image::EPNGSizeExceeds>(msg::kSizeExceeds);
    if (h.compressionMethod != 0) raiseError<image::EPNGUnknownCompression>(msg::kUnknownCompression);
    if (h.interlaceMethod > 1) raiseError<image::EPNGUnknownInterlace>(msg::kUnknownInterlace);
    // No layout exists for an undefined type/depth pair: refuse it as a damaged header.
    if (!validDepth(h.colorType, h.bitDepth)) raiseError<image::EPngInvalidIHDR>(msg::kInvalidIhdr);
    return h;
}

std::array<uint8_t, 13> serializeIhdr(const Ihdr& h) {
    std::array<uint8_t, 13> d{};
    writeBE32(d.data(), h.width);
    writeBE32(d.data() + 4, h.height);
    d[8] = h.bitDepth == 2 ? 4 : h.bitDepth;
    d[9] = h.colorType;
    d[10] = h.compressionMethod;
    d[11] = h.filterMethod;
    d[12] = h.bitDepth == 2 ? 0 : h.interlaceMethod;
    return d;
}

// ---- PLTE, colour tables ----------------------------------------------------------------

Palette parsePlte(std::span<const uint8_t> d) {
    Palette p;
    p.count = uint32_t(std::min<size_t>(d.size() / 3, 256));
    std::memcpy(p.rgb, d.data(), p.count * 3);
    return p;
}

std::vector<uint8_t> serializePlte(std::span<const Rgbq> table, const uint8_t inverseGamma[256]) {
    std::vector<uint8_t> d;
    d.reserve(table.size() * 3);
    for (const Rgbq& e : table) {
        d.push_back(inverseGamma ? inverseGamma[e.r] : e.r);
        d.push_back(inverseGamma ? inverseGamma[e.g] : e.g);
        d.push_back(inverseGamma ? inverseGamma[e.b] : e.b);
    }
    return d;
}

uint32_t buildColorTable(const Ihdr& h, const Palette* palette, const uint8_t gamma[256], Rgbq out[256]) {
    const Layout l = layoutFor(h, PixelFormat::Stored);
    const uint32_t n = l.colorTableSize;
    auto g = [gamma](uint8_t v) { return gamma ? gamma[v] : v; };
    for (uint32_t i = 0; i < n; ++i) {
        if (h.colorType == kIndexed) {
            const bool have = palette && i < palette->count;
            out[i] = have ? Rgbq{g(palette->rgb[i][2]), g(palette->rgb[i][1]), g(palette->rgb[i][0]), 0}
                          : Rgbq{0, 0, 0, 0};
        } else {
            const uint8_t v = g(uint8_t((i * 255 + (n - 1) / 2) / (n - 1)));
            out[i] = Rgbq{v, v, v, 0};
        }
    }
    return n;
}

// ---- tRNS ----------------------------------------------------------------------------

namespace {
void updateBitTransparency(Transparency& t, uint8_t colorType) {
    if (colorType == kGrey || colorType == kRgb) {
        t.bitTransparency = true;
    } else if (colorType == kIndexed) {
        int notOpaque = 0;
        for (uint16_t i = 0; i < t.size; ++i)
            notOpaque += t.values[i] != 255;
        t.bitTransparency = notOpaque == 1;
    }
}
} // namespace

Transparency parseTrns(std::span<const uint8_t> d, uint8_t colorType) {
    Transparency t;
    t.size = uint16_t(std::min<size_t>(d.size(), 256));
    std::memcpy(t.values, d.data(), t.size);
    updateBitTransparency(t, colorType);
    return t;
}

std::vector<uint8_t> serializeTrns(const Transparency& t, const Ihdr* header) {
    std::vector<uint8_t> d(t.values, t.values + t.size);
    if (header && header->colorType == kGrey && header->bitDepth == 2 && d.size() >= 2 && d[0] == 0 &&
        d[1] < 4)
        d[1] = uint8_t(d[1] * 5);
    return d;
}

uint32_t transparentColor(const Transparency& t, const Ihdr& h, std::span<const Rgbq> table,
                          const uint8_t gamma[256]) {
    constexpr uint32_t kNone = 0xFF000000u;
    switch (h.colorType) {
    case kGrey: {
        if (t.size < 2) return kNone;
        const uint32_t sample = uint32_t(t.values[0]) << 8 | t.values[1];
        const uint32_t index = h.bitDepth == 16 ? sample >> 8 : sample;
        return index < table.size() ? table[index].r * 0x010101u : kNone;
    }
    case kRgb:
    case kRgba: {
        if (t.size < 6) return kNone;
        // 8-bit samples sit in the low byte of each 16-bit field, 16-bit ones are read by
        // their high byte; the setter below writes the same places.
        const int at = h.bitDepth == 16 ? 0 : 1;
        auto g = [gamma](uint8_t v) -> uint32_t { return gamma ? gamma[v] : v; };
        return g(t.values[at]) | g(t.values[2 + at]) << 8 | g(t.values[4 + at]) << 16;
    }
    case kIndexed:
        for (uint32_t i = 0; i < t.size && i < table.size(); ++i)
            if (t.values[i] == 0) return table[i].r | uint32_t(table[i].g) << 8 | uint32_t(table[i].b) << 16;
        return kNone;
    default:
        return kNone;
    }
}

void setTransparentColor(Transparency& t, const Ihdr& h, uint32_t color, std::span<const Rgbq> table) {
    const uint8_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    switch (h.colorType) {
    case kGrey:
        t = Transparency();
        t.size = 2;
        t.values[0] = 0;
        t.values[1] = r;
        break;
    case kRgb:
        t = Transparency();
        t.size = 6;
        t.values[0] = t.values[2] = t.values[4] = 0;
        t.values[1] = r;
        t.values[3] = g;
        t.values[5] = b;
        break;
    case kIndexed:
        t = Transparency();
        t.size = uint16_t(std::min<size_t>(table.size(), 256));
        for (uint16_t i = 0; i < t.size; ++i)
            t.values[i] = table[i].r == r && table[i].g == g && table[i].b == b ? 0 : 255;
        break;
    default:
        return;
    }
    updateBitTransparency(t, h.colorType);
}

// ---- gAMA ----------------------------------------------------------------------------

std::optional<uint32_t> parseGama(std::span<const uint8_t> d) {
    if (d.size() < 4) return std::nullopt;
    return readBE32(d.data());
}

std::array<uint8_t, 4> serializeGama(uint32_t gamma) {
    std::array<uint8_t, 4> d;
    writeBE32(d.data(), gamma);
    return d;
}

void buildGammaTables(uint32_t g, uint8_t gamma[256], uint8_t inverse[256]) {
    for (int i = 0; i < 256; ++i)
        gamma[i] = inverse[i] = uint8_t(i);
    if (g == 0) return;
    const double exponent = 1.0 / (double(g) / 100000.0 * 2.2);
    for (int i = 0; i < 256; ++i) {
        const double v = std::nearbyint(255.0 * std::pow(i / 255.0, exponent)); // halves to even
        gamma[i] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    for (int i = 0; i < 256; ++i)
        inverse[gamma[i]] = uint8_t(i);
}

// ---- pHYs, tIME ---------------------------------------------------------------------

PhysicalSize parsePhys(std::span<const uint8_t> d) {
    PhysicalSize p;
    if (d.size() < 9) return p;
    p.ppuX = readBE32(d.data());
    p.ppuY = readBE32(d.data() + 4);
    p.unit = d[8];
    return p;
}

std::array<uint8_t, 9> serializePhys(const PhysicalSize& p) {
    std::array<uint8_t, 9> d;
    writeBE32(d.data(), p.ppuX);
    writeBE32(d.data() + 4, p.ppuY);
    d[8] = p.unit;
    return d;
}

TimeStamp parseTime(std::span<const uint8_t> d) {
    TimeStamp t;
    if (d.size() != 7) return t;
    t.year = uint16_t(d[0] << 8 | d[1]);
    t.month = d[2];
    t.day = d[3];
    t.hour = d[4];
    t.minute = d[5];
    t.second = d[6];
    return t;
}

std::array<uint8_t, 7> serializeTime(const TimeStamp& t) {
    return {uint8_t(t.year >> 8), uint8_t(t.year), t.month, t.day, t.hour, t.minute, t.second};
}

// ---- tEXt, zTXt ---------------------------------------------------------------------

namespace {
// Splits at the first zero byte: keyword before it; returns the offset after it (or the size).
size_t splitKeyword(std::span<const uint8_t> d, std::string& keyword) {
    const auto* zero = static_cast<const uint8_t*>(std::memchr(d.data(), 0, d.size()));
    const size_t k = zero ? size_t(zero - d.data()) : d.size();
    keyword.assign(reinterpret_cast<const char*>(d.data()), k);
    return zero ? k + 1 : d.size();
}

// Inflates a whole zlib stream; the output grows in 256-byte steps. Empty on any error or
// when the text would exceed `limit`.
std::string inflateAll(std::span<const uint8_t> in, uint32_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    std::string out;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (out.size() >= limit) {
            rc = Z_MEM_ERROR;
            break;
        }
        const size_t used = out.size();
        out.resize(std::min<size_t>(used + 256, limit));
        z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        z.avail_out = uInt(out.size() - used);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_out != 0) break; // input exhausted before the end
        if (rc == Z_BUF_ERROR) rc = Z_OK;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::string();
}
} // namespace

TextChunk parseText(std::span<const uint8_t> d) {
    TextChunk t;
    if (d.size() < 3) return t;
    const size_t at = splitKeyword(d, t.keyword);
    t.text.assign(reinterpret_cast<const char*>(d.data()) + at, d.size() - at);
    return t;
}

std::vector<uint8_t> serializeText(const TextChunk& t) {
    std::vector<uint8_t> d(t.keyword.begin(), t.keyword.end());
    d.push_back(0);
    d.insert(d.end(), t.text.begin(), t.text.end());
    return d;
}

TextChunk parseZtxt(std::span<const uint8_t> d, uint32_t maxTextBytes) {
    TextChunk t;
    if (d.size() < 4) return t;
    const size_t at = splitKeyword(d, t.keyword);
    if (at < d.size() && d[at] == 0) t.text = inflateAll(d.subspan(at + 1), maxTextBytes);
    return t;
}

std::optional<std::vector<uint8_t>> serializeZtxt(const TextChunk& t, int level) {
    const std::string& text = t.text.empty() ? std::string(" ") : t.text;
    uLongf size = compressBound(uLong(text.size()));
    std::vector<uint8_t> packed(size);
    if (compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()),
                  level) != Z_OK)
        return std::nullopt;
    std::vector<uint8_t> d(t.keyword.begin(), t.keyword.end());
    d.push_back(0);
    d.push_back(0);
    d.insert(d.end(), packed.begin(), packed.begin() + size);
    return d;
}

// ---- DEVUR ---------------------------------------------------------------------------

namespace {
bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i]))) return false;
    return true;
}

// Lines split at CR LF, LF or CR; a final line break makes no empty line.
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n')
            ++j;
        lines.emplace_back(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
        i = j + 1;
    }
    return lines;
}

std::string_view lineName(std::string_view line) {
    const size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

// The value of the first line named `name`, as a number; empty when missing or non-numeric.
std::optional<long> numberOf(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (!equalNoCase(lineName(line), name)) continue;
        std::string_view v = std::string_view(line).substr(name.size() + 1);
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        bool negative = false;
        if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
            negative = v.front() == '-';
            v.remove_prefix(1);
        }
        if (v.empty() || v.size() > 9) return std::nullopt;
        long n = 0;
        for (char c : v) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + (c - '0');
        }
        return negative ? -n : n;
    }
    return std::nullopt;
}

constexpr std::string_view kDevur = "DEVUR", kSmoothFilter = "SmoothFilter",
                           kAlphaBlendValue = "AlphaBlendValue", kGrayMode = "GrayMode";
} // namespace

bool isDevurKeyword(std::string_view keyword) {
    return equalNoCase(keyword, kDevur);
}

DrawProperties readDevur(std::string_view text, DrawProperties current) {
    const auto lines = splitLines(text);
    // An opacity outside a byte is treated like a missing entry rather than wrapped.
    if (auto v = numberOf(lines, kAlphaBlendValue); v && *v >= 0 && *v <= 255)
        current.alphaBlendValue = uint8_t(*v);
    if (auto v = numberOf(lines, kGrayMode)) current.grayMode = *v != 0;
    if (auto v = numberOf(lines, kSmoothFilter)) current.smoothFilter = *v >= 0 && *v <= 2 ? uint8_t(*v) : 0;
    return current;
}

TextChunk writeDevur(const TextChunk& t, const DrawProperties& props) {
    if (!isDevurKeyword(t.keyword) && props.isDefault()) return t;
    auto lines = splitLines(t.text);
    auto set = [&lines](std::string_view name, bool isDefault, const std::string& value) {
        for (auto it = lines.begin(); it != lines.end(); ++it) {
            if (!equalNoCase(lineName(*it), name)) continue;
            if (isDefault)
                lines.erase(it);
            else
                *it = std::string(name) + "=" + value;
            return;
        }
        if (!isDefault) lines.push_back(std::string(name) + "=" + value);
    };
    set(kSmoothFilter, props.smoothFilter == 0, std::to_string(props.smoothFilter));
    set(kAlphaBlendValue, props.alphaBlendValue == 255, std::to_string(props.alphaBlendValue));
    set(kGrayMode, !props.grayMode, "1");
    TextChunk out;
    out.keyword = props.isDefault() ? t.keyword : std::string(kDevur);
    for (const std::string& line : lines)
        out.text += line + "\r\n";
    return out;
}

} // namespace vell::png
