#include "core/ini/mem_ini_file.h"
#include "core/text/codec.h"
#include "core/text/utf.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdio>
#include <cmath>

using namespace vell;
using vell::text::u16;
using Lines = std::vector<std::u16string>;

namespace {
TIniSections parse(std::string_view utf8) {
    TIniSections s;
    s.SetText(u16(utf8));
    return s;
}
} // namespace

// --- Parsing and output -----------------------------------------------------------------

TEST(IniParse, TrimsSkipsCommentsAndDropsLinesBeforeTheFirstSection) {
    const auto ini = parse("orphan=1\r\n[ A ]\r\n  x =  1  \r\n; note=2\r\ny\r\n\r\n[B]\nk=v=w\n");
    ASSERT_EQ(ini.Count(), 2);
    EXPECT_EQ(ini.Name(0), u"A");
    EXPECT_EQ(ini.SectionLines(u"a"), (Lines{u"x=1", u"y"}));
    std::u16string v;
    EXPECT_TRUE(ini.Find(u"B", u"K", &v));
    EXPECT_EQ(v, u"v=w"); // split at the first "="
    EXPECT_FALSE(ini.Find(u"A", u"orphan", &v));
    EXPECT_FALSE(ini.Find(u"A", u"y", &v)); // a line without "=" has no key
}

TEST(IniParse, OutputListsSectionsWithATrailingEmptyLine) {
    const auto ini = parse("[A]\nx=1\n[B]\n");
    EXPECT_EQ(ini.GetStrings(), (Lines{u"[A]", u"x=1", u"", u"[B]", u""}));
    EXPECT_EQ(ini.GetText(), u"[A]\r\nx=1\r\n\r\n[B]\r\n\r\n");
    EXPECT_EQ(parse(text::utf16ToUtf8(ini.GetText())).GetText(), ini.GetText());
}

TEST(IniParse, EveryEncodingGivesTheSameContent) {
    const std::u16string text = u"[S]\r\nname=\u00C9t\u00E9 \u4E2D\r\n";
    for (auto enc : {text::TextEncoding::Utf8, text::TextEncoding::Utf16LE, text::TextEncoding::Utf16BE}) {
        TIniSections s;
        s.SetBytes(text::asBytes(text::encodeText(text, enc, true)));
        std::u16string v;
        ASSERT_TRUE(s.Find(u"s", u"NAME", &v)) << int(enc);
        EXPECT_EQ(v, u"\u00C9t\u00E9 \u4E2D");
    }
}

TEST(IniParse, DamagedInputIsReadWithoutFailing) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    const std::string cases[] = {
        "",
        "\xFF\xFE",
        "\xFF\xFE[\0A\0]\0\n\0x\0=", // UTF-16 cut inside a character
        "\xEF\xBB\xBF[A]\nx=\xC3",   // UTF-8 cut inside a character
        std::string("[A]\nx=1\0y\n", 11),
        binary,
        "[" + std::string(1 << 20, 'a'), // one huge line
    };
    for (const auto& c : cases) {
        TIniSections s;
        s.SetBytes(text::asBytes(c));
        EXPECT_EQ(s.GetStrings().size() >= static_cast<size_t>(s.Count()), true);
    }
    TIniSections nul;
    nul.SetBytes(text::asBytes(std::string("[A]\nx=1\0y\n", 11)));
    EXPECT_EQ(nul.SectionLines(u"A"), Lines{std::u16string(u"x=1\0y", 5)});
}

TEST(IniParse, RepeatedHeaderStartsAnotherSection) {
    auto ini = parse("[A]\nx=1\n[a]\nx=2\n");
    EXPECT_EQ(ini.Count(), 2);
    std::u16string v;
    ASSERT_TRUE(ini.Find(u"A", u"x", &v));
    EXPECT_EQ(v, u"1");
    EXPECT_TRUE(ini.Erase(u"A"));
    EXPECT_EQ(ini.Count(), 0);
}

// --- Hashed list ------------------------------------------------------------------------

TEST(HashedList, IndexesFollowAddsAndPuts) {
    TIniHashedStringList l;
    l.AddStr(u"a=1");
    l.AddStr(u"b=2");
    EXPECT_EQ(l.IndexOfName(u"B"), 1); // builds the indexes
    EXPECT_EQ(l.IndexOf(u"A=1"), 0);
    l.AddStr(u"c=3");
    l.AddStr(u"B=dup");
    EXPECT_EQ(l.IndexOfName(u"c"), 2);
    EXPECT_EQ(l.IndexOfName(u"b"), 1); // the first of two
    l.Put(1, u"x=9");
    EXPECT_EQ(l.IndexOfName(u"b"), 3); // the later duplicate moves up
    EXPECT_EQ(l.IndexOfName(u"X"), 1);
    EXPECT_EQ(l.IndexOf(u"b=2"), -1);
    EXPECT_EQ(l.IndexOf(u"x=9"), 1);
    l.Put(3, u"plain");
    EXPECT_EQ(l.IndexOfName(u"b"), -1);
    EXPECT_EQ(l.IndexOfName(u"plain"), -1);
    l.Delete(0);
    EXPECT_EQ(l.IndexOfName(u"x"), 0);
    l.Insert(0, u"first=0");
    EXPECT_EQ(l.IndexOfName(u"x"), 1);
    EXPECT_EQ(l.ValueFromIndex(0), u"0");
}

