#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/image/errors.h"
#include "core/png/chunks.h"

using namespace vell::png;
using namespace vell::image;

namespace {
std::vector<uint8_t> ihdrBytes(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t comp = 0,
                               uint8_t interlace = 0) {
    std::vector<uint8_t> d(13);
    writeBE32(d.data(), w);
    writeBE32(d.data() + 4, h);
    d[8] = depth, d[9] = type, d[10] = comp, d[11] = 0, d[12] = interlace;
    return d;
}

template <typename E> std::string messageOf(const std::vector<uint8_t>& d) {
    try {
        parseIhdr(d);
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

std::vector<uint8_t> bytes(std::string_view s) {
    return {s.begin(), s.end()};
}
} // namespace

TEST(Ihdr, RefusesBadHeadersWithTheirErrors) {
    auto shortHeader = ihdrBytes(1, 1, 8, 6);
    shortHeader.pop_back();
    EXPECT_EQ(
        messageOf<EPngInvalidIHDR>(shortHeader),
        "2.701 The \"Portable Network Graphics\" image could not be loaded because one of its main piece of "
        "data (ihdr) might be corrupted");
    EXPECT_EQ(
        messageOf<EPNGSizeExceeds>(ihdrBytes(65536, 1, 8, 6)),
        "2.701 This \"Portable Network Graphics\" image is not supported because either its width or height "
        "exceeds the maximum size of 65535 pixels.");
    EXPECT_NE(messageOf<EPNGSizeExceeds>(ihdrBytes(1, 65536, 8, 6)).find("65535 pixels"), std::string::npos);
    EXPECT_NE(messageOf<EPNGUnknownCompression>(ihdrBytes(1, 1, 8, 6, 1)).find("unknown compression scheme"),
              std::string::npos);
    EXPECT_NE(messageOf<EPNGUnknownInterlace>(ihdrBytes(1, 1, 8, 6, 0, 2)).find("unknown interlace"),
              std::string::npos);
    // Type/depth pairs that have no layout.
    for (auto [type, depth] : {std::pair{3, 16}, {2, 4}, {6, 1}, {4, 2}, {0, 3}, {5, 8}, {0, 0}})
        EXPECT_NE(messageOf<EPngInvalidIHDR>(ihdrBytes(4, 4, uint8_t(depth), uint8_t(type))).find("(ihdr)"),
                  std::string::npos)
            << type << "/" << depth;
    EXPECT_EQ(messageOf<EPngInvalidIHDR>(ihdrBytes(65535, 65535, 16, 6)), "no exception");
}

TEST(Ihdr, SerializesTwoBitDepthAsFourBitNonInterlaced) {
    const Ihdr h = parseIhdr(ihdrBytes(300, 200, 2, 0, 0, 1));
    const auto d = serializeIhdr(h);
    EXPECT_EQ(readBE32(d.data()), 300u);
    EXPECT_EQ(readBE32(d.data() + 4), 200u);
    EXPECT_EQ(d[8], 4);
    EXPECT_EQ(d[12], 0);
    const Ihdr h8 = parseIhdr(ihdrBytes(3, 2, 8, 3, 0, 1));
    EXPECT_EQ(serializeIhdr(h8)[12], 1);
}

TEST(ColorTable, GreyRampsAndPalette) {
    Rgbq t[256];
    Ihdr h = parseIhdr(ihdrBytes(1, 1, 2, 0));
    ASSERT_EQ(buildColorTable(h, nullptr, nullptr, t), 4u);
    EXPECT_EQ(t[1].r, 85);
    EXPECT_EQ(t[2].g, 170);
    EXPECT_EQ(t[3].b, 255);
    h = parseIhdr(ihdrBytes(1, 1, 16, 0));
    EXPECT_EQ(buildColorTable(h, nullptr, nullptr, t), 256u);
    EXPECT_EQ(t[200].r, 200);
    h = parseIhdr(ihdrBytes(1, 1, 2, 3));
    const Palette p = parsePlte(std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 99});
    EXPECT_EQ(p.count, 2u);
    EXPECT_EQ(buildColorTable(h, &p, nullptr, t), 4u);
    EXPECT_EQ(t[1].r, 40);
    EXPECT_EQ(t[1].b, 60);
    EXPECT_EQ(t[3].r, 0); // beyond the palette: black
}

TEST(Gamma, TablesFromTheFileValue) {
    uint8_t g[256], inv[256];
    buildGammaTables(0, g, inv);
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(g[i] == i && inv[i] == i);
    buildGammaTables(100000, g, inv); // exponent 1 / 2.2
    EXPECT_EQ(g[0], 0);
    EXPECT_EQ(g[128], 186);
    EXPECT_EQ(g[255], 255);
    EXPECT_EQ(inv[186], 128);
    buildGammaTables(45455, g, inv); // exponent ~1: identity up to rounding
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(g[i], i);
    EXPECT_FALSE(parseGama(std::vector<uint8_t>{1, 2, 3}).has_value());
    EXPECT_EQ(*parseGama(serializeGama(45455)), 45455u);
}

TEST(Transparency, ReadAndWriteRules) {
    Rgbq table[256];
    // Type 3: bit transparency only when exactly one entry is not opaque.
    EXPECT_TRUE(parseTrns(std::vector<uint8_t>{255, 0, 255}, kIndexed).bitTransparency);
    EXPECT_FALSE(parseTrns(std::vector<uint8_t>{255, 0, 128}, kIndexed).bitTransparency);
    EXPECT_TRUE(parseTrns(std::vector<uint8_t>{0, 7}, kGrey).bitTransparency);
    EXPECT_EQ(parseTrns(std::vector<uint8_t>(300, 1), kIndexed).size, 256);

    Ihdr pal = parseIhdr(ihdrBytes(1, 1, 8, 3));
    const Palette p = parsePlte(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 4, 5, 6});
    const uint32_t n = buildColorTable(pal, &p, nullptr, table);
    Transparency t = parseTrns(std::vector<uint8_t>{255, 0, 0}, kIndexed);
    EXPECT_EQ(transparentColor(t, pal, {table, n}, nullptr), 0x060504u); // first alpha-0 entry
    EXPECT_EQ(transparentColor(Transparency(), pal, {table, n}, nullptr), 0xFF000000u);
    setTransparentColor(t, pal, 0x060504u, {table, 3});
    EXPECT_EQ(t.size, 3);
    EXPECT_EQ(t.values[0], 255);
    EXPECT_EQ(t.values[1], 0);
    EXPECT_EQ(t.values[2], 0);

