// A fresh folder below the system's temporary folder for one test, removed with everything
// in it at the end; and small file helpers for the tests that use it.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace vell::testing {

class TempDir {
  public:
    TempDir() {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        path_ = std::u16string(reinterpret_cast<const char16_t*>(base)) + u"vell_test_" +
                toU16(std::to_string(::GetCurrentProcessId())) + u"_" + toU16(std::to_string(++counter)) +
                u"\\";
        ::CreateDirectoryW(w(path_), nullptr);
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder with a trailing backslash, or a name inside it.
    const std::u16string& path() const { return path_; }
    std::u16string operator/(const std::u16string& name) const { return path_ + name; }

  private:
    static std::u16string toU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
    static const wchar_t* w(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
    static void removeTree(const std::u16string& dir) {
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW(w(dir + u"*"), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::u16string name(reinterpret_cast<const char16_t*>(fd.cFileName));
                if (name == u"." || name == u"..") continue;
                const std::u16string full = dir + name;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(full + u"\\");
                } else {
                    ::SetFileAttributesW(w(full), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileW(w(full));
                }
            } while (::FindNextFileW(h, &fd));
            ::FindClose(h);
        }
        ::RemoveDirectoryW(w(dir));
    }

    std::u16string path_;
};

inline std::string readFile(const std::u16string& path) {
    std::string out;
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    char buf[65536];
    DWORD got;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got)
        out.append(buf, got);
    ::CloseHandle(h);
    return out;
}

inline void writeFile(const std::u16string& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    ::CloseHandle(h);
}

inline bool exists(const std::u16string& path) {
    return ::GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

} // namespace vell::testing
