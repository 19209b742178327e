// The engine's catching and dispatching. Sections:
//   state          - the handler, the main thread and the one-failure-at-a-time guard
//   dispatch       - building the Failure, calling the handler, the engine's own handling
//   catching       - the unhandled-exception filter and the terminate handler
#include "crash/engine/engine.h"

#include "core/text/utf.h"
#include "crash/engine/report.h"
#include "crash/engine/stack_walk.h"
#include "platform/diag/seh_guard.h"
#include "platform/win/handles.h"

#include <cxxabi.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>

namespace vell::crash {

namespace {

// ---- state ----

std::atomic<Handler> g_handler{nullptr};
std::atomic<bool> g_installed{false};
std::atomic<bool> g_catchThreads{false};
DWORD g_mainThread = 0;
std::atomic<DWORD> g_reportingThread{0};
std::terminate_handler g_previousTerminate = nullptr;
thread_local uintptr_t t_lastThrowSite = 0;

// Messages are UTF-8 in this program; other bytes are taken in the ANSI code page.
std::wstring widen(const char* bytes) {
    if (!bytes) return {};
    if (text::isValidUtf8(bytes)) return text::toWide(text::utf8ToUtf16(bytes));
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(size_t(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes, -1, w.data(), n);
    w.resize(size_t(n - 1));
    return w;
}

std::wstring demangle(const std::type_info* type) {
    if (!type) return L"unknown";
    int status = 0;
    char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    std::wstring result = widen(status == 0 && name ? name : type->name());
    std::free(name);
    return result;
}

// ---- dispatch ----

struct PendingFailure {
    std::wstring className;
    std::wstring message;
    uintptr_t address = 0;
    ThreadStack stack;
    DWORD threadId = 0;
};

// True when this thread may report now. A failure raised while this thread is already
// reporting ends the process at once; a second thread that fails meanwhile waits for the
// first report to end the process.
bool enterReporting() {
    DWORD me = ::GetCurrentThreadId();
    DWORD expected = 0;
    if (g_reportingThread.compare_exchange_strong(expected, me)) return true;
    if (expected == me) ::TerminateProcess(::GetCurrentProcess(), kUnreportedExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

bool caughtOnThisThread(DWORD threadId) {
    return threadId == g_mainThread || g_catchThreads.load();
}

// The engine's own handling: the report goes to the debugger output and the process ends.
[[noreturn]] void handleItself(const Failure& failure) {
    if (failure.ShowPleaseWait) {
        // The please-wait box covers the time the engine spends on its own handling. It is a
        // plain static window; nothing waits for the user.
        HWND box = ::CreateWindowExW(
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"Please wait...",
            WS_POPUP | WS_BORDER | SS_CENTER | SS_CENTERIMAGE, ::GetSystemMetrics(SM_CXSCREEN) / 2 - 120,
            ::GetSystemMetrics(SM_CYSCREEN) / 2 - 30, 240, 60, nullptr, nullptr, nullptr, nullptr);
        if (box) {
            ::ShowWindow(box, SW_SHOWNOACTIVATE);
            ::UpdateWindow(box);
        }
    }
    ::OutputDebugStringW(L"Unhandled failure, not reported:\r\n");
    const std::wstring& text = failure.ReportText;
    for (size_t at = 0; at < text.size(); at += 4000)
        ::OutputDebugStringW(text.substr(at, 4000).c_str());
    ::TerminateProcess(::GetCurrentProcess(), kUnreportedExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

[[noreturn]] void dispatch(const PendingFailure& pending) {
    const std::vector<LoadedModule> modules = LoadedModules();
    FailureFacts facts;
    facts.className = pending.className;
    facts.message = pending.message;
    facts.address = pending.address;
    facts.threadId = pending.threadId;
    facts.mainThread = pending.threadId == g_mainThread;
    facts.stack = WalkStack(pending.stack, modules);

    Failure failure;
    failure.ClassName = pending.className;
    failure.Message = pending.message;
    failure.Address = pending.address;
    failure.ThreadId = pending.threadId;
    failure.ReportText = BuildReportText(facts, modules);
    failure.Shot.Capture();

    bool handled = false;
    if (Handler handler = g_handler.load()) handler(failure, handled);
    if (handled) ::TerminateProcess(::GetCurrentProcess(), 0);
    handleItself(failure);
}

// The report needs stack space; a thread whose stack overflowed hands it to a fresh thread.
DWORD WINAPI dispatchThread(void* param) {
    dispatch(*static_cast<PendingFailure*>(param));
}

[[noreturn]] void dispatchFromOverflow(PendingFailure& pending) {
    win::UniqueKernelHandle thread(::CreateThread(nullptr, 256 * 1024, dispatchThread, &pending, 0, nullptr));
    if (thread) ::WaitForSingleObject(thread.get(), INFINITE);
    ::TerminateProcess(::GetCurrentProcess(), kUnreportedExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

// ---- catching ----

struct CodeName {
    DWORD code;
    const wchar_t* name;
    const wchar_t* text;
};
constexpr CodeName kCodes[] = {
    {EXCEPTION_ACCESS_VIOLATION, L"EXCEPTION_ACCESS_VIOLATION", L"Access violation"},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED", L"Array bounds exceeded"},
    {EXCEPTION_BREAKPOINT, L"EXCEPTION_BREAKPOINT", L"Breakpoint"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, L"EXCEPTION_DATATYPE_MISALIGNMENT", L"Data type misalignment"},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, L"EXCEPTION_FLT_DIVIDE_BY_ZERO", L"Floating-point division by zero"},
    {EXCEPTION_FLT_INVALID_OPERATION, L"EXCEPTION_FLT_INVALID_OPERATION",
     L"Invalid floating-point operation"},
    {EXCEPTION_FLT_OVERFLOW, L"EXCEPTION_FLT_OVERFLOW", L"Floating-point overflow"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, L"EXCEPTION_ILLEGAL_INSTRUCTION", L"Illegal instruction"},
    {EXCEPTION_IN_PAGE_ERROR, L"EXCEPTION_IN_PAGE_ERROR", L"In-page error"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, L"EXCEPTION_INT_DIVIDE_BY_ZERO", L"Integer division by zero"},
    {EXCEPTION_INT_OVERFLOW, L"EXCEPTION_INT_OVERFLOW", L"Integer overflow"},
    {EXCEPTION_PRIV_INSTRUCTION, L"EXCEPTION_PRIV_INSTRUCTION", L"Privileged instruction"},
    {EXCEPTION_STACK_OVERFLOW, L"EXCEPTION_STACK_OVERFLOW", L"Stack overflow"},
};

PendingFailure describeStructured(const EXCEPTION_POINTERS& info) {
    const EXCEPTION_RECORD& rec = *info.ExceptionRecord;
    PendingFailure p;
    p.threadId = ::GetCurrentThreadId();
    p.address = reinterpret_cast<uintptr_t>(rec.ExceptionAddress);
    wchar_t code[32];
    std::swprintf(code, 32, L"0x%08lX", rec.ExceptionCode);
    p.className = code;
    p.message = std::wstring(L"Exception ") + code;
    for (const CodeName& c : kCodes)
        if (c.code == rec.ExceptionCode) {
            p.className = c.name;
            p.message = c.text;
        }
    p.message += L" at address " + HexAddress(p.address);
    if (rec.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && rec.NumberParameters >= 2) {
        const wchar_t* kind = rec.ExceptionInformation[0] == 1   ? L"write of"
                              : rec.ExceptionInformation[0] == 8 ? L"execution of"
                                                                 : L"read of";
        p.message += std::wstring(L": ") + kind + L" address " + HexAddress(rec.ExceptionInformation[1]);
    }
    if (info.ContextRecord) p.stack = StackAt(*info.ContextRecord);
    p.stack.ip = p.address;
    return p;
}

LONG WINAPI unhandledFilter(EXCEPTION_POINTERS* info) {
    if (!info || !info->ExceptionRecord || !caughtOnThisThread(::GetCurrentThreadId()))
        return EXCEPTION_CONTINUE_SEARCH;
    // An uncaught C++ throw on a thread without the start-up code's handler (x86_64): going on
    // lets the runtime call std::terminate, which reports it as the C++ exception it is.
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (record.ExceptionCode == win::kCxxThrowCode && !(record.ExceptionFlags & EXCEPTION_NONCONTINUABLE))
        return EXCEPTION_CONTINUE_EXECUTION;
    enterReporting();
    PendingFailure pending = describeStructured(*info);
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) dispatchFromOverflow(pending);
    dispatch(pending);
}

// Describes the C++ exception being handled on this thread (class, message, throw site).
PendingFailure describeCurrentException() {
    PendingFailure p;
    p.threadId = ::GetCurrentThreadId();
    p.className = demangle(abi::__cxa_current_exception_type());
    p.address = t_lastThrowSite;
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            p.message = widen(e.what());
        } catch (...) {
            p.message = L"(no message)";
        }
    } else {
        p.className = L"std::terminate";
        p.message = L"terminate called without an active exception";
    }
    p.stack = CallerStack();
    p.stack.startAt = p.address;
    return p;
}

// abort() - a failed assertion among others - ends the process without any exception; it
// is reported like one, with the stack of the call.
void onAbort(int) {
    if (!caughtOnThisThread(::GetCurrentThreadId())) return; // the runtime goes on ending the process
    enterReporting();
    PendingFailure p;
    p.threadId = ::GetCurrentThreadId();
    p.className = L"abort";
    p.message = L"abnormal program termination";
    p.stack = CallerStack();
    dispatch(p);
}

// An uncaught C++ exception calls terminate before any unwinding, so the stack still
// shows where it was thrown.
void onTerminate() {
    if (!caughtOnThisThread(::GetCurrentThreadId())) {
        if (g_previousTerminate) g_previousTerminate();
        std::abort();
    }
    enterReporting();
    dispatch(describeCurrentException());
}

} // namespace

void Install() {
    if (g_installed.exchange(true)) return;
    g_mainThread = ::GetCurrentThreadId();
    ::SetUnhandledExceptionFilter(unhandledFilter);
    g_previousTerminate = std::set_terminate(onTerminate);
    std::signal(SIGABRT, onAbort);
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // 64-bit Windows swallows failures in window procedures called back from the kernel
    // unless the process asks otherwise.
    using GetPolicyFn = BOOL(WINAPI*)(DWORD*);
    using SetPolicyFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto getPolicy = reinterpret_cast<GetPolicyFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    auto setPolicy = reinterpret_cast<SetPolicyFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    if (getPolicy && setPolicy && getPolicy(&flags))
        setPolicy(flags & ~DWORD(1)); // PROCESS_CALLBACK_FILTER_ENABLED
}

void SetHandler(Handler handler) {
    g_handler.store(handler);
}

void CatchNewThreads() {
    g_catchThreads.store(true);
}

void HandleCurrentException() {
    enterReporting();
    dispatch(describeCurrentException());
}

uintptr_t LastThrowSite() {
    return t_lastThrowSite;
}
void NoteThrowSite(uintptr_t address) {
    t_lastThrowSite = address;
}

} // namespace vell::crash
