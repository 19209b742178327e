#include "services/log/log.h"

#include "core/text/codec.h"
#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace vell {

using text::wcs;

namespace {

// The numbered names are tried up to this suffix; beyond it something is wrong with the
// folder, not with a few other writers.
constexpr int kMaxSuffix = 1000;

[[noreturn]] void raiseLastError(const char* what) {
    throw std::runtime_error(std::string(what) + " failed, error " + std::to_string(::GetLastError()));
}

const std::u16string& timeSeparator() {
    static const std::u16string sep = [] {
        wchar_t buf[8] = {};
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, 8) > 1) return text::fromWide(buf);
        return std::u16string(u":");
    }();
    return sep;
}

std::u16string backupName(const std::u16string& log, int n) {
    return log + u".bak" + text::u16(std::to_string(n));
}

} // namespace

std::u16string FormatLogTimestamp(const SYSTEMTIME& t, std::u16string_view sep) {
    char date[16], clock[3][4], ms[8];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u ", t.wYear, t.wMonth, t.wDay);
    std::snprintf(clock[0], sizeof clock[0], "%02u", t.wHour);
    std::snprintf(clock[1], sizeof clock[1], "%02u", t.wMinute);
    std::snprintf(clock[2], sizeof clock[2], "%02u", t.wSecond);
    std::snprintf(ms, sizeof ms, ".%03u  ", t.wMilliseconds);
    std::u16string out = text::u16(date);
    out += text::u16(clock[0]);
    out += sep;
    out += text::u16(clock[1]);
    out += sep;
    out += text::u16(clock[2]);
    out += text::u16(ms);
    return out;
}

// ---- TLogObj ----------------------------------------------------------------------------

struct TLogObj::File {
    win::UniqueKernelHandle handle;
};

TLogObj::TLogObj(const std::u16string& ALogFile) : MoudleFileName(win::ModuleFileName()), FFile(new File) {
    const std::u16string base = ALogFile.empty() ? text::ChangeFileExt(MoudleFileName, u".log") : ALogFile;
    for (int n = 0; n <= kMaxSuffix; ++n) {
        const std::u16string candidate =
            n == 0 ? base : text::ChangeFileExt(base, u"_" + text::u16(std::to_string(n)) + u".log");
        if (!win::FileExists(candidate)) {
            DWORD error = 0;
            if (!win::ForceDirectories(text::ExtractFilePath(candidate), &error)) {
                ::SetLastError(error);
                raiseLastError("creating the log folder");
            }
            win::UniqueKernelHandle created(::CreateFileW(wcs(candidate), GENERIC_WRITE, FILE_SHARE_READ,
                                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                          nullptr));
            if (!created) raiseLastError("creating the log file");
        }
        // Read access too: rotation copies the file through this handle.
        win::UniqueKernelHandle h(::CreateFileW(wcs(candidate), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) continue; // held by another writer: try the next number
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(h.get(), &size)) raiseLastError("reading the log size");
        LARGE_INTEGER zero{};
        ::SetFilePointerEx(h.get(), zero, nullptr, FILE_END);
        FFile->handle = std::move(h);
        FLogFileName = candidate;
        FFileSize = size.QuadPart;
        return;
    }
    throw std::runtime_error("no log file could be opened");
}

TLogObj::~TLogObj() {
    FFile->handle.reset();
    if (FFileSize == 0 && !FLogFileName.empty()) ::DeleteFileW(wcs(FLogFileName));
}

void TLogObj::Rotate() {
    // Backups: drop the oldest, shift the others up by one, copy the live file to .bak1.
    // Failures of these steps only cost backups, never the entry.
    ::DeleteFileW(wcs(backupName(FLogFileName, FBakLogCount)));
    for (int n = FBakLogCount - 1; n >= 1; --n) {
        const std::u16string from = backupName(FLogFileName, n);
        if (win::FileExists(from))
            ::MoveFileExW(wcs(from), wcs(backupName(FLogFileName, n + 1)), MOVEFILE_REPLACE_EXISTING);
    }
    // The live file is emptied only once its whole content is in .bak1: when the copy fails
    // the file keeps growing past the limit and the next entry tries the rotation again.
    if (!CopyToBackup()) return;
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(FFile->handle.get(), zero, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(FFile->handle.get()))
        raiseLastError("emptying the log");
    FFileSize = 0;
}

