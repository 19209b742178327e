#include "core/containers/string_list.h"

#include <algorithm>

namespace vell {

namespace {

[[noreturn]] void RaiseIndex(int index) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

char16_t FoldUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

} // namespace

// ---- TStringList ----

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
}

const std::u16string& TStringList::Strings(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].Text;
}

PtrInt TStringList::Objects(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, PtrInt Obj) {
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].Obj = Obj;
    Changed();
}

void TStringList::Put(int Index, const std::u16string& S) {
    if (FSorted) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].Text = S;
    Changed();
}

void TStringList::InsertLine(int Index, const std::u16string& S, PtrInt Obj) {
    Changing();
    FList.insert(FList.begin() + Index, Line{S, Obj});
    Changed();
}

int TStringList::AddObject(const std::u16string& S, PtrInt Obj) {
    int index = Count();
    if (FSorted && Find(S, index)) {
        switch (Duplicates) {
        case TDuplicates::dupIgnore:
            return index;
        case TDuplicates::dupError:
            throw EStringListError("String list does not allow duplicates");
        case TDuplicates::dupAccept:
            break;
        }
    }
    InsertLine(index, S, Obj);
    return index;
}

void TStringList::InsertObject(int Index, const std::u16string& S, PtrInt Obj) {
    if (FSorted) throw EStringListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count()) RaiseIndex(Index);
    InsertLine(Index, S, Obj);
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Clear() {
    if (FList.empty()) return;
    Changing();
    FList.clear();
    Changed();
}

bool TStringList::Find(const std::u16string& S, int& Index) {
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (CompareStrings(FList[static_cast<size_t>(mid)].Text, S) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    Index = lo;
    return lo < Count() && CompareStrings(FList[static_cast<size_t>(lo)].Text, S) == 0;
}

int TStringList::IndexOf(const std::u16string& S) {
    if (FSorted) {
        int index = -1;
        return Find(S, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(FList[static_cast<size_t>(i)].Text, S) == 0) return i;
    return -1;
}

int TStringList::IndexOfName(const std::u16string& Name) {
    for (int i = 0; i < Count(); ++i) {
        const std::u16string& text = FList[static_cast<size_t>(i)].Text;
        size_t sep = text.find(NameValueSeparator);
        if (sep != std::u16string::npos && CompareStrings(text.substr(0, sep), Name) == 0) return i;
    }
    return -1;
}

std::u16string TStringList::Names(int Index) const {
    const std::u16string& text = Strings(Index);
    size_t sep = text.find(NameValueSeparator);
    return sep == std::u16string::npos ? std::u16string() : text.substr(0, sep);
}

std::u16string TStringList::ValueFromIndex(int Index) const {
    const std::u16string& text = Strings(Index);
    size_t sep = text.find(NameValueSeparator);
    return sep == std::u16string::npos ? std::u16string() : text.substr(sep + 1);
}

std::u16string TStringList::Values(const std::u16string& Name) {
    int index = IndexOfName(Name);
    return index >= 0 ? ValueFromIndex(index) : std::u16string();
}

void TStringList::SetValues(const std::u16string& Name, const std::u16string& Value) {
    if (!Value.empty()) {
        SetValueForce(Name, Value);
        return;
    }
    int index = IndexOfName(Name);
    if (index >= 0) Delete(index);
}

void TStringList::SetValueForce(const std::u16string& Name, const std::u16string& Value) {
    std::u16string line = Name;
    line += NameValueSeparator;
    line += Value;
    int index = IndexOfName(Name);
    if (index < 0)
        Add(line);
    else if (FSorted)
        ReplaceKeepingOrder(index, line); // a sorted list cannot overwrite in place
    else
        Put(index, line);
}

void TStringList::ReplaceKeepingOrder(int Index, const std::u16string& S) {
    CheckIndex(Index);
    BeginUpdate(); // one announcement for the delete and the add
    Changing();
    Line old = FList[static_cast<size_t>(Index)];
    FList.erase(FList.begin() + Index);
    try {
        AddObject(S, old.Obj);
    } catch (...) {
        // A refused duplicate must not cost the line it was to replace.
        FList.insert(FList.begin() + Index, std::move(old));
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::Sort() {
    if (FList.size() < 2) return;
    Changing();
    std::stable_sort(FList.begin(), FList.end(),
                     [this](const Line& a, const Line& b) { return CompareStrings(a.Text, b.Text) < 0; });
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive) return;
    FCaseSensitive = Value;
    if (FSorted) Sort();
}

void TStringList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        Changed();
    }
}

void TStringList::Changing() {
    if (FUpdateCount > 0) {
        if (FChangedInUpdate) return;
        FChangedInUpdate = true;
    }
    if (OnChanging) OnChanging(*this);
}

void TStringList::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(*this);
}

int TStringList::CompareOrdinal(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = caseSensitive ? a[i] : FoldUpper(a[i]);
        char16_t y = caseSensitive ? b[i] : FoldUpper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// ---- TStringListEx ----

int TStringListEx::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    return CompareOrdinal(S1, S2, CaseSensitive());
}

int TStringListEx::Remove(const std::u16string& S) {
    int index = IndexOf(S);
    if (index >= 0) Delete(index);
    return index;
}

// ---- TStringValueList ----

void TStringValueList::Put(int Index, const std::u16string& S) {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
    ReplaceKeepingOrder(Index, S);
}

int TStringValueList::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    // Whole names are compared, so the separator never meets a character of a longer
    // name: "a=1" and "a.b=2" order as "a" < "a.b" and the list stays consistently sorted.
    std::u16string_view a(S1), b(S2);
    a = a.substr(0, std::min(a.size(), a.find(NameValueSeparator)));
    b = b.substr(0, std::min(b.size(), b.find(NameValueSeparator)));
    return CompareOrdinal(a, b, CaseSensitive());
}

} // namespace vell
