// Every colour type, bit depth and interlace method, written by libpng and decoded by both
// libpng and our codec: the 32-bit premultiplied results must be identical.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/pixel/tables.h"
#include "core/png/codec.h"
#include "tests/support/libpng_io.h"
#include "stored_image.h"

using namespace vell::png::reference;

namespace {

struct Case {
    int colorType, depth, width, height;
    bool interlace, trns;
};

std::string describe(const Case& c) {
    return "type " + std::to_string(c.colorType) + " depth " + std::to_string(c.depth) + " " +
           std::to_string(c.width) + "x" + std::to_string(c.height) + (c.interlace ? " adam7" : "") +
           (c.trns ? " tRNS" : "");
}

// Samples that use the whole range and repeat, so tRNS keys are hit.
std::vector<uint8_t> pixelRows(const Case& c, size_t rowBytes) {
    std::vector<uint8_t> rows(rowBytes * c.height);
    uint32_t x = 7u * c.width + 13u * c.height + c.colorType;
    for (size_t i = 0; i < rows.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        rows[i] = (i % 5 == 0) ? 0 : uint8_t(x >> 24);
    }
    return rows;
}

std::vector<uint8_t> writeWithLibpng(const Case& c) {
    std::vector<uint8_t> out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        ADD_FAILURE() << "libpng write failed: " << describe(c);
        return {};
    }
    png_set_write_fn(p, &out, libpngWrite, libpngFlush);
    png_set_IHDR(p, info, c.width, c.height, c.depth, c.colorType,
                 c.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        const int n = 1 << c.depth;
        for (int i = 0; i < n; ++i)
            palette[i] = {uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5 + 3)};
        png_set_PLTE(p, info, palette, n);
        if (c.trns) {
            png_byte alpha[256];
            for (int i = 0; i < n; ++i)
                alpha[i] = uint8_t(i * 97);
            png_set_tRNS(p, info, alpha, n > 3 ? n - 1 : n, nullptr);
        }
    } else if (c.trns) {
        // A key that the sample pattern contains: all-zero samples (every fifth byte is 0,
        // so zero pixels do occur) for grey; for colour, zero as well.
        png_color_16 key{};
        png_set_tRNS(p, info, nullptr, 0, &key);
    }
    png_write_info(p, info);
    const size_t rowBytes = png_get_rowbytes(p, info);
    std::vector<uint8_t> rows = pixelRows(c, rowBytes);
    // Zero some whole pixels so a tRNS key of zero is found.
    for (int y = 0; y < c.height; y += 2)
        std::memset(rows.data() + y * rowBytes, 0, std::min<size_t>(rowBytes, 8));
    std::vector<png_bytep> pointers(c.height);
    for (int y = 0; y < c.height; ++y)
        pointers[y] = rows.data() + y * rowBytes;
    png_write_image(p, pointers.data());
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

// libpng's decode, premultiplied with the engine's table, as BGRA.
std::vector<uint8_t> decodeWithLibpng(const std::vector<uint8_t>& file, uint32_t& w, uint32_t& h) {
    const std::vector<uint8_t> rgba = libpngDecodeRgba(file, w, h);
    EXPECT_FALSE(rgba.empty()) << "libpng read failed";
    std::vector<uint8_t> bgra(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const uint8_t a = rgba[i + 3];
        bgra[i] = vell::pixel::preMul(a, rgba[i + 2]);
        bgra[i + 1] = vell::pixel::preMul(a, rgba[i + 1]);
        bgra[i + 2] = vell::pixel::preMul(a, rgba[i]);
        bgra[i + 3] = a;
    }
    return bgra;
}

std::vector<Case> allCases() {
    const int types[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                            {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {13, 5}, {33, 17}, {7, 70}};
    std::vector<Case> cases;
    for (auto& t : types)
        for (auto& s : sizes)
            for (bool interlace : {false, true})
                for (bool trns : {false, true}) {
                    if (trns && t[0] != 0 && t[0] != 2 && t[0] != 3) continue;
                    cases.push_back({t[0], t[1], s[0], s[1], interlace, trns});
                }
    return cases;
}

} // namespace

