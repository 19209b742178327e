#include "core/skin/class_table.h"

#include "core/color/colors.h"
#include "core/ini/custom_ini_file.h"
#include "core/skin/skin_colors.h"
#include "core/text/strings.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace vell::skin {

namespace {

// Ordinal comparison with ASCII letters folded, as the skin's name lists compare.
struct NoCase {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            char16_t x = a[i], y = b[i];
            if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
            if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

using Sections = std::map<std::u16string, std::unique_ptr<TRdValueStrings>, NoCase>;

std::vector<std::u16string> sortedNames(std::vector<std::u16string> names) {
    std::stable_sort(names.begin(), names.end(), NoCase{});
    return names;
}

} // namespace

struct SkinClassTable::State {
    mutable std::recursive_mutex lock;
    std::map<std::u16string, Sections, NoCase> classes;
};

SkinClassTable::SkinClassTable() : s_(std::make_unique<State>()) {}
SkinClassTable::~SkinClassTable() = default;

void SkinClassTable::Lock() {
    s_->lock.lock();
}
void SkinClassTable::UnLock() {
    s_->lock.unlock();
}

void SkinClassTable::Clear() {
    std::lock_guard guard(s_->lock);
    s_->classes.clear();
}

void SkinClassTable::Merge(TCustomIniFile& ini) {
    std::lock_guard guard(s_->lock);
    for (const std::u16string& section : sortedNames(ini.ReadSections())) {
        const std::u16string className = ini.ReadString(section, u"class", u"");
        auto& slot = s_->classes[className][section];
        const std::vector<std::u16string> lines = ini.ReadSectionValues(section);
        if (!slot) {
            slot = std::make_unique<TRdValueStrings>();
            for (const std::u16string& line : lines)
                slot->Add(line);
            continue;
        }
        slot->MergeLines(lines);
    }
}

void SkinClassTable::LinkParents() {
    std::lock_guard guard(s_->lock);
    for (auto& [className, sections] : s_->classes) {
        for (auto& [name, section] : sections)
            section->Parent = nullptr;
        for (auto& [name, section] : sections) {
            const std::u16string parent = section->GetValue(u"parent");
            if (parent.empty()) continue;
            auto it = sections.find(parent);
            if (it != sections.end() && it->second.get() != section.get()) section->Parent = it->second.get();
        }
    }
}

std::size_t SkinClassTable::ClassCount() const {
    std::lock_guard guard(s_->lock);
    return s_->classes.size();
}

TRdValueStrings* SkinClassTable::Find(std::u16string_view className, std::u16string_view section) const {
    std::lock_guard guard(s_->lock);
    auto c = s_->classes.find(std::u16string(className));
    if (c == s_->classes.end()) return nullptr;
    auto s = c->second.find(std::u16string(section));
    return s == c->second.end() ? nullptr : s->second.get();
}

void SkinClassTable::ForEachSection(
    std::u16string_view className,
    const std::function<void(const std::u16string&, TRdValueStrings&)>& visit) const {
    std::lock_guard guard(s_->lock);
    auto c = s_->classes.find(std::u16string(className));
    if (c == s_->classes.end()) return;
    for (auto& [name, section] : c->second)
        visit(name, *section);
}

void LoadSkinColors(const SkinClassTable& table, TCustomIniFile* colorSettings) {
    // The colour sections are copied out first: the table's lock is never taken while
    // the colour locks, which come after it, are held.
    std::vector<std::pair<std::u16string, std::vector<std::u16string>>> colorSections;
    table.ForEachSection(u"color", [&](const std::u16string& name, TRdValueStrings& section) {
        std::vector<std::u16string> lines;
        for (int i = 0; i < section.Count(); ++i)
            lines.push_back(section.Strings(i));
        colorSections.emplace_back(name, std::move(lines));
    });
    SkinColorLock lock;
    SkinColorNames().Clear();
    SkinColorLoader loader;
    for (const auto& [name, lines] : colorSections)
        loader.AddSection(name, lines, ColorOrder::RGB);
    if (colorSettings) {
        const ColorOrder order =
            text::sameTextAscii(colorSettings->ReadString(u"validate", u"type", u"RGB"), u"BGR")
                ? ColorOrder::BGR
                : ColorOrder::RGB;
        for (const std::u16string& section : sortedNames(colorSettings->ReadSections())) {
            if (text::sameTextAscii(section, u"validate")) continue;
            loader.AddSection(section, colorSettings->ReadSectionValues(section), order);
        }
    }
    loader.ResolveReferences();
}

} // namespace vell::skin
