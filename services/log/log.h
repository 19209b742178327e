// The process-wide diagnostic log: one UTF-16 little-endian file with byte-order mark, one
// line per entry ("yyyy-mm-dd hh:nn:ss.zzz  " + text + CR LF), a size limit with numbered
// backups (name.bak1 is the newest), and detail entries that are only written while the
// marker file "detaillog.ldt" sits beside the program. Any thread may write; writers are
// serialized and a failed write loses only its own entry, silently.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vell {

inline constexpr int32_t kDefaultLogFileSizeMax = 5 * 1024 * 1024;
inline constexpr uint8_t kDefaultBakLogCount = 1;

// The date and time prefix of an entry; `timeSeparator` stands for every ":".
std::u16string FormatLogTimestamp(const SYSTEMTIME& t, std::u16string_view timeSeparator);

// One open log file. Opening takes the first of name, name_1.log, name_2.log, ... that
// can be opened for writing while others may only read it.
class TLogObj {
  public:
    // Raises when no file can be created or opened.
    explicit TLogObj(const std::u16string& ALogFile);
    // A file that never received a byte is deleted.
    ~TLogObj();
    TLogObj(const TLogObj&) = delete;
    TLogObj& operator=(const TLogObj&) = delete;

    // Raises when the file cannot be written.
    void WriteLog(std::u16string_view LogContent);

    const std::u16string& LogFileName() const { return FLogFileName; }
    uint8_t BakLogCount() const { return FBakLogCount; }
    void SetBakLogCount(uint8_t Value) { FBakLogCount = Value; }
    bool WriteDT() const { return FWriteDT; }
    void SetWriteDT(bool Value) { FWriteDT = Value; }
    int32_t FileSizeMax() const { return FFileSizeMax; }
    void SetFileSizeMax(int32_t Value) { FFileSizeMax = Value; }

  private:
    struct File;
    void Rotate();
    bool CopyToBackup(); // true when .bak1 holds the whole live file

    std::mutex FLock;
    std::u16string MoudleFileName;
    std::u16string FLogFileName;
    std::unique_ptr<File> FFile;
    int64_t FFileSize = 0;
    int32_t FFileSizeMax = kDefaultLogFileSizeMax;
    uint8_t FBakLogCount = kDefaultBakLogCount;
    bool FWriteDT = true;
};

class TLogManage {
  public:
    TLogManage();
    ~TLogManage();
    TLogManage(const TLogManage&) = delete;
    TLogManage& operator=(const TLogManage&) = delete;

    // Never raises: an entry that cannot be written is lost.
    void WriteToLog(std::u16string_view LogContent, bool IsDetail);

    // Empty means the program's own path with the extension ".log". A different path
    // (compared without ASCII case) closes the open file; the next entry opens the new one.
    void SetLogFile(const std::u16string& Value);
    std::u16string LogFile();
    void SetFileSizeMax(int32_t Value);
    void SetWriteDT(bool Value);
    void SetBakLogCount(uint8_t Value);
    // On (the default): the file is closed after every entry and reopened for the next.
    void SetShareWrite(bool Value);

    // The file held open now (only between entries with ShareWrite off), or empty.
    std::u16string OpenFileName();
    // "detaillog.ldt" in the program's folder; tests may point it elsewhere.
    std::u16string DetailMarker();
    void SetDetailMarker(const std::u16string& Value);

  private:
    std::mutex FLock;
    std::unique_ptr<TLogObj> FLogObj;
    std::u16string FLogFile;
    std::u16string FDetailMarker;
    int32_t FFileSizeMax = kDefaultLogFileSizeMax;
    uint8_t FBakLogCount = kDefaultBakLogCount;
    bool FShareWrite = true;
    bool FWriteDT = true;
};

// The process-wide manager, created on first use.
TLogManage& LogManager();
// Module shut-down: frees the manager and closes its file.
void FreeLogManager();

void WriteLogLine(std::u16string_view Text, bool IsDetail = false);
void SetLogFileName(const std::u16string& Path);
// Moves the log into the product's data folder: folder + "Logs\" + program name + ".log".
void PlaceLogInProductFolder(const std::u16string& ProductDataFolder);

} // namespace vell
