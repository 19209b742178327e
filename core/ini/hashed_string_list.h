// A string list with two hash indexes, one over whole lines (IndexOf) and one over the
// name part of name=value lines (IndexOfName). Both are built on the first look-up and
// kept valid by AddObject, AddStr and Put, so that a list built line by line is never
// rehashed; any other change drops them until the next look-up.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TIniHashedStringList {
public:
    TIniHashedStringList();
    ~TIniHashedStringList();
    TIniHashedStringList(const TIniHashedStringList&) = delete;
    TIniHashedStringList& operator=(const TIniHashedStringList&) = delete;
    TIniHashedStringList(TIniHashedStringList&&) noexcept;
    TIniHashedStringList& operator=(TIniHashedStringList&&) noexcept;

    int Count() const { return static_cast<int>(items_.size()); }
    const std::u16string& Strings(int index) const;
    // The owned list attached to a line (the lines of a section), or null.
    TIniHashedStringList* Objects(int index) const;

    int AddObject(std::u16string s, std::unique_ptr<TIniHashedStringList> obj);
    int AddStr(std::u16string s);
    void Put(int index, std::u16string s);
    void Insert(int index, std::u16string s);
    void Delete(int index);
    void Clear();

    // The first line equal to `s`, or -1.
    int IndexOf(std::u16string_view s) const;
    // The first line whose text before its first "=" equals `name`, or -1. Lines without
    // "=" have no name.
    int IndexOfName(std::u16string_view name) const;
    // The text after the first "=" of a line (empty when there is none).
    std::u16string ValueFromIndex(int index) const;
    static bool SplitNameValue(std::u16string_view line, std::u16string_view* name, std::u16string_view* value);

    bool CaseSensitive() const { return caseSensitive_; }
    // Also applies to the attached lists.
    void SetCaseSensitive(bool value);

private:
    struct Index;
    struct Item {
        std::u16string str;
        std::unique_ptr<TIniHashedStringList> obj;
    };

    std::u16string keyOf(std::u16string_view s) const;
    void indexAdded(int index) const;
    void invalidate() const;

    std::vector<Item> items_;
    bool caseSensitive_ = false;
    mutable std::unique_ptr<Index> lines_; // null while not built
    mutable std::unique_ptr<Index> names_;
};

} // namespace vell
