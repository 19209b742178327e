#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/image/errors.h"
#include "core/png/reader.h"
#include "png_builder.h"

using namespace vell::png;
using namespace vell::png::test;
using namespace vell::image;

namespace {

// The names the reader hands out, and how it stopped.
std::string readAll(const std::vector<uint8_t>& file, ChunkReader::Stop* stop = nullptr) {
    ChunkReader r(file);
    Chunk c;
    std::string names;
    while (r.next(c))
        names += std::string(c.name) + " ";
    if (stop) *stop = r.stop();
    return names;
}

PngBuilder small() {
    PngBuilder b;
    b.ihdr(2, 2, 8, 0);
    return b;
}

const std::vector<uint8_t> kRows = {0, 1, 2, 0, 3, 4};

} // namespace

TEST(ChunkReader, StructuralErrorsRaise) {
    std::vector<uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    try {
        ChunkReader r(notPng);
        FAIL();
    } catch (const EPNGInvalidFileHeader& e) {
        EXPECT_EQ(std::string(e.what()),
                  "2.701 The file being read is not a valid \"Portable Network Graphics\" image because it "
                  "contains an "
                  "invalid header. This file may be corrupted, try obtaining it again");
    }
    PngBuilder b;
    b.chunk("tEXt", {'a', 0, 'b'}).ihdr(2, 2, 8, 0);
    EXPECT_THROW(readAll(b.bytes()), EPNGIHDRNotFirst);
    try {
        readAll(small().chunk("ABCD", {1}).bytes());
        FAIL();
    } catch (const EPNGUnknownCriticalChunk& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.substr(0, 6), "2.701 ");
        EXPECT_EQ(m.substr(m.size() - 5), ":ABCD");
    }
}

TEST(ChunkReader, KeepsUnknownAncillaryAndSkipsChrmAndLaterIdat) {
    PngBuilder b = small();
    b.chunk("abCD", {1, 2}).chunk("cHRM", std::vector<uint8_t>(32)).idat(kRows).chunk("tEXt", {'k', 0, 'v'});
    b.idat(kRows).iend().chunk("zzzz", {}); // nothing after IEND is read
    ChunkReader::Stop stop;
    EXPECT_EQ(readAll(b.bytes(), &stop), "IHDR abCD IDAT tEXt IEND ");
    EXPECT_EQ(stop, ChunkReader::Stop::Iend);
}

TEST(ChunkReader, BadCrcEndsReadingBeforeThatChunk) {
    PngBuilder b = small();
    b.idat(kRows).chunk("tEXt", {'k', 0, 'v'}).chunk("pHYs", std::vector<uint8_t>(9)).iend();
    auto file = b.bytes();
    file[findChunk(file, "tEXt") + 10] ^= 1; // a data byte
    ChunkReader::Stop stop;
    EXPECT_EQ(readAll(file, &stop), "IHDR IDAT ");
    EXPECT_EQ(stop, ChunkReader::Stop::BadCrc);
    ChunkReader strict(file, true);
    Chunk c;
    EXPECT_THROW(while (strict.next(c)){}, EPngInvalidCRC);
    // The IDAT CRC is the decoder's business: the reader still delivers everything.
    file = b.bytes();
    file[findChunk(file, "IDAT") + 9] ^= 1;
    EXPECT_EQ(readAll(file), "IHDR IDAT tEXt pHYs IEND ");
}

TEST(ChunkReader, EndOfStreamStopsQuietly) {
    auto file = small().idat(kRows).bytes();
    ChunkReader::Stop stop;
    EXPECT_EQ(readAll(file, &stop), "IHDR IDAT ");
    EXPECT_EQ(stop, ChunkReader::Stop::EndOfStream);
    for (size_t cut : {size_t(8), size_t(12), size_t(20), file.size() - 1}) {
        std::vector<uint8_t> part(file.begin(), file.begin() + cut);
        EXPECT_NO_THROW(readAll(part)) << cut;
    }
    // A chunk cut short counts as damaged: reading ends before it.
    std::vector<uint8_t> cutText = small().chunk("tEXt", {'k', 0, 'v', 'v'}).bytes();
    cutText.resize(cutText.size() - 6);
    EXPECT_EQ(readAll(cutText, &stop), "IHDR ");
    EXPECT_EQ(stop, ChunkReader::Stop::BadCrc);
}

TEST(ChunkReader, IdatRunCoversConsecutiveIdatChunks) {
    const auto z = PngBuilder::deflated(kRows);
    PngBuilder b = small();
    b.chunk("IDAT", {z.begin(), z.begin() + 3}).chunk("IDAT", {}).chunk("IDAT", {z.begin() + 3, z.end()});
    b.chunk("tEXt", {'k', 0, 'v'}).iend();
    const auto& file = b.bytes();
    ChunkReader r(file);
    Chunk c;
    ASSERT_TRUE(r.next(c) && r.next(c));
    ASSERT_EQ(c.type, kIDAT);
    EXPECT_EQ(c.firstIdatSize, 3u);
    const size_t first = findChunk(file, "IDAT");
    const size_t text = findChunk(file, "tEXt");
    EXPECT_EQ(c.idatRun.data(), file.data() + first + 8);
    EXPECT_EQ(c.idatRun.size(), text - first - 8);
    EXPECT_EQ(c.tail.size(), file.size() - first - 8);
    ASSERT_TRUE(r.next(c));
    EXPECT_EQ(c.type, kTEXT);
}
