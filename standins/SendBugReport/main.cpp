// Stand-in for the product's report sender. It shows nothing and sends nothing: when the
// variable VELL_SENDER_RECORD names a folder, it writes its full command line there
// ("command_line.txt", UTF-8), copies every file named by /files ("a|b") into it, and
// last writes "done.txt", so that a reader knows the record is complete.
// Exit code 0, or 1 when the record could not be written.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string utf8(const std::wstring& w) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

bool writeText(const std::wstring& path, const std::string& text) {
    HANDLE f =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    ::CloseHandle(f);
    return ok;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t folder[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"VELL_SENDER_RECORD", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    std::wstring dir(folder, n);
    if (dir.back() != L'\\') dir += L'\\';
    ::CreateDirectoryW(dir.c_str(), nullptr);

    const wchar_t* commandLine = ::GetCommandLineW();
    bool ok = writeText(dir + L"command_line.txt", utf8(commandLine));

    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(commandLine, &argc);
    for (int i = 1; argv && i + 1 < argc; ++i) {
        if (::lstrcmpiW(argv[i], L"/files") != 0) continue;
        std::wstring files = argv[i + 1];
        for (size_t at = 0; at <= files.size();) {
            size_t bar = files.find(L'|', at);
            std::wstring file = files.substr(at, bar == std::wstring::npos ? std::wstring::npos : bar - at);
            if (!file.empty()) {
                std::wstring name = file.substr(file.find_last_of(L"\\/") + 1);
                ok = ::CopyFileW(file.c_str(), (dir + name).c_str(), FALSE) && ok;
            }
            if (bar == std::wstring::npos) break;
            at = bar + 1;
        }
    }
    if (argv) ::LocalFree(argv);
    ok = writeText(dir + L"done.txt", ok ? "ok" : "incomplete") && ok;
    return ok ? 0 : 1;
}
