#include "platform/win/environment.h"

#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/files.h"

#include <shlobj.h>
#include <winver.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace vell::env {

namespace {

std::wstring environmentVariable(const wchar_t* name) {
    wchar_t small[512];
    DWORD n = ::GetEnvironmentVariableW(name, small, 512);
    if (n == 0) return {};
    if (n < 512) return std::wstring(small, n);
    std::wstring big(n, L'\0');
    DWORD m = ::GetEnvironmentVariableW(name, big.data(), n);
    if (m == 0 || m >= n) return {};
    big.resize(m);
    return big;
}

std::wstring moduleFileName(HMODULE module) {
    return text::toWide(win::ModuleFileName(module));
}

std::wstring withBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

} // namespace

unsigned WindowsMajorVersion() {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&v)) return 0;
#pragma GCC diagnostic pop
    return v.dwMajorVersion;
}

namespace {

// Reads a little-endian 16-bit value; the caller has checked the bounds.
uint16_t word16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

size_t align4(size_t n) {
    return (n + 3) & ~size_t(3);
}

// One node of a version block: header (length, value length, type), key, value, children.
struct VersionNode {
    size_t begin = 0, end = 0; // the node's bytes within the block
    std::wstring key;
    size_t children = 0; // offset of the first child
};

// Parses the node that starts at `at` and must end before `limit`. False when damaged.
bool readNode(const uint8_t* block, size_t at, size_t limit, bool valueIsText, VersionNode& node) {
    if (at + 6 > limit) return false;
    size_t length = word16(block + at);
    size_t valueLength = word16(block + at + 2);
    if (length < 6 || at + length > limit) return false;
    node.begin = at;
    node.end = at + length;
    node.key.clear();
    size_t p = at + 6;
    for (;;) {
        if (p + 2 > node.end) return false;
        wchar_t c = static_cast<wchar_t>(word16(block + p));
        p += 2;
        if (c == 0) break;
        node.key += c;
    }
    p = align4(p);
    size_t valueBytes = valueIsText ? valueLength * 2 : valueLength;
    node.children = align4(p + valueBytes);
    return true;
}

// Finds the child named `key` (ASCII case-insensitive) of `parent`.
bool findChild(const uint8_t* block, const VersionNode& parent, const wchar_t* key, VersionNode& child) {
    for (size_t at = parent.children; at + 6 <= parent.end;) {
        if (!readNode(block, at, parent.end, false, child)) return false;
        if (::lstrcmpiW(child.key.c_str(), key) == 0) return true;
        size_t next = align4(child.end);
        if (next <= at) return false;
        at = next;
    }
    return false;
}

bool queryText(const void* block, const std::wstring& path, std::wstring& out) {
    void* value = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(block, path.c_str(), &value, &len) || !value) return false;
    const wchar_t* text = static_cast<const wchar_t*>(value);
    // The length counts characters and usually the terminating zero; never trust it past one.
    size_t n = 0;
    while (n < len && text[n] != 0)
        ++n;
    out.assign(text, n);
    return true;
}

const VS_FIXEDFILEINFO* queryFixed(const void* block) {
    void* value = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(block, L"\\", &value, &len) || !value || len < sizeof(VS_FIXEDFILEINFO))
        return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
}

std::wstring versionText(const VS_FIXEDFILEINFO& f) {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%u.%u.%u.%u", unsigned(HIWORD(f.dwFileVersionMS)),
                  unsigned(LOWORD(f.dwFileVersionMS)), unsigned(HIWORD(f.dwFileVersionLS)),
                  unsigned(LOWORD(f.dwFileVersionLS)));
    return buf;
}

// The file's raw version block, empty when it has none.
std::vector<uint8_t> readVersionBlock(const std::wstring& path) {
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return {};
    std::vector<uint8_t> block(size, 0);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
    return block;
}

} // namespace

