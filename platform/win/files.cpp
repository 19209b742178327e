#include "platform/win/files.h"

#include "core/text/codec.h"
#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/handles.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

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
    if (!parent.empty() && parent != dir && parent.back() != u':' && !ForceDirectories(parent, error))
        return false;
    if (::CreateDirectoryW(wcs(dir), nullptr) || DirectoryExists(dir)) return true;
    if (error) *error = ::GetLastError();
    return false;
}

bool ReadWholeFile(const std::u16string& path, std::string& out, DWORD* error, uint64_t maxSize) {
    auto fail = [&](DWORD code) {
        if (error) *error = code ? code : 1;
        return false;
    };
    UniqueKernelHandle file(::CreateFileW(wcs(path), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

namespace {

// The temporary file of a replacement sits beside its target and is named after it and
// the writing process and thread: "<name>.~<pid>-<tid>.tmp" (hexadecimal ids) while it is
// written, "<name>.~<pid>-<tid>.new" once it is whole and on disk.
constexpr char16_t kReplacementMark[] = u".~";
constexpr char16_t kPartialExt[] = u".tmp";
constexpr char16_t kWholeExt[] = u".new";

std::u16string hex(DWORD value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lX", static_cast<unsigned long>(value));
    return text::u16(buf);
}

bool processIsGone(DWORD pid) {
    UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

struct StaleReplacement {
    std::u16string path;
    FILETIME written;
};

// The replacement files of this file with the extension `ext` that processes which ended
// half-way through replacing it left behind. Those of running processes (this one
// included) are not listed.
std::vector<StaleReplacement> staleReplacements(const std::u16string& full, std::u16string_view ext) {
    std::vector<StaleReplacement> found;
    const std::u16string prefix = text::ExtractFileName(full) + kReplacementMark;
    const std::u16string folder = text::ExtractFilePath(full);
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW(wcs(full + kReplacementMark + u"*" + std::u16string(ext)), &data));
    if (!find) return found;
    do {
        const std::u16string name = text::fromWide(data.cFileName);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (name.size() <= prefix.size() + ext.size() ||
            !text::sameTextAscii(name.substr(0, prefix.size()), prefix) ||
            !text::sameTextAscii(name.substr(name.size() - ext.size()), ext))
            continue;
        const std::u16string ids = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
        const std::size_t dash = ids.find(u'-');
        unsigned long pid = 0;
        std::size_t digits = 0;
        for (; digits < dash && digits < ids.size(); ++digits) {
            const char16_t c = ids[digits];
            const int v = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
            if (v < 0 || pid > 0x0FFFFFFFul) break;
            pid = pid * 16 + unsigned(v);
        }
        if (digits == 0 || digits != dash || pid == ::GetCurrentProcessId() || !processIsGone(DWORD(pid)))
            continue;
        found.push_back({folder + name, data.ftLastWriteTime});
    } while (::FindNextFileW(find.get(), &data));
    return found;
}

void removeStaleReplacements(const std::u16string& full) {
    for (const std::u16string_view ext : {std::u16string_view(kPartialExt), std::u16string_view(kWholeExt)})
        for (const StaleReplacement& r : staleReplacements(full, ext))
            ::DeleteFileW(wcs(r.path));
}

std::u16string fullPathOf(const std::u16string& path) {
    std::u16string full(MAX_PATH, u'\0');
    const DWORD n = ::GetFullPathNameW(wcs(path), MAX_PATH, reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (n == 0 || n >= MAX_PATH) return {};
    full.resize(n);
    return full;
}

} // namespace

bool ReplaceWholeFile(const std::u16string& path, const std::string& bytes, DWORD* error) {
    const std::u16string full = fullPathOf(path);
    if (full.empty()) return WriteWholeFile(path, bytes, error);
    const DWORD attributes = ::GetFileAttributesW(wcs(full));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failWith(error, ERROR_ACCESS_DENIED); // a folder is never replaced by a file
    removeStaleReplacements(full);
    const std::u16string stem =
        full + kReplacementMark + hex(::GetCurrentProcessId()) + u"-" + hex(::GetCurrentThreadId());
    const std::u16string partial = stem + kPartialExt;
    {
        UniqueKernelHandle file(::CreateFileW(wcs(partial), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return WriteWholeFile(path, bytes, error); // the folder takes no new file
        if (!writeAll(file.get(), bytes) || !::FlushFileBuffers(file.get())) {
            const DWORD code = ::GetLastError();
            file.reset();
            ::DeleteFileW(wcs(partial));
            return failWith(error, code);
        }
    }
    // From here the new content is whole under its own name: a process ended while the
    // platform swaps the files (which may remove the old file before it moves the new one
    // in) leaves it for RestoreInterruptedReplacement.
    std::u16string temp = stem + kWholeExt;
    if (!::MoveFileExW(wcs(partial), wcs(temp), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        temp = partial;
    // An existing file is replaced by the platform's call, which keeps its attributes,
    // security descriptor and other identity; what that call cannot do, a rename does.
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        constexpr DWORD kIgnoreMergeErrors = 0x2, kIgnoreAclErrors = 0x4;
        if (::ReplaceFileW(wcs(full), wcs(temp), nullptr, kIgnoreMergeErrors | kIgnoreAclErrors, nullptr,
                           nullptr)) {
            // Some file systems do not carry the attributes over: put them back.
            if (::GetFileAttributesW(wcs(full)) != attributes) ::SetFileAttributesW(wcs(full), attributes);
            return true;
        }
    }
    if (::MoveFileExW(wcs(temp), wcs(full), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(wcs(full), attributes);
        return true;
    }
    // The folder allows new files but not replacing this one (or the file is in use
    // without delete sharing): write it in place as the last resort.
    ::DeleteFileW(wcs(temp));
    return WriteWholeFile(full, bytes, error);
}

bool RestoreInterruptedReplacement(const std::u16string& path) {
    const std::u16string full = fullPathOf(path);
    if (full.empty() || ::GetFileAttributesW(wcs(full)) != INVALID_FILE_ATTRIBUTES) return false;
    const std::vector<StaleReplacement> whole = staleReplacements(full, kWholeExt);
    const auto newest = std::max_element(whole.begin(), whole.end(), [](const auto& a, const auto& b) {
        return ::CompareFileTime(&a.written, &b.written) < 0;
    });
    return newest != whole.end() && ::MoveFileExW(wcs(newest->path), wcs(full), MOVEFILE_WRITE_THROUGH);
}

std::u16string ModuleFileName(HMODULE module) {
    std::u16string buf(MAX_PATH, u'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(buf.data()),
                                             static_cast<DWORD>(buf.size()));
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

void UseSystemAnsiCodePage() {
    text::setAnsiCodePage({ansiDecode, ansiEncode});
}

} // namespace vell::win
