#include "loader/lib/loading_box.h"
#include "loader/lib/loading_box_form.h"
#include "platform/win/environment.h"
#include "toolkit/stdctrls.h"

namespace vell::loader {

void RunLoadingBox(const std::wstring& argument2) {
    tk::TApplication* app = tk::Application();
    app->Initialize();
    // The hidden application window, not the box, owns the taskbar entry (and hides it).
    app->SetMainFormOnTaskBar(false);
    app->CreateForm<Tfrm_LoadingBox>()->SetArgument2(text::fromWide(argument2));
    app->Run();
    tk::FreeApplication();
}

} // namespace vell::loader
