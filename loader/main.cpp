// VellLoading.exe: the loading companion that Vellhub.exe starts while the product launches
// or re-lays the desktop after a display change.
#include <windows.h>

#include "crash/engine/engine.h"
#include "loader/lib/command_line.h"
#include "loader/lib/entry_point.h"
#include "loader/lib/module_list.h"

namespace {

// When the variable VELL_STARTUP_SIGNAL names an event, the event is set once module
// start-up is done; the start-up benchmark measures up to that point.
void signalStartupDone() {
    wchar_t name[128];
    DWORD n = ::GetEnvironmentVariableW(L"VELL_STARTUP_SIGNAL", name, 128);
    if (n == 0 || n >= 128) return;
    if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
        ::SetEvent(event);
        ::CloseHandle(event);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Failures are caught from the first line on; the bridge's handler joins at start-up.
    vell::crash::Install();
    vell::loader::ModuleList modules(vell::loader::LoaderModules());
    modules.Startup();
    signalStartupDone();
    vell::loader::RunEntryPoint(vell::loader::SplitCommandLine(::GetCommandLineW()));
    modules.Shutdown();
    return 0;
}
