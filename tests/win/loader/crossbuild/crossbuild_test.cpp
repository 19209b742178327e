// The i686 and the x86_64 build must write the same files, so that what one build wrote the
// other reads, and a file written again does not change only because another build wrote it.
// Each build's run writes a PNG, an INI file and a package from fixed inputs into
// build/crossbuild/<arch>/. When the other build has run, its files are read here, must hold
// the same inputs, and must come out byte for byte the same when written again by this
// build, and the same as this build's own files. Nothing here writes into the other build's
// folder.
#include "core/ini/ini_values.h"
#include "core/io/stream.h"
#include "core/png/codec.h"
#include "core/text/utf.h"
#include "core/zip/zip_reader.h"
#include "core/zip/zip_writer.h"
#include "platform/win/files.h"
#include "services/ini/safe_ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace vell;

namespace {

using Bytes = std::string;

// --- Where the files go ---------------------------------------------------------------------

std::u16string archName(bool own) {
    return (sizeof(void*) == 8) == own ? u"x86_64" : u"i686";
}

// build/crossbuild/<arch>\ beside both build folders.
std::u16string buildFolder(bool own) {
    const std::u16string binary = u"" VELL_BINARY_DIR;
    return binary.substr(0, binary.rfind(u'\\')) + u"\\crossbuild\\" + archName(own) + u"\\";
}

Bytes readBytes(const std::u16string& path) {
    Bytes out;
    DWORD error = 0;
    EXPECT_TRUE(win::ReadWholeFile(path, out, &error)) << text::utf16ToUtf8(path) << ": error " << error;
    return out;
}

void writeBytes(const std::u16string& path, const Bytes& bytes) {
    DWORD error = 0;
    ASSERT_TRUE(win::ReplaceWholeFile(path, bytes, &error)) << text::utf16ToUtf8(path) << ": error " << error;
}

// Equal bytes, or where they first differ (a binary file printed whole says nothing).
::testing::AssertionResult sameBytes(const Bytes& expected, const Bytes& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    auto byteAt = [](const Bytes& b, size_t i) {
        char hex[8] = "end";
        if (i < b.size()) std::snprintf(hex, sizeof hex, "0x%02X", unsigned(uint8_t(b[i])));
        return std::string(hex);
    };
    return ::testing::AssertionFailure()
           << "sizes " << expected.size() << " and " << actual.size() << ", first difference at byte " << at
           << ": " << byteAt(expected, at) << " against " << byteAt(actual, at);
}

// --- The fixed inputs -----------------------------------------------------------------------

constexpr uint32_t kWidth = 7, kHeight = 5;

// Premultiplied BGRA, as the library holds pictures: alpha climbs from transparent to opaque
// across the picture, each colour a different share of it. Premultiplied colours that do not
// exceed their alpha come back exactly from the straight-alpha file.
std::vector<uint8_t> samplePixels() {
    std::vector<uint8_t> px(size_t(kWidth) * kHeight * 4);
    const uint32_t last = kWidth * kHeight - 1;
    for (uint32_t i = 0; i <= last; ++i) {
        const uint32_t a = i * 255 / last;
        px[i * 4 + 0] = uint8_t(a * (i % 4) / 3);
        px[i * 4 + 1] = uint8_t(a * (i * 7 % 11) / 10);
        px[i * 4 + 2] = uint8_t(a * (last - i) / last);
        px[i * 4 + 3] = uint8_t(a);
    }
    return px;
}

Bytes encodeSample(const std::vector<uint8_t>& premultiplied) {
    const auto file = png::encodeBgra(premultiplied.data(), kWidth, kHeight, size_t(kWidth) * 4, true);
    return Bytes(file.begin(), file.end());
}

void expectSamplePicture(const Bytes& file) {
    const auto image = png::decodeToBgra({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    EXPECT_EQ(image.width, kWidth);
    EXPECT_EQ(image.height, kHeight);
    EXPECT_EQ(image.pixels, samplePixels());
}

// Typed values go through the library's number and date formatting; the texts carry
// characters outside Latin-1 and one outside the Basic Multilingual Plane.
const std::u16string kTitle = u"Gr\u00F6\u00DFe \u2013 \u65E5\u672C\u8A9E \U0001F600";
const std::u16string kPlace = u"\u0141\u00F3d\u017A";
constexpr int64_t kBig = -9007199254740993;

TDateTime savedAt() {
    TDateTime t = 0;
    EXPECT_TRUE(ini::EncodeDateTime({2024, 2, 29, 23, 59, 58, 999}, &t));
    return t;
}

void writeSampleIni(TCustomIniFile& ini) {
    ini.WriteString(u"Window", u"Title", kTitle);
    ini.WriteInteger(u"Window", u"Left", -12);
    ini.WriteBool(u"Window", u"Maximized", true);
    ini.WriteInt64(u"\u00DCbersicht", u"Gro\u00DF", kBig);
    ini.WriteFloat(u"\u00DCbersicht", u"Tenth", 0.1);
    ini.WriteFloat(u"\u00DCbersicht", u"Tiny", -1.5e-7);
    ini.WriteDateTime(u"\u00DCbersicht", u"Saved", savedAt());
    ini.WriteString(u"\u00DCbersicht", u"Place", kPlace);
}

void expectSampleIni(TCustomIniFile& ini) {
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(ini.ReadSections(), (Names{u"Window", u"\u00DCbersicht"}));
    EXPECT_EQ(ini.ReadSection(u"Window"), (Names{u"Title", u"Left", u"Maximized"}));
    EXPECT_EQ(ini.ReadSection(u"\u00DCbersicht"),
              (Names{u"Gro\u00DF", u"Tenth", u"Tiny", u"Saved", u"Place"}));
    EXPECT_EQ(ini.ReadString(u"Window", u"Title", u""), kTitle);
    EXPECT_EQ(ini.ReadInteger(u"Window", u"Left", 0), -12);
    EXPECT_TRUE(ini.ReadBool(u"Window", u"Maximized", false));
    EXPECT_EQ(ini.ReadInt64(u"\u00DCbersicht", u"Gro\u00DF", 0), kBig);
    EXPECT_EQ(ini.ReadFloat(u"\u00DCbersicht", u"Tenth", 0), 0.1);
    EXPECT_EQ(ini.ReadFloat(u"\u00DCbersicht", u"Tiny", 0), -1.5e-7);
    EXPECT_EQ(ini.ReadDateTime(u"\u00DCbersicht", u"Saved", 0), savedAt());
    EXPECT_EQ(ini.ReadString(u"\u00DCbersicht", u"Place", u""), kPlace);
}

// The package's entries in archive order: pictures stored as they are, texts deflated, as the
// skin packages are made. The text repeats so that deflate has matches to find.
struct PackageEntry {
    std::string name; // UTF-8
    zip::ZipWriter::Method method;
    bool picture; // the sample picture; otherwise `text`
    Bytes text;
};

const PackageEntry kEntries[] = {
    {"images/sample.png", zip::ZipWriter::Method::Stored, true, {}},
    {text::utf16ToUtf8(u"lang/gr\u00F6\u00DFe.txt"), zip::ZipWriter::Method::Deflated, false,
     text::utf16ToUtf8(
         u"[Strings]\r\nSize=Gr\u00F6\u00DFe\r\nSize=Gr\u00F6\u00DFe\r\nSize=Gr\u00F6\u00DFe\r\n")},
    {"public/main.ini", zip::ZipWriter::Method::Deflated, false,
     "[validate]\r\nskinname=crossbuild\r\n[images]\r\nsample=images/sample.png\r\n"},
};

Bytes finishPackage(const zip::ZipWriter& writer) {
    const auto file = writer.finish();
    return Bytes(file.begin(), file.end());
}

std::unique_ptr<zip::ZipArchive> openPackage(const Bytes& file) {
    zip::ZipError error = zip::ZipError::None;
    auto archive = zip::ZipArchive::open(std::vector<uint8_t>(file.begin(), file.end()), {}, &error);
    EXPECT_TRUE(archive) << zip::errorText(error);
    return archive;
}

// --- The three kinds of file ----------------------------------------------------------------

void writePicture(const std::u16string& path) {
    writeBytes(path, encodeSample(samplePixels()));
}

void checkPicture(const std::u16string& path) {
    expectSamplePicture(readBytes(path));
}

Bytes rewritePicture(const std::u16string& path) {
    const Bytes file = readBytes(path);
    return encodeSample(
        png::decodeToBgra({reinterpret_cast<const uint8_t*>(file.data()), file.size()}).pixels);
}

void writeIni(const std::u16string& path) {
    TSafeIniFile ini;
    writeSampleIni(ini);
    ini.SaveToFile(path);
    EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
}

void checkIni(const std::u16string& path) {
    TSafeIniFile ini(path);
    ASSERT_FALSE(ini.IniLoadFailed()) << "error " << ini.LoadSaveFile_LastError;
    expectSampleIni(ini);
}

Bytes rewriteIni(const std::u16string& path) {
    TSafeIniFile ini(path);
    TMemoryStream stream;
    ini.SaveToStream(stream);
    return stream.Bytes();
}

void writePackage(const std::u16string& path) {
    zip::ZipWriter writer;
    const Bytes picture = encodeSample(samplePixels());
    for (const PackageEntry& e : kEntries) {
        const Bytes& data = e.picture ? picture : e.text;
        writer.add(e.name, std::vector<uint8_t>(data.begin(), data.end()), e.method);
    }
    writeBytes(path, finishPackage(writer));
}

void checkPackage(const std::u16string& path) {
    const auto archive = openPackage(readBytes(path));
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->entryCount(), std::size(kEntries));
    std::vector<uint8_t> data;
    for (size_t i = 0; i < std::size(kEntries); ++i) {
        const PackageEntry& e = kEntries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(archive->entry(i).name, e.name);
        EXPECT_EQ(archive->entry(i).method, e.method == zip::ZipWriter::Method::Stored ? 0 : 8);
        ASSERT_EQ(archive->read(i, data), zip::ZipError::None);
        const Bytes bytes(data.begin(), data.end());
        if (e.picture)
            expectSamplePicture(bytes);
        else
            EXPECT_EQ(bytes, e.text);
    }
}

// Every entry read out and added again with its name and method.
Bytes rewritePackage(const std::u16string& path) {
    const auto archive = openPackage(readBytes(path));
    if (!archive) return {};
    zip::ZipWriter writer;
    std::vector<uint8_t> data;
    for (size_t i = 0; i < archive->entryCount(); ++i) {
        const zip::ZipEntry& e = archive->entry(i);
        EXPECT_EQ(archive->read(i, data), zip::ZipError::None) << e.name;
        writer.add(e.name, data,
                   e.method == 0 ? zip::ZipWriter::Method::Stored : zip::ZipWriter::Method::Deflated);
    }
    return finishPackage(writer);
}

struct FileKind {
    const char16_t* fileName;
    void (*write)(const std::u16string& path);    // from the fixed inputs
    void (*check)(const std::u16string& path);    // reads back to the fixed inputs
    Bytes (*rewrite)(const std::u16string& path); // read, then written again
};

void PrintTo(const FileKind& kind, std::ostream* out) {
    *out << text::utf16ToUtf8(kind.fileName);
}

const FileKind kKinds[] = {
    {u"sample.png", writePicture, checkPicture, rewritePicture},
    {u"sample.ini", writeIni, checkIni, rewriteIni},
    {u"sample.rcc", writePackage, checkPackage, rewritePackage},
};

// --- The tests ------------------------------------------------------------------------------

// Every test first writes this build's file afresh, so it never compares against a file an
// older run left behind.
class CrossBuildFile : public ::testing::TestWithParam<FileKind> {
  protected:
    void SetUp() override {
        DWORD error = 0;
        ASSERT_TRUE(win::ForceDirectories(buildFolder(true), &error)) << "error " << error;
        GetParam().write(ownPath());
        ASSERT_TRUE(win::FileExists(ownPath())) << text::utf16ToUtf8(ownPath());
    }
    std::u16string ownPath() const { return buildFolder(true) + GetParam().fileName; }
    std::u16string otherPath() const { return buildFolder(false) + GetParam().fileName; }
};

TEST_P(CrossBuildFile, ReadsBackAndWritesTheSameBytesAgain) {
    GetParam().check(ownPath());
    EXPECT_TRUE(sameBytes(readBytes(ownPath()), GetParam().rewrite(ownPath())));
}

TEST_P(CrossBuildFile, OtherBuildsFileReadsBackAndEqualsThisBuildsBytes) {
    const std::string other = text::utf16ToUtf8(archName(false));
    if (!win::DirectoryExists(buildFolder(false)))
        GTEST_SKIP() << "the " << other << " build's files are not there yet ("
                     << text::utf16ToUtf8(buildFolder(false)) << "): run this test in the " << other
                     << " build too";
    ASSERT_TRUE(win::FileExists(otherPath()))
        << text::utf16ToUtf8(otherPath()) << " is missing: run this test in the " << other << " build again";
    SCOPED_TRACE("the file of the " + other + " build; if the inputs changed, run its test again");
    GetParam().check(otherPath());
    const Bytes theirs = readBytes(otherPath());
    EXPECT_TRUE(sameBytes(theirs, GetParam().rewrite(otherPath()))) << "read and written again by this build";
    EXPECT_TRUE(sameBytes(theirs, readBytes(ownPath()))) << "against this build's own file";
}

INSTANTIATE_TEST_SUITE_P(Files, CrossBuildFile, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<FileKind>& info) {
                             const std::u16string name = info.param.fileName;
                             return text::utf16ToUtf8(name.substr(name.find(u'.') + 1));
                         });

} // namespace
