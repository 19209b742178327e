// The product's language module: at start-up it creates the language object (prefix
// "VLR"), loads the language named in Config.ini ([Main] Language, default "English") in
// the product data folder, and fills the common interface texts and the right-to-left
// flag that the product's forms use.
#pragma once
#include "services/language/language.h"

#include <string>

namespace vell {

// Common interface texts; each keeps its English default when the language lacks the key.
struct TCommonTexts {
    std::u16string ButtonCancel, ButtonClose, ButtonContinue, ButtonNo, ButtonOK, ButtonDelete, ButtonClear,
        ButtonYes, ButtonReset, ButtonFinish, ButtonUpdate, ButtonInstall, Details, Exit, Hide, Remove,
        Loading, Checking, Name, NotAgain, TypeSearch, ClearSearch, More;
    // Texts of window caption buttons.
    std::u16string WindowClose, WindowMax, WindowMin, WindowRestore, WindowOptions, WindowBack;
    std::u16string CreateBoxHere, CreateFolderHere, PrivateTitle, ShowPassword, HidePassword, Later, Reboot,
        Apply, ExitBoxInfo, MsgBoxNow;
};

// The language object; null before InitProductLanguage and after FreeProductLanguage.
TLanguage* ProductLanguage();
// Start-up: creates the language object once (language folder: `languageDir`, or the
// program's folder + "Language" when empty), loads the configured language and the
// common texts.
void InitProductLanguage(const std::u16string& productDataFolder, const std::u16string& languageDir = {});
// Shut-down: frees the language object and resets the common texts.
void FreeProductLanguage();

// The "Language" value of [Main] in productDataFolder\Config.ini; "English" when the file
// or the value is missing.
std::u16string ReadConfigLanguage(const std::u16string& productDataFolder);
// Fills the common texts from ProductLanguage (defaults without it) and sets the
// right-to-left flag for the configured language "Arabic" or "Hebrew".
void LoadCommonTexts(const std::u16string& productDataFolder);

const TCommonTexts& CommonTexts();
bool LanguageIsRightToLeft();

} // namespace vell
