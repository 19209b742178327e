// Helper of the kill-anywhere test, ended from outside at a random moment:
//   kill_churn FOLDER SKIN-FOLDER    (folders without a trailing backslash)
// starts the image engine, the resource packages and the skin styles as the loader does,
// then until it is ended writes log lines to FOLDER\churn.log (small enough that the log
// rotates into its backups), saves FOLDER\settings.ini as version 0 and 1 in turn, and
// switches a skin style between the packages black.dll and black2.dll of SKIN-FOLDER.
#include "churn_content.h"

#include "core/text/paths.h"
#include "core/text/utf.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/library.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "services/log/log.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <string>

using namespace vell;

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 64;
    const std::u16string folder = text::IncludeTrailingBackslash(text::fromWide(argv[1]));
    const std::u16string skin = text::IncludeTrailingBackslash(text::fromWide(argv[2]));
    SetLogFileName(folder + u"churn.log");
    LogManager().SetFileSizeMax(4 * 1024);
    LogManager().SetBakLogCount(2);
    image::StartImageEngine();
    rd::RegisterPictureFormats();
    rd::StartResourceModule();
    rd::LoadWebResLibrary(text::ExtractFilePath(text::ExcludeTrailingBackslash(skin)));
    rd::StartSkinnedLibrary();
    rd::SetSkinStyleMessage(nullptr);

    auto* form = new tk::TForm(tk::Application());
    std::string skinPath;
    for (char16_t c : text::ExcludeTrailingBackslash(skin))
        skinPath += char(c);
    form->ReadDescription(
        "object f: TForm\n object style: TRdSkinStyle\n  MainSkin = True\n  RuntimePath = '" + skinPath +
        "'\n  SkinRccFile = 'black.dll'\n end\nend");
    auto* style = dynamic_cast<rd::TRdSkinStyle*>(form->FindComponent("style"));
    for (int round = 0;; ++round) {
        for (int i = 0; i < 20; ++i)
            WriteLogLine(u"churn round " + text::u16(std::to_string(round)) + u" line " +
                         text::u16(std::to_string(i)) +
                         u": \u00e9\u4e2d\U0001F600 and some more text to fill it");
        {
            TSafeIniFile ini(folder + u"settings.ini");
            churn::WriteVersion(ini, round % 2);
            ini.UpdateFile();
        }
        if (style) style->SetSkinRccFile(round % 2 ? u"black2.dll" : u"black.dll");
    }
}