std::wstring SpecialFolderFallback(int id, const std::wstring& shellResult, const FolderFacts& facts) {
    auto fromEnv = [&](const wchar_t* name) {
        return facts.environment ? text::toWide(text::trim(text::fromWide(facts.environment(name)))) : L"";
    };
    const std::wstring& d = facts.drive;
    const std::wstring& u = facts.user;
    const wchar_t* envName = nullptr;
    std::wstring built;
    switch (id) {
    case kFolderAppData:
        envName = L"APPDATA";
        built = facts.oldWindows ? d + L"\\Documents and Settings\\" + u + L"\\Application Data"
                                 : d + L"\\Users\\" + u + L"\\AppData\\Roaming";
        break;
    case kFolderLocalAppData:
        envName = L"LOCALAPPDATA";
        built = facts.oldWindows
                    ? d + L"\\Documents and Settings\\" + u + L"\\Local Settings\\Application Data"
                    : d + L"\\Users\\" + u + L"\\AppData\\Local";
        break;
    case kFolderCommonAppData:
        envName = L"ProgramData";
        built = facts.oldWindows ? d + L"\\Documents and Settings\\All Users\\Application Data"
                                 : d + L"\\ProgramData";
        break;
    case kFolderProgramFiles:
        envName = facts.wow64 ? L"ProgramFiles(x86)" : L"ProgramFiles";
        built = d + (facts.wow64 ? L"\\Program Files (x86)" : L"\\Program Files");
        break;
    case kFolderProfile:
        envName = L"USERPROFILE";
        built = facts.oldWindows ? d + L"\\Documents and Settings\\" + u : d + L"\\Users\\" + u;
        break;
    case kFolderProgramFilesCommon:
        envName = facts.wow64 ? L"CommonProgramFiles(x86)" : L"CommonProgramFiles";
        built = d + (facts.wow64 ? L"\\Program Files (x86)\\Common Files" : L"\\Program Files\\Common Files");
        break;
    default:
        return shellResult;
    }
    std::wstring value = fromEnv(envName);
    return value.empty() ? built : value;
}

FolderFacts CurrentFolderFacts() {
    FolderFacts f;
    f.environment = environmentVariable;
    std::wstring kernel = moduleFileName(::GetModuleHandleW(L"kernel32.dll"));
    if (kernel.size() >= 2 && kernel[1] == L':') f.drive = kernel.substr(0, 2);
    f.user = GetLoginUserName();
    f.oldWindows = WindowsMajorVersion() < 6;
    f.wow64 = IsWow64();
    return f;
}

std::wstring GetSpecialFolder(HWND owner, int id) {
    std::wstring shell;
    wchar_t buf[261] = {};
    if (::SHGetSpecialFolderPathW(owner, buf, id, FALSE)) shell = buf;
    if (shell.size() > 2) return shell;
    return SpecialFolderFallback(id, shell, CurrentFolderFacts());
}

std::wstring GetProductDataFolder() {
    return GetSpecialFolder(nullptr, kFolderLocalAppData) + L"\\Vellora\\";
}

std::wstring ProgramPath() {
    return moduleFileName(nullptr);
}

