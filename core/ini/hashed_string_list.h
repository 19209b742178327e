// A string list with two hash indexes, one over whole lines (IndexOf) and one over the
// name part of name=value lines (IndexOfName). Both are built on the first look-up and
// kept valid by AddObject, AddStr and Put, so that a list built line by line is never
// rehashed; any other change drops them until the next look-up. Without case sensitivity
// keys are compared after text::upperChar.
#pragma once
#include "core/containers/string_list.h"

#include <memory>
#include <string>
#include <string_view>

namespace vell {

class TIniHashedStringList : public TStringListEx {
  public:
    TIniHashedStringList();
    ~TIniHashedStringList() override;

    int AddObject(const std::u16string& S, PtrInt Obj);
    int AddStr(const std::u16string& S) { return AddObject(S, 0); }
    void Put(int Index, const std::u16string& S) override;

    int IndexOf(const std::u16string& S) override;
    // Lines without "=" have no name and are never found.
    int IndexOfName(const std::u16string& Name) override;
    int IndexOf(std::u16string_view S) { return IndexOf(std::u16string(S)); }
    int IndexOfName(std::u16string_view Name) { return IndexOfName(std::u16string(Name)); }
    int IndexOf(const char16_t* S) { return IndexOf(std::u16string(S)); }
    int IndexOfName(const char16_t* Name) { return IndexOfName(std::u16string(Name)); }

    void SetCaseSensitive(bool Value);
    int CompareStrings(const std::u16string& S1, const std::u16string& S2) const override;

  protected:
    void Changed() override;

  private:
    struct Index;
    std::u16string KeyOf(std::u16string_view s) const;
    void IndexAdded(int index);

    std::unique_ptr<Index> FLines; // null while not built
    std::unique_ptr<Index> FNames;
    bool FKeepIndexes = false; // set while AddObject or Put maintain the indexes themselves
};

} // namespace vell
