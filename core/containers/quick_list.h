// A sorted list of pointer-sized keys with an attached value each. Entries are small
// records recycled through a free pool of up to 16. Lookups are binary searches on a
// sorted list and linear scans otherwise. Nothing locks by itself.
#pragma once
#include "core/containers/free_pool.h"
#include "core/containers/hash.h"
#include "core/containers/list_error.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vell {

struct TBaseQuickListItem {
    PtrInt Obj = 0; // the key
    PtrInt Value = 0;
    std::u16string Str;                   // caller data; unused by the list itself
    TBaseQuickListItem* UnNext = nullptr; // free-pool link
};

class TPointerQuick {
  public:
    // Negative, 0 or positive as Item orders before, with or after (PObj, PValue); the
    // value takes part only when PValue is given.
    using TCompareItemEvent =
        std::function<int(const TBaseQuickListItem& Item, const PtrInt* PObj, const PtrInt* PValue)>;
    using TDisposeEvent = std::function<void(TPointerQuick& Sender, TBaseQuickListItem& FreeItem)>;

    TPointerQuick() = default;
    virtual ~TPointerQuick();
    TPointerQuick(const TPointerQuick&) = delete;
    TPointerQuick& operator=(const TPointerQuick&) = delete;

    int Add(PtrInt Obj) { return AddItem(Obj, nullptr); }
    int Add(PtrInt Obj, PtrInt Value) { return AddItem(Obj, &Value); }
    // Sorted: Index is the first match or the insertion point. Unsorted: the first match.
    bool Find(PtrInt Obj, int& Index);
    int IndexOf(PtrInt Obj, const PtrInt* PValue = nullptr);
    int Remove(PtrInt Obj, const PtrInt* PValue = nullptr); // index it had, or -1
    PtrInt Get(int Index) const { return At(Index).Obj; }
    PtrInt GetValue(PtrInt Obj);             // 0 when absent
    void SetValue(PtrInt Obj, PtrInt Value); // adds the entry when absent
    PtrInt GetValueFromIndex(int Index) const { return At(Index).Value; }
    void SetValueFromIndex(int Index, PtrInt Value) { At(Index).Value = Value; }
    TBaseQuickListItem& Items(int Index) const { return At(Index); }

    void Lock() { FLock.lock(); }
    void UnLock() { FLock.unlock(); }

    int Count() const { return static_cast<int>(FList.size()); }
    void Delete(int Index);
    void Clear();

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value); // sorting an unsorted list orders its entries

    TDuplicates Duplicates = TDuplicates::dupIgnore;
    TCompareItemEvent OnCompareItem;
    TDisposeEvent DisposeEvent;

  protected:
    virtual int CompareItem(const TBaseQuickListItem& Item, const PtrInt* PObj, const PtrInt* PValue);
    virtual TBaseQuickListItem* NewItem(PtrInt Obj, const PtrInt* PValue);
    virtual int AddItem(PtrInt Obj, const PtrInt* PValue);

  private:
    TBaseQuickListItem& At(int Index) const;
    bool Search(PtrInt Obj, const PtrInt* PValue, int& Index);
    void ReleaseItem(TBaseQuickListItem* item);

    std::vector<TBaseQuickListItem*> FList;
    FreePool<TBaseQuickListItem, 16> FreeCache; // spare entries
    bool FSorted = true;
    std::recursive_mutex FLock;
};

} // namespace vell
