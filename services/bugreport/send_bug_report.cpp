#include "services/bugreport/send_bug_report.h"

#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/environment.h"
#include "platform/win/files.h"

#include <shellapi.h>

#include <atomic>
#include <cwctype>
#include <string>
#include <vector>

namespace vell::bugreport {

namespace {

BugReportSettings g_settings;
std::atomic<bool> g_threadsCaught{false};

bool fileExists(const std::wstring& path) {
    return win::FileExists(text::fromWide(path));
}

std::string toUtf8(const std::wstring& w) {
    return text::utf16ToUtf8(text::fromWide(w));
}

// The whole file, or false when it exists and cannot be read. A missing file is empty.
bool readFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    DWORD error = 0;
    win::RestoreInterruptedReplacement(text::fromWide(path)); // a save the process's end cut short
    return win::ReadWholeFile(text::fromWide(path), bytes, &error) || error == ERROR_FILE_NOT_FOUND;
}

// A failed write never leaves a half-written report in place of the earlier ones.
bool replaceFile(const std::wstring& path, const std::string& bytes) {
    return win::ReplaceWholeFile(text::fromWide(path), bytes);
}

bool startSender(const std::wstring& sender, const std::wstring& arguments) {
    auto start = [&] {
        auto result = reinterpret_cast<INT_PTR>(
            ::ShellExecuteW(nullptr, L"open", sender.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL));
        return result > 32;
    };
    return start() || start();
}

} // namespace

void RegisterBugReportHandler() {
    crash::SetHandler(BugReportHandler);
}

void ClearBugReportSettings() {
    g_settings = BugReportSettings{};
}

void ConfigureBugReport(const std::wstring& version, bool reportingDisabled,
                        const std::wstring& /*productName*/, const std::wstring& reportLanguage,
                        const std::wstring& getInfoPath, const std::wstring& senderPath) {
    if (!reportingDisabled && !g_threadsCaught.exchange(true)) crash::CatchNewThreads();
    g_settings.MainVersion = version.empty() ? env::GetFileVersionString(env::ProgramPath()) : version;
    g_settings.ReportLanguage = reportLanguage;
    g_settings.GetInfoPath = getInfoPath;
    g_settings.SenderPath = senderPath;
    g_settings.ReportingDisabled = reportingDisabled;
}

const BugReportSettings& CurrentBugReportSettings() {
    return g_settings;
}

int ReportModeOf(const std::wstring& message) {
    static const char16_t* const kMarkers[] = {u"SendBugReport_1NoUI", u"SendBugReport_2AskUser",
                                               u"SendBugReport_3AskUserAndSilent"};
    const std::u16string text = text::fromWide(message);
    for (int i = 0; i < 3; ++i)
        if (text::containsAsciiNoCase(text, kMarkers[i])) return i + 1;
    return 0;
}

int GetReportMode(const crash::Failure& failure) {
    return ReportModeOf(failure.Message);
}

std::wstring BuildReportBlock(const std::wstring& mainVersion, const std::wstring& reportText) {
    std::wstring text = reportText;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    std::wstring block = L"Main_Version      : " + mainVersion + L"\r\n";
    if (!text.empty()) block += text + L"\r\n";
    block += std::wstring(75, L'=') + L"\r\n";
    return block;
}

std::wstring BuildSenderCommandLine(const SenderArguments& a) {
    static const wchar_t* const kModes[] = {L"ET_BugReport_NoUI", L"ET_BugReport_AskUser",
                                            L"ET_BugReport_AskUserAndSilent"};
    std::wstring cmd = L"/AntRun /App \"" + a.programName + L"\"";
    if (a.mode >= 1 && a.mode <= 3) cmd += std::wstring(L" /Exception \"") + kModes[a.mode - 1] + L"\"";
    if (!a.getInfoPath.empty()) cmd += L" /GetInfo \"" + a.getInfoPath + L"\"";
    cmd += L" /files \"" +
           (a.screenshotPath.empty() ? a.reportPath : a.screenshotPath + L"|" + a.reportPath) + L"\"";
    if (!a.language.empty()) cmd += L" /Lan \"" + a.language + L"\"";
    return cmd;
}

