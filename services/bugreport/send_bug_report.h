// The bridge between the crash-reporting engine and the product's report sender: for an
// unhandled failure it puts a version header and the engine's report at the top of
// "bugreport_new.txt", saves a screenshot, starts SendBugReport.exe with a command line
// naming both and a sending mode, and ends the process with exit code 0.
#pragma once
#include <string>

#include "crash/engine/engine.h"

namespace vell::bugreport {

inline constexpr const wchar_t* kReportFileName = L"bugreport_new.txt";
inline constexpr const wchar_t* kScreenshotFileName = L"screenshots.png";
inline constexpr const wchar_t* kSenderFileName = L"SendBugReport.exe";

// The process-wide settings; set once by ConfigureBugReport.
struct BugReportSettings {
    std::wstring MainVersion;
    bool ReportingDisabled = false;
    std::wstring ReportLanguage;
    std::wstring GetInfoPath;
    std::wstring SenderPath;
};

// Module start-up: registers BugReportHandler with the engine. Module shut-down: clears the
// settings.
void RegisterBugReportHandler();
void ClearBugReportSettings();

// `productName` is accepted and not used. An empty version takes the running program's own
// file version. Unless reporting is disabled, failures in threads created from now on are
// caught too.
void ConfigureBugReport(const std::wstring& version, bool reportingDisabled, const std::wstring& productName,
                        const std::wstring& reportLanguage, const std::wstring& getInfoPath,
                        const std::wstring& senderPath);
const BugReportSettings& CurrentBugReportSettings();

// The engine's handler: delivers the report and ends the process, or returns with
// `handled` unchanged when there is no sender to start.
void BugReportHandler(crash::Failure& failure, bool& handled);

// 0 (no mode) or 1-3, from the failure's message.
int GetReportMode(const crash::Failure& failure);
int ReportModeOf(const std::wstring& message);

// The block put at the top of the report file: the version line, the report text and a rule
// of 75 "=", each ended by CR LF.
std::wstring BuildReportBlock(const std::wstring& mainVersion, const std::wstring& reportText);

// The sender's arguments. `screenshotPath` empty leaves the screenshot out of /files.
struct SenderArguments {
    std::wstring programName;
    int mode = 0;
    std::wstring getInfoPath; // already absolute
    std::wstring screenshotPath;
    std::wstring reportPath;
    std::wstring language;
};
std::wstring BuildSenderCommandLine(const SenderArguments& args);

// `path` as it stands when it holds ":\" or starts with "\\", else `folder` + `path`.
std::wstring AbsoluteToFolder(const std::wstring& path, const std::wstring& folder);

// Where a delivery reads and writes, so that it can run against any folders.
struct ReportPlaces {
    std::wstring programFolder; // with trailing backslash
    std::wstring programName;   // file name of the running program
    std::wstring tempFolder;    // with trailing backslash
};
ReportPlaces CurrentReportPlaces();

struct Delivery {
    bool senderFound = false;
    bool senderStarted = false;
    std::wstring reportPath;     // the report file that was written (empty when none)
    std::wstring screenshotPath; // set unless reporting is disabled
    std::wstring arguments;      // the sender's command line
};

// Steps of the handler up to starting the sender; the handler adds ending the process.
Delivery DeliverReport(crash::Failure& failure, const BugReportSettings& settings,
                       const ReportPlaces& places);

// The first free name "<stem>_<n><extension>" beside a report file that cannot be used.
std::wstring FreeReportFileBeside(const std::wstring& path);
// Inserts `block` at the top of the UTF-8 report file `path` (created when missing, saved
// with byte-order mark). False when the file could not be read or written.
bool PrependToReportFile(const std::wstring& path, const std::wstring& block);

} // namespace vell::bugreport