TEST(LibpngReference, EveryColourTypeDepthAndInterlaceDecodesLikeLibpng) {
    for (const Case& c : allCases()) {
        SCOPED_TRACE(describe(c));
        const std::vector<uint8_t> file = writeWithLibpng(c);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> expected = decodeWithLibpng(file, w, h);
        const vell::png::BgraImage ours = vell::png::decodeToBgra(file);
        ASSERT_EQ(ours.width, w);
        ASSERT_EQ(ours.height, h);
        ASSERT_EQ(ours.pixels.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            if (ours.pixels[i] != expected[i]) {
                ADD_FAILURE() << "first difference at pixel " << i / 4 << " byte " << i % 4 << ": expected "
                              << int(expected[i]) << ", got " << int(ours.pixels[i]);
                break;
            }
        }
    }
}

// Our encoder's output read back by libpng gives the pixels we wrote.
TEST(LibpngReference, LibpngReadsWhatWeEncode) {
    const uint32_t w = 37, h = 11;
    std::vector<uint8_t> bgra(w * h * 4);
    for (size_t i = 0; i < bgra.size(); ++i)
        bgra[i] = uint8_t(i * 7 + (i / 4) * 3);
    for (uint8_t filters : {0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}) {
        const auto file = vell::png::encodeBgra(bgra.data(), w, h, w * 4, false, 6, filters);
        uint32_t rw = 0, rh = 0;
        const auto back = decodeWithLibpng(file, rw, rh);
        ASSERT_EQ(rw, w);
        std::vector<uint8_t> expected(bgra.size());
        for (size_t i = 0; i < bgra.size(); i += 4) {
            const uint8_t a = bgra[i + 3];
            for (int k = 0; k < 3; ++k)
                expected[i + k] = vell::pixel::preMul(a, bgra[i + k]);
            expected[i + 3] = a;
        }
        EXPECT_EQ(back, expected) << "filters " << int(filters);
    }
}

// The stored layouts the image class keeps (indices with a colour table, 24-bit colour
// with an alpha plane, 32-bit BGRA) hold the samples libpng reads.
TEST(LibpngReference, StoredLayoutsHoldTheSamplesLibpngReads) {
    using namespace vell::png;
    for (const Case& c : allCases()) {
        if (c.trns) continue; // tRNS is not part of the stored pixels
        SCOPED_TRACE(describe(c));
        const std::vector<uint8_t> file = writeWithLibpng(c);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> expected = libpngDecodeRgba(file, w, h);
        for (auto format : {PixelFormat::Stored, PixelFormat::Stored32}) {
            const test::Stored s = test::decodeStored(file, format);
            Rgbq table[256];
            buildColorTable(s.header, &s.palette, nullptr, table);
            const Layout& l = s.layout;
            std::vector<uint8_t> rgba;
            for (uint32_t y = 0; y < h; ++y) {
                const uint8_t* row = s.pixels.data() + size_t(y) * l.stride;
                for (uint32_t x = 0; x < w; ++x) {
                    const uint8_t a = l.alphaPlane ? s.alpha[size_t(y) * w + x] : 255;
                    if (l.bitCount <= 8) {
                        const uint32_t bit = x * l.bitCount;
                        const Rgbq e =
                            table[(row[bit / 8] >> (8 - l.bitCount - bit % 8)) & ((1 << l.bitCount) - 1)];
                        rgba.insert(rgba.end(), {e.r, e.g, e.b, a});
                    } else if (l.bitCount == 24) {
                        rgba.insert(rgba.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], a});
                    } else {
                        rgba.insert(rgba.end(), {row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]});
                    }
                }
            }
            EXPECT_EQ(rgba, expected) << (format == PixelFormat::Stored ? "stored" : "stored32");
        }
    }
}
