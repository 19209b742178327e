// The image-data decoder and encoder over the stored layouts, damaged data and limits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/image/errors.h"
#include "core/png/codec.h"
#include "core/png/decoder.h"
#include "core/png/encoder.h"
#include "core/png/reader.h"
#include "png_builder.h"
#include "stored_image.h"

using namespace vell::png;
using namespace vell::png::test;
using namespace vell::image;

namespace {

std::vector<uint8_t> encodeStored(const Stored& s, const EncodeOptions& o, Ihdr header) {
    std::vector<uint8_t> file;
    VectorSink sink(file);
    writeSignature(sink);
    const auto ih = serializeIhdr(header);
    writeChunk(sink, kIHDR, ih);
    EncodeSource src{s.layout, s.pixels.data(), s.alpha.empty() ? nullptr : s.alpha.data(),
                     s.extra.empty() ? nullptr : s.extra.data()};
    encodeImageData(header, src, o, sink);
    writeChunk(sink, kIEND, {});
    return file;
}

// Raw rows with filter byte 0 and pseudo-random samples.
std::vector<uint8_t> rawImage(const Ihdr& h, uint32_t seed) {
    const size_t rb = size_t(fileRowBytes(h, h.width));
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < h.height; ++y) {
        raw.push_back(0);
        for (size_t i = 0; i < rb; ++i)
            raw.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 16));
    }
    return raw;
}

bool allZero(const std::vector<uint8_t>& v) {
    for (uint8_t b : v)
        if (b) return false;
    return true;
}

} // namespace

TEST(Decoder, TwoBitGreyBecomesFourBitIndicesAndSavesAsFourBit) {
    // Samples 0,1,2,3 | 3,2,1,0 on a 4 x 2 image.
    auto file = PngBuilder().ihdr(4, 2, 2, 0).idat({0, 0b00011011, 0, 0b11100100}).iend().bytes();
    Stored s = decodeStored(file);
    EXPECT_EQ(s.layout.bitCount, 4);
    EXPECT_EQ(s.layout.colorTableSize, 4);
    EXPECT_EQ(s.pixels[0], 0x01);
    EXPECT_EQ(s.pixels[1], 0x23);
    EXPECT_EQ(s.pixels[s.layout.stride], 0x32);
    const BgraImage bgra = decodeToBgra(file);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(bgra.pixels[x * 4], x * 85) << x;

    // Saved: a 4-bit non-interlaced file that shows the same grey levels.
    Ihdr h = s.header;
    h.interlaceMethod = 1;
    const auto saved = encodeStored(s, {}, h);
    const Ihdr back = parseIhdr({saved.data() + 16, 13});
    EXPECT_EQ(back.bitDepth, 4);
    EXPECT_EQ(back.interlaceMethod, 0);
    EXPECT_EQ(decodeToBgra(saved).pixels, bgra.pixels);
}

TEST(Decoder, DamagedDataZeroesTheWholeImage) {
    auto good = PngBuilder()
                    .ihdr(3, 3, 8, 6)
                    .idat(rawImage(parseIhdr(std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 3, 8, 6, 0, 0, 0}), 1))
                    .iend()
                    .bytes();
    const size_t at = findChunk(good, "IDAT");
    auto badCrc = good;
    badCrc[at + 8 + readBE32(&good[at])] ^= 1; // the CRC itself
    auto badZlib = good;
    badZlib[at + 8] = 0x78, badZlib[at + 9] = 0x00; // header check fails; CRC fixed below
    {
        const uint32_t len = readBE32(&good[at]);
        std::vector<uint8_t> d(badZlib.begin() + at + 8, badZlib.begin() + at + 8 + len);
        std::vector<uint8_t> fixed(badZlib.begin(), badZlib.begin() + at);
        VectorSink sink(fixed);
        writeChunk(sink, kIDAT, d);
        fixed.insert(fixed.end(), badZlib.begin() + at + 12 + len, badZlib.end());
        badZlib = fixed;
    }
    auto badFilter = PngBuilder().ihdr(2, 2, 8, 0).idat({0, 1, 2, 9, 3, 4}).iend().bytes();
    for (auto* file : {&badCrc, &badZlib, &badFilter}) {
        for (auto format : {PixelFormat::Stored, PixelFormat::Stored32}) {
            Stored s = decodeStored(*file, format);
            EXPECT_EQ(s.result, DecodeResult::Damaged);
            EXPECT_TRUE(allZero(s.pixels));
            EXPECT_TRUE(allZero(s.alpha));
        }
        EXPECT_TRUE(allZero(decodeToBgra(*file).pixels));
    }
    EXPECT_THROW(decodeStored(badCrc, PixelFormat::Stored, true), EPngInvalidCRC);
    try {
        decodeStored(badZlib, PixelFormat::Stored, true);
        FAIL();
    } catch (const EPNGZLIBError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "2.701 Could not decompress the image because it contains invalid compressed data.\r\n "
                      "Description: ",
                      0),
                  0u);
    }
    EXPECT_EQ(decodeStored(good).result, DecodeResult::Complete);
}

