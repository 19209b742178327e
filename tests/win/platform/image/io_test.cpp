#include "core/image/errors.h"
#include "core/png/chunks.h"
#include "core/png/messages.h"
#include "image_helpers.h"
#include "platform/image/png_image_data.h"
#include "platform/stream/file_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vell;
using namespace vell::image;
using namespace vell::image::test;

namespace {

using Bytes = std::vector<uint8_t>;

void chunk(Bytes& out, const char (&name)[5], const Bytes& data) {
    png::VectorSink sink(out);
    png::writeChunk(sink, png::chunkType(name), data);
}

Bytes ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type) {
    Bytes d(13, 0);
    png::writeBE32(d.data(), w);
    png::writeBE32(d.data() + 4, h);
    d[8] = depth;
    d[9] = type;
    return d;
}

Bytes deflate(const Bytes& raw) {
    uLongf n = compressBound(uLong(raw.size()));
    Bytes out(n);
    compress(out.data(), &n, raw.data(), uLong(raw.size()));
    out.resize(n);
    return out;
}

// A PNG from a header and unfiltered rows (each row gets filter byte 0).
Bytes makePng(const Bytes& header, const std::vector<Bytes>& rows,
              const std::vector<std::pair<const char*, Bytes>>& extra = {}) {
    Bytes raw;
    for (const Bytes& r : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    Bytes out(std::begin(png::kSignature), std::end(png::kSignature));
    chunk(out, "IHDR", header);
    for (const auto& [name, data] : extra) {
        png::VectorSink sink(out);
        png::writeChunk(sink, png::readBE32(reinterpret_cast<const uint8_t*>(name)), data);
    }
    chunk(out, "IDAT", deflate(raw));
    chunk(out, "IEND", {});
    return out;
}

Bytes save(TPngImage& img) {
    TMemoryStream s;
    img.SaveToStream(s);
    return Bytes(s.Bytes().begin(), s.Bytes().end());
}

void load(TPngImage& img, const Bytes& bytes) {
    TMemoryStream s(std::string(bytes.begin(), bytes.end()));
    img.LoadFromStream(s);
}

// Offsets of the chunks named `name` in a PNG.
std::vector<size_t> find(const Bytes& file, const char (&name)[5]) {
    std::vector<size_t> at;
    for (size_t pos = 8; pos + 8 <= file.size();) {
        const uint32_t len = png::readBE32(&file[pos]);
        if (std::memcmp(&file[pos + 4], name, 4) == 0) at.push_back(pos);
        pos += 12 + size_t(len);
    }
    return at;
}

Bytes idatBytes(const Bytes& file) {
    Bytes all;
    for (size_t at : find(file, "IDAT"))
        all.insert(all.end(), file.begin() + at, file.begin() + at + 12 + png::readBE32(&file[at]));
    return all;
}

} // namespace

