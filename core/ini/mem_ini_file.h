// An INI object held entirely in memory: the base of the file-backed INI classes.
#pragma once
#include "core/ini/custom_ini_file.h"
#include "core/ini/ini_sections.h"

namespace vell {

class TMemIniFile : public TCustomIniFile {
  public:
    std::u16string ReadString(std::u16string_view Section, std::u16string_view Ident,
                              std::u16string_view Default) override;
    void WriteString(std::u16string_view Section, std::u16string_view Ident,
                     std::u16string_view Value) override;
    std::vector<std::u16string> ReadSection(std::u16string_view Section) override;
    std::vector<std::u16string> ReadSections() override;
    std::vector<std::u16string> ReadSectionValues(std::u16string_view Section) override;
    void EraseSection(std::u16string_view Section) override;
    void DeleteKey(std::u16string_view Section, std::u16string_view Ident) override;
    void UpdateFile() override {}

    virtual void Clear();
    // Replaces the content with the parsed lines (see TIniSections).
    virtual void SetStrings(const std::vector<std::u16string>& List);
    std::vector<std::u16string> GetStrings() const { return FSections.GetStrings(); }

    bool CaseSensitive() const { return FSections.CaseSensitive(); }
    void SetCaseSensitive(bool Value) { FSections.SetCaseSensitive(Value); }

    const TIniSections& Sections() const { return FSections; }

  protected:
    TIniSections FSections;
};

} // namespace vell
