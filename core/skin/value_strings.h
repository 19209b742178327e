// TRdValueStrings: one skin INI section as name=value lines, with a parent section whose
// lines it inherits. Name lookups go through a hash rebuilt lazily after changes.
// Parent chains are walked with cycle protection: a section that is (indirectly) its
// own ancestor inherits from each section of the loop once; a chain ends after
// kMaxInheritance sections.
#pragma once
#include "core/containers/hash.h"
#include "core/containers/string_list.h"

#include <memory>
#include <string>
#include <vector>

namespace vell::skin {

class TRdValueStrings : public TStringListEx {
  public:
    TRdValueStrings();
    ~TRdValueStrings() override;

    TRdValueStrings* Parent = nullptr; // not owned

    // The line whose name (text before "=", or the whole line) equals Name; -1 when none.
    int IndexOfName(const std::u16string& Name) override;
    // Lines are found by the name part of S, not by their whole text.
    int IndexOf(const std::u16string& S) override;
    // The value of the named line here, else in the nearest ancestor that has it.
    std::u16string GetValue(const std::u16string& Name);
    void SetValue(const std::u16string& Name, const std::u16string& Value) { SetValues(Name, Value); }

    // Dest takes this section's lines, then its ancestors': a sorted Dest gets all their
    // lines added; any other Dest gets the ancestors' lines it lacks inserted at the
    // front, so inherited lines come first in their own order and a name defined lower
    // in the chain wins.
    void AssignTo(TStringList& Dest);

    // Takes the lines of a later file: each replaces the line of its name (the first one),
    // or is appended when the section has no line of that name.
    void MergeLines(const std::vector<std::u16string>& lines);

    // Parent, its parent, ... each once, stopping where the chain loops back, and after
    // kMaxInheritance sections: a longer chain is damaged, and flattening it would cost
    // the square of its length.
    std::vector<TRdValueStrings*> Ancestors();
    static constexpr int kMaxInheritance = 64;

  protected:
    void Changed() override;

  private:
    void AssignToSection(TRdValueStrings& Dest);
    std::u16string HashKey(std::u16string_view name) const;
    std::unique_ptr<TStringHash> FNameHash;
    bool FNameHashValid = false;
    bool FNameHashCaseSensitive = false; // the case mode the hash was built in
};

} // namespace vell::skin
