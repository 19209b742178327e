#include "services/log/log.h"
#include "tests/support/temp_dir.h"

#include "core/text/codec.h"
#include "core/text/paths.h"
#include "core/text/utf.h"
#include "platform/win/files.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

using namespace vell;
using vell::testing::exists;
using vell::testing::readFile;
using vell::testing::TempDir;
using vell::testing::writeFile;

namespace {
std::string utf16(std::u16string_view t) {
    return text::encodeText(t, text::TextEncoding::Utf16LE, false);
}
const std::string kBom = "\xFF\xFE";

// The file's lines as UTF-8, after checking its mark.
std::vector<std::string> lines(const std::u16string& path) {
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, 2), kBom);
    const std::string text = text::utf16ToUtf8(text::decodeText(text::asBytes(bytes)));
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        out.push_back(text.substr(start, p - start));
    EXPECT_EQ(start, text.size()) << "the last line is not ended by CR LF";
    return out;
}
} // namespace

TEST(LogFormat, TimestampPattern) {
    SYSTEMTIME t{};
    t.wYear = 2024, t.wMonth = 1, t.wDay = 31, t.wHour = 3, t.wMinute = 4, t.wSecond = 5, t.wMilliseconds = 7;
    EXPECT_EQ(FormatLogTimestamp(t, u":"), u"2024-01-31 03:04:05.007  ");
    EXPECT_EQ(FormatLogTimestamp(t, u"."), u"2024-01-31 03.04.05.007  ");
}

TEST(Log, FirstEntryStartsWithTheMarkAndEveryLineIsStamped) {
    TempDir dir;
    TLogManage log;
    log.SetLogFile(dir / u"Logs\\deep\\app.log"); // folders are created
    log.WriteToLog(u"first", false);
    log.WriteToLog(u"second \u00E9", false);
    const std::string bytes = readFile(dir / u"Logs\\deep\\app.log");
    EXPECT_EQ(bytes.find(kBom, 2), std::string::npos); // one mark only
    const auto l = lines(dir / u"Logs\\deep\\app.log");
    ASSERT_EQ(l.size(), 2u);
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (.*))");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l[0], m, stamped)) << l[0];
    EXPECT_EQ(m[1], "first");
    ASSERT_TRUE(std::regex_match(l[1], m, stamped)) << l[1];
    EXPECT_EQ(m[1], "second \xC3\xA9");
}

TEST(Log, WithoutDateTheLineIsJustTheText) {
    TempDir dir;
    TLogManage log;
    log.SetWriteDT(false);
    log.SetLogFile(dir / u"a.log");
    log.WriteToLog(u"a", false);
    log.WriteToLog(u"", false);
    EXPECT_EQ(readFile(dir / u"a.log"), kBom + utf16(u"a\r\n\r\n"));
}

TEST(Log, RotatesIntoNumberedBackups) {
    TempDir dir;
    const auto path = dir / u"r.log";
    writeFile(path + u".bak1", "older");
    writeFile(path + u".bak2", "oldest");
    TLogManage log;
    log.SetWriteDT(false);
    log.SetFileSizeMax(100);
    log.SetBakLogCount(2);
    log.SetLogFile(path);
    const std::u16string big(60, u'x'); // 2 + 124 bytes: over the limit after one entry
    log.WriteToLog(big, false);
    EXPECT_FALSE(exists(path + u".bak3"));
    EXPECT_EQ(readFile(path + u".bak1"), "older"); // no rotation before the limit is reached
    log.WriteToLog(u"after", false);
    EXPECT_EQ(readFile(path), kBom + utf16(u"after\r\n"));
    EXPECT_EQ(readFile(path + u".bak1"), kBom + utf16(big + u"\r\n"));
    EXPECT_EQ(readFile(path + u".bak2"), "older");
    EXPECT_FALSE(exists(path + u".bak3"));

    // With the file held open between entries the copy still holds the file's content.
    log.SetShareWrite(false);
    log.WriteToLog(big, false);
    log.WriteToLog(u"held", false);
    EXPECT_EQ(readFile(path + u".bak1"), kBom + utf16(u"after\r\n" + big + u"\r\n"));
    log.SetShareWrite(true);
    EXPECT_EQ(readFile(path), kBom + utf16(u"held\r\n"));
}

TEST(Log, FailedBackupKeepsTheLiveLog) {
    TempDir dir;
    const auto path = dir / u"k.log";
    // A folder in the backup's place: .bak1 can be neither removed nor written.
    ASSERT_TRUE(::CreateDirectoryW(text::wcs(path + u".bak1"), nullptr));
    const std::u16string big(60, u'x');
    for (const bool share : {true, false}) {
        SCOPED_TRACE(share ? "closed between entries" : "held open");
        ::DeleteFileW(text::wcs(path));
        TLogManage log;
        log.SetWriteDT(false);
        log.SetShareWrite(share);
        log.SetFileSizeMax(100);
        log.SetBakLogCount(1);
        log.SetLogFile(path);
        log.WriteToLog(big, false);
        log.WriteToLog(u"kept", false);
        log.WriteToLog(u"again", false);
        EXPECT_EQ(readFile(path), kBom + utf16(big + u"\r\nkept\r\nagain\r\n"));
    }
    // Once the backup can be made the next entry rotates as usual.
    ::RemoveDirectoryW(text::wcs(path + u".bak1"));
    TLogManage log;
    log.SetWriteDT(false);
    log.SetFileSizeMax(100);
    log.SetLogFile(path);
    log.WriteToLog(u"new", false);
    EXPECT_EQ(readFile(path + u".bak1"), kBom + utf16(big + u"\r\nkept\r\nagain\r\n"));
    EXPECT_EQ(readFile(path), kBom + utf16(u"new\r\n"));
}

