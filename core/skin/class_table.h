// The skin's sections by control class, built from the skin INI files: each section
// goes to the entry of its "class" value (sections without one to the entry ""), and
// later files override earlier ones line by line. After the last file, "parent" lines
// link sections to the section they inherit from within the same class.
//
// Entries and sections are kept in ascending case-insensitive order of their names.
// The table has its own recursive lock for readers on drawing threads.
#pragma once
#include "core/skin/value_strings.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vell {
class TCustomIniFile;
}

namespace vell::skin {

class SkinClassTable {
  public:
    SkinClassTable();
    ~SkinClassTable();
    SkinClassTable(const SkinClassTable&) = delete;
    SkinClassTable& operator=(const SkinClassTable&) = delete;

    void Lock();
    void UnLock();

    void Clear();
    // Adds every section of ini, in ascending order of section names; a section that
    // the class already has takes the new lines: a line replaces the line of the same
    // name (the whole line when it has no "="), other lines are appended.
    void Merge(TCustomIniFile& ini);
    // Sets each section's Parent from its "parent" value: a section of the same class,
    // never the section itself. Loops through longer chains are left to
    // TRdValueStrings, which walks them safely.
    void LinkParents();

    std::size_t ClassCount() const;
    // The section of a class, or null.
    TRdValueStrings* Find(std::u16string_view className, std::u16string_view section) const;
    // Every section of a class in name order.
    void ForEachSection(
        std::u16string_view className,
        const std::function<void(const std::u16string& name, TRdValueStrings& lines)>& visit) const;
    // The tint patterns: the section "tintpng" among the sections without a class.
    TRdValueStrings* TintPatterns() const { return Find(u"", u"tintpng"); }

  private:
    struct State;
    std::unique_ptr<State> s_;
};

// Rebuilds the skin colours from the table's sections of class "color" and then from
// the colour settings file (may be null): its sections in ascending order except
// "validate", read in BGR order when [validate] type=BGR, else RGB. Replaces the skin
// colour names; built-in colours stay.
void LoadSkinColors(const SkinClassTable& table, TCustomIniFile* colorSettings);

} // namespace vell::skin
