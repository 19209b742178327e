#include "platform/win/files.h"

#include "core/text/codec.h"
#include "core/text/paths.h"
#include "core/text/utf.h"
#include "platform/win/handles.h"

#include <algorithm>
#include <climits>

namespace vell::win {

using text::wcs;

bool FileExists(const std::u16string& path) {
    const DWORD a = ::GetFileAttributesW(wcs(path));
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::u16string& path) {
    const DWORD a = ::GetFileAttributesW(wcs(path));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::u16string& path, DWORD* error) {
    const std::u16string dir = text::ExcludeTrailingBackslash(path);
    if (dir.empty() || DirectoryExists(dir)) return true;
    const std::u16string parent = text::ExcludeTrailingBackslash(text::ExtractFilePath(dir));
    // Stop at a drive ("C:") or a root; the parent of a name without a folder is the current folder.
    if (!parent.empty() && parent != dir && parent.back() != u':' && !ForceDirectories(parent, error)) return false;
    if (::CreateDirectoryW(wcs(dir), nullptr) || DirectoryExists(dir)) return true;
    if (error) *error = ::GetLastError();
    return false;
}

bool ReadWholeFile(const std::u16string& path, std::string& out, DWORD* error, uint64_t maxSize) {
    auto fail = [&](DWORD code) {
        if (error) *error = code ? code : 1;
        return false;
    };
    UniqueKernelHandle file(::CreateFileW(wcs(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fail(::GetLastError());
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) return fail(::GetLastError());
    if (static_cast<uint64_t>(size.QuadPart) > maxSize) return fail(ERROR_FILE_TOO_LARGE);
    try {
        out.assign(static_cast<size_t>(size.QuadPart), '\0');
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 24));
        if (!::ReadFile(file.get(), out.data() + done, want, &got, nullptr)) return fail(::GetLastError());
        if (got == 0) break; // the file shrank meanwhile
        done += got;
    }
    out.resize(done);
    return true;
}

namespace {

bool writeAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!::WriteFile(file, bytes.data() + done, want, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

bool failWith(DWORD* error, DWORD code) {
    if (error) *error = code ? code : 1;
    return false;
}

} // namespace

bool WriteWholeFile(const std::u16string& path, const std::string& bytes, DWORD* error) {
    UniqueKernelHandle file(::CreateFileW(wcs(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !writeAll(file.get(), bytes)) return failWith(error, ::GetLastError());
    return true;
}

bool ReplaceWholeFile(const std::u16string& path, const std::string& bytes, DWORD* error) {
    std::u16string full(MAX_PATH, u'\0');
    const DWORD n = ::GetFullPathNameW(wcs(path), MAX_PATH, reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (n == 0 || n >= MAX_PATH) return WriteWholeFile(path, bytes, error);
    full.resize(n);
    const std::u16string folder = text::ExtractFilePath(full);
    wchar_t temp[MAX_PATH];
    if (!::GetTempFileNameW(wcs(folder), L"ini", 0, temp)) return WriteWholeFile(path, bytes, error);
    {
        UniqueKernelHandle file(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const bool written = file && writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
        if (!written) {
            const DWORD code = ::GetLastError();
            file.reset();
            ::DeleteFileW(temp);
            return failWith(error, code);
        }
    }
    if (::MoveFileExW(temp, wcs(full), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    // The folder allows new files but not replacing this one (or the file is in use
    // without delete sharing): write it in place as the last resort.
    ::DeleteFileW(temp);
    return WriteWholeFile(full, bytes, error);
}

std::u16string ModuleFileName(HMODULE module) {
    std::u16string buf(MAX_PATH, u'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(buf.data()), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

namespace {

std::u16string ansiDecode(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int len = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

std::string ansiEncode(std::u16string_view t) {
    if (t.empty()) return {};
    const auto* w = reinterpret_cast<const wchar_t*>(t.data());
    const int len = static_cast<int>(std::min<size_t>(t.size(), INT_MAX));
    const int n = ::WideCharToMultiByte(CP_ACP, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, len, out.data(), n, nullptr, nullptr);
    return out;
}

[[maybe_unused]] const bool gAnsiInstalled = (UseSystemAnsiCodePage(), true);

} // namespace

void UseSystemAnsiCodePage() { text::setAnsiCodePage({ansiDecode, ansiEncode}); }

} // namespace vell::win
