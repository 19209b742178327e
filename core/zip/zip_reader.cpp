#include "core/zip/zip_reader.h"

#include "core/checksum/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace vell::zip {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;
// Deflate cannot expand data by more than about 1032:1; a declared size beyond that
// for the stored number of compressed bytes is a lie, refused before allocating.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Little-endian reads from a range whose bounds the caller has already checked.
std::uint16_t u16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

char foldChar(char c) {
    if (c == '\\') return '/';
    if (c >= 'A' && c <= 'Z') return char(c - 'A' + 'a');
    return c;
}

std::string fold(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = foldChar(c);
    return r;
}

bool startsWithFolded(std::string_view name, std::string_view foldedPrefix) {
    if (name.size() < foldedPrefix.size()) return false;
    for (std::size_t i = 0; i < foldedPrefix.size(); ++i)
        if (foldChar(name[i]) != foldedPrefix[i]) return false;
    return true;
}

struct EntryFlags {
    bool encrypted = false;
    bool zip64 = false;
};

} // namespace

const char* errorText(ZipError e) {
    switch (e) {
    case ZipError::None:
        return "no error";
    case ZipError::NotZip:
        return "not a ZIP archive";
    case ZipError::Truncated:
        return "truncated archive";
    case ZipError::BadDirectory:
        return "damaged central directory";
    case ZipError::Unsupported:
        return "unsupported ZIP feature";
    case ZipError::TooLarge:
        return "over the size limits";
    case ZipError::NotFound:
        return "no such entry";
    case ZipError::BadData:
        return "damaged compressed data";
    case ZipError::SizeMismatch:
        return "entry size differs from its declared size";
    case ZipError::CrcMismatch:
        return "entry CRC-32 mismatch";
    }
    return "unknown error";
}

struct ZipArchive::State {
    std::vector<std::uint8_t> bytes;
    ZipLimits limits;
    std::uint64_t centralOffset = 0; // entry data must lie before the central directory
    std::vector<ZipEntry> entries;
    std::vector<EntryFlags> flags;
    std::unordered_map<std::string, std::size_t> exact;
    std::unordered_map<std::string, std::size_t> folded;
    // Set once an entry has inflated to its declared size and CRC: the archive's bytes
    // never change, so later reads of it need not check again.
    std::unique_ptr<std::atomic<bool>[]> verified;
};