    // Type 0: the grey level of the sample's colour-table entry.
    Ihdr grey = parseIhdr(ihdrBytes(1, 1, 4, 0));
    buildColorTable(grey, nullptr, nullptr, table);
    EXPECT_EQ(transparentColor(parseTrns(std::vector<uint8_t>{0, 3}, kGrey), grey, {table, 16}, nullptr),
              0x333333u);
    EXPECT_EQ(transparentColor(parseTrns(std::vector<uint8_t>{0, 99}, kGrey), grey, {table, 16}, nullptr),
              0xFF000000u);

    // Type 2: what the setter writes reads back as the same colour, at 8 and 16 bits.
    for (uint8_t depth : {8, 16}) {
        Ihdr rgb = parseIhdr(ihdrBytes(1, 1, depth, 2));
        Transparency c;
        setTransparentColor(c, rgb, 0x00336699u, {});
        EXPECT_EQ(c.size, 6);
        EXPECT_EQ(serializeTrns(c), (std::vector<uint8_t>{0, 0x99, 0, 0x66, 0, 0x33}));
        if (depth == 8) {
            EXPECT_EQ(transparentColor(c, rgb, {}, nullptr), 0x00336699u);
        }
    }
    // A 2-bit grey image is saved at 4 bits: its key moves to the same scale.
    const Ihdr grey2 = parseIhdr(ihdrBytes(1, 1, 2, 0));
    EXPECT_EQ(serializeTrns(parseTrns(std::vector<uint8_t>{0, 2}, kGrey), &grey2),
              (std::vector<uint8_t>{0, 10}));
    EXPECT_EQ(serializeTrns(parseTrns(std::vector<uint8_t>{0, 2}, kGrey)), (std::vector<uint8_t>{0, 2}));
    Ihdr rgb16 = parseIhdr(ihdrBytes(1, 1, 16, 2));
    EXPECT_EQ(transparentColor(parseTrns(std::vector<uint8_t>{0x12, 0, 0x34, 0, 0x56, 0}, kRgb), rgb16, {},
                               nullptr),
              0x563412u);
}

