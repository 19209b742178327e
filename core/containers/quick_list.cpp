#include "core/containers/quick_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>

namespace vell {

namespace {

int CompareSigned(PtrInt a, PtrInt b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

[[noreturn]] void RaiseIndex(int index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

TPointerQuick::~TPointerQuick() {
    Clear();
}

TBaseQuickListItem& TPointerQuick::At(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
    return *FList[static_cast<size_t>(Index)];
}

int TPointerQuick::CompareItem(const TBaseQuickListItem& Item, const PtrInt* PObj, const PtrInt* PValue) {
    if (OnCompareItem) return OnCompareItem(Item, PObj, PValue);
    if (int c = CompareSigned(Item.Obj, *PObj)) return c;
    return PValue ? CompareSigned(Item.Value, *PValue) : 0;
}

bool TPointerQuick::Search(PtrInt Obj, const PtrInt* PValue, int& Index) {
    if (!FSorted) {
        for (int i = 0; i < Count(); ++i) {
            if (CompareItem(*FList[static_cast<size_t>(i)], &Obj, PValue) == 0) {
                Index = i;
                return true;
            }
        }
        Index = Count();
        return false;
    }
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (CompareItem(*FList[static_cast<size_t>(mid)], &Obj, PValue) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    Index = lo;
    return lo < Count() && CompareItem(*FList[static_cast<size_t>(lo)], &Obj, PValue) == 0;
}

bool TPointerQuick::Find(PtrInt Obj, int& Index) {
    return Search(Obj, nullptr, Index);
}

int TPointerQuick::IndexOf(PtrInt Obj, const PtrInt* PValue) {
    int index = -1;
    return Search(Obj, PValue, index) ? index : -1;
}

TBaseQuickListItem* TPointerQuick::NewItem(PtrInt Obj, const PtrInt* PValue) {
    TBaseQuickListItem* item = FreeCache.Take();
    item->Obj = Obj;
    item->Value = PValue ? *PValue : 0;
    item->Str.clear();
    return item;
}

int TPointerQuick::AddItem(PtrInt Obj, const PtrInt* PValue) {
    int index = Count();
    if (FSorted && Search(Obj, PValue, index)) {
        switch (Duplicates) {
        case TDuplicates::dupIgnore:
            return index;
        case TDuplicates::dupError: {
            char text[64];
            std::snprintf(text, sizeof text, "List does not allow duplicates ($0%llX)",
                          static_cast<unsigned long long>(static_cast<std::uintptr_t>(Obj)));
            throw EListError(text);
        }
        case TDuplicates::dupAccept:
            break;
        }
    }
    FList.insert(FList.begin() + index, NewItem(Obj, PValue));
    return index;
}

int TPointerQuick::Remove(PtrInt Obj, const PtrInt* PValue) {
    int index = IndexOf(Obj, PValue);
    if (index >= 0) Delete(index);
    return index;
}

PtrInt TPointerQuick::GetValue(PtrInt Obj) {
    int index = IndexOf(Obj);
    return index >= 0 ? FList[static_cast<size_t>(index)]->Value : 0;
}

void TPointerQuick::SetValue(PtrInt Obj, PtrInt Value) {
    int index = IndexOf(Obj);
    if (index >= 0)
        FList[static_cast<size_t>(index)]->Value = Value;
    else
        Add(Obj, Value);
}

void TPointerQuick::ReleaseItem(TBaseQuickListItem* item) {
    if (DisposeEvent) DisposeEvent(*this, *item);
    item->Str.clear();
    FreeCache.Give(item);
}

void TPointerQuick::Delete(int Index) {
    TBaseQuickListItem* item = &At(Index);
    FList.erase(FList.begin() + Index);
    ReleaseItem(item);
}

void TPointerQuick::Clear() {
    std::vector<TBaseQuickListItem*> items;
    items.swap(FList);
    for (TBaseQuickListItem* item : items)
        ReleaseItem(item);
}

void TPointerQuick::SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) {
        std::stable_sort(FList.begin(), FList.end(), [this](TBaseQuickListItem* a, TBaseQuickListItem* b) {
            return CompareItem(*a, &b->Obj, &b->Value) < 0;
        });
    }
    FSorted = Value;
}

} // namespace vell
