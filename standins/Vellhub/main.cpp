// Stand-in for Vellora's main application, as far as the loader sees it: it carries the
// product's version resource, starts VellLoading.exe beside it, and closes or ends the
// loading box the way the product does.
//
//   Vellhub.exe start Init|Change [--wait]   start the loader with "VLR" and the reason
//   Vellhub.exe close [timeout-ms]           send the box a close request, wait for its end
//   Vellhub.exe kill                         end the box's process from outside
//
// Exit codes: 0 done (with --wait: the loader's own exit code), 1 no loading box found,
// 2 the loader could not be started or ended, 3 the box did not end in time, 64 usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kDone = 0, kNoBox = 1, kFailed = 2, kTimeout = 3, kUsage = 64;

std::wstring ownFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

int start(const std::wstring& reason, bool wait) {
    const std::wstring exe = ownFolder() + L"VellLoading.exe";
    std::wstring cmd = L"\"" + exe + L"\" VLR " + reason;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fwprintf(stderr, L"Vellhub: cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
        return kFailed;
    }
    DWORD code = kDone;
    if (wait) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::GetExitCodeProcess(pi.hProcess, &code);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return int(code);
}

HWND findBox() {
    return ::FindWindowW(L"Tfrm_LoadingBox", L"frm_LoadingBox");
}

HANDLE openBoxProcess(HWND box, DWORD access) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(box, &pid);
    return pid ? ::OpenProcess(access, FALSE, pid) : nullptr;
}

int close(DWORD timeoutMs) {
    HWND box = findBox();
    if (!box) return kNoBox;
    HANDLE process = openBoxProcess(box, SYNCHRONIZE);
    if (!::PostMessageW(box, WM_CLOSE, 0, 0)) {
        if (process) ::CloseHandle(process);
        return kFailed;
    }
    int result = kDone;
    if (process) {
        if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) result = kTimeout;
        ::CloseHandle(process);
    }
    return result;
}

int kill() {
    HWND box = findBox();
    if (!box) return kNoBox;
    HANDLE process = openBoxProcess(box, PROCESS_TERMINATE | SYNCHRONIZE);
    if (!process) return kFailed;
    bool ended = ::TerminateProcess(process, 1) && ::WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended ? kDone : kFailed;
}

int usage() {
    std::fwprintf(stderr, L"usage: Vellhub.exe start Init|Change [--wait] | close [timeout-ms] | kill\n");
    return kUsage;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    const std::wstring command = argv[1];
    if (command == L"start" && (argc == 3 || argc == 4)) {
        const std::wstring reason = argv[2];
        if (reason != L"Init" && reason != L"Change") return usage();
        if (argc == 4 && std::wstring(argv[3]) != L"--wait") return usage();
        return start(reason, argc == 4);
    }
    if (command == L"close" && argc <= 3) {
        DWORD timeout = argc == 3 ? DWORD(std::wcstoul(argv[2], nullptr, 10)) : 5000;
        return close(timeout);
    }
    if (command == L"kill" && argc == 2) return kill();
    return usage();
}
