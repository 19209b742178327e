#include "services/language/language_base.h"

#include "core/component/classes.h"
#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

#include <windows.h>

namespace vell {

namespace {

// A language name is a plain file name: one that reaches into other folders is no language.
bool isPlainName(const std::u16string& name) {
    return name.find_first_of(u"\\/:") == std::u16string::npos && name != u"." && name != u"..";
}

} // namespace

TLanguageBase::TLanguageBase(const std::u16string& APrefix)
    : TLanguageBase(APrefix, text::ExtractFilePath(win::ModuleFileName()) + u"Language") {}

TLanguageBase::TLanguageBase(const std::u16string& APrefix, const std::u16string& ADir)
    : Dir(text::ExcludeTrailingBackslash(ADir)), hash(std::make_unique<TIniHashedStringList>()),
      MemIni(std::make_unique<TExtIniFile>()), Prefix(APrefix) {}

TLanguageBase::~TLanguageBase() = default;

std::u16string TLanguageBase::FileOf(const std::u16string& name) const {
    return Dir + u"\\" + name + u".lng";
}

void TLanguageBase::SetLanDir(const std::u16string& ADir, bool LoadRealName) {
    Dir = text::ExcludeTrailingBackslash(ADir);
    LanNames.clear();
    LanRealNames.clear();
    WIN32_FIND_DATAW fd;
    win::UniqueFindHandle find(::FindFirstFileW(text::wcs(Dir + u"\\*.lng"), &fd));
    if (!find) return;
    do {
        const std::u16string file = text::fromWide(fd.cFileName);
        // The pattern also matches longer extensions through short names; take ".lng" only.
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || file.size() < 4 ||
            !text::sameTextAscii(std::u16string_view(file).substr(file.size() - 4), u".lng"))
            continue;
        const std::u16string name = file.substr(0, file.size() - 4);
        LanNames.push_back(name);
        if (LoadRealName) {
            TExtIniFile scratch(Dir + u"\\" + file);
            LanRealNames.push_back(scratch.ReadString(u"Main", u"DisplayName", name));
        }
    } while (::FindNextFileW(find.get(), &fd));
}

void TLanguageBase::SetLanByName(const std::u16string& name) {
    std::u16string use = name;
    if (!isPlainName(use) || !win::FileExists(FileOf(use))) use = u"English";
    if (!win::FileExists(FileOf(use))) return;
    CurrentLan = use;
    CurrentRealLan.clear();
    MemIni->LoadFromFile(FileOf(use)); // a file that cannot be read leaves the earlier texts
    CurrentRealLan = ReadString(u"Main", u"DisplayName", CurrentLan);
    hash->Clear();
    for (const auto& line : MemIni->ReadSectionValues(Prefix + u"_M"))
        hash->AddStr(line);
}

void TLanguageBase::SetLanByRealName(const std::u16string& RealName) {
    if (LanNames.empty() || LanRealNames.empty()) SetLanDir(Dir, true);
    for (size_t i = 0; i < LanRealNames.size(); ++i)
        if (text::sameText(LanRealNames[i], RealName)) {
            if (i < LanNames.size()) SetLanByName(LanNames[i]);
            return;
        }
}

const std::vector<std::u16string>& TLanguageBase::GetLanNames() {
    if (LanNames.empty() && LanRealNames.empty()) SetLanDir(Dir, false);
    return LanNames;
}

const std::vector<std::u16string>& TLanguageBase::GetLanRealNames() {
    if (LanNames.empty() || LanRealNames.empty()) SetLanDir(Dir, true);
    return LanRealNames;
}

std::u16string TLanguageBase::GetM(const std::u16string& name) {
    return GetM(name, u"");
}

std::u16string TLanguageBase::GetM(const std::u16string& name, const std::u16string& Default) {
    const int i = hash->IndexOfName(name);
    return i < 0 ? Default : hash->ValueFromIndex(i);
}

std::unique_ptr<TStringListEx> TLanguageBase::GetLanMessage(const std::u16string& Section) {
    auto list = std::make_unique<TStringListEx>();
    for (const auto& line : MemIni->ReadSectionValues(Section))
        list->Add(line);
    return list;
}

std::u16string TLanguageBase::ReadString(const std::u16string& Section, const std::u16string& Name,
                                         const std::u16string& Default) {
    return text::replaceAsciiNoCase(MemIni->ReadString(Section, Name, Default), u"<br>", u"\r\n");
}

} // namespace vell

namespace vell {

void TLanguageBase::ApplyLan(tk::TComponent* form) {
    if (!form || form->Name().empty()) return;
    const std::u16string section = FormSection(text::utf8ToUtf16(form->Name()));
    for (int i = 0; i < form->ComponentCount(); ++i)
        ApplyLanComponent(section, form->Components(i));
}

void TLanguageBase::ApplyLanAll(tk::TComponent* Application) {
    if (!Application) return;
    for (int i = 0; i < Application->ComponentCount(); ++i)
        ApplyLan(Application->Components(i));
}

} // namespace vell
