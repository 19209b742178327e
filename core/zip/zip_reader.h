// Reading ZIP archives that may be hostile: every offset, size and count in the file is
// checked against the file itself before it is used, entries must inflate to exactly
// their declared size and CRC-32, and the amount an entry or a whole archive may
// inflate to is capped. The archive owns its bytes; nothing is read outside them.
//
// Supported: stored (0) and deflated (8) entries of a single-disk archive without
// encryption. ZIP64, spanning and other methods are refused with a named error.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vell::zip {

enum class ZipError {
    None,
    NotZip,       // no end-of-central-directory record, or it points nowhere sensible
    Truncated,    // a structure or an entry's data reaches past the end of the file
    BadDirectory, // central directory entries that do not parse
    Unsupported,  // ZIP64, multi-disk, encrypted entries, unknown compression methods
    TooLarge,     // over one of the limits
    NotFound,     // no entry of that name
    BadData,      // the compressed stream is damaged
    SizeMismatch, // the entry inflates to another size than it declares
    CrcMismatch,  // the entry's bytes do not match its CRC-32
};

const char* errorText(ZipError e);

struct ZipLimits {
    std::uint64_t maxArchiveBytes = 512ull << 20; // the file itself
    std::uint32_t maxEntries = 100000;
    std::uint32_t maxEntryBytes = 128u << 20; // one entry, inflated
    std::uint64_t maxTotalBytes = 1ull << 30; // all entries together, as declared
};

struct ZipEntry {
    std::string name;         // as stored, with "\" turned into "/"
    std::uint16_t method = 0; // 0 stored, 8 deflated
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0; // declared, inflated
    std::uint32_t localHeaderOffset = 0;
    bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

class ZipArchive {
  public:
    // Parses the central directory of bytes. On failure returns null and sets *error.
    static std::unique_ptr<ZipArchive> open(std::vector<std::uint8_t> bytes, const ZipLimits& limits = {},
                                            ZipError* error = nullptr);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    std::size_t entryCount() const;
    const ZipEntry& entry(std::size_t index) const;

    // Index of the entry called name, or -1. Exact names are found first; otherwise the
    // lookup ignores ASCII case and treats "\" as "/".
    long find(std::string_view name) const;

    // Inflates one entry into out (replaced). On any error out is left empty.
    ZipError read(std::size_t index, std::vector<std::uint8_t>& out) const;
    ZipError read(std::string_view name, std::vector<std::uint8_t>& out) const;

    // Names directly below folder (given with or without a trailing "/"; empty for the
    // top): sub-folders, including those only implied by deeper entries, and files, each
    // in the order of their first appearance in the archive.
    void list(std::string_view folder, std::vector<std::string>& folders,
              std::vector<std::string>& files) const;

  private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace vell::zip
