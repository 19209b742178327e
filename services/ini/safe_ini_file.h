// The read-write INI file. It reads its file once, answers from memory, and writes back
// only at UpdateFile or destruction, and only when something changed: the whole new text
// is built in memory first, read-only and hidden files are written and keep those flags,
// and a file that failed to load is never overwritten by the automatic save. Load and
// save failures never raise; LoadSaveFile_LastError holds the system error code.
#pragma once
#include "core/ini/mem_ini_file.h"
#include "core/io/stream.h"
#include "core/text/codec.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vell {

// Reads all of InStream and writes the transformed bytes to OutStream.
using TSafeIniFileStreamCallback = std::function<void(TStream& InStream, TStream& OutStream)>;

class TSafeIniFile : public TMemIniFile {
  public:
    // An empty object that belongs to no file.
    TSafeIniFile();
    // Loads FilePath; a missing file is created (with AEncoding's byte-order mark, if any).
    explicit TSafeIniFile(const std::u16string& FilePath,
                          std::optional<text::TextEncoding> AEncoding = std::nullopt,
                          TSafeIniFileStreamCallback AEncryptStreamCallback = {},
                          TSafeIniFileStreamCallback ADecryptStreamCallback = {});
    // Saves first when changed, unless loading had failed.
    ~TSafeIniFile() override;

    void WriteString(std::u16string_view Section, std::u16string_view Ident,
                     std::u16string_view Value) override;
    void DeleteKey(std::u16string_view Section, std::u16string_view Ident) override;
    void EraseSection(std::u16string_view Section) override;
    void Clear() override;
    void SetStrings(const std::vector<std::u16string>& List) override;
    // Saves to the object's file and, on success, clears IniChanged.
    void UpdateFile() override;
    // Only changes the file the object belongs to; nothing is loaded or moved.
    void Rename(const std::u16string& FileName, bool Reload);

    void LoadFromFile(const std::u16string& FileName);
    void LoadFromStream(TStream& Stream);
    void SaveToFile(const std::u16string& FileName);
    // Replaces the stream's content with the UTF-16 text (or what the encryption makes of it).
    void SaveToStream(TStream& Stream);

    const std::u16string& FileName() const { return FFilePath; }
    bool IniChanged() const { return FIniChanged; }
    void SetIniChanged(bool Value) { FIniChanged = Value; }
    bool IniLoadFailed() const { return FIniLoadFailed; }

    bool AllowSameIdent = false;
    uint32_t LoadSaveFile_LastError = 0;
    TSafeIniFileStreamCallback EncryptStreamCallback;
    TSafeIniFileStreamCallback DecryptStreamCallback;

  private:
    void SectionListChanged();
    void Fail(uint32_t code);
    void LoadBytes(std::string bytes);
    std::optional<std::string> Serialize();

    std::u16string FFilePath;
    std::u16string FSections_LastFnd;
    int FSections_LastFndId = -1;
    bool FIniChanged = false;
    bool FIniLoadFailed = false;
    bool FTrackChanges = false; // off while the constructor loads
};

} // namespace vell
