// Signals for the start-up benchmarks: when the environment variable `variable` names an
// event, the event is set. The loader sets VELL_STARTUP_SIGNAL once module start-up is
// done and VELL_SHOWN_SIGNAL once its box is on the screen; the benchmarks' yardstick
// programs set the same events at their equivalent moments.
#pragma once
#include <windows.h>

namespace vell::loader {

inline void SetStartupSignal(const wchar_t* variable) {
    wchar_t name[128];
    DWORD n = ::GetEnvironmentVariableW(variable, name, 128);
    if (n == 0 || n >= 128) return;
    if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
        ::SetEvent(event);
        ::CloseHandle(event);
    }
}

} // namespace vell::loader
