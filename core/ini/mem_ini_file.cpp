#include "core/ini/mem_ini_file.h"

namespace vell {

std::u16string TMemIniFile::ReadString(std::u16string_view Section, std::u16string_view Ident,
                                       std::u16string_view Default) {
    std::u16string value;
    return FSections.Find(Section, Ident, &value) ? value : std::u16string(Default);
}

void TMemIniFile::WriteString(std::u16string_view Section, std::u16string_view Ident,
                              std::u16string_view Value) {
    FSections.Write(Section, Ident, Value);
}

std::vector<std::u16string> TMemIniFile::ReadSection(std::u16string_view Section) {
    return FSections.SectionKeys(Section);
}

std::vector<std::u16string> TMemIniFile::ReadSections() {
    return FSections.SectionNames();
}

std::vector<std::u16string> TMemIniFile::ReadSectionValues(std::u16string_view Section) {
    return FSections.SectionLines(Section);
}

void TMemIniFile::EraseSection(std::u16string_view Section) {
    FSections.Erase(Section);
}

void TMemIniFile::DeleteKey(std::u16string_view Section, std::u16string_view Ident) {
    FSections.DeleteKey(Section, Ident);
}

void TMemIniFile::Clear() {
    FSections.Clear();
}

void TMemIniFile::SetStrings(const std::vector<std::u16string>& List) {
    FSections.SetStrings(List);
}

} // namespace vell