ZipArchive::ZipArchive(std::unique_ptr<State> state) : s_(std::move(state)) {}
ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(std::vector<std::uint8_t> bytes, const ZipLimits& limits,
                                             ZipError* error) {
    auto fail = [error](ZipError e) {
        if (error) *error = e;
        return std::unique_ptr<ZipArchive>();
    };
    if (error) *error = ZipError::None;
    if (bytes.size() > limits.maxArchiveBytes) return fail(ZipError::TooLarge);
    const std::size_t size = bytes.size();
    if (size < kEndSize) return fail(ZipError::NotZip);
    const std::uint8_t* data = bytes.data();

    // The end record is the last one whose comment reaches exactly to the end of the
    // file; a record-like byte pattern inside a comment does not qualify.
    std::size_t endPos = SIZE_MAX;
    const std::size_t lowest = size - kEndSize > kMaxComment ? size - kEndSize - kMaxComment : 0;
    for (std::size_t pos = size - kEndSize + 1; pos-- > lowest;) {
        if (u32(data + pos) == kEndSignature && pos + kEndSize + u16(data + pos + 20) == size) {
            endPos = pos;
            break;
        }
    }
    if (endPos == SIZE_MAX) return fail(ZipError::NotZip);
    const std::uint8_t* end = data + endPos;
    const std::uint16_t diskNumber = u16(end + 4), centralDisk = u16(end + 6);
    const std::uint16_t diskEntries = u16(end + 8), totalEntries = u16(end + 10);
    const std::uint32_t centralSize = u32(end + 12), centralOffset = u32(end + 16);
    if (totalEntries == 0xFFFF || centralSize == 0xFFFFFFFF || centralOffset == 0xFFFFFFFF)
        return fail(ZipError::Unsupported);
    if (diskNumber != 0 || centralDisk != 0 || diskEntries != totalEntries)
        return fail(ZipError::Unsupported);
    if (std::uint64_t(centralOffset) + centralSize > endPos) return fail(ZipError::NotZip);
    if (totalEntries > limits.maxEntries) return fail(ZipError::TooLarge);
    if (std::uint64_t(totalEntries) * kCentralSize > centralSize) return fail(ZipError::BadDirectory);

    auto state = std::make_unique<State>();
    state->limits = limits;
    state->centralOffset = centralOffset;
    state->entries.reserve(totalEntries);
    state->flags.reserve(totalEntries);
    std::uint64_t declaredTotal = 0;
    std::size_t pos = centralOffset;
    const std::size_t centralEnd = std::size_t(centralOffset) + centralSize;
    for (unsigned i = 0; i < totalEntries; ++i) {
        if (centralEnd - pos < kCentralSize) return fail(ZipError::BadDirectory);
        const std::uint8_t* h = data + pos;
        if (u32(h) != kCentralSignature) return fail(ZipError::BadDirectory);
        const std::size_t nameLen = u16(h + 28), extraLen = u16(h + 30), commentLen = u16(h + 32);
        const std::size_t recordLen = kCentralSize + nameLen + extraLen + commentLen;
        if (centralEnd - pos < recordLen) return fail(ZipError::BadDirectory);
        ZipEntry e;
        e.method = u16(h + 10);
        e.crc32 = u32(h + 16);
        e.compressedSize = u32(h + 20);
        e.size = u32(h + 24);
        e.localHeaderOffset = u32(h + 42);
        e.name.assign(reinterpret_cast<const char*>(h + kCentralSize), nameLen);
        std::replace(e.name.begin(), e.name.end(), '\\', '/');
        EntryFlags f;
        f.encrypted = (u16(h + 8) & 1) != 0;
        f.zip64 = e.compressedSize == 0xFFFFFFFF || e.size == 0xFFFFFFFF || e.localHeaderOffset == 0xFFFFFFFF;
        if (!f.zip64) declaredTotal += e.size;
        if (declaredTotal > limits.maxTotalBytes) return fail(ZipError::TooLarge);
        state->exact.emplace(e.name, state->entries.size());
        state->folded.emplace(fold(e.name), state->entries.size());
        state->entries.push_back(std::move(e));
        state->flags.push_back(f);
        pos += recordLen;
    }
    state->bytes = std::move(bytes);
    state->verified = std::make_unique<std::atomic<bool>[]>(state->entries.size());
    return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(state)));
}

std::size_t ZipArchive::entryCount() const {
    return s_->entries.size();
}
const ZipEntry& ZipArchive::entry(std::size_t index) const {
    return s_->entries.at(index);
}

long ZipArchive::find(std::string_view name) const {
    auto it = s_->exact.find(std::string(name));
    if (it != s_->exact.end()) return long(it->second);
    auto f = s_->folded.find(fold(name));
    return f != s_->folded.end() ? long(f->second) : -1;
}

namespace {

// Inflates a raw deflate stream into exactly out.size() bytes. The stream must end
// there: more output, or an end before out is full, is a size mismatch.
ZipError inflateExact(const std::uint8_t* in, std::uint32_t inLen, std::vector<std::uint8_t>& out) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return ZipError::TooLarge;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = inLen;
    // zlib refuses a null output pointer even with no room; an empty entry gets a dummy.
    std::uint8_t dummy;
    z.next_out = out.empty() ? &dummy : out.data();
    z.avail_out = uInt(out.size());
    ZipError result = ZipError::None;
    for (;;) {
        int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            if (z.total_out != out.size()) result = ZipError::SizeMismatch;
            break;
        }
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_STREAM_ERROR) {
            result = ZipError::BadData;
            break;
        }
        if (rc == Z_MEM_ERROR) {
            result = ZipError::TooLarge;
            break;
        }
        if (z.avail_out == 0) {
            // The buffer is full but the stream has not ended: one more byte of output
            // proves the entry is larger than declared; a clean end means it fits.
            std::uint8_t probe;
            z.next_out = &probe;
            z.avail_out = 1;
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END && z.avail_out == 1) break;
            if (z.avail_out == 0)
                result = ZipError::SizeMismatch;
            else if (rc == Z_DATA_ERROR)
                result = ZipError::BadData;
            else
                result = ZipError::Truncated;
            break;
        }
        if (z.avail_in == 0 || rc == Z_BUF_ERROR) {
            result = ZipError::Truncated;
            break;
        }
    }
    inflateEnd(&z);
    return result;
}

} // namespace

