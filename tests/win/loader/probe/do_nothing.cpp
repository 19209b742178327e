// The yardstick of the start-up benchmark: a 32-bit program built like the loader that
// does nothing but say it has started (the loader's start-up signal) and end.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t name[128];
    DWORD n = ::GetEnvironmentVariableW(L"VELL_STARTUP_SIGNAL", name, 128);
    if (n > 0 && n < 128) {
        if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
            ::SetEvent(event);
            ::CloseHandle(event);
        }
    }
    return 0;
}
