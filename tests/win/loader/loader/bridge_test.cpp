#include "services/bugreport/send_bug_report.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace vell::bugreport;
using namespace loadertest;

TEST(BugReportBridge, ModeComesFromTheMessage) {
    struct Case {
        const wchar_t* message;
        int mode;
    };
    const Case cases[] = {
        {L"testbugreport", 0},
        {L"", 0},
        {L"x SendBugReport_1NoUI y", 1},
        {L"sendbugreport_2askuser", 2},
        {L"SENDBUGREPORT_3ASKUSERANDSILENT", 3},
        {L"SendBugReport_2AskUser and SendBugReport_1NoUI", 1}, // the table's order decides
        {L"SendBugReport_3AskUser", 0},
        {L"SendBugReport_1 NoUI", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportModeOf(c.message), c.mode) << WideToUtf8(c.message);
    vell::crash::Failure f;
    f.Message = L"failed: sendBugReport_2AskUser";
    EXPECT_EQ(GetReportMode(f), 2);
}

TEST(BugReportBridge, SenderCommandLine) {
    struct Case {
        SenderArguments args;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {{L"VellLoading.exe", 0, L"", L"C:\\T\\screenshots.png", L"C:\\P\\bugreport_new.txt", L""},
         L"/AntRun /App \"VellLoading.exe\" /files \"C:\\T\\screenshots.png|C:\\P\\bugreport_new.txt\""},
        {{L"VellLoading.exe", 2, L"", L"", L"C:\\P\\bugreport_new.txt", L""},
         L"/AntRun /App \"VellLoading.exe\" /Exception \"ET_BugReport_AskUser\" /files "
         L"\"C:\\P\\bugreport_new.txt\""},
        {{L"a.exe", 1, L"C:\\P\\info.exe", L"s.png", L"r.txt", L"Deutsch"},
         L"/AntRun /App \"a.exe\" /Exception \"ET_BugReport_NoUI\" /GetInfo \"C:\\P\\info.exe\" /files "
         L"\"s.png|r.txt\" "
         L"/Lan \"Deutsch\""},
        {{L"a.exe", 3, L"", L"", L"r.txt", L""},
         L"/AntRun /App \"a.exe\" /Exception \"ET_BugReport_AskUserAndSilent\" /files \"r.txt\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildSenderCommandLine(c.args), c.expected);
}

TEST(BugReportBridge, ReportBlock) {
    EXPECT_EQ(BuildReportBlock(L"4.2.1.7", L"line 1\r\nline 2\r\n"),
              L"Main_Version      : 4.2.1.7\r\nline 1\r\nline 2\r\n" + std::wstring(75, L'=') + L"\r\n");
    EXPECT_EQ(BuildReportBlock(L"", L""), L"Main_Version      : \r\n" + std::wstring(75, L'=') + L"\r\n");
    EXPECT_EQ(std::wstring(L"Main_Version      ").size(), 18u);
}

TEST(BugReportBridge, RelativePathsAreTakenFromTheProgramFolder) {
    EXPECT_EQ(AbsoluteToFolder(L"tools\\send.exe", L"C:\\P\\"), L"C:\\P\\tools\\send.exe");
    EXPECT_EQ(AbsoluteToFolder(L"D:\\send.exe", L"C:\\P\\"), L"D:\\send.exe");
    EXPECT_EQ(AbsoluteToFolder(L"\\\\server\\share\\send.exe", L"C:\\P\\"), L"\\\\server\\share\\send.exe");
}

TEST(BugReportBridge, NewBlocksGoOnTopOfTheFile) {
    const std::wstring dir = FreshFolder(L"bridge_prepend");
    const std::wstring file = dir + L"bugreport_new.txt";
    ASSERT_TRUE(PrependToReportFile(file, L"first \x00e9\r\n"));
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF"
                               "first \xC3\xA9\r\n");
    ASSERT_TRUE(PrependToReportFile(file, L"second\r\n"));
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF"
                               "second\r\nfirst \xC3\xA9\r\n");

    // An older file without byte-order mark and final line break keeps its content whole.
    HANDLE f = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD w;
    ::WriteFile(f, "old\r\nlast", 9, &w, nullptr);
    ::CloseHandle(f);
    ASSERT_TRUE(PrependToReportFile(file, L"new\r\n"));
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF"
                               "new\r\nold\r\nlast\r\n");

    // A name that is taken by a folder cannot be written.
    ASSERT_TRUE(::CreateDirectoryW((dir + L"taken.txt").c_str(), nullptr));
    EXPECT_FALSE(PrependToReportFile(dir + L"taken.txt", L"x\r\n"));
}

