#include "core/skin/value_strings.h"

#include <algorithm>

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
        if (!FNameHash) FNameHash = std::make_unique<TStringHash>(256);
        else FNameHash->Clear();
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

std::vector<TRdValueStrings*> TRdValueStrings::Ancestors() {
    std::vector<TRdValueStrings*> chain;
    for (TRdValueStrings* p = Parent; p && p != this; p = p->Parent) {
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
    Dest.BeginUpdate();
    Dest.Clear();
    for (int i = 0; i < Count(); ++i) Dest.AddObject(Strings(i), Objects(i));
    for (TRdValueStrings* p : Ancestors()) {
        if (Dest.Sorted()) {
            for (int i = 0; i < p->Count(); ++i) Dest.AddObject(p->Strings(i), p->Objects(i));
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

} // namespace vell::skin