TEST(Decoder, DataEndingEarlyKeepsTheRowsRead) {
    Ihdr h{4, 6, 8, 0, 0, 0, 0};
    const auto raw = rawImage(h, 5);
    // Only the first three rows are in the stream (a complete zlib stream of fewer rows).
    const std::vector<uint8_t> part(raw.begin(), raw.begin() + 3 * 5);
    Stored s = decodeStored(PngBuilder().ihdr(4, 6, 8, 0).idat(part).iend().bytes());
    EXPECT_EQ(s.result, DecodeResult::Truncated);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(s.pixels[y * s.layout.stride + x], y < 3 ? raw[y * 5 + 1 + x] : 0) << x << "," << y;
    // The file cut inside the IDAT data: no exception, rows beyond the cut zero.
    auto whole = PngBuilder().ihdr(4, 6, 8, 0).idat(raw).iend().bytes();
    whole.resize(findChunk(whole, "IDAT") + 8 + 6);
    s = decodeStored(whole);
    EXPECT_EQ(s.result, DecodeResult::Truncated);
    EXPECT_EQ(s.pixels[5 * s.layout.stride], 0);
}

TEST(Decoder, SplitIdatAndMissingContinuation) {
    Ihdr h{9, 7, 8, 2, 0, 0, 0};
    const auto raw = rawImage(h, 9);
    const auto z = PngBuilder::deflated(raw);
    const Stored whole = decodeStored(PngBuilder().ihdr(9, 7, 8, 2).idat(raw).iend().bytes());
    PngBuilder split;
    split.ihdr(9, 7, 8, 2);
    for (size_t i = 0; i < z.size(); i += 5)
        split.chunk("IDAT", {z.begin() + i, z.begin() + std::min(i + 5, z.size())});
    split.chunk("IDAT", {}).iend();
    EXPECT_EQ(decodeStored(split.bytes()).pixels, whole.pixels);
    // The data stops and another chunk follows where an IDAT should be.
    auto missing = PngBuilder()
                       .ihdr(9, 7, 8, 2)
                       .chunk("IDAT", {z.begin(), z.begin() + 10})
                       .chunk("tEXt", {'a', 0, 'b'})
                       .iend()
                       .bytes();
    EXPECT_THROW(decodeStored(missing), EPNGMissingMultipleIDAT);
}

