// The interface every INI object offers: string access to be implemented, and the typed
// reads and writes built on it. Typed reads give the caller's default for text that is not
// a value of their type.
#pragma once
#include "core/ini/ini_values.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TCustomIniFile {
  public:
    virtual ~TCustomIniFile() = default;

    virtual std::u16string ReadString(std::u16string_view Section, std::u16string_view Ident,
                                      std::u16string_view Default) = 0;
    virtual void WriteString(std::u16string_view Section, std::u16string_view Ident,
                             std::u16string_view Value) = 0;
    // The keys of a section.
    virtual std::vector<std::u16string> ReadSection(std::u16string_view Section) = 0;
    virtual std::vector<std::u16string> ReadSections() = 0;
    // The lines of a section as stored.
    virtual std::vector<std::u16string> ReadSectionValues(std::u16string_view Section) = 0;
    virtual void EraseSection(std::u16string_view Section) = 0;
    virtual void DeleteKey(std::u16string_view Section, std::u16string_view Ident) = 0;
    virtual void UpdateFile() = 0;

    bool SectionExists(std::u16string_view Section);
    bool ValueExists(std::u16string_view Section, std::u16string_view Ident);

    // Decimal or "0x" hexadecimal.
    int32_t ReadInteger(std::u16string_view Section, std::u16string_view Ident, int32_t Default);
    void WriteInteger(std::u16string_view Section, std::u16string_view Ident, int32_t Value);
    // True when the integer value is not 0; written as "1" or "0".
    bool ReadBool(std::u16string_view Section, std::u16string_view Ident, bool Default);
    void WriteBool(std::u16string_view Section, std::u16string_view Ident, bool Value);
    int64_t ReadInt64(std::u16string_view Section, std::u16string_view Ident, int64_t Default);
    void WriteInt64(std::u16string_view Section, std::u16string_view Ident, int64_t Value);
    double ReadFloat(std::u16string_view Section, std::u16string_view Ident, double Default);
    void WriteFloat(std::u16string_view Section, std::u16string_view Ident, double Value);
    TDateTime ReadDateTime(std::u16string_view Section, std::u16string_view Ident, TDateTime Default);
    void WriteDateTime(std::u16string_view Section, std::u16string_view Ident, TDateTime Value);
    // The date-time's IEEE-754 bits as a signed decimal integer: exact, whatever the value.
    TDateTime ReadDateTimeFromInt(std::u16string_view Section, std::u16string_view Ident, TDateTime Default);
    void WriteDateTimeAsInt(std::u16string_view Section, std::u16string_view Ident, TDateTime Value);
};

} // namespace vell