ZipError ZipArchive::read(std::size_t index, std::vector<std::uint8_t>& out) const {
    out.clear();
    if (index >= s_->entries.size()) return ZipError::NotFound;
    const ZipEntry& e = s_->entries[index];
    const EntryFlags& f = s_->flags[index];
    if (f.zip64 || f.encrypted || (e.method != 0 && e.method != 8)) return ZipError::Unsupported;
    if (e.size > s_->limits.maxEntryBytes) return ZipError::TooLarge;
    if (e.method == 0 && e.compressedSize != e.size) return ZipError::SizeMismatch;
    if (e.method == 8 && e.size > std::uint64_t(e.compressedSize) * kMaxDeflateRatio + 64)
        return ZipError::SizeMismatch;

    // The local header repeats the name and carries its own extra field; only its
    // lengths are used, and the data must end before the central directory starts.
    const std::uint64_t limit = s_->centralOffset;
    if (std::uint64_t(e.localHeaderOffset) + kLocalSize > limit) return ZipError::Truncated;
    const std::uint8_t* h = s_->bytes.data() + e.localHeaderOffset;
    if (u32(h) != kLocalSignature) return ZipError::BadDirectory;
    const std::uint64_t dataOffset =
        std::uint64_t(e.localHeaderOffset) + kLocalSize + u16(h + 26) + u16(h + 28);
    if (dataOffset + e.compressedSize > limit) return ZipError::Truncated;
    const std::uint8_t* packed = s_->bytes.data() + dataOffset;

    std::vector<std::uint8_t> data;
    if (e.method == 0) {
        data.assign(packed, packed + e.size);
    } else {
        data.resize(e.size);
        if (ZipError rc = inflateExact(packed, e.compressedSize, data); rc != ZipError::None) return rc;
    }
    if (!s_->verified[index].load(std::memory_order_acquire)) {
        const std::uint32_t crc = checksum::crc32(data.data(), data.size());
        if (crc != e.crc32) return ZipError::CrcMismatch;
        s_->verified[index].store(true, std::memory_order_release);
    }
    out = std::move(data);
    return ZipError::None;
}

ZipError ZipArchive::read(std::string_view name, std::vector<std::uint8_t>& out) const {
    long index = find(name);
    if (index < 0) {
        out.clear();
        return ZipError::NotFound;
    }
    return read(std::size_t(index), out);
}

void ZipArchive::list(std::string_view folder, std::vector<std::string>& folders,
                      std::vector<std::string>& files) const {
    folders.clear();
    files.clear();
    std::string prefix = fold(folder);
    while (!prefix.empty() && prefix.front() == '/')
        prefix.erase(0, 1);
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    std::unordered_set<std::string> seenFolders, seenFiles;
    for (const ZipEntry& e : s_->entries) {
        if (!startsWithFolded(e.name, prefix)) continue;
        std::string_view rest = std::string_view(e.name).substr(prefix.size());
        std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            if (!rest.empty() && seenFiles.insert(fold(rest)).second) files.emplace_back(rest);
        } else if (slash > 0) {
            std::string_view sub = rest.substr(0, slash);
            if (seenFolders.insert(fold(sub)).second) folders.emplace_back(sub);
        }
    }
}

} // namespace vell::zip
