// Helper of the loader tests, started as a separate process:
//   loader_probe window CLASS CAPTION X Y W H   a foreground window; ends with exit code 0 on close
//   loader_probe instance NAME                  takes the instance mutex NAME: exit 10 when it won
//                                               (after the event NAME_release is set), 11 when not
//   loader_probe fail KIND [bridge]             installs the crash engine (and the report bridge,
//                                               configured with version "1.2.3.4") and fails
// Exit code 64 for a bad command line.
#include <windows.h>

#include "core/image/errors.h"
#include "crash/engine/engine.h"
#include "loader/lib/single_instance.h"
#include "services/bugreport/send_bug_report.h"

#include <cstdlib>
#include <string>

namespace {

std::wstring g_kind;

LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    if (msg == WM_APP) {
        if (g_kind == L"wndproc-cpp") throw vell::Exception("failure in a window procedure");
        if (g_kind == L"wndproc-av") *static_cast<volatile int*>(nullptr) = 1;
        if (g_kind == L"wndproc-caught") {
            // A window procedure lets nothing pass: it hands the failure to the engine.
            try {
                throw vell::Exception("caught in a window procedure");
            } catch (...) {
                vell::crash::HandleCurrentException();
            }
        }
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

HWND makeWindow(const wchar_t* cls, const wchar_t* caption, int x, int y, int w, int h) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, cls, caption, WS_POPUP, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
}

int messageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

int window(wchar_t** a) {
    HWND wnd = makeWindow(a[0], a[1], _wtoi(a[2]), _wtoi(a[3]), _wtoi(a[4]), _wtoi(a[5]));
    if (!wnd) return 2;
    ::ShowWindow(wnd, SW_SHOW);
    ::SetForegroundWindow(wnd);
    return messageLoop();
}

int instance(const wchar_t* name) {
    HANDLE held = vell::loader::AcquireInstanceMutex(name);
    if (!held) return 11;
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, (std::wstring(name) + L"_release").c_str());
    ::WaitForSingleObject(release, 30000);
    return 10;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
int recurse(int depth) {
    volatile char pad[4096];
    pad[0] = char(depth);
    return recurse(depth + 1) + pad[0];
}
#pragma GCC diagnostic pop

[[noreturn]] void failNow(const std::wstring& kind) {
    if (kind == L"cpp") throw vell::Exception("probe failure SendBugReport_2ASKUSER");
    if (kind == L"av") *static_cast<volatile int*>(nullptr) = 1;
    if (kind == L"overflow") recurse(0);
    if (kind == L"int") throw 42;
    if (kind == L"abort") std::abort();
    std::exit(64);
}

DWORD WINAPI threadMain(void* param) {
    failNow(*static_cast<std::wstring*>(param));
}

int fail(const std::wstring& kind, bool bridge) {
    vell::crash::Install();
    if (bridge) {
        vell::bugreport::RegisterBugReportHandler();
        vell::bugreport::ConfigureBugReport(L"1.2.3.4", false, L"Vellora", L"", L"", L"");
    }
    g_kind = kind;
    if (kind.rfind(L"thread-", 0) == 0) {
        std::wstring inner = kind.substr(7);
        HANDLE t = ::CreateThread(nullptr, 0, threadMain, &inner, 0, nullptr);
        ::WaitForSingleObject(t, 30000);
        return 65; // the failing thread ends the process before this
    }
    if (kind.rfind(L"wndproc-", 0) == 0) {
        HWND wnd = makeWindow(L"ProbeFailWindow", L"probe", 0, 0, 10, 10);
        ::PostMessageW(wnd, WM_APP, 0, 0);
        messageLoop();
        return 65;
    }
    failNow(kind);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"window" && argc == 8) return window(argv + 2);
    if (command == L"instance" && argc == 3) return instance(argv[2]);
    if (command == L"fail" && (argc == 3 || argc == 4)) return fail(argv[2], argc == 4);
    return 64;
}
