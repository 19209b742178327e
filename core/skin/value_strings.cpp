#include "core/skin/value_strings.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vell::skin {

namespace {

std::u16string_view namePart(const std::u16string& line, char16_t separator) {
    const std::size_t sep = line.find(separator);
    return sep == std::u16string::npos ? std::u16string_view(line) : std::u16string_view(line).substr(0, sep);
}

} // namespace

TRdValueStrings::TRdValueStrings() = default;
TRdValueStrings::~TRdValueStrings() = default;

std::u16string TRdValueStrings::HashKey(std::u16string_view name) const {
    std::u16string key(name);
    if (!CaseSensitive())
        for (char16_t& c : key)
            if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    return key;
}

void TRdValueStrings::Changed() {
    TStringListEx::Changed();
    FNameHashValid = false;
}

int TRdValueStrings::IndexOfName(const std::u16string& Name) {
    if (!FNameHashValid || FNameHashCaseSensitive != CaseSensitive()) {
        if (!FNameHash)
            FNameHash = std::make_unique<TStringHash>(256);
        else
            FNameHash->Clear();
        for (int i = 0; i < Count(); ++i) {
            const std::u16string key = HashKey(namePart(Strings(i), NameValueSeparator));
            if (!FNameHash->Find(key)) FNameHash->Add(key, i); // the first line of a name answers
        }
        FNameHashValid = true;
        FNameHashCaseSensitive = CaseSensitive();
    }
    PtrInt index = -1;
    return FNameHash->Find(HashKey(Name), nullptr, &index) ? int(index) : -1;
}

int TRdValueStrings::IndexOf(const std::u16string& S) {
    return IndexOfName(std::u16string(namePart(S, NameValueSeparator)));
}

void TRdValueStrings::MergeLines(const std::vector<std::u16string>& lines) {
    // The names are kept aside while merging: looking each one up through the hash would
    // rebuild it after every change.
    std::unordered_map<std::u16string, int> index;
    for (int i = 0; i < Count(); ++i)
        index.emplace(HashKey(namePart(Strings(i), NameValueSeparator)), i);
    BeginUpdate();
    for (const std::u16string& line : lines) {
        auto [it, fresh] = index.emplace(HashKey(namePart(line, NameValueSeparator)), Count());
        if (fresh)
            Add(line);
        else
            Put(it->second, line);
    }
    EndUpdate();
}

std::vector<TRdValueStrings*> TRdValueStrings::Ancestors() {
    // The chain is short (at most kMaxInheritance sections): a linear check for a loop is
    // cheaper than a set, and name lookups walk it often.
    std::vector<TRdValueStrings*> chain;
    for (TRdValueStrings* p = Parent; p && p != this && int(chain.size()) < kMaxInheritance; p = p->Parent) {
        if (std::find(chain.begin(), chain.end(), p) != chain.end()) break;
        chain.push_back(p);
    }
    return chain;
}

std::u16string TRdValueStrings::GetValue(const std::u16string& Name) {
    int index = IndexOfName(Name);
    if (index >= 0) return ValueFromIndex(index);
    for (TRdValueStrings* p : Ancestors()) {
        index = p->IndexOfName(Name);
        if (index >= 0) return p->ValueFromIndex(index);
    }
    return {};
}

void TRdValueStrings::AssignTo(TStringList& Dest) {
    if (&Dest == this) return;
    if (auto* sections = dynamic_cast<TRdValueStrings*>(&Dest)) {
        AssignToSection(*sections);
        return;
    }
    Dest.BeginUpdate();
    Dest.Clear();
    for (int i = 0; i < Count(); ++i)
        Dest.AddObject(Strings(i), Objects(i));
    for (TRdValueStrings* p : Ancestors()) {
        if (Dest.Sorted()) {
            for (int i = 0; i < p->Count(); ++i)
                Dest.AddObject(p->Strings(i), p->Objects(i));
            continue;
        }
        for (int i = p->Count() - 1; i >= 0; --i) {
            const std::u16string& line = p->Strings(i);
            if (Dest.IndexOfName(std::u16string(namePart(line, p->NameValueSeparator))) < 0)
                Dest.InsertObject(0, line, p->Objects(i));
        }
    }
    Dest.EndUpdate();
}

// The same result as the general form, with the names Dest already has kept in a set:
// inserting one line at a time at the front and looking each name up again costs the
// square of the lines for every section.
void TRdValueStrings::AssignToSection(TRdValueStrings& Dest) {
    struct Line {
        const std::u16string* text;
        PtrInt object;
    };
    std::vector<Line> own;
    for (int i = 0; i < Count(); ++i)
        own.push_back(Line{&Strings(i), Objects(i)});
    const std::vector<TRdValueStrings*> ancestors = Ancestors();
    std::vector<std::vector<Line>> inherited(ancestors.size());
    if (!Dest.Sorted()) {
        std::unordered_set<std::u16string> names;
        for (const Line& l : own)
            names.insert(Dest.HashKey(namePart(*l.text, Dest.NameValueSeparator)));
        for (std::size_t a = 0; a < ancestors.size(); ++a) {
            TRdValueStrings& p = *ancestors[a];
            for (int i = p.Count() - 1; i >= 0; --i)
                if (names.insert(Dest.HashKey(namePart(p.Strings(i), p.NameValueSeparator))).second)
                    inherited[a].push_back(Line{&p.Strings(i), p.Objects(i)});
            std::reverse(inherited[a].begin(), inherited[a].end());
        }
    }
    // Copies first: Dest may be one of the ancestors.
    std::vector<std::pair<std::u16string, PtrInt>> lines;
    if (Dest.Sorted()) {
        for (const Line& l : own)
            lines.emplace_back(*l.text, l.object);
        for (TRdValueStrings* p : ancestors)
            for (int i = 0; i < p->Count(); ++i)
                lines.emplace_back(p->Strings(i), p->Objects(i));
    } else {
        for (std::size_t a = inherited.size(); a-- > 0;)
            for (const Line& l : inherited[a])
                lines.emplace_back(*l.text, l.object);
        for (const Line& l : own)
            lines.emplace_back(*l.text, l.object);
    }
    Dest.BeginUpdate();
    Dest.Clear();
    for (auto& [text, object] : lines)
        Dest.AddObject(text, object);
    Dest.EndUpdate();
}

} // namespace vell::skin