std::wstring AbsoluteToFolder(const std::wstring& path, const std::wstring& folder) {
    if (path.find(L":\\") != std::wstring::npos || path.rfind(L"\\\\", 0) == 0) return path;
    return folder + path;
}

ReportPlaces CurrentReportPlaces() {
    ReportPlaces p;
    p.programFolder = env::ProgramFolder();
    const std::wstring path = env::ProgramPath();
    p.programName = path.substr(path.find_last_of(L"\\/") + 1);
    p.tempFolder = env::TempFolder();
    return p;
}

bool PrependToReportFile(const std::wstring& path, const std::wstring& block) {
    std::string old;
    if (!readFile(path, old)) return false;
    if (old.rfind("\xEF\xBB\xBF", 0) == 0) old.erase(0, 3);
    if (!old.empty() && old.back() != '\n' && old.back() != '\r') old += "\r\n";
    return replaceFile(path, "\xEF\xBB\xBF" + toUtf8(block) + old);
}

std::wstring FreeReportFileBeside(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    const std::wstring stem = path.substr(0, dot), extension = path.substr(dot);
    for (int n = 1;; ++n) {
        const std::wstring candidate = stem + L"_" + std::to_wstring(n) + extension;
        if (!fileExists(candidate) || n == 100) return candidate;
    }
}

Delivery DeliverReport(crash::Failure& failure, const BugReportSettings& settings,
                       const ReportPlaces& places) {
    Delivery d;
    const std::wstring sender = settings.SenderPath.empty()
                                    ? places.programFolder + kSenderFileName
                                    : AbsoluteToFolder(settings.SenderPath, places.programFolder);
    if (!fileExists(sender)) return d;
    d.senderFound = true;
    failure.ShowPleaseWait = false;

    if (!settings.ReportingDisabled) {
        d.screenshotPath = places.tempFolder + kScreenshotFileName;
        try {
            failure.Shot.SaveToPngFile(d.screenshotPath);
        } catch (...) {
        }
    }

    std::wstring block;
    try {
        block = BuildReportBlock(settings.MainVersion, failure.ReportText);
    } catch (...) {
    }
    const std::wstring inProgram = places.programFolder + kReportFileName;
    const std::wstring inTemp = places.tempFolder + kReportFileName;
    if (PrependToReportFile(inProgram, block)) {
        d.reportPath = inProgram;
    } else {
        d.reportPath = inTemp;
        if (!PrependToReportFile(inTemp, block)) {
            // The earlier reports there could not be read: they stay as they are, and this
            // one goes to a new file beside them.
            d.reportPath = FreeReportFileBeside(inTemp);
            replaceFile(d.reportPath, "\xEF\xBB\xBF" + toUtf8(block));
        }
    }

    SenderArguments args;
    args.programName = places.programName;
    args.mode = GetReportMode(failure);
    if (!settings.GetInfoPath.empty())
        args.getInfoPath = AbsoluteToFolder(settings.GetInfoPath, places.programFolder);
    args.screenshotPath = d.screenshotPath;
    args.reportPath = d.reportPath;
    args.language = settings.ReportLanguage;
    d.arguments = BuildSenderCommandLine(args);

    if (!settings.ReportingDisabled) d.senderStarted = startSender(sender, d.arguments);
    return d;
}

void BugReportHandler(crash::Failure& failure, bool& handled) {
    ::OutputDebugStringW(L"exceptHandler ********************* ");
    Delivery d;
    try {
        d = DeliverReport(failure, g_settings, CurrentReportPlaces());
    } catch (...) {
        d.senderFound = true; // the report path was reached; end as a reported failure
    }
    if (!d.senderFound) return;
    handled = true;
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

} // namespace vell::bugreport
