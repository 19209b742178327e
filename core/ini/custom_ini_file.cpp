#include "core/ini/custom_ini_file.h"

#include <bit>

namespace vell {

bool TCustomIniFile::SectionExists(std::u16string_view Section) {
    return !ReadSection(Section).empty();
}

bool TCustomIniFile::ValueExists(std::u16string_view Section, std::u16string_view Ident) {
    // A missing key answers with whatever default it is given; a present one cannot do so
    // for two different defaults.
    return ReadString(Section, Ident, u"\x1") != u"\x1" || ReadString(Section, Ident, u"\x2") != u"\x2";
}

int32_t TCustomIniFile::ReadInteger(std::u16string_view Section, std::u16string_view Ident, int32_t Default) {
    return ini::ParseInt32(ReadString(Section, Ident, u"")).value_or(Default);
}

void TCustomIniFile::WriteInteger(std::u16string_view Section, std::u16string_view Ident, int32_t Value) {
    WriteString(Section, Ident, ini::FormatInt64(Value));
}

bool TCustomIniFile::ReadBool(std::u16string_view Section, std::u16string_view Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::u16string_view Section, std::u16string_view Ident, bool Value) {
    WriteString(Section, Ident, Value ? u"1" : u"0");
}

int64_t TCustomIniFile::ReadInt64(std::u16string_view Section, std::u16string_view Ident, int64_t Default) {
    return ini::ParseInt64(ReadString(Section, Ident, u"")).value_or(Default);
}

void TCustomIniFile::WriteInt64(std::u16string_view Section, std::u16string_view Ident, int64_t Value) {
    WriteString(Section, Ident, ini::FormatInt64(Value));
}

double TCustomIniFile::ReadFloat(std::u16string_view Section, std::u16string_view Ident, double Default) {
    return ini::ParseFloat(ReadString(Section, Ident, u"")).value_or(Default);
}

void TCustomIniFile::WriteFloat(std::u16string_view Section, std::u16string_view Ident, double Value) {
    WriteString(Section, Ident, ini::FormatFloat(Value));
}

TDateTime TCustomIniFile::ReadDateTime(std::u16string_view Section, std::u16string_view Ident,
                                       TDateTime Default) {
    return ini::ParseDateTime(ReadString(Section, Ident, u"")).value_or(Default);
}

void TCustomIniFile::WriteDateTime(std::u16string_view Section, std::u16string_view Ident, TDateTime Value) {
    WriteString(Section, Ident, ini::FormatDateTime(Value));
}

TDateTime TCustomIniFile::ReadDateTimeFromInt(std::u16string_view Section, std::u16string_view Ident,
                                              TDateTime Default) {
    const auto bits = ini::ParseInt64(ReadString(Section, Ident, u""));
    return bits ? std::bit_cast<TDateTime>(*bits) : Default;
}

void TCustomIniFile::WriteDateTimeAsInt(std::u16string_view Section, std::u16string_view Ident,
                                        TDateTime Value) {
    WriteString(Section, Ident, ini::FormatInt64(std::bit_cast<int64_t>(Value)));
}

} // namespace vell
