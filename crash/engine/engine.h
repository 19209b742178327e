// The crash-reporting engine: catches failures that nothing in the program handles - Win32
// structured exceptions and C++ exceptions, on the main thread, in the message loop and on
// other threads - builds a bug report for each and hands it to the registered handler.
// When no handler takes the failure the engine sends the report to the debugger output and
// ends the process with kUnreportedExitCode.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "crash/engine/screenshot.h"

namespace vell::crash {

// Exit code of a process whose failure no handler took.
inline constexpr UINT kUnreportedExitCode = 70;

// One unhandled failure as the handler sees it.
struct Failure {
    std::wstring ClassName;     // "vell::Exception", "EXCEPTION_ACCESS_VIOLATION", ...
    std::wstring Message;       // the failure's own message
    uintptr_t Address = 0;      // where it was raised (0 when unknown)
    DWORD ThreadId = 0;         // the failing thread
    std::wstring ReportText;    // the complete bug report, lines ended by CR LF
    Screenshot Shot;            // the screen at the moment of the failure
    bool ShowPleaseWait = true; // the engine's please-wait box while it handles the failure itself
};

// Called on the failing thread. Setting `handled` means the handler dealt with the failure;
// the engine then ends the process with exit code 0 if the handler did not end it itself.
using Handler = void (*)(Failure& failure, bool& handled);

// Starts catching: structured exceptions reaching the top of any thread, C++ exceptions
// that find no handler, abort(), and failures passed in by HandleCurrentException. Failures on
// threads other than the installing (main) thread are caught once CatchNewThreads was
// called. Idempotent.
void Install();
// Registers the one handler (nullptr removes it).
void SetHandler(Handler handler);
// From now on failures on other threads are caught too.
void CatchNewThreads();

// For catch blocks that must not let a failure pass (window procedures, message loops,
// thread entries): reports the exception being handled as an unhandled failure and ends
// the process.
[[noreturn]] void HandleCurrentException();

// The place of the most recent C++ throw on this thread (0 when the executable was not
// linked with the throw-site hook, see crash/CMakeLists.txt).
uintptr_t LastThrowSite();
void NoteThrowSite(uintptr_t address);

} // namespace vell::crash