TEST(PngImageStream, RoundTripEveryLayout) {
    struct Case {
        int type, depth;
        bool rgb32;
        bool interlaced;
    };
    const Case cases[] = {
        {0, 1, false, false},  {0, 4, false, true},   {0, 8, false, false}, {0, 16, false, false},
        {2, 8, false, true},   {2, 16, false, false}, {3, 4, false, false}, {3, 8, false, true},
        {4, 8, false, false},  {4, 16, false, false}, {6, 8, false, false}, {6, 8, true, true},
        {6, 16, false, false}, {6, 16, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " depth " << c.depth
                                          << (c.rgb32 ? " 32" : "") << (c.interlaced ? " adam7" : ""));
        auto img = blank(c.type, c.depth, 13, 7, false, c.rgb32);
        img->SetInterlaceMethod(c.interlaced ? imAdam7 : imNone);
        // Deterministic bytes everywhere, padding aside.
        const int bitCount = img->Header()->BitCount();
        const size_t rowBytes = (size_t(bitCount) * 13 + 7) / 8;
        for (int y = 0; y < 7; ++y) {
            auto* row = static_cast<uint8_t*>(img->GetScanline(y));
            for (size_t i = 0; i < rowBytes; ++i)
                row[i] = uint8_t(y * 31 + i * 7 + 1);
            if (bitCount == 4 && c.type == 3)
                for (size_t i = 0; i < rowBytes; ++i)
                    row[i] &= 0x77;
            if (bitCount == 1 || bitCount == 4)
                row[rowBytes - 1] &= uint8_t(0xFF << (rowBytes * 8 - 13 * size_t(bitCount)));
            if (uint8_t* a = img->GetAlphaScanline(y)) {
                for (int x = 0; x < 13; ++x)
                    a[x] = uint8_t(x * 19 + y);
            }
            if (uint8_t* e = img->GetExtraScanline(y)) {
                for (size_t i = 0; i < rowBytes; ++i)
                    e[i] = uint8_t(i * 3 + y);
                if (bitCount == 32) {
                    for (int x = 0; x < 13; ++x)
                        e[x * 4 + 3] = 0;
                }
            }
        }
        const Bytes file = save(*img);
        TPngImage back;
        load(back, file);
        ASSERT_FALSE(back.Empty());
        EXPECT_EQ(back.InterlaceMethod(), c.interlaced ? imAdam7 : imNone);
        EXPECT_EQ(back.AlphaMode, pamDefined);
        back.UniquePng();
        for (int y = 0; y < 7; ++y) {
            if (c.type == 6 && c.rgb32) {
                // 32-bit images come back as 24-bit colour plus an alpha plane.
                for (int x = 0; x < 13; ++x) {
                    const uint8_t* src = px(*img, x, y);
                    EXPECT_EQ(std::memcmp(px(back, x, y), src, 3), 0) << x << "," << y;
                    EXPECT_EQ(back.GetAlphaScanline(y)[x], src[3]);
                }
                continue;
            }
            ASSERT_EQ(back.Header()->BitCount(), bitCount);
            EXPECT_EQ(std::memcmp(back.GetScanline(y), img->GetScanline(y), rowBytes), 0) << "row " << y;
            if (img->GetAlphaScanline(y)) {
                EXPECT_EQ(std::memcmp(back.GetAlphaScanline(y), img->GetAlphaScanline(y), 13), 0)
                    << "row " << y;
            }
            if (img->GetExtraScanline(y)) {
                EXPECT_EQ(std::memcmp(back.GetExtraScanline(y), img->GetExtraScanline(y), rowBytes), 0)
                    << "row " << y;
            }
        }
    }
}

TEST(PngImageStream, IdenticalDataSharesOneStore) {
    auto src = blank(6, 8, 5, 5, false, false);
    src->FillRect(RECT{0, 0, 5, 5}, 0x80102030);
    const Bytes file = save(*src);
    TPngImage a, b;
    load(a, file);
    load(b, file);
    ASSERT_NE(a.SharedData(), nullptr);
    EXPECT_EQ(a.SharedData(), b.SharedData());
    EXPECT_EQ(a.GetPixels(4, 4), 0x00302010u);
    EXPECT_EQ(a.GetScanline(0), b.GetScanline(0)); // decoded once, held once
    b.UniquePng();
    b.SetPixels(4, 4, 0x00FFFFFF);
    EXPECT_NE(a.SharedData(), b.SharedData());
    EXPECT_EQ(a.GetPixels(4, 4), 0x00302010u);
    EXPECT_EQ(b.GetPixels(4, 4), 0x00FFFFFFu);
}

