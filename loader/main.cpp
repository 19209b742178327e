// VellLoading.exe: the loading companion that Vellhub.exe starts while the product launches
// or re-lays the desktop after a display change.
#include <windows.h>

#include "crash/engine/engine.h"
#include "loader/lib/command_line.h"
#include "loader/lib/entry_point.h"
#include "loader/lib/module_list.h"
#include "loader/lib/startup_signal.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Failures are caught from the first line on; the bridge's handler joins at start-up.
    vell::crash::Install();
    vell::loader::ModuleList modules(vell::loader::LoaderModules());
    modules.Startup();
    vell::loader::SetStartupSignal(L"VELL_STARTUP_SIGNAL");
    vell::loader::RunEntryPoint(vell::loader::SplitCommandLine(::GetCommandLineW()));
    modules.Shutdown();
    return 0;
}