std::wstring ProgramFolder() {
    std::wstring path = ProgramPath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring TempFolder() {
    std::wstring temp = environmentVariable(L"temp");
    if (temp.empty()) {
        wchar_t buf[MAX_PATH + 1] = {};
        DWORD n = ::GetTempPathW(MAX_PATH + 1, buf);
        if (n > 0 && n <= MAX_PATH) temp.assign(buf, n);
    }
    return withBackslash(temp);
}

std::wstring GetMainAppVersion(const std::wstring& folder) {
    std::wstring dir = folder.empty() ? ProgramFolder() : withBackslash(folder);
    TFileInfo info;
    if (!GetFileInfo(dir + kMainAppFileName, info, L"") || info.FileVersion.empty())
        return kDefaultMainAppVersion;
    return info.FileVersion;
}

std::wstring FirstStringTableName(const uint8_t* block, size_t size) {
    if (!block || size < 6) return {};
    VersionNode root, sfi, table;
    if (!readNode(block, 0, size, false, root)) return {};
    if (!findChild(block, root, L"StringFileInfo", sfi)) return {};
    if (sfi.children + 6 > sfi.end || !readNode(block, sfi.children, sfi.end, false, table)) return {};
    return table.key;
}

bool GetFileInfo(const std::wstring& path, TFileInfo& info, const std::wstring& userKey) {
    info = TFileInfo{};
    try {
        std::vector<uint8_t> block = readVersionBlock(path);
        if (block.empty()) return false;
        const void* b = block.data();

        if (const VS_FIXEDFILEINFO* fixed = queryFixed(b)) info.FileVersion = versionText(*fixed);

        std::wstring table;
        void* value = nullptr;
        UINT len = 0;
        if (::VerQueryValueW(b, L"\\VarFileInfo\\Translation", &value, &len) && value && len >= 4) {
            uint32_t entry;
            std::memcpy(&entry, value, 4);
            wchar_t name[16];
            std::swprintf(name, 16, L"%04X%04X", unsigned(entry & 0xFFFF), unsigned(entry >> 16));
            table = std::wstring(L"\\StringFileInfo\\") + name + L"\\";
        }
        std::wstring probe;
        if (table.empty() || !::VerQueryValueW(b, table.c_str(), &value, &len)) {
            // No string table for the announced translation: use the first one there is.
            std::wstring first = FirstStringTableName(block.data(), block.size());
            if (!first.empty()) table = L"\\StringFileInfo\\" + first + L"\\";
        }

        if (!table.empty()) {
            struct Key {
                const wchar_t* name;
                std::wstring TFileInfo::*field;
            };
            static const Key keys[] = {
                {L"CompanyName", &TFileInfo::CommpanyName},
                {L"FileDescription", &TFileInfo::FileDescription},
                {L"InternalName", &TFileInfo::InternalName},
                {L"LegalCopyright", &TFileInfo::LegalCopyright},
                {L"LegalTrademarks", &TFileInfo::LegalTrademarks},
                {L"OriginalFileName", &TFileInfo::OriginalFileName},
                {L"ProductName", &TFileInfo::ProductName},
                {L"ProductVersion", &TFileInfo::ProductVersion},
                {L"Comments", &TFileInfo::Comments},
            };
            for (const Key& k : keys)
                queryText(b, table + k.name, info.*k.field);
        }

        if (const VS_FIXEDFILEINFO* fixed = queryFixed(b)) {
            static_assert(sizeof(VS_FIXEDFILEINFO) == 13 * 4);
            std::memcpy(info.VsFixedFileInfo.data(), fixed, sizeof(VS_FIXEDFILEINFO));
        }
        if (!userKey.empty() && !table.empty()) queryText(b, table + userKey, info.UserDefineValue);
        return true;
    } catch (...) {
        info = TFileInfo{};
        return false;
    }
}

std::wstring GetFileInfoString(const std::wstring& path, int field, const std::wstring& def) {
    if (field < 0 || field > 10) return {};
    TFileInfo info;
    if (!GetFileInfo(path, info, L"WOW Version")) return def;
    switch (static_cast<FileInfoField>(field)) {
    case FileInfoField::Comments:
        return info.Comments;
    case FileInfoField::CommpanyName:
        return info.CommpanyName;
    case FileInfoField::FileDescription:
        return info.FileDescription;
    case FileInfoField::FileVersion:
        return info.FileVersion;
    case FileInfoField::InternalName:
        return info.InternalName;
    case FileInfoField::LegalCopyright:
        return info.LegalCopyright;
    case FileInfoField::LegalTrademarks:
        return info.LegalTrademarks;
    case FileInfoField::OriginalFileName:
        return info.OriginalFileName;
    case FileInfoField::ProductName:
        return info.ProductName;
    case FileInfoField::ProductVersion:
        return info.ProductVersion;
    case FileInfoField::UserDefineValue:
        return info.UserDefineValue;
    }
    return {};
}

std::wstring GetFileVersionString(const std::wstring& path) {
    std::vector<uint8_t> block = readVersionBlock(path);
    if (block.empty()) return {};
    const VS_FIXEDFILEINFO* fixed = queryFixed(block.data());
    return fixed ? versionText(*fixed) : std::wstring();
}

std::wstring GetLoginUserName() {
    wchar_t buf[256] = {};
    DWORD size = 255;
    if (!::GetUserNameW(buf, &size) || size == 0) return {};
    return std::wstring(buf, size - 1);
}

bool IsWow64() {
    // Unknown (-1), false (0) or true (1); written once on the main thread.
    static int cached = -1;
    if (cached >= 0) return cached == 1;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static IsWow64ProcessFn fn = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow = FALSE;
    cached = (fn && fn(::GetCurrentProcess(), &wow) && wow) ? 1 : 0;
    return cached == 1;
}

} // namespace vell::env