TEST(PngImageStream, UndecodedImageSavesItsIdatChunksUnchanged) {
    auto src = blank(2, 8, 40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            src->SetPixels(x, y, TColor(x * 5 | y << 10));
    src->SetCompressionLevel(9);
    src->SetFilters(filterBit(pfPaeth) | filterBit(pfNone));
    src->SetMaxIdatSize(65535);
    const Bytes file = save(*src);
    TPngImage img;
    load(img, file);
    const Bytes again = save(img);
    EXPECT_EQ(idatBytes(again), idatBytes(file));
    EXPECT_EQ(img.GetPixels(39, 29), TColor(39 * 5 | 29 << 10));
}

TEST(PngImageStream, TwoBitGreyLoadsAsNibblesAndSavesAsFourBit) {
    const Bytes file = makePng(ihdr(4, 1, 2, 0), {{0b00011011}});
    TPngImage img;
    load(img, file);
    EXPECT_EQ(img.Header()->BitCount(), 4);
    const uint8_t* row = static_cast<const uint8_t*>(img.GetScanline(0));
    EXPECT_EQ(row[0], 0x01);
    EXPECT_EQ(row[1], 0x23);
    const uint32_t levels[] = {0, 85, 170, 255};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(img.GetPixels(x, 0), levels[x] * 0x010101u) << x;
    img.SetInterlaceMethod(imAdam7);
    const Bytes saved = save(img);
    const size_t at = find(saved, "IHDR").at(0);
    EXPECT_EQ(saved[at + 8 + 8], 4);  // bit depth
    EXPECT_EQ(saved[at + 8 + 12], 0); // interlace
    TPngImage back;
    load(back, saved);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(back.GetPixels(x, 0), levels[x] * 0x010101u) << x;
}

TEST(PngImageStream, TwoBitGreyKeepsItsTransparentGreyWhenSavedAsFourBit) {
    const Bytes file = makePng(ihdr(4, 1, 2, 0), {{0b00011011}}, {{"tRNS", {0, 2}}});
    TPngImage img;
    load(img, file);
    EXPECT_EQ(img.TransparentColor(), 170 * 0x010101u);
    TPngImage back;
    load(back, save(img));
    EXPECT_EQ(back.TransparentColor(), 170 * 0x010101u);
}

TEST(PngImageStream, DamagedData) {
    const Bytes good = makePng(ihdr(2, 2, 8, 2), {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    {
        // Wrong IDAT checksum: loads, every pixel 0.
        Bytes bad = good;
        const size_t at = find(bad, "IDAT").at(0);
        bad[at + 8 + png::readBE32(&bad[at])] ^= 0xFF;
        TPngImage img;
        EXPECT_NO_THROW(load(img, bad));
        ASSERT_FALSE(img.Empty());
        EXPECT_EQ(img.GetPixels(0, 0), 0u);
        EXPECT_EQ(img.GetPixels(1, 1), 0u);
    }
    {
        // Wrong tEXt checksum: loading stops there with what was read.
        Bytes bad = makePng(ihdr(2, 2, 8, 2), {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}, {});
        Bytes text;
        chunk(text, "tEXt", {'k', 0, 'v'});
        text[text.size() - 1] ^= 1;
        const size_t iend = find(bad, "IEND").at(0);
        bad.insert(bad.begin() + iend, text.begin(), text.end());
        TPngImage img;
        EXPECT_NO_THROW(load(img, bad));
        EXPECT_EQ(img.Chunks().Count(), 2); // IHDR, IDAT
        EXPECT_EQ(img.GetPixels(1, 0), 0x00060504u);
    }
    struct Case {
        Bytes file;
        std::string tail;
    };
    Bytes notPng = good;
    notPng[1] = 'X';
    Bytes wide = makePng(ihdr(65536, 1, 8, 0), {{0}});
    Bytes critical = good;
    Bytes abcd;
    chunk(abcd, "ABCD", {1});
    critical.insert(critical.begin() + find(critical, "IDAT").at(0), abcd.begin(), abcd.end());
    Bytes late(std::begin(png::kSignature), std::end(png::kSignature));
    chunk(late, "gAMA", {0, 0, 0, 1});
    chunk(late, "IHDR", ihdr(1, 1, 8, 0));
    try {
        TPngImage img;
        load(img, notPng);
        ADD_FAILURE();
    } catch (const EPNGInvalidFileHeader& e) {
        EXPECT_EQ(std::string(e.what()), std::string("2.701 ") + png::msg::kInvalidFileHeader);
    }
    try {
        TPngImage img;
        load(img, wide);
        ADD_FAILURE();
    } catch (const EPNGSizeExceeds& e) {
        EXPECT_EQ(std::string(e.what()), std::string("2.701 ") + png::msg::kSizeExceeds);
    }
    try {
        TPngImage img;
        load(img, critical);
        ADD_FAILURE();
    } catch (const EPNGUnknownCriticalChunk& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.substr(m.size() - 5), ":ABCD");
    }
    EXPECT_THROW(
        {
            TPngImage img;
            load(img, late);
        },
        EPNGIHDRNotFirst);
}

TEST(PngImageStream, UnknownAncillaryChunkIsKept) {
    Bytes file = makePng(ihdr(1, 1, 8, 0), {{9}}, {{"abCD", {1, 2, 3}}});
    TPngImage img;
    load(img, file);
    const Bytes saved = save(img);
    ASSERT_EQ(find(saved, "abCD").size(), 1u);
    const size_t at = find(saved, "abCD")[0];
    const size_t orig = find(file, "abCD")[0];
    EXPECT_TRUE(std::equal(saved.begin() + at, saved.begin() + at + 15, file.begin() + orig));
}

TEST(PngImageStream, DrawingPropertiesTravelInDevurText) {
    auto img = blank(6, 8, 2, 2);
    img->SetAlphaBlendValue(128);
    img->SetGrayMode(true);
    const Bytes file = save(*img);
    const size_t at = find(file, "tEXt").at(0);
    const std::string data(file.begin() + at + 8, file.begin() + at + 8 + png::readBE32(&file[at]));
    EXPECT_EQ(data.substr(0, 6), std::string("DEVUR\0", 6));
    EXPECT_NE(data.find("AlphaBlendValue=128"), std::string::npos);
    EXPECT_NE(data.find("GrayMode=1"), std::string::npos);
    TPngImage back;
    load(back, file);
    EXPECT_EQ(back.AlphaBlendValue(), 128);
    EXPECT_TRUE(back.GrayMode());
    EXPECT_EQ(back.SmoothFilter(), psfDefault);
}

TEST(PngImageStream, TwoFiltersOnRowsWithoutRepeatsWriteFilterNone) {
    // Rows whose raw, Sub-filtered and Up-filtered bytes never repeat at distance 1 or 2.
    auto img = blank(0, 8, 16, 3);
    auto repeats = [](const uint8_t* r) {
        for (int j = 2; j < 16; ++j)
            if (r[j] == r[j - 1] || r[j] == r[j - 2]) return true;
        return false;
    };
    uint32_t seed = 12345;
    uint8_t prev[16] = {};
    for (int y = 0; y < 3; ++y) {
        auto* row = static_cast<uint8_t*>(img->GetScanline(y));
        for (;;) {
            uint8_t sub[16], up[16];
            for (int x = 0; x < 16; ++x) {
                seed = seed * 1103515245u + 12345u;
                row[x] = uint8_t(seed >> 16);
            }
            for (int x = 0; x < 16; ++x) {
                sub[x] = uint8_t(row[x] - (x ? row[x - 1] : 0));
                up[x] = uint8_t(row[x] - prev[x]);
            }
            if (!repeats(row) && !repeats(sub) && !repeats(up)) break;
        }
        std::memcpy(prev, row, 16);
    }
    img->SetFilters(filterBit(pfSub) | filterBit(pfUp));
    const Bytes file = save(*img);
    const size_t at = find(file, "IDAT").at(0);
    const Bytes z(file.begin() + at + 8, file.begin() + at + 8 + png::readBE32(&file[at]));
    Bytes raw(3 * 17);
    uLongf n = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &n, z.data(), uLong(z.size())), Z_OK);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(raw[y * 17], 0) << "row " << y;
}

