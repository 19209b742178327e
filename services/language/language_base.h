// Language tables. A language is an INI-structured ".lng" file in the language folder,
// named after the language. The language object owns the loaded file and answers
// look-ups by section and key with a caller-given default; section prefix + "_M" is also
// kept as a hashed message table for GetM. Missing languages fall back to "English";
// without that file every look-up gives its default.
//
// Translating whole forms (ApplyLan) walks the components a form owns and reads the section
// prefix + "_" + form name with keys made of component names; what each component takes is
// decided by the per-component hook, which does nothing here (TLanguage has the rules).
#pragma once
#include "core/containers/string_list.h"
#include "core/ini/hashed_string_list.h"
#include "services/ini/ext_ini_file.h"

#include <memory>
#include <string>
#include <vector>

namespace vell {
namespace tk {
class TComponent;
}

class TLanguageBase {
  public:
    // The language folder is the program's folder + "Language".
    explicit TLanguageBase(const std::u16string& Prefix);
    TLanguageBase(const std::u16string& Prefix, const std::u16string& Dir);
    virtual ~TLanguageBase();
    TLanguageBase(const TLanguageBase&) = delete;
    TLanguageBase& operator=(const TLanguageBase&) = delete;

    // Uses another folder and rescans its languages (with display names when asked).
    void SetLanDir(const std::u16string& Dir, bool LoadRealName);
    // Loads Dir\name.lng, or English when that file is missing; nothing changes when
    // English is missing too.
    void SetLanByName(const std::u16string& name);
    // Loads the language whose display name is RealName (without case); nothing when unknown.
    void SetLanByRealName(const std::u16string& RealName);

    const std::vector<std::u16string>& GetLanNames();
    const std::vector<std::u16string>& GetLanRealNames();
    const std::u16string& GetCurrentLan() const { return CurrentLan; }
    const std::u16string& GetCurrentRealLan() const { return CurrentRealLan; }
    const std::u16string& GetDir() const { return Dir; }
    const std::u16string& GetPrefix() const { return Prefix; }

    // The message table's value, empty when the name is missing.
    std::u16string GetM(const std::u16string& name);
    // The value, or Default when the name is missing (a present empty value stays empty).
    std::u16string GetM(const std::u16string& name, const std::u16string& Default);
    TIniHashedStringList& GetMList() { return *hash; }
    // A new list of the section's lines; empty when the section is missing.
    std::unique_ptr<TStringListEx> GetLanMessage(const std::u16string& Section);

    // The value from the loaded file, or Default; every "<br>" (any case) becomes CR LF.
    std::u16string ReadString(const std::u16string& Section, const std::u16string& Name,
                              const std::u16string& Default);

    // Applies the texts to one form: the hook for every component it owns, with the section
    // prefix + "_" + form name. A form without a name is left alone.
    virtual void ApplyLan(tk::TComponent* form);
    // Applies the texts to every component the application object owns (its forms). The
    // application is passed in because the UI framework sits above this layer.
    void ApplyLanAll(tk::TComponent* Application);

  protected:
    virtual void ApplyLanComponent(const std::u16string& Section, tk::TComponent* Component) {}
    // The section of a form's texts: prefix + "_" + form name.
    std::u16string FormSection(const std::u16string& FormName) const { return Prefix + u"_" + FormName; }
    // Reads the key component name + suffix (".Caption", ".Hint", ".Items[3].Caption", ...),
    // with the component's current text as default.
    std::u16string ReadComponentText(const std::u16string& Section, const std::u16string& ComponentName,
                                     const std::u16string& Suffix, const std::u16string& Current) {
        return ReadString(Section, ComponentName + Suffix, Current);
    }

    std::u16string Dir;
    std::u16string CurrentLan;
    std::u16string CurrentRealLan;
    std::vector<std::u16string> LanNames;
    std::vector<std::u16string> LanRealNames;
    std::unique_ptr<TIniHashedStringList> hash;
    std::unique_ptr<TExtIniFile> MemIni;
    std::u16string Prefix;

  private:
    std::u16string FileOf(const std::u16string& name) const;
};

} // namespace vell
