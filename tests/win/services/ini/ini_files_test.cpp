#include "services/ini/ext_ini_file.h"
#include "services/ini/safe_ini_file.h"
#include "tests/support/temp_dir.h"

#include "core/text/codec.h"
#include "core/text/utf.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace vell;
using vell::testing::readFile;
using vell::testing::TempDir;
using vell::testing::writeFile;
using Lines = std::vector<std::u16string>;

namespace {
std::string utf16(std::u16string_view text) {
    return text::encodeText(text, text::TextEncoding::Utf16LE, true);
}
const wchar_t* w(const std::u16string& s) {
    return text::wcs(s);
}
DWORD attrs(const std::u16string& p) {
    return ::GetFileAttributesW(w(p));
}
} // namespace

// --- TSafeIniFile --------------------------------------------------------------------------

TEST(SafeIni, ReadsAnyEncodingAndSavesUtf16OnlyWhenChanged) {
    TempDir dir;
    const auto path = dir / u"a.ini";
    const std::string original = "\xEF\xBB\xBF[Main]\r\n x = 1 \r\nplain\r\n";
    writeFile(path, original);
    {
        TSafeIniFile ini(path);
        EXPECT_EQ(ini.ReadString(u"main", u"X", u""), u"1");
        EXPECT_FALSE(ini.IniChanged());
    }
    EXPECT_EQ(readFile(path), original); // untouched
    {
        TSafeIniFile ini(path);
        ini.WriteString(u"Main", u"y", u"\u00E9");
        EXPECT_TRUE(ini.IniChanged());
    }
    EXPECT_EQ(readFile(path), utf16(u"[Main]\r\nx=1\r\nplain\r\ny=\u00E9\r\n\r\n"));
}

TEST(SafeIni, MissingFileIsCreatedWithItsFolderAndMark) {
    TempDir dir;
    const auto path = dir / u"sub\\deeper\\new.ini";
    {
        TSafeIniFile ini(path, text::TextEncoding::Utf8);
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
        EXPECT_FALSE(ini.IniLoadFailed());
        EXPECT_EQ(readFile(path), "\xEF\xBB\xBF");
    }
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF"); // nothing changed, nothing saved
    TSafeIniFile plain(dir / u"other\\plain.ini");
    EXPECT_EQ(readFile(dir / u"other\\plain.ini"), "");
}

TEST(SafeIni, FolderOrFileThatCannotBeMadeIsReported) {
    TempDir dir;
    writeFile(dir / u"afile", "x");
    // A folder below a plain file cannot be made: the failure names the folder.
    const std::u16string folder = dir / u"afile\\sub\\";
    for (const bool construct : {true, false}) {
        SCOPED_TRACE(construct ? "constructor" : "SaveToFile");
        try {
            if (construct) {
                TSafeIniFile ini(folder + u"a.ini");
            } else {
                TSafeIniFile ini;
                ini.SaveToFile(folder + u"a.ini");
            }
            ADD_FAILURE() << "no failure raised";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(" \"" + text::utf16ToUtf8(folder) + "\""), std::string::npos)
                << e.what();
        }
    }
    // A file that cannot be created is a failed load, and the object never saves itself.
    const auto bad = dir / u"bad?name.ini";
    {
        TSafeIniFile ini(bad);
        EXPECT_NE(ini.LoadSaveFile_LastError, 0u);
        EXPECT_TRUE(ini.IniLoadFailed());
    }
}

TEST(SafeIni, ReadOnlyAndHiddenFilesAreSavedAndKeepTheirFlags) {
    TempDir dir;
    for (DWORD flag : {DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_HIDDEN)}) {
        const auto path = dir / (flag == FILE_ATTRIBUTE_READONLY ? u"ro.ini" : u"hidden.ini");
        writeFile(path, "[S]\r\nk=old\r\n");
        ::SetFileAttributesW(w(path), flag);
        TSafeIniFile ini(path);
        ini.WriteString(u"S", u"k", u"new");
        ini.UpdateFile();
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u) << flag;
        EXPECT_FALSE(ini.IniChanged());
        EXPECT_TRUE(attrs(path) & flag) << flag;
        EXPECT_EQ(readFile(path), utf16(u"[S]\r\nk=new\r\n\r\n"));
    }
}