TEST(HashedList, CaseSensitivityReachesEverySection) {
    auto ini = parse("[Sec]\nKey=1\n");
    std::u16string v;
    EXPECT_TRUE(ini.Find(u"SEC", u"key", &v));
    ini.SetCaseSensitive(true);
    EXPECT_FALSE(ini.Find(u"SEC", u"Key", &v));
    EXPECT_FALSE(ini.Find(u"Sec", u"key", &v));
    EXPECT_TRUE(ini.Find(u"Sec", u"Key", &v));
    const int added = ini.Add(u"New");
    EXPECT_TRUE(ini.Lines(added).CaseSensitive());
}

TEST(HashedList, LargeFileBuiltLineByLine) {
    TIniSections ini;
    for (int i = 0; i < 20000; ++i)
        ini.Write(u"S", u"k" + u16(std::to_string(i)), u"v");
    ini.Write(u"S", u"K123", u"changed");
    std::u16string v;
    ASSERT_TRUE(ini.Find(u"s", u"k123", &v));
    EXPECT_EQ(v, u"changed");
    EXPECT_EQ(ini.Lines(0).Count(), 20000);
}

// --- Values -----------------------------------------------------------------------------

TEST(IniValues, Integers) {
    struct Case {
        const char16_t* in;
        std::optional<int64_t> v64;
        std::optional<int32_t> v32;
    } cases[] = {
        {u"42", 42, 42},
        {u"-7", -7, -7},
        {u"+5", 5, 5},
        {u"0x1F", 31, 31},
        {u"0X1f", 31, 31},
        {u"0x", {}, {}},
        {u"0xG", {}, {}},
        {u"0xFFFFFFFF", 0xFFFFFFFFll, -1},
        {u"0xFFFFFFFFFFFFFFFF", -1, {}},
        {u"0x1FFFFFFFFFFFFFFFF", {}, {}},
        {u"2147483648", 2147483648ll, {}},
        {u"9223372036854775808", {}, {}},
        {u"", {}, {}},
        {u"12a", {}, {}},
        {u" 1", {}, {}},
        {u"--1", {}, {}},
        {u"+-1", {}, {}},
        {u"\uFF11", {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini::ParseInt64(c.in), c.v64) << text::utf16ToUtf8(c.in);
        EXPECT_EQ(ini::ParseInt32(c.in), c.v32) << text::utf16ToUtf8(c.in);
    }
}

TEST(IniValues, FloatsUseAPointAndFifteenDigits) {
    struct Case {
        double v;
        const char16_t* text;
    } cases[] = {
        {2.5, u"2.5"},         {0, u"0"},
        {-1.25, u"-1.25"},     {100, u"100"},
        {0.1, u"0.1"},         {1.0 / 3, u"0.333333333333333"},
        {1e20, u"1E20"},       {1.5e-7, u"1.5E-7"},
        {0.00001, u"0.00001"}, {123456789012345, u"123456789012345"},
        {1e15, u"1E15"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini::FormatFloat(c.v), c.text) << c.v;
    EXPECT_EQ(ini::ParseFloat(u"2,5"), 2.5);
    EXPECT_EQ(ini::ParseFloat(u" -1.5E3 "), -1500);
    EXPECT_EQ(ini::ParseFloat(u"1E20"), 1e20);
    EXPECT_TRUE(std::isinf(*ini::ParseFloat(ini::FormatFloat(INFINITY))));
    for (const char16_t* bad : {u"", u"abc", u"1.2.3x", u"0x10", u"inf", u"1,5,", u"+-1", u"+"})
        EXPECT_FALSE(ini::ParseFloat(bad)) << text::utf16ToUtf8(bad);
}

TEST(IniValues, FloatsIgnoreADecimalCommaLocale) {
    const char* names[] = {"de_DE.UTF-8",         "de_DE.utf8", "fr_FR.UTF-8",
                           "German_Germany.1252", "German",     "deu"};
    const char* found = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_NUMERIC, name)) {
            found = name;
            break;
        }
    if (!found) GTEST_SKIP() << "no locale with a decimal comma installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    EXPECT_STREQ(probe, "2,5") << found; // the locale really is in force
    EXPECT_EQ(ini::FormatFloat(2.5), u"2.5");
    EXPECT_EQ(ini::ParseFloat(u"2.5"), 2.5);
    std::setlocale(LC_NUMERIC, "C");
}

