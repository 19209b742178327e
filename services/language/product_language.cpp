#include "services/language/product_language.h"

#include "core/text/paths.h"
#include "core/text/utf.h"

#include <windows.h>

#include <memory>

namespace vell {

namespace {

std::unique_ptr<TLanguage> gLanguage;
TCommonTexts gTexts;
bool gRightToLeft = false;

// Where each common text comes from: the message table (section null) or a section.
struct CommonText {
    std::u16string TCommonTexts::*field;
    const char16_t* section;
    const char16_t* key;
    const char16_t* english;
};

const CommonText kCommonTexts[] = {
    {&TCommonTexts::ButtonCancel, nullptr, u"Lan_ButtonCancel", u"Cancel"},
    {&TCommonTexts::ButtonClose, nullptr, u"Lan_ButtonClose", u"Close"},
    {&TCommonTexts::ButtonContinue, nullptr, u"Lan_ButtonContinue", u"Continue"},
    {&TCommonTexts::ButtonNo, nullptr, u"Lan_ButtonNo", u"No"},
    {&TCommonTexts::ButtonOK, nullptr, u"Lan_ButtonOK", u"OK"},
    {&TCommonTexts::ButtonDelete, nullptr, u"Lan_ButtonDelete", u"Delete"},
    {&TCommonTexts::ButtonClear, nullptr, u"Lan_ButtonClear", u"Clear"},
    {&TCommonTexts::ButtonYes, nullptr, u"Lan_ButtonYES", u"Yes"},
    {&TCommonTexts::ButtonReset, nullptr, u"Lan_ButtonReset", u"Reset"},
    {&TCommonTexts::ButtonFinish, nullptr, u"Lan_ButtonFinish", u"Finish"},
    {&TCommonTexts::ButtonUpdate, nullptr, u"Lan_ButtonUpdate", u"Update"},
    {&TCommonTexts::ButtonInstall, nullptr, u"Lan_ButtonInstall", u"Install"},
    {&TCommonTexts::Details, nullptr, u"Lan_Details", u"Details"},
    {&TCommonTexts::Exit, nullptr, u"Lan_Exit", u"Exit"},
    {&TCommonTexts::Hide, nullptr, u"M_Hide", u"Hide"},
    {&TCommonTexts::Remove, u"WallPaper", u"Remove_M", u"Remove"},
    {&TCommonTexts::Loading, nullptr, u"Lan_LoadingD", u"Loading..."},
    {&TCommonTexts::Checking, nullptr, u"Lan_CheckingD", u"Checking..."},
    {&TCommonTexts::Name, nullptr, u"Lan_Name", u"Name"},
    {&TCommonTexts::NotAgain, nullptr, u"Lan_Notagain", u"Don't show this again"},
    {&TCommonTexts::TypeSearch, nullptr, u"M_TypeSearch", u"Search"},
    {&TCommonTexts::ClearSearch, nullptr, u"M_ClrSearch", u"Clear Search"},
    {&TCommonTexts::More, nullptr, u"Lan_More", u"More"},
    {&TCommonTexts::WindowClose, nullptr, u"Lan_ButtonClose", u"Close"},
    {&TCommonTexts::WindowMax, nullptr, u"Lan_WindowMax", u"Maximum"},
    {&TCommonTexts::WindowMin, nullptr, u"Lan_WindowMin", u"Minimize"},
    {&TCommonTexts::WindowRestore, nullptr, u"Lan_WindowRest", u"Restore"},
    {&TCommonTexts::WindowOptions, nullptr, u"Lan_WindowOptions", u"Options"},
    {&TCommonTexts::WindowBack, nullptr, u"Lan_WindowBack", u"Back"},
    {&TCommonTexts::CreateBoxHere, nullptr, u"M_CreateBoxHear", u"Create a box here"},
    {&TCommonTexts::CreateFolderHere, nullptr, u"M_CreateFolderHear", u"Create a folder portal here"},
    {&TCommonTexts::PrivateTitle, nullptr, u"M_PrivateTitle", u"Private box"},
    {&TCommonTexts::ShowPassword, nullptr, u"M_ShowPassword", u"Show password"},
    {&TCommonTexts::HidePassword, nullptr, u"M_HidePassword", u"Hide password"},
    {&TCommonTexts::Later, u"VLR_TipWindow", u"cancelBtn", u"Later"},
    {&TCommonTexts::Reboot, u"SendBugReport_M", u"btnLowMem_Reboot.Caption", u"Reboot"},
    {&TCommonTexts::Apply, u"Settings_M", u"Apply_M", u"Apply"},
    {&TCommonTexts::ExitBoxInfo, nullptr, u"M_ExitBoxInfo",
     u"Vellora will close and your desktop boxes will be hidden until it starts again."},
    {&TCommonTexts::MsgBoxNow, u"Settings_M", u"M_MsgBoxNow", u"Now"},
};

} // namespace

TLanguage* ProductLanguage() {
    return gLanguage.get();
}

std::u16string ReadConfigLanguage(const std::u16string& productDataFolder) {
    const std::u16string config = text::IncludeTrailingBackslash(productDataFolder) + u"Config.ini";
    wchar_t buf[1024] = {};
    ::GetPrivateProfileStringW(L"Main", L"Language", L"English", buf, 1024, text::wcs(config));
    return text::fromWide(buf);
}

void LoadCommonTexts(const std::u16string& productDataFolder) {
    for (const auto& t : kCommonTexts) {
        std::u16string value = t.english;
        if (gLanguage)
            value = t.section ? gLanguage->ReadString(t.section, t.key, t.english)
                              : gLanguage->GetM(t.key, t.english);
        gTexts.*t.field = std::move(value);
    }
    const std::u16string configured = ReadConfigLanguage(productDataFolder);
    gRightToLeft = configured == u"Arabic" || configured == u"Hebrew";
}

void InitProductLanguage(const std::u16string& productDataFolder, const std::u16string& languageDir) {
    if (!gLanguage) {
        gLanguage = languageDir.empty() ? std::make_unique<TLanguage>(u"VLR")
                                        : std::make_unique<TLanguage>(u"VLR", languageDir);
        gLanguage->SetLanByName(ReadConfigLanguage(productDataFolder));
    }
    LoadCommonTexts(productDataFolder);
}

void FreeProductLanguage() {
    gLanguage.reset();
    gTexts = TCommonTexts{};
    gRightToLeft = false;
}

const TCommonTexts& CommonTexts() {
    return gTexts;
}

bool LanguageIsRightToLeft() {
    return gRightToLeft;
}

} // namespace vell