TEST(Log, DetailEntriesNeedTheMarker) {
    TempDir dir;
    TLogManage log;
    EXPECT_EQ(log.DetailMarker(), text::ExtractFilePath(win::ModuleFileName()) + u"detaillog.ldt");
    log.SetDetailMarker(dir / u"detaillog.ldt");
    log.SetWriteDT(false);
    log.SetLogFile(dir / u"d.log");
    log.WriteToLog(u"detail dropped", true);
    log.WriteToLog(u"normal", false);
    writeFile(dir / u"detaillog.ldt", "");
    log.WriteToLog(u"detail kept", true);
    EXPECT_EQ(readFile(dir / u"d.log"), kBom + utf16(u"normal\r\ndetail kept\r\n"));
}

TEST(Log, FileHeldByAnotherWriterGoesToTheNextNumber) {
    TempDir dir;
    writeFile(dir / u"h.log", "");
    HANDLE other = ::CreateFileW(text::wcs(dir / u"h.log"), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    TLogManage log;
    log.SetWriteDT(false);
    log.SetLogFile(dir / u"h.log");
    log.WriteToLog(u"moved", false);
    ::CloseHandle(other);
    EXPECT_EQ(readFile(dir / u"h.log"), "");
    EXPECT_EQ(readFile(dir / u"h_1.log"), kBom + utf16(u"moved\r\n"));
}

TEST(Log, SameNameInOtherCaseKeepsTheOpenFile) {
    TempDir dir;
    TLogManage log;
    log.SetShareWrite(false);
    log.SetLogFile(dir / u"c.log");
    log.WriteToLog(u"x", false);
    ASSERT_EQ(log.OpenFileName(), dir / u"c.log");
    std::u16string upper = dir / u"c.log";
    for (auto& c : upper)
        c = (c >= u'a' && c <= u'z') ? c - 32 : c;
    log.SetLogFile(upper);
    EXPECT_EQ(log.OpenFileName(), dir / u"c.log");
    log.SetLogFile(dir / u"other.log");
    EXPECT_EQ(log.OpenFileName(), u"");
}

TEST(Log, UnusedFileIsRemovedAndFailuresAreSilent) {
    TempDir dir;
    {
        TLogObj obj(dir / u"empty.log");
        EXPECT_TRUE(exists(dir / u"empty.log"));
    }
    EXPECT_FALSE(exists(dir / u"empty.log"));

    writeFile(dir / u"blocker", "a file where a folder should be");
    TLogManage log;
    log.SetWriteDT(false);
    log.SetLogFile(dir / u"blocker\\x.log");
    log.WriteToLog(u"lost", false); // no exception
    log.SetLogFile(dir / u"ok.log");
    log.WriteToLog(u"kept", false);
    EXPECT_EQ(readFile(dir / u"ok.log"), kBom + utf16(u"kept\r\n"));
}

TEST(Log, ConcurrentWritersLoseAndTearNothing) {
    TempDir dir;
    const auto path = dir / u"t.log";
    TLogManage log;
    log.SetFileSizeMax(16 * 1024);
    log.SetBakLogCount(100);
    log.SetLogFile(path);
    constexpr int kThreads = 8, kEntries = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEntries; ++i)
                log.WriteToLog(
                    text::u16("thread " + std::to_string(t) + " entry " + std::to_string(i) + " ok"), false);
        });
    for (auto& th : threads)
        th.join();

    std::set<std::string> seen;
    const std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (thread \d+ entry \d+ ok))");
    auto collect = [&](const std::u16string& file) {
        for (const auto& l : lines(file)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(l, m, entry)) << l;
            EXPECT_TRUE(seen.insert(m[1]).second) << "twice: " << l;
        }
    };
    collect(path);
    int backups = 0;
    for (int n = 1; exists(path + u".bak" + text::u16(std::to_string(n))); ++n, ++backups)
        collect(path + u".bak" + text::u16(std::to_string(n)));
    EXPECT_GT(backups, 2);
    EXPECT_EQ(seen.size(), size_t(kThreads * kEntries));
}

TEST(Log, EarlyLinesBesideTheProgramLaterOnesInTheProductFolder) {
    TempDir dir;
    const std::u16string beside = text::ChangeFileExt(win::ModuleFileName(), u".log");
    ::DeleteFileW(text::wcs(beside));
    WriteLogLine(u"early");
    PlaceLogInProductFolder(dir.path());
    WriteLogLine(u"later");
    FreeLogManager();
    const std::u16string product =
        dir / (u"Logs\\" + text::ChangeFileExt(text::ExtractFileName(win::ModuleFileName()), u".log"));
    ASSERT_EQ(lines(beside).size(), 1u);
    EXPECT_NE(lines(beside)[0].find("early"), std::string::npos);
    ASSERT_EQ(lines(product).size(), 1u);
    EXPECT_NE(lines(product)[0].find("later"), std::string::npos);
    ::DeleteFileW(text::wcs(beside));
}
