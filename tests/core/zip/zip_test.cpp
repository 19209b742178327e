#include "core/zip/zip_reader.h"
#include "core/zip/zip_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>

using namespace vell::zip;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// A little archive of every kind of entry the packages use.
Bytes sample() {
    ZipWriter w;
    w.add("main.ini", "[validate]\r\nskinname=black\r\n", ZipWriter::Method::Stored);
    w.add("images/", Bytes{});
    w.add("images/a.png", Bytes(3000, 0x5A));
    w.add("images/icons/b.png", "bbb");
    w.add("empty.txt", "");
    return w.finish();
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}
void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::size_t endRecord(const Bytes& b) {
    return b.size() - 22;
}
// Offset of the central directory record of entry i (records of the sample have no
// extra fields or comments).
std::size_t centralRecord(const Bytes& b, int i) {
    std::size_t at = get32(b, endRecord(b) + 16);
    for (; i > 0; --i)
        at += 46 + (b[at + 28] | b[at + 29] << 8);
    return at;
}

} // namespace

TEST(ZipArchive, ReadsEveryEntryKindBack) {
    ZipError err;
    auto zip = ZipArchive::open(sample(), {}, &err);
    ASSERT_TRUE(zip) << errorText(err);
    ASSERT_EQ(zip->entryCount(), 5u);
    Bytes out;
    EXPECT_EQ(zip->read("main.ini", out), ZipError::None);
    EXPECT_EQ(out, text("[validate]\r\nskinname=black\r\n"));
    EXPECT_EQ(zip->read("images/a.png", out), ZipError::None);
    EXPECT_EQ(out, Bytes(3000, 0x5A));
    EXPECT_LT(zip->entry(std::size_t(zip->find("images/a.png"))).compressedSize, 100u);
    EXPECT_EQ(zip->read("empty.txt", out), ZipError::None);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(zip->read("missing.png", out), ZipError::NotFound);
}

TEST(ZipArchive, LookupPrefersExactNameThenIgnoresCaseAndSlashes) {
    ZipWriter w;
    w.add("Images/Logo.PNG", "upper");
    w.add("images/logo.png", "lower");
    auto zip = ZipArchive::open(w.finish());
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->find("Images/Logo.PNG"), 0);
    EXPECT_EQ(zip->find("images/logo.png"), 1);
    EXPECT_EQ(zip->find("IMAGES\\LOGO.png"), 0);
    EXPECT_EQ(zip->find("images/logo"), -1);
}

TEST(ZipArchive, ListsFoldersIncludingImpliedOnesAndFiles) {
    auto zip = ZipArchive::open(sample());
    ASSERT_TRUE(zip);
    std::vector<std::string> dirs, files;
    zip->list("", dirs, files);
    EXPECT_EQ(dirs, (std::vector<std::string>{"images"}));
    EXPECT_EQ(files, (std::vector<std::string>{"main.ini", "empty.txt"}));
    zip->list("/IMAGES", dirs, files);
    EXPECT_EQ(dirs, (std::vector<std::string>{"icons"}));
    EXPECT_EQ(files, (std::vector<std::string>{"a.png"}));
    zip->list("nothing/", dirs, files);
    EXPECT_TRUE(dirs.empty() && files.empty());
}

TEST(ZipArchive, RefusesArchivesThatDoNotAddUp) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        ZipError expected;
    };
    const Case cases[] = {
        {"empty file", [](Bytes& b) { b.clear(); }, ZipError::NotZip},
        {"shorter than an end record", [](Bytes& b) { b.resize(21); }, ZipError::NotZip},
        {"plain text", [](Bytes& b) { b = text(std::string(200, 'x')); }, ZipError::NotZip},
        {"end record cut off", [](Bytes& b) { b.resize(b.size() - 1); }, ZipError::NotZip},
        {"directory past the end", [](Bytes& b) { put32(b, endRecord(b) + 16, 0x7FFFFFF0); },
         ZipError::NotZip},
        {"directory size past the end", [](Bytes& b) { put32(b, endRecord(b) + 12, 0x7FFFFFF0); },
         ZipError::NotZip},
        {"absurd entry count",
         [](Bytes& b) {
             put16(b, endRecord(b) + 8, 60000);
             put16(b, endRecord(b) + 10, 60000);
         },
         ZipError::BadDirectory},
        {"ZIP64 marker", [](Bytes& b) { put16(b, endRecord(b) + 10, 0xFFFF); }, ZipError::Unsupported},
        {"second disk", [](Bytes& b) { put16(b, endRecord(b) + 4, 1); }, ZipError::Unsupported},
        {"broken directory signature", [](Bytes& b) { b[centralRecord(b, 2)] ^= 0xFF; },
         ZipError::BadDirectory},
        {"name longer than the directory", [](Bytes& b) { put16(b, centralRecord(b, 4) + 28, 5000); },
         ZipError::BadDirectory},
        {"declared sizes over the package limit",
         [](Bytes& b) { put32(b, centralRecord(b, 2) + 24, 0x7FFFFFFF); }, ZipError::TooLarge},
    };
    for (const Case& c : cases) {
        Bytes b = sample();
        c.damage(b);
        ZipLimits limits;
        limits.maxTotalBytes = 1u << 30;
        ZipError err = ZipError::None;
        EXPECT_FALSE(ZipArchive::open(b, limits, &err)) << c.what;
        EXPECT_EQ(err, c.expected) << c.what << ": " << errorText(err);
    }
}

