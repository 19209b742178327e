// The yardstick of the start-up benchmark: a 32-bit program built like the loader that
// does nothing but say it has started (the loader's start-up signal) and end.
#include "loader/lib/startup_signal.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vell::loader::SetStartupSignal(L"VELL_STARTUP_SIGNAL");
    return 0;
}