TEST(SafeIni, SavingReplacesTheFileKeepingItsAttributesAndLeavesNoTemporaryFile) {
    TempDir dir;
    const auto path = dir / u"Config.ini";
    writeFile(path, "[S]\r\nk=old\r\n");
    const DWORD kept = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN;
    ::SetFileAttributesW(w(path), kept);
    {
        TSafeIniFile ini(path);
        ini.WriteString(u"S", u"k", u"new");
        ini.UpdateFile();
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
    }
    EXPECT_EQ(readFile(path), utf16(u"[S]\r\nk=new\r\n\r\n"));
    EXPECT_EQ(attrs(path) & kept, kept);
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(w(dir / u"*.tmp"), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE)
        << "left behind: " << text::utf16ToUtf8(text::fromWide(data.cFileName));
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

TEST(SafeIni, SavingRemovesTheTemporaryFilesOfEndedProcessesOnly) {
    TempDir dir;
    const auto path = dir / u"Config.ini";
    writeFile(path, "[S]\r\nk=old\r\n");
    // Process ids are multiples of four: FFFFFFF1 never names a running process.
    const std::u16string own =
        u"Config.ini.~" + text::u16([] {
            char b[16];
            std::snprintf(b, sizeof b, "%lX", static_cast<unsigned long>(::GetCurrentProcessId()));
            return std::string(b);
        }()) +
        u"-9.tmp";
    struct Case {
        const char16_t* name;
        bool removed;
    };
    const Case cases[] = {
        {u"Config.ini.~FFFFFFF1-4.tmp", true}, // ended half-way through a save
        {u"config.INI.~FFFFFFF1-8.TMP", true}, // names compare without case
        {u"Config.ini.~FFFFFFF1-4.new", true}, // whole, ended while the files were swapped
        {own.c_str(), false},                  // this process may be saving it now
        {u"Other.ini.~FFFFFFF1-4.tmp", false}, // another file's
        {u"Config.ini.~zz-4.tmp", false},      // not ours
        {u"ini12AB.tmp", false},               // someone else's
    };
    for (const Case& c : cases)
        writeFile(dir / c.name, "partial");
    {
        TSafeIniFile ini(path);
        ini.WriteString(u"S", u"k", u"new");
        ini.UpdateFile();
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
    }
    for (const Case& c : cases)
        EXPECT_EQ(vell::testing::exists(dir / c.name), !c.removed) << text::utf16ToUtf8(c.name);
    EXPECT_EQ(readFile(path), utf16(u"[S]\r\nk=new\r\n\r\n"));
}

// A save swaps its whole new file (".new") in; a process ended in the middle of the swap may
// leave only that file. Loading puts it in place; a partly written ".tmp" never counts.
TEST(SafeIni, AFileLostInAnInterruptedSwapIsLoadedFromItsWholeNewFile) {
    const std::string own = [] {
        char b[16];
        std::snprintf(b, sizeof b, "%lX", static_cast<unsigned long>(::GetCurrentProcessId()));
        return std::string(b);
    }();
    struct Left {
        std::string name;
        const char* content;
        int ageSeconds;
    };
    struct Case {
        const char* what;
        bool fileThere;
        std::vector<Left> left;
        const char16_t* loaded;
    };
    const Case cases[] = {
        {"a whole file of an ended save",
         false,
         {{"Config.ini.~FFFFFFF1-4.new", "[S]\r\nk=new\r\n", 0}},
         u"new"},
        {"the newest of two",
         false,
         {{"Config.ini.~FFFFFFF1-4.new", "[S]\r\nk=newer\r\n", 0},
          {"Config.ini.~FFFFFFF5-4.new", "[S]\r\nk=older\r\n", 60}},
         u"newer"},
        {"only a partly written file", false, {{"Config.ini.~FFFFFFF1-4.tmp", "[S]\r\nk=cut", 0}}, u"none"},
        {"a running process's", false, {{"Config.ini.~" + own + "-4.new", "[S]\r\nk=mine\r\n", 0}}, u"none"},
        {"the file is there", true, {{"Config.ini.~FFFFFFF1-4.new", "[S]\r\nk=new\r\n", 0}}, u"old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto path = dir / u"Config.ini";
        if (c.fileThere) writeFile(path, "[S]\r\nk=old\r\n");
        for (const Left& l : c.left) {
            const auto leftPath = dir / text::u16(l.name);
            writeFile(leftPath, l.content);
            HANDLE f =
                ::CreateFileW(w(leftPath), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            FILETIME t;
            ::GetSystemTimeAsFileTime(&t);
            ULARGE_INTEGER u{{t.dwLowDateTime, t.dwHighDateTime}};
            u.QuadPart -= ULONGLONG(l.ageSeconds) * 10000000;
            t = {u.LowPart, u.HighPart};
            ::SetFileTime(f, nullptr, nullptr, &t);
            ::CloseHandle(f);
        }
        TSafeIniFile ini(path);
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
        EXPECT_EQ(ini.ReadString(u"S", u"k", u"none"), c.loaded);
    }
}

TEST(SafeIni, FileThatFailedToLoadIsNeverOverwrittenAutomatically) {
    TempDir dir;
    const auto path = dir / u"locked.ini";
    writeFile(path, "[S]\r\nk=keep\r\n");
    HANDLE lock = ::CreateFileW(w(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr); // no sharing
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        TSafeIniFile ini(path);
        EXPECT_NE(ini.LoadSaveFile_LastError, 0u);
        EXPECT_TRUE(ini.IniLoadFailed());
        EXPECT_EQ(ini.ReadString(u"S", u"k", u"default"), u"default");
        ::CloseHandle(lock);
        ini.WriteString(u"S", u"k", u"lost");
    }
    EXPECT_EQ(readFile(path), "[S]\r\nk=keep\r\n");

    // A later load of the same file that fails protects it as well.
    TSafeIniFile ini(path);
    ASSERT_EQ(ini.ReadString(u"S", u"k", u""), u"keep");
    ini.WriteString(u"S", u"k", u"changed");
    lock = ::CreateFileW(w(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ini.LoadFromFile(path);
    ::CloseHandle(lock);
    EXPECT_TRUE(ini.IniLoadFailed());
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"changed"); // content stays as it was
}

TEST(SafeIni, SaveFailureIsReportedAndKeepsTheChangedFlag) {
    TempDir dir;
    TSafeIniFile ini(dir / u"x.ini");
    ini.WriteString(u"S", u"k", u"v");
    ::CreateDirectoryW(w(dir / u"folder.ini"), nullptr);
    ini.Rename(dir / u"folder.ini", false); // a folder cannot be written as a file
    ini.UpdateFile();
    EXPECT_NE(ini.LoadSaveFile_LastError, 0u);
    EXPECT_TRUE(ini.IniChanged());
    ini.Rename(dir / u"x.ini", false);
}

TEST(SafeIni, DamagedFilesGiveDefaults) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 10000; ++i)
        binary.push_back(static_cast<char>((i * 131) ^ (i >> 3)));
    const std::string cases[] = {"", "\xFF\xFE", "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=", binary,
                                 "[S]\r\n" + std::string(3 << 20, 'k') + "=v\r\n"};
    for (const auto& bytes : cases) {
        const auto path = dir / u"bad.ini";
        writeFile(path, bytes);
        TSafeIniFile ini(path);
        EXPECT_EQ(ini.LoadSaveFile_LastError, 0u);
        EXPECT_EQ(ini.ReadString(u"S", u"k", u"def"), u"def");
        EXPECT_EQ(ini.ReadInteger(u"S", u"k", 7), 7);
    }
}

TEST(SafeIni, WritesUseTheLastSectionAndDuplicateKeysWhenAllowed) {
    TSafeIniFile ini;
    ini.WriteString(u"A", u"k", u"1");
    ini.WriteString(u"B", u"k", u"2");
    ini.EraseSection(u"A"); // B moves to index 0: the last-used section must be found again
    ini.WriteString(u"B", u"k", u"3");
    ini.WriteString(u"A", u"k", u"4");
    EXPECT_EQ(ini.GetStrings(), (Lines{u"[B]", u"k=3", u"", u"[A]", u"k=4", u""}));
    ini.AllowSameIdent = true;
    ini.WriteString(u"A", u"k", u"5");
    EXPECT_EQ(ini.ReadSectionValues(u"A"), (Lines{u"k=4", u"k=5"}));
    ini.DeleteKey(u"A", u"K");
    EXPECT_EQ(ini.ReadSectionValues(u"A"), (Lines{u"k=5"}));
    ini.WriteBool(u"A", u"b", true);
    EXPECT_EQ(ini.ReadString(u"A", u"b", u""), u"1");
    EXPECT_TRUE(ini.ReadBool(u"A", u"b", false));
}

TEST(SafeIni, StreamsAndEncryptionHooks) {
    auto xorAll = [](TStream& in, TStream& out) {
        std::string b = in.ReadRest();
        for (char& c : b)
            c = static_cast<char>(c ^ 0x5A);
        out.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
    };
    TSafeIniFile ini;
    ini.EncryptStreamCallback = xorAll;
    ini.WriteString(u"S", u"k", u"v");
    TMemoryStream stream(std::string(100, 'x')); // old content is replaced, not overwritten
    ini.SaveToStream(stream);
    std::string expected = utf16(u"[S]\r\nk=v\r\n\r\n");
    for (char& c : expected)
        c = static_cast<char>(c ^ 0x5A);
    EXPECT_EQ(stream.Bytes(), expected);

    TSafeIniFile reader;
    reader.DecryptStreamCallback = xorAll;
    reader.LoadFromStream(stream); // rewinds by itself
    EXPECT_EQ(reader.LoadSaveFile_LastError, 0u);
    EXPECT_EQ(reader.ReadString(u"S", u"k", u""), u"v");

    TSafeIniFile failing;
    failing.DecryptStreamCallback = [](TStream&, TStream&) { throw EStreamError("bad key"); };
    failing.LoadFromStream(stream);
    EXPECT_EQ(failing.LoadSaveFile_LastError, 1u);

    TempDir dir;
    const auto path = dir / u"enc.ini";
    {
        TSafeIniFile file(path, std::nullopt, xorAll, xorAll);
        file.WriteString(u"S", u"k", u"v");
    }
    EXPECT_EQ(readFile(path), expected);
    TSafeIniFile back(path, std::nullopt, xorAll, xorAll);
    EXPECT_EQ(back.ReadString(u"S", u"k", u""), u"v");
}

TEST(SafeIni, RenameOnlyChangesTheTarget) {
    TempDir dir;
    writeFile(dir / u"a.ini", "[S]\r\nk=a\r\n");
    TSafeIniFile ini(dir / u"a.ini");
    ini.Rename(dir / u"b.ini", true);
    EXPECT_FALSE(vell::testing::exists(dir / u"b.ini"));
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"a");
    ini.WriteString(u"S", u"k", u"b");
    ini.UpdateFile();
    EXPECT_EQ(readFile(dir / u"a.ini"), "[S]\r\nk=a\r\n");
    EXPECT_EQ(readFile(dir / u"b.ini"), utf16(u"[S]\r\nk=b\r\n\r\n"));
}

// --- TExtIniFile ---------------------------------------------------------------------------

TEST(ExtIni, LoadsSavesAndNeverWritesBackByItself) {
    TempDir dir;
    const auto path = dir / u"lang.lng";
    writeFile(path, utf16(u"[Main]\r\nDisplayName=\u0627\u0644\u0639\u0631\u0628\u064A\u0629\r\n"));
    TExtIniFile ini(path);
    EXPECT_EQ(ini.ReadString(u"Main", u"DisplayName", u""), u"\u0627\u0644\u0639\u0631\u0628\u064A\u0629");
    ini.WriteString(u"Main", u"x", u"1");
    ini.UpdateFile();
    ini.Rename(dir / u"other.lng", true);
    EXPECT_EQ(readFile(path), utf16(u"[Main]\r\nDisplayName=\u0627\u0644\u0639\u0631\u0628\u064A\u0629\r\n"));
    EXPECT_FALSE(vell::testing::exists(dir / u"other.lng"));

    EXPECT_FALSE(ini.LoadFromFile(dir / u"missing.lng")); // content stays
    EXPECT_EQ(ini.ReadString(u"Main", u"x", u""), u"1");

    ASSERT_TRUE(ini.SaveToFile(dir / u"saved.lng"));
    EXPECT_EQ(readFile(dir / u"saved.lng"),
              utf16(u"[Main]\r\nDisplayName=\u0627\u0644\u0639\u0631\u0628\u064A\u0629\r\nx=1\r\n\r\n"));

    TExtIniFile ascii;
    ascii.WriteString(u"A", u"k", u"v");
    TMemoryStream stream;
    ASSERT_TRUE(ascii.SaveToStream(stream));
    EXPECT_EQ(stream.Bytes(), "[A]\r\nk=v\r\n\r\n");
    TMemoryStream in("junk?[B]\r\nk=w\r\n");
    in.SetPosition(5); // reads from where the stream stands
    ASSERT_TRUE(ascii.LoadFromStream(in));
    EXPECT_EQ(ascii.ReadSections(), Lines{u"B"});
}