TEST(IniValues, DateTimes) {
    TDateTime t;
    ASSERT_TRUE(ini::EncodeDateTime({2024, 1, 31, 13, 45, 10, 123}, &t));
    EXPECT_EQ(ini::FormatDateTime(t), u"01/31/2024 13:45:10:123");
    EXPECT_EQ(ini::ParseDateTime(u"01/31/2024 13:45:10:123"), t);
    EXPECT_EQ(std::floor(t), 45322); // days since 1899-12-30

    ASSERT_TRUE(ini::EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}, &t));
    EXPECT_EQ(t, -1.25);
    EXPECT_EQ(ini::FormatDateTime(t), u"12/29/1899 06:00:00:000");

    EXPECT_EQ(ini::ParseDateTime(u"02/29/2024"), 45351);
    EXPECT_EQ(ini::ParseDateTime(u"12:00"), 0.5);
    EXPECT_EQ(ini::ParseDateTime(u"1/2/24 1:02:03"), *ini::ParseDateTime(u"01/02/2024 01:02:03:000"));
    for (const char16_t* bad : {u"", u"02/30/2024", u"13/01/2024", u"01/31/2024 24:00", u"31.01.2024",
                                u"01/31/2024 13:45:10.123", u"1/2", u"01/31/2024 1:2:3:4:5", u"x"})
        EXPECT_FALSE(ini::ParseDateTime(bad)) << text::utf16ToUtf8(bad);
    // Milliseconds that round up to the next day carry into it.
    EXPECT_EQ(ini::FormatDateTime(1.0 - 1e-10), u"12/31/1899 00:00:00:000");
}

// --- Typed access through the INI interface -----------------------------------------------

TEST(MemIni, TypedValuesRoundTrip) {
    TMemIniFile ini;
    ini.WriteBool(u"S", u"b", true);
    ini.WriteInteger(u"S", u"i", -12);
    ini.WriteInt64(u"S", u"i64", -9000000000ll);
    ini.WriteFloat(u"S", u"f", 2.5);
    ini.WriteDateTime(u"S", u"d", 45322.5);
    ini.WriteDateTimeAsInt(u"S", u"di", 45322.123456789);
    EXPECT_EQ(ini.ReadString(u"S", u"b", u""), u"1");
    EXPECT_TRUE(ini.ReadBool(u"S", u"b", false));
    EXPECT_EQ(ini.ReadInteger(u"S", u"i", 0), -12);
    EXPECT_EQ(ini.ReadInt64(u"S", u"i64", 0), -9000000000ll);
    EXPECT_EQ(ini.ReadFloat(u"S", u"f", 0), 2.5);
    EXPECT_EQ(ini.ReadDateTime(u"S", u"d", 0), 45322.5);
    EXPECT_EQ(ini.ReadDateTimeFromInt(u"S", u"di", 0), 45322.123456789);
    EXPECT_EQ(ini.ReadString(u"S", u"di", u""), u16(std::to_string(std::bit_cast<int64_t>(45322.123456789))));

    ini.WriteString(u"S", u"junk", u"0x");
    EXPECT_EQ(ini.ReadInt64(u"S", u"junk", 77), 77);
    EXPECT_EQ(ini.ReadFloat(u"S", u"junk", 1.5), 1.5);
    EXPECT_EQ(ini.ReadDateTime(u"S", u"junk", 3.0), 3.0);
    EXPECT_EQ(ini.ReadDateTimeFromInt(u"S", u"missing", 4.0), 4.0);
    EXPECT_TRUE(ini.ReadBool(u"S", u"missing", true));
    ini.WriteString(u"S", u"hexbool", u"0x10");
    EXPECT_TRUE(ini.ReadBool(u"S", u"hexbool", false));
}

TEST(MemIni, SectionsKeysAndDeletion) {
    TMemIniFile ini;
    ini.SetStrings({u"[A]", u"x=1", u"y", u"z=", u"[B]"});
    EXPECT_EQ(ini.ReadSections(), (Lines{u"A", u"B"}));
    EXPECT_EQ(ini.ReadSection(u"A"), (Lines{u"x", u"z"}));
    EXPECT_EQ(ini.ReadSectionValues(u"A"), (Lines{u"x=1", u"y", u"z="}));
    EXPECT_TRUE(ini.ValueExists(u"A", u"z"));
    EXPECT_FALSE(ini.ValueExists(u"A", u"y"));
    EXPECT_TRUE(ini.SectionExists(u"a"));
    EXPECT_EQ(ini.ReadString(u"A", u"z", u"def"), u""); // present but empty
    ini.DeleteKey(u"A", u"X");
    ini.DeleteKey(u"nope", u"x");
    EXPECT_EQ(ini.ReadString(u"A", u"x", u"gone"), u"gone");
    ini.EraseSection(u"b");
    EXPECT_EQ(ini.ReadSections(), (Lines{u"A"}));
    ini.Clear();
    EXPECT_TRUE(ini.ReadSections().empty());
}
