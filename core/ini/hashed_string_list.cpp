#include "core/ini/hashed_string_list.h"

#include "core/text/strings.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace vell {

// Key -> ascending indexes of the lines with that key.
struct TIniHashedStringList::Index {
    std::unordered_map<std::u16string, std::vector<int>> map;

    void add(std::u16string key, int index) {
        auto& v = map[std::move(key)];
        v.insert(std::upper_bound(v.begin(), v.end(), index), index);
    }
    void remove(const std::u16string& key, int index) {
        auto it = map.find(key);
        if (it == map.end()) return;
        auto& v = it->second;
        auto pos = std::lower_bound(v.begin(), v.end(), index);
        if (pos != v.end() && *pos == index) v.erase(pos);
        if (v.empty()) map.erase(it);
    }
    int first(const std::u16string& key) const {
        auto it = map.find(key);
        return it == map.end() ? -1 : it->second.front();
    }
};

namespace {
struct KeepIndexes {
    bool& flag;
    KeepIndexes(bool& f, bool value) : flag(f) { flag = value; }
    ~KeepIndexes() { flag = false; }
};

bool nameOf(std::u16string_view line, std::u16string_view* name) {
    const size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) return false;
    *name = line.substr(0, eq);
    return true;
}
} // namespace

TIniHashedStringList::TIniHashedStringList() = default;
TIniHashedStringList::~TIniHashedStringList() = default;

std::u16string TIniHashedStringList::KeyOf(std::u16string_view s) const {
    return CaseSensitive() ? std::u16string(s) : text::upperCase(s);
}

int TIniHashedStringList::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    if (CaseSensitive()) return CompareOrdinal(S1, S2, true);
    return CompareOrdinal(text::upperCase(S1), text::upperCase(S2), true);
}

void TIniHashedStringList::Changed() {
    if (!FKeepIndexes) {
        FLines.reset();
        FNames.reset();
    }
    TStringListEx::Changed();
}

void TIniHashedStringList::IndexAdded(int index) {
    const std::u16string& s = Strings(index);
    if (FLines) FLines->add(KeyOf(s), index);
    std::u16string_view name;
    if (FNames && nameOf(s, &name)) FNames->add(KeyOf(name), index);
}

int TIniHashedStringList::AddObject(const std::u16string& S, PtrInt Obj) {
    // Sorted lists insert in the middle, which moves other lines: let Changed drop the indexes.
    KeepIndexes keep(FKeepIndexes, !Sorted());
    const int index = TStringListEx::AddObject(S, Obj);
    if (FKeepIndexes) IndexAdded(index);
    return index;
}

void TIniHashedStringList::Put(int Index, const std::u16string& S) {
    const std::u16string old = Strings(Index);
    {
        KeepIndexes keep(FKeepIndexes, true);
        TStringListEx::Put(Index, S); // raises on a sorted list, before anything changed
    }
    if (FLines) FLines->remove(KeyOf(old), Index);
    std::u16string_view name;
    if (FNames && nameOf(old, &name)) FNames->remove(KeyOf(name), Index);
    IndexAdded(Index);
}

int TIniHashedStringList::IndexOf(const std::u16string& S) {
    if (!FLines) {
        FLines = std::make_unique<Index>();
        for (int i = 0; i < Count(); ++i)
            FLines->add(KeyOf(Strings(i)), i);
    }
    return FLines->first(KeyOf(S));
}

int TIniHashedStringList::IndexOfName(const std::u16string& Name) {
    if (!FNames) {
        FNames = std::make_unique<Index>();
        for (int i = 0; i < Count(); ++i) {
            std::u16string_view n;
            if (nameOf(Strings(i), &n)) FNames->add(KeyOf(n), i);
        }
    }
    return FNames->first(KeyOf(Name));
}

void TIniHashedStringList::SetCaseSensitive(bool Value) {
    if (Value == CaseSensitive()) return;
    TStringListEx::SetCaseSensitive(Value);
    FLines.reset();
    FNames.reset();
}

} // namespace vell