TEST(Decoder, StoredLayoutsRoundTripThroughTheEncoder) {
    const int types[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                            {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (auto& t : types) {
        if (t[0] == 0 && t[1] == 2) continue; // saved as brighter 4-bit levels: see TwoBitGrey above
        for (uint8_t interlace : {0, 1}) {
            for (auto format : {PixelFormat::Stored, PixelFormat::Stored32}) {
                Ihdr h{11, 9, uint8_t(t[1]), uint8_t(t[0]), 0, 0, interlace};
                SCOPED_TRACE(std::to_string(t[0]) + "/" + std::to_string(t[1]) + (interlace ? " adam7" : ""));
                auto raw = rawImage(h, t[0] * 100 + t[1]);
                // 16-bit alpha keeps only its high byte; make the low byte repeat it as saved.
                if (t[1] == 16 && (t[0] == 4 || t[0] == 6)) {
                    const size_t px = t[0] == 4 ? 4 : 8, rb = fileRowBytes(h, h.width) + 1;
                    for (size_t y = 0; y < h.height; ++y)
                        for (size_t x = 0; x < h.width; ++x)
                            raw[y * rb + 1 + x * px + px - 1] = raw[y * rb + 1 + x * px + px - 2];
                }
                PngBuilder b;
                b.ihdr(h.width, h.height, h.bitDepth, h.colorType);
                const Stored first = decodeStored(b.idat(raw).iend().bytes(), format, false, 0);
                EncodeOptions o;
                o.filters = 0x1F;
                o.compressionLevel = 6;
                const Stored again = decodeStored(encodeStored(first, o, h), format, false, 0);
                EXPECT_EQ(again.result, DecodeResult::Complete);
                EXPECT_EQ(again.pixels, first.pixels);
                EXPECT_EQ(again.alpha, first.alpha);
                EXPECT_EQ(again.extra, first.extra);
            }
        }
    }
}

TEST(Encoder, IdatChunksHaveExactlyMaxIdatSize) {
    Ihdr h{64, 64, 8, 6, 0, 0, 0};
    Stored s = decodeStored(PngBuilder().ihdr(64, 64, 8, 6).idat(rawImage(h, 3)).iend().bytes());
    EncodeOptions o;
    o.maxIdatSize = 1000;
    const auto file = encodeStored(s, o, h);
    std::vector<uint32_t> sizes;
    for (size_t pos = 8; pos + 8 <= file.size(); pos += 12 + readBE32(&file[pos]))
        if (readBE32(&file[pos + 4]) == kIDAT) sizes.push_back(readBE32(&file[pos]));
    ASSERT_GT(sizes.size(), 10u); // random samples do not compress
    for (size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], 1000u);
    EXPECT_LE(sizes.back(), 1000u);
    EXPECT_EQ(decodeStored(file).pixels, s.pixels);
}

TEST(Encoder, UndecodedIdatIsWrittenBackByteForByte) {
    const auto z = PngBuilder::deflated(rawImage({5, 5, 8, 2, 0, 0, 0}, 7));
    PngBuilder b;
    b.ihdr(5, 5, 8, 2)
        .chunk("IDAT", {z.begin(), z.begin() + 7})
        .chunk("IDAT", {z.begin() + 7, z.end()})
        .iend();
    const auto& file = b.bytes();
    ChunkReader r(file);
    Chunk c;
    while (r.next(c) && c.type != kIDAT) {
    }
    std::vector<uint8_t> out;
    VectorSink sink(out);
    writeIdatRun(sink, c.idatRun, c.firstIdatSize);
    const size_t from = findChunk(file, "IDAT"), to = findChunk(file, "IEND");
    EXPECT_EQ(out, std::vector<uint8_t>(file.begin() + from, file.begin() + to));
}

TEST(Encoder, FilterChoice) {
    // Triangular numbers: neither Sub nor Up (against a zero row) repeats a byte.
    const std::vector<uint8_t> row = {0, 1, 3, 6, 10, 15, 21, 28, 36};
    const std::vector<uint8_t> zeros(row.size());
    std::vector<uint8_t> out(row.size());
    struct Case {
        uint8_t filters;
        std::vector<uint8_t> row;
        uint8_t expected;
    } cases[] = {
        {kFilterSub | kFilterUp, row, 0},
        {0, row, 0},
        {kFilterNone, row, 0},
        {kFilterPaeth, row, 4},                          // a single filter is used as it is
        {0x1F, {5, 5, 5, 5, 9, 9}, 0},                   // None repeats most and comes first
        {kFilterSub | kFilterUp, {1, 2, 3, 4, 5, 6}, 1}, // Sub gives 1,1,1,...
    };
    for (const Case& c : cases) {
        out.resize(c.row.size());
        EXPECT_EQ(chooseFilter(c.row, zeros.data(), 1, c.filters, out.data()), c.expected) << int(c.filters);
        if (c.expected == 0) {
            EXPECT_EQ(out, c.row);
        }
    }
}

TEST(Limits, HugeHeadersAndBombsStayWithinLimits) {
    // 65535 x 65535 RGBA: refused before any pixel memory is taken.
    auto huge = PngBuilder().ihdr(65535, 65535, 8, 6).idat({0, 0, 0, 0, 0}).iend().bytes();
    EXPECT_THROW(decodeToBgra(huge), EPNGOutMemory);
    // Accepted with a larger limit when the caller wants that.
    Limits tiny;
    tiny.maxPixelBytes = 1000;
    auto medium = PngBuilder().ihdr(100, 100, 8, 0).idat({0}).iend().bytes();
    EXPECT_THROW(decodeToBgra(medium, tiny), EPNGOutMemory);
    // 50 MB of zeros behind a 2 x 2 header: only the image's 2 x 3 bytes are inflated.
    auto bomb = PngBuilder().ihdr(2, 2, 8, 0).idat(std::vector<uint8_t>(50 << 20, 0)).iend().bytes();
    ASSERT_LT(bomb.size(), 100000u);
    const Stored s = decodeStored(bomb);
    EXPECT_EQ(s.result, DecodeResult::Complete);
    EXPECT_EQ(s.pixels[0] | s.pixels[1] | s.pixels[4] | s.pixels[5], 0); // rows of 2 pixels, stride 4
}

TEST(Decoder, ThirtyTwoBitLayoutAlsoFillsAnAlphaPlaneWhenGiven) {
    const Ihdr h{7, 5, 8, 6, 0, 0, 0};
    const Stored plain = decodeStored(PngBuilder().ihdr(7, 5, 8, 6).idat(rawImage(h, 17)).iend().bytes(),
                                      PixelFormat::Stored32);
    for (uint8_t interlace : {0, 1}) {
        Ihdr hi = h;
        hi.interlaceMethod = interlace;
        const auto file = encodeStored(plain, {}, hi);
        Stored s = decodeStored(file, PixelFormat::Stored32);
        s.alpha.assign(size_t(h.width) * h.height, 0xCC);
        ChunkReader r(file);
        Chunk c;
        while (r.next(c) && c.type != kIDAT) {
        }
        ASSERT_EQ(decodeImageData(hi, c.tail, c.firstIdatSize, s.target()), DecodeResult::Complete);
        EXPECT_EQ(s.pixels, plain.pixels);
        for (uint32_t y = 0; y < h.height; ++y)
            for (uint32_t x = 0; x < h.width; ++x)
                EXPECT_EQ(s.alpha[y * h.width + x], s.pixels[y * s.layout.stride + 4 * x + 3])
                    << x << "," << y;
    }
}