TEST(BugReportBridge, DeliveryWithReportingDisabledStartsNoSender) {
    const std::wstring dir = FreshFolder(L"bridge_disabled");
    const std::wstring temp = FreshFolder(L"bridge_disabled_temp");
    ASSERT_TRUE(
        ::CopyFileW(ProductFile(L"SendBugReport.exe").c_str(), (dir + L"SendBugReport.exe").c_str(), FALSE));
    vell::crash::Failure failure;
    failure.Message = L"x SendBugReport_1NoUI";
    failure.ReportText = L"report\r\n";
    BugReportSettings settings;
    settings.MainVersion = L"9.9";
    settings.ReportingDisabled = true;
    const Delivery d = DeliverReport(failure, settings, {dir, L"Prog.exe", temp});
    EXPECT_TRUE(d.senderFound);
    EXPECT_FALSE(d.senderStarted);
    EXPECT_FALSE(failure.ShowPleaseWait);
    EXPECT_EQ(d.screenshotPath, L"");
    EXPECT_EQ(d.reportPath, dir + L"bugreport_new.txt");
    EXPECT_EQ(d.arguments, L"/AntRun /App \"Prog.exe\" /Exception \"ET_BugReport_NoUI\" /files \"" + dir +
                               L"bugreport_new.txt\"");
    EXPECT_EQ(ReadBytes(d.reportPath), "\xEF\xBB\xBF"
                                       "Main_Version      : 9.9\r\nreport\r\n" +
                                           std::string(75, '=') + "\r\n");
    EXPECT_FALSE(Exists(temp + L"screenshots.png"));
}

TEST(BugReportBridge, UnreadableReportFilesKeepTheirEarlierReports) {
    const std::wstring dir = FreshFolder(L"bridge_unreadable");
    const std::wstring temp = FreshFolder(L"bridge_unreadable_temp");
    ASSERT_TRUE(
        ::CopyFileW(ProductFile(L"SendBugReport.exe").c_str(), (dir + L"SendBugReport.exe").c_str(), FALSE));
    const std::string earlier = "\xEF\xBB\xBF"
                                "earlier report\r\n";
    for (const std::wstring& folder : {dir, temp}) {
        HANDLE f = ::CreateFileW((folder + L"bugreport_new.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr);
        DWORD w;
        ::WriteFile(f, earlier.data(), static_cast<DWORD>(earlier.size()), &w, nullptr);
        ::CloseHandle(f);
    }
    // Both report files are held by another program that lets others write and delete but not read.
    std::vector<HANDLE> held;
    for (const std::wstring& folder : {dir, temp})
        held.push_back(::CreateFileW((folder + L"bugreport_new.txt").c_str(), GENERIC_WRITE,
                                     FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    vell::crash::Failure failure;
    failure.ReportText = L"report";
    BugReportSettings settings;
    settings.MainVersion = L"1.0";
    settings.ReportingDisabled = true;
    const Delivery d = DeliverReport(failure, settings, {dir, L"Prog.exe", temp});
    for (HANDLE h : held)
        ::CloseHandle(h);
    EXPECT_EQ(ReadBytes(dir + L"bugreport_new.txt"), earlier);
    EXPECT_EQ(ReadBytes(temp + L"bugreport_new.txt"), earlier);
    EXPECT_EQ(d.reportPath, temp + L"bugreport_new_1.txt");
    EXPECT_EQ(ReadBytes(d.reportPath), "\xEF\xBB\xBF"
                                       "Main_Version      : 1.0\r\nreport\r\n" +
                                           std::string(75, '=') + "\r\n");
    EXPECT_NE(d.arguments.find(L"/files \"" + d.reportPath + L"\""), std::wstring::npos);
}

TEST(BugReportBridge, WithoutSenderNothingIsWritten) {
    const std::wstring dir = FreshFolder(L"bridge_nosender");
    vell::crash::Failure failure;
    failure.ReportText = L"report";
    BugReportSettings settings;
    const Delivery d = DeliverReport(failure, settings, {dir, L"Prog.exe", dir});
    EXPECT_FALSE(d.senderFound);
    EXPECT_TRUE(failure.ShowPleaseWait) << "the engine keeps its own handling";
    EXPECT_FALSE(Exists(dir + L"bugreport_new.txt"));
    EXPECT_FALSE(Exists(dir + L"screenshots.png"));

    // A configured sender path is found relative to the program folder.
    ::CreateDirectoryW((dir + L"tools").c_str(), nullptr);
    ASSERT_TRUE(
        ::CopyFileW(ProductFile(L"SendBugReport.exe").c_str(), (dir + L"tools\\send.exe").c_str(), FALSE));
    settings.SenderPath = L"tools\\send.exe";
    settings.ReportingDisabled = true;
    EXPECT_TRUE(DeliverReport(failure, settings, {dir, L"Prog.exe", dir}).senderFound);
}
