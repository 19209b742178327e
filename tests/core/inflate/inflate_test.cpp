#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/zlib_reference.h"

using namespace vell::inflate;
using namespace vell::inflate::reference;

namespace {

using Bytes = std::vector<uint8_t>;

// Text with what picture data holds: long runs of one byte, short periods (pixels),
// literals, and copies from up to the whole window back.
Bytes sampleText(size_t size, uint32_t seed) {
    Bytes t;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 16; };
    while (t.size() < size) {
        const uint32_t kind = next() % 5;
        const size_t n = 1 + next() % 600;
        if (kind == 0 || t.size() < 40000) {
            for (size_t i = 0; i < n; ++i)
                t.push_back(uint8_t(next()));
        } else if (kind == 1) {
            t.insert(t.end(), n, uint8_t(next()));
        } else {
            const size_t distance = kind == 2   ? 2 + next() % 7
                                    : kind == 3 ? 8 + next() % 60
                                                : 32768 - next() % 100;
            for (size_t i = 0; i < n; ++i)
                t.push_back(t[t.size() - distance]);
        }
    }
    t.resize(size);
    return t;
}

std::string describe(const Result& r) {
    return "outcome " + std::to_string(int(r.outcome)) + " \"" + r.message + "\" " +
           std::to_string(r.bytes.size()) + " bytes";
}

void expectSameAsZlib(const Bytes& stream, size_t room, size_t piece, const std::string& what) {
    const Result theirs = zlibInflate(stream, room), ours = ourInflate(stream, room, piece);
    EXPECT_TRUE(theirs == ours) << what << " piece " << piece << ": zlib " << describe(theirs) << ", ours "
                                << describe(ours);
}

// Deflate streams written bit by bit, for the damaged ones zlib makes no encoder for.
class BitWriter {
  public:
    // A zlib header and the header bits of a final block of `type` (1 fixed, 2 dynamic).
    explicit BitWriter(unsigned type) {
        bytes_ = {0x78, 0x9C};
        put(1, 1);
        put(type, 2);
    }
    void put(uint32_t value, unsigned bits) {
        for (unsigned i = 0; i < bits; ++i)
            putBit((value >> i) & 1);
    }
    // A Huffman code: its most significant bit first.
    void putCode(uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;)
            putBit((code >> i) & 1);
    }
    // Fixed-code symbols.
    void literalLength(unsigned s) {
        if (s < 144)
            putCode(0x30 + s, 8);
        else if (s < 256)
            putCode(0x190 + s - 144, 9);
        else if (s < 280)
            putCode(s - 256, 7);
        else
            putCode(0xC0 + s - 280, 8);
    }
    void distance(unsigned s) { putCode(s, 5); }
    // The rest of a dynamic block's header, with a code-length code gives 0 one bit, 1 and 2 two
    // bits ("0", "10", "11"), and 16 and 18 five bits each when asked for.
    void dynamicHeader(unsigned literals, unsigned distances, bool repeats = false) {
        put(literals - 257, 5);
        put(distances - 1, 5);
        static const unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        unsigned lengths[19] = {};
        lengths[0] = 1;
        lengths[1] = lengths[2] = repeats ? 3 : 2;
        if (repeats) lengths[16] = lengths[18] = 3;
        put(18 - 4, 4);
        for (unsigned i = 0; i < 18; ++i)
            put(lengths[kOrder[i]], 3);
        repeats_ = repeats;
    }
    // One code length in the code-length code of dynamicHeader.
    void codeLength(unsigned s) {
        if (!repeats_) {
            if (s == 0)
                putCode(0, 1);
            else
                putCode(s == 1 ? 2 : 3, 2);
            return;
        }
        // 0: "0"; 1, 2, 16, 18: "100", "101", "110", "111".
        if (s == 0)
            putCode(0, 1);
        else
            putCode(s == 1 ? 4 : s == 2 ? 5 : s == 16 ? 6 : 7, 3);
    }
    Bytes finish(size_t padding = 8) {
        Bytes out = bytes_;
        if (bit_) out.push_back(current_);
        out.insert(out.end(), padding, 0);
        return out;
    }

  private:
    void putBit(unsigned b) {
        current_ = uint8_t(current_ | b << bit_);
        if (++bit_ == 8) {
            bytes_.push_back(current_);
            current_ = 0;
            bit_ = 0;
        }
    }
    Bytes bytes_;
    uint8_t current_ = 0;
    unsigned bit_ = 0;
    bool repeats_ = false;
};

Bytes withHeader(std::initializer_list<uint8_t> bytes) {
    return Bytes(bytes);
}

} // namespace

