#include "loader/lib/single_instance.h"

namespace vell::loader {

HANDLE AcquireInstanceMutex(const wchar_t* name) {
    if (HANDLE existing = ::OpenMutexW(READ_CONTROL, FALSE, name)) {
        ::CloseHandle(existing);
        return nullptr;
    }
    HANDLE mine = ::CreateMutexW(nullptr, TRUE, name);
    if (!mine) return nullptr;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another loader made it between our two calls.
        ::CloseHandle(mine);
        return nullptr;
    }
    return mine;
}

void CheckSingleInstance() {
    // The handle stays open until the process ends: holding it is the whole point.
    static HANDLE held = AcquireInstanceMutex(kInstanceMutexName);
    if (!held) ::TerminateProcess(::GetCurrentProcess(), 0);
}

} // namespace vell::loader
