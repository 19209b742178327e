#include "core/zip/zip_writer.h"

#include "core/checksum/crc32.h"

#include <zlib.h>

#include <stdexcept>

namespace vell::zip {

namespace {

void put16(std::vector<std::uint8_t>& o, std::uint32_t v) {
    o.push_back(std::uint8_t(v));
    o.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
    put16(o, v & 0xFFFF);
    put16(o, v >> 16);
}

std::vector<std::uint8_t> deflateRaw(const std::vector<std::uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::vector<std::uint8_t> out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

// 1 January 2020, 00:00, in DOS date and time: fixed so that archives are reproducible.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (40 << 9) | (1 << 5) | 1;

} // namespace

void ZipWriter::add(std::string_view name, const std::vector<std::uint8_t>& data, Method method) {
    Item it;
    it.name = std::string(name);
    const bool folder = !it.name.empty() && it.name.back() == '/';
    const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t>& bytes = folder ? none : data;
    it.crc = checksum::crc32(bytes.data(), bytes.size());
    it.size = std::uint32_t(bytes.size());
    if (method == Method::Deflated && !folder) {
        it.method = 8;
        it.packed = deflateRaw(bytes);
    } else {
        it.method = 0;
        it.packed = bytes;
    }
    items_.push_back(std::move(it));
}

void ZipWriter::add(std::string_view name, std::string_view text, Method method) {
    add(name, std::vector<std::uint8_t>(text.begin(), text.end()), method);
}

// The fields that local and central headers share, from "version needed" to the extra
// field's length (always 0).
void ZipWriter::putCommonFields(std::vector<std::uint8_t>& out, const Item& it) {
    put16(out, 20);
    put16(out, 0x0800); // names are UTF-8
    put16(out, it.method);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, it.crc);
    put32(out, std::uint32_t(it.packed.size()));
    put32(out, it.size);
    put16(out, std::uint32_t(it.name.size()));
    put16(out, 0);
}

std::vector<std::uint8_t> ZipWriter::finish() const {
    std::vector<std::uint8_t> out;
    std::vector<std::uint32_t> offsets;
    for (const Item& it : items_) {
        offsets.push_back(std::uint32_t(out.size()));
        put32(out, 0x04034b50);
        putCommonFields(out, it);
        out.insert(out.end(), it.name.begin(), it.name.end());
        out.insert(out.end(), it.packed.begin(), it.packed.end());
    }
    const std::uint32_t centralOffset = std::uint32_t(out.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const Item& it = items_[i];
        const bool folder = !it.name.empty() && it.name.back() == '/';
        put32(out, 0x02014b50);
        put16(out, 20); // made by
        putCommonFields(out, it);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, folder ? 0x10 : 0x20); // MS-DOS directory or archive attribute
        put32(out, offsets[i]);
        out.insert(out.end(), it.name.begin(), it.name.end());
    }
    const std::uint32_t centralSize = std::uint32_t(out.size()) - centralOffset;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, std::uint32_t(items_.size()));
    put16(out, std::uint32_t(items_.size()));
    put32(out, centralSize);
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

} // namespace vell::zip
