// One loader per logon session, kept by the named mutex "Vellora_Loading".
#pragma once
#include <windows.h>

namespace vell::loader {

inline constexpr const wchar_t* kInstanceMutexName = L"Vellora_Loading";

// Opens or creates the mutex `name`. Returns its handle, owned by this process from now on,
// when no other process holds it; nullptr when another one does or the mutex cannot be made.
HANDLE AcquireInstanceMutex(const wchar_t* name);

// Returns with the mutex owned for the rest of the process, or ends the process at once
// with exit code 0 (no clean-up, no window, no log line).
void CheckSingleInstance();

} // namespace vell::loader
