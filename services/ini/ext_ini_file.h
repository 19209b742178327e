// The read-mostly INI file of the language tables: loads from a file or stream, answers
// from memory, and is never written back by itself (UpdateFile and Rename do nothing).
// Load failures are swallowed and leave the content as it was.
#pragma once
#include "core/ini/mem_ini_file.h"
#include "core/io/stream.h"

#include <string>

namespace vell {

class TExtIniFile : public TMemIniFile {
  public:
    TExtIniFile() = default;
    explicit TExtIniFile(const std::u16string& FileName) { LoadFromFile(FileName); }

    void UpdateFile() override {}
    void Rename(const std::u16string&, bool) {}

    // True when the file was read; otherwise the content is unchanged.
    bool LoadFromFile(const std::u16string& FileName);
    // Reads from the stream's current position to its end.
    bool LoadFromStream(TStream& Stream);
    // UTF-16 little-endian with byte-order mark.
    bool SaveToFile(const std::u16string& FileName);
    // The same text in the system's ANSI code page, without mark.
    bool SaveToStream(TStream& Stream);
};

} // namespace vell
