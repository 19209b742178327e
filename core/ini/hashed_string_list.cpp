#include "core/ini/hashed_string_list.h"

#include "core/text/strings.h"

#include <algorithm>
#include <cassert>
#include <unordered_map>

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

TIniHashedStringList::TIniHashedStringList() = default;
TIniHashedStringList::~TIniHashedStringList() = default;
TIniHashedStringList::TIniHashedStringList(TIniHashedStringList&&) noexcept = default;
TIniHashedStringList& TIniHashedStringList::operator=(TIniHashedStringList&&) noexcept = default;

const std::u16string& TIniHashedStringList::Strings(int index) const {
    assert(index >= 0 && index < Count());
    return items_[static_cast<size_t>(index)].str;
}

TIniHashedStringList* TIniHashedStringList::Objects(int index) const {
    assert(index >= 0 && index < Count());
    return items_[static_cast<size_t>(index)].obj.get();
}

bool TIniHashedStringList::SplitNameValue(std::u16string_view line, std::u16string_view* name,
                                          std::u16string_view* value) {
    const size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) return false;
    if (name) *name = line.substr(0, eq);
    if (value) *value = line.substr(eq + 1);
    return true;
}

std::u16string TIniHashedStringList::ValueFromIndex(int index) const {
    std::u16string_view value;
    return SplitNameValue(Strings(index), nullptr, &value) ? std::u16string(value) : std::u16string();
}

std::u16string TIniHashedStringList::keyOf(std::u16string_view s) const {
    return caseSensitive_ ? std::u16string(s) : text::upperCase(s);
}

void TIniHashedStringList::indexAdded(int index) const {
    const std::u16string& s = items_[static_cast<size_t>(index)].str;
    if (lines_) lines_->add(keyOf(s), index);
    std::u16string_view name;
    if (names_ && SplitNameValue(s, &name, nullptr)) names_->add(keyOf(name), index);
}

void TIniHashedStringList::invalidate() const {
    lines_.reset();
    names_.reset();
}

int TIniHashedStringList::AddObject(std::u16string s, std::unique_ptr<TIniHashedStringList> obj) {
    if (obj) obj->SetCaseSensitive(caseSensitive_);
    items_.push_back({std::move(s), std::move(obj)});
    const int index = Count() - 1;
    indexAdded(index);
    return index;
}

int TIniHashedStringList::AddStr(std::u16string s) { return AddObject(std::move(s), nullptr); }

void TIniHashedStringList::Put(int index, std::u16string s) {
    assert(index >= 0 && index < Count());
    std::u16string& old = items_[static_cast<size_t>(index)].str;
    if (lines_) lines_->remove(keyOf(old), index);
    std::u16string_view name;
    if (names_ && SplitNameValue(old, &name, nullptr)) names_->remove(keyOf(name), index);
    old = std::move(s);
    indexAdded(index);
}

void TIniHashedStringList::Insert(int index, std::u16string s) {
    assert(index >= 0 && index <= Count());
    items_.insert(items_.begin() + index, Item{std::move(s), nullptr});
    invalidate();
}

void TIniHashedStringList::Delete(int index) {
    assert(index >= 0 && index < Count());
    items_.erase(items_.begin() + index);
    invalidate();
}

void TIniHashedStringList::Clear() {
    items_.clear();
    invalidate();
}

int TIniHashedStringList::IndexOf(std::u16string_view s) const {
    if (!lines_) {
        lines_ = std::make_unique<Index>();
        for (int i = 0; i < Count(); ++i) lines_->add(keyOf(items_[static_cast<size_t>(i)].str), i);
    }
    return lines_->first(keyOf(s));
}

int TIniHashedStringList::IndexOfName(std::u16string_view name) const {
    if (!names_) {
        names_ = std::make_unique<Index>();
        for (int i = 0; i < Count(); ++i) {
            std::u16string_view n;
            if (SplitNameValue(items_[static_cast<size_t>(i)].str, &n, nullptr)) names_->add(keyOf(n), i);
        }
    }
    return names_->first(keyOf(name));
}

void TIniHashedStringList::SetCaseSensitive(bool value) {
    for (auto& item : items_)
        if (item.obj) item.obj->SetCaseSensitive(value);
    if (caseSensitive_ == value) return;
    caseSensitive_ = value;
    invalidate();
}

} // namespace vell
