// String lists with an attached pointer-sized object per line, name=value access and
// ordinal comparison (never locale collation).
//   TStringList       - the list itself: sorted insertion, duplicates, change notifications;
//                       its comparison is left to the derived class.
//   TStringListEx     - ordinal comparison, case-sensitive or ASCII case-folded.
//   TStringValueList  - sorted from the start and ordered by the name part alone, so a
//                       line is found by its name with a binary search.
#pragma once
#include "core/containers/hash.h"
#include "core/containers/list_error.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TStringList {
  public:
    using TNotifyEvent = std::function<void(TStringList& Sender)>;

    TStringList() = default;
    virtual ~TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    int Count() const { return static_cast<int>(FList.size()); }
    const std::u16string& Strings(int Index) const;
    // Replaces a line; a sorted list refuses ("Operation not allowed on sorted list").
    virtual void Put(int Index, const std::u16string& S);
    PtrInt Objects(int Index) const;
    void PutObject(int Index, PtrInt Obj);

    // Sorted lists insert in order and apply Duplicates; unsorted ones append.
    int Add(const std::u16string& S) { return AddObject(S, 0); }
    int AddObject(const std::u16string& S, PtrInt Obj);
    void Insert(int Index, const std::u16string& S) { InsertObject(Index, S, 0); }
    void InsertObject(int Index, const std::u16string& S, PtrInt Obj); // refused on a sorted list
    void Delete(int Index);
    void Clear();

    virtual int IndexOf(const std::u16string& S);
    // The first line whose text before the separator equals Name; lines without one are skipped.
    virtual int IndexOfName(const std::u16string& Name);
    // Sorted lists only: the first match, or the insertion point.
    bool Find(const std::u16string& S, int& Index);

    std::u16string Names(int Index) const;          // text before the first separator, else empty
    std::u16string ValueFromIndex(int Index) const; // text after the first separator, else empty
    std::u16string Values(const std::u16string& Name);
    // An empty value deletes the line; otherwise as SetValueForce.
    void SetValues(const std::u16string& Name, const std::u16string& Value);
    // Replaces the line of that name, or adds Name, separator and Value as a new line.
    void SetValueForce(const std::u16string& Name, const std::u16string& Value);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    void Sort();

    // Changes inside a bracket announce themselves once: OnChanging before the first,
    // OnChange when the outermost EndUpdate closes a bracket that changed something.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    TDuplicates Duplicates = TDuplicates::dupIgnore;
    char16_t NameValueSeparator = u'=';
    TNotifyEvent OnChange, OnChanging;

    virtual int CompareStrings(const std::u16string& S1, const std::u16string& S2) const = 0;

  protected:
    virtual void Changing();
    virtual void Changed();
    // Deletes the line and adds S again with the line's object, so a sorted list stays in
    // order; notifications bracket the whole step.
    void ReplaceKeepingOrder(int Index, const std::u16string& S);
    // Ordinal comparison; without case sensitivity ASCII letters fold to upper case.
    static int CompareOrdinal(std::u16string_view a, std::u16string_view b, bool caseSensitive);

  private:
    struct Line {
        std::u16string Text;
        PtrInt Obj = 0;
    };
    void CheckIndex(int Index) const;
    void InsertLine(int Index, const std::u16string& S, PtrInt Obj);

    std::vector<Line> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
};

class TStringListEx : public TStringList {
  public:
    int Remove(const std::u16string& S); // deletes the line IndexOf finds; its index or -1
    int CompareStrings(const std::u16string& S1, const std::u16string& S2) const override;
};

class TStringValueList : public TStringListEx {
  public:
    TStringValueList() { SetSorted(true); }

    int IndexOfName(const std::u16string& Name) override { return IndexOf(Name); }
    void Put(int Index, const std::u16string& S) override;
    // Compares the name parts (the text before the first separator, or the whole line).
    int CompareStrings(const std::u16string& S1, const std::u16string& S2) const override;

    void Lock() { FLock.lock(); }
    void UnLock() { FLock.unlock(); }

  private:
    std::recursive_mutex FLock;
};

} // namespace vell