TEST(PngImageStream, FilesWithWidePaths) {
    auto img = blank(3, 8, 3, 1);
    img->SetPixels(0, 0, 0x00FF0000);
    const std::wstring path = std::wstring(L"" VELL_BINARY_DIR) + L"\\image_\u00e9\u4e2d.png";
    img->SaveToFile(path);
    TPngImage back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.GetPixels(0, 0), img->GetPixels(0, 0));
    ::DeleteFileW(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path), EFOpenError);
}

TEST(PngChunkList, AddRulesAndPlacement) {
    TPngImage empty;
    try {
        empty.Chunks().Add<TChunktEXt>();
        FAIL();
    } catch (const EPngError& e) {
        EXPECT_EQ(std::string(e.what()), std::string("2.701 ") + msg::kAddToInvalidImage);
    }
    auto img = blank(3, 8, 2, 2); // IHDR PLTE IDAT IEND
    for (auto add : {+[](TPNGList& l) { l.Add<TChunkIDAT>(); }, +[](TPNGList& l) { l.Add<TChunkPLTE>(); },
                     +[](TPNGList& l) { l.Add<TChunkIHDR>(); }}) {
        try {
            add(img->Chunks());
            ADD_FAILURE();
        } catch (const EPngError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("2.701 ") + msg::kAddExistentCritical);
        }
    }
    img->Chunks().Add<TChunktEXt>();
    img->Chunks().Add<TChunkgAMA>();
    img->Chunks().Add<TChunktRNS>();
    EXPECT_THROW(img->Chunks().Add<TChunkgAMA>(), EPngError);
    std::string order;
    for (int i = 0; i < img->Chunks().Count(); ++i)
        order += std::string(img->Chunks().GetItem(i)->Name().c, 4) + " ";
    EXPECT_EQ(order, "IHDR gAMA PLTE tRNS IDAT tEXt IEND ");
    EXPECT_EQ(img->Header()->ChunkTRNS, img->Chunks().ItemFromClass<TChunktRNS>());
    img->Chunks().RemoveChunk(img->Header()->ChunkTRNS);
    EXPECT_EQ(img->Header()->ChunkTRNS, nullptr);
}