bool TLogObj::CopyToBackup() {
    // The copy is read through our own handle: the live file is open for writing without
    // write sharing, so a copy by name could be refused.
    HANDLE live = FFile->handle.get();
    win::UniqueKernelHandle bak(::CreateFileW(wcs(backupName(FLogFileName, 1)), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER zero{};
    if (!bak || !::SetFilePointerEx(live, zero, nullptr, FILE_BEGIN)) return false;
    bool copied = true;
    char chunk[64 * 1024];
    for (DWORD got = 0, put = 0;;) {
        if (!::ReadFile(live, chunk, sizeof chunk, &got, nullptr)) {
            copied = false;
            break;
        }
        if (got == 0) break;
        if (!::WriteFile(bak.get(), chunk, got, &put, nullptr) || put != got) {
            copied = false;
            break;
        }
    }
    // Whatever happened, the live stream goes back to its end for the entry that follows.
    if (!::SetFilePointerEx(live, zero, nullptr, FILE_END)) copied = false;
    return copied;
}

void TLogObj::WriteLog(std::u16string_view LogContent) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FFileSize >= FFileSizeMax) Rotate();
    std::u16string entry;
    if (FFileSize == 0) entry.push_back(0xFEFF);
    if (FWriteDT) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        entry += FormatLogTimestamp(now, timeSeparator());
    }
    entry.append(LogContent);
    entry += u"\r\n";
    // One write per entry: the line lands whole or not at all.
    const std::string bytes = text::encodeText(entry, text::TextEncoding::Utf16LE, false);
    DWORD put = 0;
    if (!::WriteFile(FFile->handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) ||
        put != bytes.size())
        raiseLastError("writing the log");
    FFileSize += static_cast<int64_t>(bytes.size());
}

// ---- TLogManage -------------------------------------------------------------------------

TLogManage::TLogManage() : FDetailMarker(text::ExtractFilePath(win::ModuleFileName()) + u"detaillog.ldt") {}

TLogManage::~TLogManage() = default;

void TLogManage::WriteToLog(std::u16string_view LogContent, bool IsDetail) {
    if (IsDetail && !win::FileExists(DetailMarker())) return;
    std::lock_guard<std::mutex> guard(FLock);
    try {
        if (!FLogObj) {
            FLogObj = std::make_unique<TLogObj>(FLogFile);
            FLogObj->SetBakLogCount(FBakLogCount);
            FLogObj->SetWriteDT(FWriteDT);
            FLogObj->SetFileSizeMax(FFileSizeMax);
        }
        FLogObj->WriteLog(LogContent);
        if (FShareWrite) FLogObj.reset();
    } catch (...) {
        FLogObj.reset();
    }
}

void TLogManage::SetLogFile(const std::u16string& Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FLogFile = Value;
    if (FLogObj && !text::sameTextAscii(FLogObj->LogFileName(), Value)) FLogObj.reset();
}

std::u16string TLogManage::LogFile() {
    std::lock_guard<std::mutex> guard(FLock);
    return FLogFile;
}

void TLogManage::SetFileSizeMax(int32_t Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FFileSizeMax = Value;
    if (FLogObj) FLogObj->SetFileSizeMax(Value);
}

void TLogManage::SetWriteDT(bool Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FWriteDT = Value;
    if (FLogObj) FLogObj->SetWriteDT(Value);
}

void TLogManage::SetBakLogCount(uint8_t Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FBakLogCount = Value;
    if (FLogObj) FLogObj->SetBakLogCount(Value);
}

void TLogManage::SetShareWrite(bool Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FShareWrite = Value;
    if (FShareWrite) FLogObj.reset();
}

std::u16string TLogManage::OpenFileName() {
    std::lock_guard<std::mutex> guard(FLock);
    return FLogObj ? FLogObj->LogFileName() : std::u16string();
}

std::u16string TLogManage::DetailMarker() {
    std::lock_guard<std::mutex> guard(FLock);
    return FDetailMarker;
}

void TLogManage::SetDetailMarker(const std::u16string& Value) {
    std::lock_guard<std::mutex> guard(FLock);
    FDetailMarker = Value;
}

// ---- The process-wide manager -------------------------------------------------------------

namespace {
std::mutex gManagerLock;
std::atomic<TLogManage*> gManager{nullptr};
} // namespace

TLogManage& LogManager() {
    if (TLogManage* m = gManager.load(std::memory_order_acquire)) return *m;
    std::lock_guard<std::mutex> guard(gManagerLock);
    if (!gManager.load(std::memory_order_relaxed)) gManager.store(new TLogManage, std::memory_order_release);
    return *gManager.load(std::memory_order_relaxed);
}

void FreeLogManager() {
    std::lock_guard<std::mutex> guard(gManagerLock);
    delete gManager.exchange(nullptr);
}

void WriteLogLine(std::u16string_view Text, bool IsDetail) {
    LogManager().WriteToLog(Text, IsDetail);
}

void SetLogFileName(const std::u16string& Path) {
    LogManager().SetLogFile(Path);
}

void PlaceLogInProductFolder(const std::u16string& ProductDataFolder) {
    const std::u16string program = text::ExtractFileName(win::ModuleFileName());
    SetLogFileName(text::IncludeTrailingBackslash(ProductDataFolder) + u"Logs\\" +
                   text::ChangeFileExt(program, u".log"));
}

} // namespace vell