TEST(Text, TextAndCompressedText) {
    TextChunk t = parseText(bytes(std::string("Title\0Hello", 11)));
    EXPECT_EQ(t.keyword, "Title");
    EXPECT_EQ(t.text, "Hello");
    EXPECT_EQ(parseText(bytes("ab")).keyword, "");
    EXPECT_EQ(serializeText({"K", "v"}), bytes(std::string("K\0v", 3)));

    const auto z = serializeZtxt({"Comment", "some text, some text, some text"}, 9);
    ASSERT_TRUE(z.has_value());
    t = parseZtxt(*z, 1 << 20);
    EXPECT_EQ(t.keyword, "Comment");
    EXPECT_EQ(t.text, "some text, some text, some text");
    EXPECT_EQ(parseZtxt(*serializeZtxt({"K", ""}, 1), 100).text, " ");
    EXPECT_FALSE(serializeZtxt({"K", "x"}, 42).has_value()); // deflate refuses: no chunk

    auto broken = *z;
    broken[broken.size() - 6] ^= 0x55;
    EXPECT_EQ(parseZtxt(broken, 1 << 20).text, "");
    auto otherMethod = *z;
    otherMethod[8] = 1;
    EXPECT_EQ(parseZtxt(otherMethod, 1 << 20).text, "");
    // A small chunk that inflates to 10 MB: stopped at the limit, text empty.
    const auto bomb = serializeZtxt({"K", std::string(10 << 20, 'a')}, 9);
    ASSERT_LT(bomb->size(), 20000u);
    EXPECT_EQ(parseZtxt(*bomb, 1 << 20).text, "");
}

TEST(Text, PhysicalSizeAndTime) {
    const PhysicalSize p = parsePhys(serializePhys({2835, 2836, 1}));
    EXPECT_EQ(p.ppuX, 2835u);
    EXPECT_EQ(p.ppuY, 2836u);
    EXPECT_EQ(p.unit, 1);
    EXPECT_EQ(parsePhys(std::vector<uint8_t>{1, 2}).ppuX, 0u);
    const TimeStamp t = parseTime(serializeTime({2026, 12, 10, 1, 2, 3}));
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.second, 3);
    EXPECT_EQ(parseTime(std::vector<uint8_t>(8, 1)).year, 0);
}

TEST(Devur, ReadsNameValueLines) {
    struct Case {
        const char* text;
        int alpha, gray, smooth;
    } cases[] = {
        {"AlphaBlendValue=128\r\nGrayMode=1\r\nSmoothFilter=2", 128, 1, 2},
        {"alphablendvalue=7\ngraymode=0", 7, 0, 1},            // names ignore case; GrayMode 0 clears
        {"AlphaBlendValue=x\r\nSmoothFilter=9", 200, 1, 0},    // non-numeric keeps; above 2 is default
        {"AlphaBlendValue=300\r\nSmoothFilter=-1", 200, 1, 0}, // out of a byte keeps
        {"", 200, 1, 1},
    };
    const DrawProperties current{200, true, 1};
    for (const Case& c : cases) {
        const DrawProperties p = readDevur(c.text, current);
        EXPECT_EQ(p.alphaBlendValue, c.alpha) << c.text;
        EXPECT_EQ(p.grayMode, c.gray != 0) << c.text;
        EXPECT_EQ(p.smoothFilter, c.smooth) << c.text;
    }
}

TEST(Devur, WritesOnlyNonDefaultLines) {
    DrawProperties half;
    half.alphaBlendValue = 128;
    TextChunk t = writeDevur({"", ""}, half);
    EXPECT_EQ(t.keyword, "DEVUR");
    EXPECT_EQ(t.text, "AlphaBlendValue=128\r\n");
    EXPECT_EQ(readDevur(t.text, {}).alphaBlendValue, 128);

    DrawProperties all{10, true, 2};
    EXPECT_EQ(writeDevur({"devur", "Other=1\r\nAlphaBlendValue=5"}, all).text,
              "Other=1\r\nAlphaBlendValue=10\r\nSmoothFilter=2\r\nGrayMode=1\r\n");
    // Back to defaults: the lines go, other lines and the keyword stay.
    t = writeDevur({"DeVuR", "AlphaBlendValue=128\r\nOther=1"}, {});
    EXPECT_EQ(t.keyword, "DeVuR");
    EXPECT_EQ(t.text, "Other=1\r\n");
    // A foreign text chunk with default properties is left alone.
    t = writeDevur({"Comment", "a=b"}, {});
    EXPECT_EQ(t.keyword, "Comment");
    EXPECT_EQ(t.text, "a=b");
}