// Streams of every block kind zlib writes, read whole and in pieces down to one byte:
// the text they were made from, and the end of the stream.
TEST(Inflate, ReadsWhatZlibWrites) {
    const Bytes text = sampleText(300000, 5);
    struct Case {
        const char* name;
        int level, strategy;
    } cases[] = {{"stored", 0, Z_DEFAULT_STRATEGY},   {"fastest", 1, Z_DEFAULT_STRATEGY},
                 {"default", 6, Z_DEFAULT_STRATEGY},  {"best", 9, Z_DEFAULT_STRATEGY},
                 {"fixed codes", 6, Z_FIXED},         {"runs", 6, Z_RLE},
                 {"literals only", 6, Z_HUFFMAN_ONLY}};
    for (const Case& c : cases) {
        const Bytes stream = zlibCompress(text, c.level, c.strategy);
        for (size_t piece : {size_t(1) << 20, size_t(65536), size_t(4097), size_t(258), size_t(1)}) {
            if (piece == 1 && c.level != 6) continue; // byte by byte once is enough
            const Result ours = ourInflate(stream, text.size() + 1, piece);
            EXPECT_EQ(ours.outcome, Outcome::End) << c.name << " piece " << piece;
            EXPECT_TRUE(ours.bytes == text) << c.name << " piece " << piece;
        }
        // Told to expect less than comes: the buffer grows.
        EXPECT_TRUE(ourInflate(stream, text.size() + 1, 4097, 5000).bytes == text) << c.name;
    }
}

// Every prefix of a stream holding a stored, a fixed and a dynamic block: zlib's bytes
// and its outcome, also when the output room ends inside a match.
TEST(Inflate, StopsWhereZlibStops) {
    const Bytes text = sampleText(3000, 9);
    // A stored block and a fixed one in front of zlib's dynamic block.
    z_stream z{};
    deflateInit(&z, 0);
    Bytes mixed(20000);
    z.next_out = mixed.data();
    z.avail_out = uInt(mixed.size());
    z.next_in = const_cast<Bytef*>(text.data());
    z.avail_in = 700;
    deflate(&z, Z_FULL_FLUSH);
    deflateParams(&z, 6, Z_FIXED);
    z.avail_in = 700;
    deflate(&z, Z_FULL_FLUSH);
    deflateParams(&z, 6, Z_DEFAULT_STRATEGY);
    z.avail_in = uInt(text.size() - 1400);
    deflate(&z, Z_FINISH);
    mixed.resize(mixed.size() - z.avail_out);
    deflateEnd(&z);
    ASSERT_TRUE(ourInflate(mixed, text.size(), 100000).bytes == text);
    for (size_t n = 0; n <= mixed.size(); ++n)
        expectSameAsZlib(Bytes(mixed.begin(), mixed.begin() + n), text.size() + 1, 512,
                         "prefix " + std::to_string(n));
    for (size_t room : {1u, 2u, 257u, 1000u, 2999u, 3000u})
        expectSameAsZlib(mixed, room, 100000, "room " + std::to_string(room));
}