TEST(ZipArchive, RefusesEntriesWhoseBytesDisagreeWithTheDirectory) {
    struct Case {
        const char* what;
        int entry;
        std::function<void(Bytes&)> damage;
        ZipError expected;
    };
    // Entry 0 is stored, entry 2 deflated (3000 bytes), entry 3 deflated (3 bytes).
    const Case cases[] = {
        {"declared larger", 2, [](Bytes& b) { put32(b, centralRecord(b, 2) + 24, 3001); },
         ZipError::SizeMismatch},
        {"declared smaller", 2, [](Bytes& b) { put32(b, centralRecord(b, 2) + 24, 2999); },
         ZipError::SizeMismatch},
        {"wrong CRC", 3, [](Bytes& b) { b[centralRecord(b, 3) + 16] ^= 1; }, ZipError::CrcMismatch},
        {"stored with two sizes", 0, [](Bytes& b) { put32(b, centralRecord(b, 0) + 24, 5); },
         ZipError::SizeMismatch},
        {"stored byte changed", 0, [](Bytes& b) { b[30 + 8 + 3] ^= 1; }, ZipError::CrcMismatch},
        {"unknown method", 3, [](Bytes& b) { put16(b, centralRecord(b, 3) + 10, 12); },
         ZipError::Unsupported},
        {"encrypted", 3, [](Bytes& b) { put16(b, centralRecord(b, 3) + 8, 1); }, ZipError::Unsupported},
        {"local header beyond the data", 3, [](Bytes& b) { put32(b, centralRecord(b, 3) + 42, 0x10000000); },
         ZipError::Truncated},
        {"local header not a header", 3, [](Bytes& b) { put32(b, centralRecord(b, 3) + 42, 1); },
         ZipError::BadDirectory},
        {"data runs into the directory", 3, [](Bytes& b) { put32(b, centralRecord(b, 3) + 20, 0x100000); },
         ZipError::Truncated},
        {"local name length runs away", 0, [](Bytes& b) { put16(b, 26, 0xFFFF); }, ZipError::Truncated},
        {"impossible compression ratio", 3, [](Bytes& b) { put32(b, centralRecord(b, 3) + 24, 50000000); },
         ZipError::SizeMismatch},
        {"compressed bytes damaged", 2,
         [](Bytes& b) {
             const std::size_t local = get32(b, centralRecord(b, 2) + 42);
             b[local + 30 + 12 + get32(b, centralRecord(b, 2) + 20) / 2] ^= 0xFF;
         },
         ZipError::None},
    };
    for (const Case& c : cases) {
        Bytes b = sample();
        c.damage(b);
        auto zip = ZipArchive::open(b);
        ASSERT_TRUE(zip) << c.what;
        Bytes out{1, 2, 3};
        ZipError err = zip->read(std::size_t(c.entry), out);
        if (c.expected == ZipError::None) {
            // Damage inside a deflate stream shows as bad data, a size or a CRC mismatch.
            EXPECT_NE(err, ZipError::None) << c.what;
        } else {
            EXPECT_EQ(err, c.expected) << c.what << ": " << errorText(err);
        }
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(ZipArchive, CapsWhatOneEntryMayInflateTo) {
    // 64 MiB of zeros deflates to about 64 KiB; declared as such it is refused by the
    // entry limit, declared small it stops as soon as the declared size is exceeded.
    const Bytes zeros(64u << 20, 0);
    ZipWriter w;
    w.add("bomb.bin", zeros);
    Bytes b = w.finish();
    ZipLimits limits;
    limits.maxEntryBytes = 1u << 20;
    auto zip = ZipArchive::open(b, limits);
    ASSERT_TRUE(zip);
    Bytes out;
    EXPECT_EQ(zip->read(0, out), ZipError::TooLarge);
    put32(b, centralRecord(b, 0) + 24, 1000);
    zip = ZipArchive::open(b, limits);
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->read(0, out), ZipError::SizeMismatch);
    EXPECT_TRUE(out.empty());
}

TEST(ZipArchive, EveryTruncationFailsCleanly) {
    const Bytes full = sample();
    for (std::size_t len = 0; len < full.size(); ++len) {
        Bytes b(full.begin(), full.begin() + std::ptrdiff_t(len));
        auto zip = ZipArchive::open(b);
        if (!zip) continue;
        Bytes out;
        for (std::size_t i = 0; i < zip->entryCount(); ++i)
            zip->read(i, out);
    }
}

TEST(ZipArchive, CommentsAndRecordLookalikesInThemAreSkipped) {
    Bytes b = sample();
    const std::size_t end = endRecord(b);
    // A comment that itself contains an end-record signature.
    Bytes comment = {'P', 'K', 5, 6, 0, 0, 0, 0, 'h', 'i'};
    put16(b, end + 20, std::uint16_t(comment.size()));
    b.insert(b.end(), comment.begin(), comment.end());
    auto zip = ZipArchive::open(b);
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->entryCount(), 5u);
}
