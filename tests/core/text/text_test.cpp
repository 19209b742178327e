#include "core/io/stream.h"
#include "core/text/codec.h"
#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::text;

namespace {
std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b)
        s.push_back(static_cast<char>(v));
    return s;
}
} // namespace

TEST(Utf, RoundTripsAllPlanes) {
    const std::u16string s = u"A\u00E9\u4E2D\U0001F600";
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(s)), s);
    EXPECT_EQ(utf16ToUtf8(s), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

TEST(Utf, MalformedSequencesBecomeReplacementCharacters) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xC3", u"\uFFFD"},             // truncated
        {"\xC3(", u"\uFFFD("},           // bad continuation keeps the next byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},   // overlong lead bytes are invalid
        {"\xED\xA0\x80", u"\uFFFD"},     // surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"}, // above U+10FFFF
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToUtf16(c.in), c.out) << c.in;
        EXPECT_FALSE(isValidUtf8(c.in)) << c.in;
    }
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Codec, DecodesByByteOrderMark) {
    struct Case {
        const char* what;
        std::string in;
        std::u16string out;
    } cases[] = {
        {"utf-8 bom", bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}), u"a\u00E9"},
        {"utf-16 le", bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0}), u"a\u00E9"},
        {"utf-16 be", bytes({0xFE, 0xFF, 0, 'a', 0, 0xE9}), u"a\u00E9"},
        {"odd trailing byte", bytes({0xFF, 0xFE, 'a', 0, 'b'}), u"a"},
        {"bom only", bytes({0xFF, 0xFE}), u""},
        {"empty", "", u""},
        {"no bom, utf-8", "a\xC3\xA9", u"a\u00E9"},
        {"no bom, latin-1", "a\xE9", u"a\u00E9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeText(asBytes(c.in)), c.out) << c.what;
}

TEST(Codec, EncodesWithMarks) {
    EXPECT_EQ(encodeText(u"a\u00E9", TextEncoding::Utf16LE, true), bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0}));
    EXPECT_EQ(encodeText(u"a", TextEncoding::Utf16BE, true), bytes({0xFE, 0xFF, 0, 'a'}));
    EXPECT_EQ(encodeText(u"a\u00E9", TextEncoding::Utf8, true), bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}));
    EXPECT_EQ(encodeText(u"a", TextEncoding::Utf8, false), "a");
}

TEST(Codec, AnsiConversionCanBeReplaced) {
    setAnsiCodePage({[](std::string_view b) { return std::u16string(b.size(), u'#'); },
                     [](std::u16string_view t) { return std::string(t.size(), '?'); }});
    EXPECT_EQ(decodeText(asBytes("ab")), u"##");
    EXPECT_EQ(encodeText(u"abc", TextEncoding::Ansi, true), "???");
    EXPECT_EQ(decodeText(asBytes("\xEF\xBB\xBF"
                                 "ab")),
              u"ab"); // a mark still wins
    setAnsiCodePage({});
    EXPECT_EQ(decodeText(asBytes("ab")), u"ab");
}

TEST(Strings, TrimAndCase) {
    EXPECT_EQ(trim(u" \t\x01 a b \r\n"), u"a b");
    EXPECT_EQ(trim(u"  "), u"");
    EXPECT_EQ(upperCase(u"ab\u00E9\u00FF\u0101\u017A\u03B1\u03C2\u0430\u0451\u4E2D"),
              u"AB\u00C9\u0178\u0100\u0179\u0391\u03A3\u0410\u0401\u4E2D");
    EXPECT_TRUE(sameText(u"Stra\u00DFe", u"STRA\u00DFE"));
    EXPECT_TRUE(sameText(u"\u00E9t\u00E9", u"\u00C9T\u00C9"));
    EXPECT_FALSE(sameTextAscii(u"\u00E9", u"\u00C9"));
    EXPECT_TRUE(sameTextAscii(u"C:\\Log.LOG", u"c:\\log.log"));
    EXPECT_TRUE(containsAsciiNoCase(u"xxvLrxx", u"VLR"));
    EXPECT_TRUE(containsAsciiNoCase(u"VLR", u"vlr"));
    EXPECT_TRUE(containsAsciiNoCase(u"", u""));
    EXPECT_FALSE(containsAsciiNoCase(u"VL", u"VLR"));
    EXPECT_FALSE(containsAsciiNoCase(u"V L R", u"VLR"));
    EXPECT_FALSE(containsAsciiNoCase(u"\u00C9", u"\u00E9"));
}

TEST(Strings, ReplaceIgnoresAsciiCase) {
    EXPECT_EQ(replaceAsciiNoCase(u"a<br>b<BR>c<Br>", u"<br>", u"\r\n"), u"a\r\nb\r\nc\r\n");
    EXPECT_EQ(replaceAsciiNoCase(u"<b", u"<br>", u"x"), u"<b");
    EXPECT_EQ(replaceAsciiNoCase(u"<br<br>>", u"<br>", u"|"), u"<br|>");
}

TEST(Strings, SplitLinesAtAnyBreak) {
    struct Case {
        std::u16string in;
        std::vector<std::u16string> out;
    } cases[] = {
        {u"a\r\nb\rc\nd", {u"a", u"b", u"c", u"d"}},
        {u"a\r\n", {u"a"}},
        {u"\n\n", {u"", u""}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {u"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitLines(c.in), c.out) << utf16ToUtf8(c.in);
}

TEST(Stream, MemoryStreamReadsWritesAndSeeks) {
    TMemoryStream s;
    s.WriteBuffer("hello", 5);
    EXPECT_EQ(s.Size(), 5);
    s.SetPosition(1);
    EXPECT_EQ(s.ReadRest(), "ello");
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0); // at the end
    EXPECT_THROW(s.ReadBuffer(&c, 1), EStreamError);
    s.Seek(-2, SeekOrigin::End);
    s.WriteBuffer("LOW", 3);
    EXPECT_EQ(s.Bytes(), "helLOW");
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    TMemoryStream copy;
    s.SetPosition(0);
    copy.CopyFrom(s);
    EXPECT_EQ(copy.Bytes(), "he");
}

TEST(Paths, SplitAndChange) {
    EXPECT_EQ(ExtractFilePath(u"C:\\a\\b.txt"), u"C:\\a\\");
    EXPECT_EQ(ExtractFilePath(u"C:b.txt"), u"C:");
    EXPECT_EQ(ExtractFilePath(u"b.txt"), u"");
    EXPECT_EQ(ExtractFileName(u"C:/a/b.txt"), u"b.txt");
    EXPECT_EQ(ChangeFileExt(u"C:\\a\\VellLoading.exe", u".log"), u"C:\\a\\VellLoading.log");
    EXPECT_EQ(ChangeFileExt(u"C:\\a.b\\name", u".log"), u"C:\\a.b\\name.log");
    EXPECT_EQ(ChangeFileExt(u"x.tar.gz", u"_1.log"), u"x.tar_1.log");
    EXPECT_EQ(IncludeTrailingBackslash(u"C:\\a"), u"C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash(u""), u"");
    EXPECT_EQ(ExcludeTrailingBackslash(u"C:\\a\\"), u"C:\\a");
}