// Each error zlib reports, with its text; ours reports it at the same point.
TEST(Inflate, ReportsZlibsErrors) {
    std::vector<std::pair<const char*, Bytes>> cases;
    cases.push_back({"incorrect header check", withHeader({0x78, 0x9D, 3, 0})});
    cases.push_back({"unknown compression method", withHeader({0x79, 0x94, 3, 0})});
    cases.push_back({"invalid window size", withHeader({0x88, 0x1C, 3, 0})});
    cases.push_back({"need dictionary", withHeader({0x78, 0xBB, 0, 0, 0, 1, 3, 0})});
    cases.push_back({"invalid stored block lengths", withHeader({0x78, 0x9C, 1, 5, 0, 0, 0, 0})});
    {
        BitWriter w(3);
        cases.push_back({"invalid block type", w.finish()});
    }
    {
        BitWriter w(1); // a match before any byte
        w.literalLength(257);
        w.distance(0);
        cases.push_back({"invalid distance too far back", w.finish()});
    }
    {
        BitWriter w(1);
        w.literalLength('a');
        w.literalLength(286);
        cases.push_back({"invalid literal/length code", w.finish()});
    }
    {
        BitWriter w(1);
        w.literalLength('a');
        w.literalLength(257);
        w.distance(30);
        cases.push_back({"invalid distance code", w.finish()});
    }
    {
        BitWriter w(2);
        w.put(30, 5); // 287 literal/length codes
        w.put(0, 5);
        w.put(0, 4);
        cases.push_back({"too many length or distance symbols", w.finish()});
    }
    {
        BitWriter w(2); // a code-length code of one one-bit code
        w.put(0, 5);
        w.put(0, 5);
        w.put(0, 4);
        w.put(1, 3);
        w.put(0, 9);
        cases.push_back({"invalid code lengths set", w.finish()});
    }
    {
        BitWriter w(2); // a repeat of the previous length as the first length
        w.dynamicHeader(257, 1, true);
        w.codeLength(16);
        w.put(0, 2);
        cases.push_back({"invalid bit length repeat", w.finish()});
    }
    {
        BitWriter w(2); // 138 + 127 zero lengths where 258 are wanted
        w.dynamicHeader(257, 1, true);
        w.codeLength(18);
        w.put(127, 7);
        w.codeLength(18);
        w.put(116, 7);
        cases.push_back({"invalid bit length repeat", w.finish()});
    }
    {
        BitWriter w(2);
        w.dynamicHeader(257, 1);
        for (int i = 0; i < 258; ++i)
            w.codeLength(0);
        cases.push_back({"invalid code -- missing end-of-block", w.finish()});
    }
    {
        BitWriter w(2); // two two-bit literal/length codes: incomplete
        w.dynamicHeader(257, 1);
        w.codeLength(2);
        for (int i = 1; i < 256; ++i)
            w.codeLength(0);
        w.codeLength(2);
        w.codeLength(1);
        cases.push_back({"invalid literal/lengths set", w.finish()});
    }
    {
        BitWriter w(2); // two two-bit distance codes: incomplete
        w.dynamicHeader(257, 2);
        w.codeLength(1);
        for (int i = 1; i < 256; ++i)
            w.codeLength(0);
        w.codeLength(1);
        w.codeLength(2);
        w.codeLength(2);
        cases.push_back({"invalid distances set", w.finish()});
    }
    for (const auto& [message, stream] : cases) {
        const Result theirs = zlibInflate(stream, 1000);
        EXPECT_EQ(theirs.message, message) << "zlib";
        for (size_t piece : {1000u, 1u}) {
            const Result ours = ourInflate(stream, 1000, piece);
            EXPECT_EQ(ours.outcome, Outcome::Error) << message;
            EXPECT_EQ(ours.message, message);
            EXPECT_TRUE(theirs == ours)
                << message << ": zlib " << describe(theirs) << ", ours " << describe(ours);
        }
    }
}

// Codes zlib accepts though they are unusual: a single one-bit distance code, a block
// without distance codes, empty stored blocks; and a stream without its Adler-32 is not
// complete.
TEST(Inflate, AcceptsWhatZlibAccepts) {
    std::vector<std::pair<const char*, Bytes>> cases;
    {
        BitWriter w(2); // literals 'a' (1 bit) and the end (1 bit); one distance code of one bit
        w.dynamicHeader(257, 1);
        for (int i = 0; i < 'a'; ++i)
            w.codeLength(0);
        w.codeLength(1);
        for (int i = 'a' + 1; i < 256; ++i)
            w.codeLength(0);
        w.codeLength(1);
        w.codeLength(1);
        w.putCode(0, 1);
        w.putCode(0, 1);
        w.putCode(1, 1);
        Bytes s = w.finish(0);
        s.insert(s.end(), {0x01, 0x25, 0x00, 0xC3}); // Adler-32 of "aa"
        cases.push_back({"single distance code", s});
    }
    {
        BitWriter w(2); // the same without any distance code
        w.dynamicHeader(257, 1);
        for (int i = 0; i < 'a'; ++i)
            w.codeLength(0);
        w.codeLength(1);
        for (int i = 'a' + 1; i < 256; ++i)
            w.codeLength(0);
        w.codeLength(1);
        w.codeLength(0);
        w.putCode(0, 1);
        w.putCode(1, 1);
        cases.push_back({"no distance codes", w.finish(4)});
    }
    cases.push_back({"empty stored blocks",
                     withHeader({0x78, 0x9C, 0, 0, 0, 0xFF, 0xFF, 1, 0, 0, 0xFF, 0xFF, 0, 0, 0, 1})});
    cases.push_back({"no Adler-32", withHeader({0x78, 0x9C, 1, 0, 0, 0xFF, 0xFF, 0, 0, 0})});
    for (const auto& [name, stream] : cases) {
        const Result theirs = zlibInflate(stream, 100);
        EXPECT_NE(theirs.outcome, Outcome::Error) << name << ": " << theirs.message;
        for (size_t piece : {100u, 1u}) {
            const Result ours = ourInflate(stream, 100, piece);
            EXPECT_TRUE(theirs == ours)
                << name << ": zlib " << describe(theirs) << ", ours " << describe(ours);
        }
    }
}
