#include "core/ini/ini_sections.h"

#include "core/text/codec.h"
#include "core/text/strings.h"

#include <utility>

namespace vell {

using text::trim;

namespace {
bool splitAtEquals(std::u16string_view line, std::u16string_view* name, std::u16string_view* value) {
    const size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) return false;
    *name = line.substr(0, eq);
    *value = line.substr(eq + 1);
    return true;
}
} // namespace

TIniSections::TIniSections() : list_(std::make_unique<TIniHashedStringList>()) {}

TIniSections::~TIniSections() {
    if (list_) Clear();
}

TIniSections::TIniSections(TIniSections&& o) noexcept
    : list_(std::exchange(o.list_, std::make_unique<TIniHashedStringList>())) {}

TIniSections& TIniSections::operator=(TIniSections&& o) noexcept {
    if (this != &o) {
        Clear();
        std::swap(list_, o.list_);
    }
    return *this;
}

TIniHashedStringList& TIniSections::Lines(int index) const {
    return *reinterpret_cast<TIniHashedStringList*>(list_->Objects(index));
}

int TIniSections::Add(const std::u16string& section) {
    auto lines = std::make_unique<TIniHashedStringList>();
    lines->SetCaseSensitive(CaseSensitive());
    const int index = list_->AddObject(section, reinterpret_cast<PtrInt>(lines.get()));
    lines.release();
    return index;
}

void TIniSections::Delete(int index) {
    std::unique_ptr<TIniHashedStringList> lines(&Lines(index));
    list_->Delete(index);
}

void TIniSections::Clear() {
    for (int i = 0; i < Count(); ++i)
        delete &Lines(i);
    list_->Clear();
}

void TIniSections::SetCaseSensitive(bool value) {
    list_->SetCaseSensitive(value);
    for (int i = 0; i < Count(); ++i)
        Lines(i).SetCaseSensitive(value);
}

void TIniSections::SetStrings(const std::vector<std::u16string>& lines, const LineVisitor& visit) {
    Clear();
    TIniHashedStringList* current = nullptr;
    int section = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string_view line = trim(lines[i]);
        if (line.empty() || line.front() == u';') continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            section = Add(std::u16string(trim(line.substr(1, line.size() - 2))));
            current = &Lines(section);
            if (visit) visit(i, section, -1);
            continue;
        }
        if (!current) continue;
        std::u16string_view name, value;
        const int added = splitAtEquals(line, &name, &value)
                              ? current->AddStr(MakeLine(trim(name), trim(value)))
                              : current->AddStr(std::u16string(line));
        if (visit) visit(i, section, added);
    }
}

void TIniSections::SetText(std::u16string_view text) {
    SetStrings(text::splitLines(text));
}

void TIniSections::SetBytes(std::span<const uint8_t> bytes) {
    SetText(text::decodeText(bytes));
}

std::vector<std::u16string> TIniSections::GetStrings() const {
    std::vector<std::u16string> out;
    for (int i = 0; i < Count(); ++i) {
        out.push_back(u"[" + Name(i) + u"]");
        const auto& lines = Lines(i);
        for (int k = 0; k < lines.Count(); ++k)
            out.push_back(lines.Strings(k));
        out.emplace_back();
    }
    return out;
}

std::u16string TIniSections::GetText() const {
    std::u16string out;
    for (const auto& line : GetStrings()) {
        out += line;
        out += u"\r\n";
    }
    return out;
}

std::u16string TIniSections::MakeLine(std::u16string_view ident, std::u16string_view value) {
    std::u16string line;
    line.reserve(ident.size() + 1 + value.size());
    line.append(ident).append(u"=").append(value);
    return line;
}

bool TIniSections::Find(std::u16string_view section, std::u16string_view ident, std::u16string* value) const {
    const int s = IndexOf(section);
    if (s < 0) return false;
    auto& lines = Lines(s);
    const int k = lines.IndexOfName(ident);
    if (k < 0) return false;
    if (value) *value = lines.ValueFromIndex(k);
    return true;
}

void TIniSections::Write(std::u16string_view section, std::u16string_view ident, std::u16string_view value) {
    int s = IndexOf(section);
    if (s < 0) s = Add(std::u16string(section));
    auto& lines = Lines(s);
    const int k = lines.IndexOfName(ident);
    if (k < 0)
        lines.AddStr(MakeLine(ident, value));
    else
        lines.Put(k, MakeLine(ident, value));
}

bool TIniSections::DeleteKey(std::u16string_view section, std::u16string_view ident) {
    const int s = IndexOf(section);
    if (s < 0) return false;
    auto& lines = Lines(s);
    const int k = lines.IndexOfName(ident);
    if (k < 0) return false;
    lines.Delete(k);
    return true;
}

bool TIniSections::Erase(std::u16string_view section) {
    bool any = false;
    for (int s = IndexOf(section); s >= 0; s = IndexOf(section)) {
        Delete(s);
        any = true;
    }
    return any;
}

std::vector<std::u16string> TIniSections::SectionNames() const {
    std::vector<std::u16string> out;
    for (int i = 0; i < Count(); ++i)
        out.push_back(Name(i));
    return out;
}

std::vector<std::u16string> TIniSections::SectionKeys(std::u16string_view section) const {
    std::vector<std::u16string> out;
    for (const auto& line : SectionLines(section)) {
        std::u16string_view name, value;
        if (splitAtEquals(line, &name, &value)) out.emplace_back(name);
    }
    return out;
}

std::vector<std::u16string> TIniSections::SectionLines(std::u16string_view section) const {
    std::vector<std::u16string> out;
    const int s = IndexOf(section);
    if (s < 0) return out;
    const auto& lines = Lines(s);
    for (int k = 0; k < lines.Count(); ++k)
        out.push_back(lines.Strings(k));
    return out;
}

} // namespace vell
