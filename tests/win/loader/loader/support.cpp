#include "support.h"

#include <gtest/gtest.h>

#include <vector>

namespace loadertest {

std::wstring ProductFile(const std::wstring& name) {
    return std::wstring(L"" VELL_PRODUCT_DIR L"\\") + name;
}
std::wstring ProbeFile(const std::wstring& name) {
    return std::wstring(L"" VELL_PROBE_DIR L"\\") + name;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileW(full.c_str());
        } while (::FindNextFileW(find, &fd));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

std::wstring FreshFolder(const std::wstring& name) {
    std::wstring base = std::wstring(L"" VELL_PROBE_DIR L"\\work");
    ::CreateDirectoryW(base.c_str(), nullptr);
    std::wstring dir = base + L"\\" + name;
    RemoveTree(dir);
    EXPECT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr)) << "cannot create " << WideToUtf8(dir);
    return dir + L"\\";
}

void MakeProductFolder(const std::wstring& folder, bool withVellhub, bool withSender) {
    std::vector<std::wstring> files = {L"VellLoading.exe"};
    if (withVellhub) files.push_back(L"Vellhub.exe");
    if (withSender) files.push_back(L"SendBugReport.exe");
    for (const std::wstring& f : files)
        ASSERT_TRUE(::CopyFileW(ProductFile(f).c_str(), (folder + f).c_str(), FALSE)) << WideToUtf8(f);
}

Started Start(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment,
              bool suspended, HANDLE* thread) {
    // The new block: this process's variables with the given ones replaced or added.
    std::map<std::wstring, std::wstring, bool (*)(const std::wstring&, const std::wstring&)> vars(
        [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq != std::wstring::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& [k, v] : environment)
        vars[k] = v;
    std::wstring env;
    for (const auto& [k, v] : vars)
        env += k + L"=" + v + L'\0';
    env += L'\0';

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    Started s;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT | (suspended ? CREATE_SUSPENDED : 0), env.data(),
                          nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << WideToUtf8(commandLine) << " error " << ::GetLastError();
        return s;
    }
    if (thread)
        *thread = pi.hThread;
    else
        ::CloseHandle(pi.hThread);
    s.process = pi.hProcess;
    s.pid = pi.dwProcessId;
    return s;
}

DWORD Finish(Started& started, DWORD timeoutMs) {
    if (!started.process) return ~0u;
    DWORD code = ~0u;
    if (::WaitForSingleObject(started.process, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(started.process, &code);
    else
        ::TerminateProcess(started.process, 99);
    ::CloseHandle(started.process);
    started.process = nullptr;
    return code;
}

DWORD RunProgram(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment) {
    Started s = Start(commandLine, environment);
    return Finish(s);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(f, buf, sizeof(buf), &got, nullptr) && got)
        bytes.append(buf, got);
    ::CloseHandle(f);
    return bytes;
}

std::wstring Utf8ToWide(const std::string& text) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), w.data(), n);
    return w;
}

std::string WideToUtf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), s.data(), n, nullptr, nullptr);
    return s;
}

} // namespace loadertest
