// The content of an INI file: an ordered list of sections, each an ordered list of lines
// ("key=value", or any text without "="). Names and keys are compared without case unless
// CaseSensitive is set. Text is read leniently: lines are trimmed, empty lines and lines
// starting with ";" are skipped, lines before the first "[section]" header are dropped.
#pragma once
#include "core/ini/hashed_string_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TIniSections {
  public:
    TIniSections();
    ~TIniSections();
    TIniSections(TIniSections&&) noexcept;
    TIniSections& operator=(TIniSections&&) noexcept;

    // Where a parsed line came from: lines[sourceLine] became line `line` of section
    // `section` (line -1 for the section's header).
    using LineVisitor = std::function<void(std::size_t sourceLine, int section, int line)>;

    // Replaces the content with the parsed lines; `visit` hears where each one went.
    void SetStrings(const std::vector<std::u16string>& lines, const LineVisitor& visit = {});
    // Splits `text` at CR, LF or CR LF and parses it.
    void SetText(std::u16string_view text);
    // Decodes a file's bytes (byte-order mark, else the ANSI code page) and parses them.
    void SetBytes(std::span<const uint8_t> bytes);
    // "[name]", the section's lines, one empty line; for every section in order.
    std::vector<std::u16string> GetStrings() const;
    // GetStrings with every line ended by CR LF.
    std::u16string GetText() const;

    int Count() const { return list_->Count(); }
    const std::u16string& Name(int index) const { return list_->Strings(index); }
    TIniHashedStringList& Lines(int index) const;
    // The first section of that name, or -1.
    int IndexOf(std::u16string_view section) const { return list_->IndexOf(section); }
    int Add(const std::u16string& section);
    void Delete(int index);
    void Clear();

    // The value of the first line named `ident` in the section; false when either is missing.
    bool Find(std::u16string_view section, std::u16string_view ident, std::u16string* value) const;
    // Replaces the first line named `ident`, or appends one; adds the section when missing.
    void Write(std::u16string_view section, std::u16string_view ident, std::u16string_view value);
    // Removes the first line named `ident`; false when there was none.
    bool DeleteKey(std::u16string_view section, std::u16string_view ident);
    // Removes every section of that name; false when there was none.
    bool Erase(std::u16string_view section);

    std::vector<std::u16string> SectionNames() const;
    // The keys of the section's key=value lines.
    std::vector<std::u16string> SectionKeys(std::u16string_view section) const;
    // All lines of the section as stored.
    std::vector<std::u16string> SectionLines(std::u16string_view section) const;

    bool CaseSensitive() const { return list_->CaseSensitive(); }
    // Applies to the section list and to every section.
    void SetCaseSensitive(bool value);

    static std::u16string MakeLine(std::u16string_view ident, std::u16string_view value);

  private:
    // The sections; each line's object is the section's own line list, owned here.
    std::unique_ptr<TIniHashedStringList> list_;
};

} // namespace vell