TEST(PngChunkList, TextChunksAndAssignRules) {
    auto img = blank(2, 8, 1, 1);
    img->AddtEXt("Title", "one");
    img->AddtEXt("", "", true); // kept as it is
    EXPECT_EQ(img->Chunks().ItemFromClass<TChunktEXt>()->Text(), "one");
    img->AddtEXt("Author", "two", true); // only the first chunk is looked at: replaced
    EXPECT_EQ(img->Chunks().ItemFromClass<TChunktEXt>()->Keyword(), "Author");
    img->AddzTXt("Comment", std::string(300, 'z'));
    const Bytes file = save(*img);
    TPngImage back;
    load(back, file);
    TChunkzTXt* z = back.Chunks().ItemFromClass<TChunkzTXt>();
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->Text(), std::string(300, 'z'));

    TChunkgAMA gama(img.get());
    TChunktIME time(img.get());
    EXPECT_THROW(gama.Assign(time), EPngError);
    time.fYear = 7;
    TChunkpHYs phys(img.get());
    time.Assign(phys); // ignored
    EXPECT_EQ(time.fYear, 7);
}

TEST(PngImageStream, GammaAndTransparentColour) {
    Bytes file = makePng(ihdr(2, 1, 8, 2), {{10, 20, 30, 40, 50, 60}}, {{"tRNS", {0, 10, 0, 20, 0, 30}}});
    TPngImage img;
    load(img, file);
    EXPECT_EQ(img.TransparencyMode(), ptmBit);
    EXPECT_EQ(img.TransparentColor(), 0x001E140Au);
    img.SetTransparentColor(0x00030201);
    EXPECT_EQ(img.TransparentColor(), 0x00030201u);
    TPngImage back;
    load(back, save(img));
    EXPECT_EQ(back.TransparentColor(), 0x00030201u);
    back.RemoveTransparency();
    EXPECT_EQ(back.TransparencyMode(), ptmNone);
}

TEST(PngImageStream, LeavesTheStreamAfterTheImage) {
    const Bytes file = makePng(ihdr(1, 1, 8, 0), {{7}});
    std::string data = "head";
    data.append(file.begin(), file.end());
    data += "tail";
    TMemoryStream s(data);
    s.SetPosition(4);
    TPngImage img;
    img.LoadFromStream(s);
    EXPECT_EQ(s.Position(), int64_t(4 + file.size()));
    EXPECT_EQ(img.GetPixels(0, 0), 0x070707u);
}
