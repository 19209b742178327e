// The places and facts of the installation: Windows special folders with their fall-backs,
// the product's per-user data folder, the main application's version, a file's version
// record, the logged-on user and whether the process runs under WOW64. Nothing here raises:
// failures answer with empty strings, false or the caller's default.
#pragma once
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vell::env {

// Special-folder ids with a fall-back of their own.
inline constexpr int kFolderAppData = 26;            // roaming application data
inline constexpr int kFolderLocalAppData = 28;       // local application data
inline constexpr int kFolderCommonAppData = 35;      // common application data
inline constexpr int kFolderProgramFiles = 38;       // program files
inline constexpr int kFolderProfile = 40;            // user profile
inline constexpr int kFolderProgramFilesCommon = 43; // common program files

inline constexpr const wchar_t* kDefaultMainAppVersion = L"4.0.0.0";
inline constexpr const wchar_t* kMainAppFileName = L"Vellhub.exe";

// A file's version record. Text fields are empty when absent; `VsFixedFileInfo` is the
// whole fixed information block (the layout of VS_FIXEDFILEINFO), all zero when absent.
struct TFileInfo {
    std::wstring CommpanyName;
    std::wstring FileDescription;
    std::wstring FileVersion;
    std::wstring InternalName;
    std::wstring LegalCopyright;
    std::wstring LegalTrademarks;
    std::wstring OriginalFileName;
    std::wstring ProductName;
    std::wstring ProductVersion;
    std::wstring Comments;
    std::array<uint32_t, 13> VsFixedFileInfo{};
    std::wstring UserDefineValue;
};

// The index by which GetFileInfoString asks for one text field.
enum class FileInfoField : int {
    Comments = 0,
    CommpanyName = 1,
    FileDescription = 2,
    FileVersion = 3,
    InternalName = 4,
    LegalCopyright = 5,
    LegalTrademarks = 6,
    OriginalFileName = 7,
    ProductName = 8,
    ProductVersion = 9,
    UserDefineValue = 10,
};

// What the special-folder fall-back needs to know about the machine, so that the rules
// can be checked for any Windows version and user.
struct FolderFacts {
    std::function<std::wstring(const wchar_t*)> environment; // variable value, empty when unset
    std::wstring drive;                                      // system drive, "C:"
    std::wstring user;                                       // logged-on user's name
    bool oldWindows = false;                                 // major version below 6
    bool wow64 = false;
};

// The fall-back for `id` when the shell answered `shellResult` (2 characters or fewer):
// the environment variable (trimmed) when set, else the folder built from drive and user.
// Ids without a rule return `shellResult`.
std::wstring SpecialFolderFallback(int id, const std::wstring& shellResult, const FolderFacts& facts);

// The facts of the running system.
FolderFacts CurrentFolderFacts();

// The special folder's path without trailing backslash, empty when nothing works.
std::wstring GetSpecialFolder(HWND owner, int id);
// Local application data + "\Vellora\" (always ends with a backslash; not created here).
std::wstring GetProductDataFolder();

// The running program's full path, and its folder with a trailing backslash.
std::wstring ProgramPath();
std::wstring ProgramFolder();
// The folder named by the "temp" variable with a trailing backslash (the system's temp
// folder when the variable is unset).
std::wstring TempFolder();

// `FileVersion` of Vellhub.exe in `folder` (the program's folder when empty), or "4.0.0.0".
std::wstring GetMainAppVersion(const std::wstring& folder = {});
// Reads the version record; true when the file has a version resource that could be read.
bool GetFileInfo(const std::wstring& path, TFileInfo& info, const std::wstring& userKey);
// One field by index (user key "WOW Version"); `def` when the file has no readable version
// resource, empty for an index outside 0..10.
std::wstring GetFileInfoString(const std::wstring& path, int field, const std::wstring& def);
// "a.b.c.d" of the fixed file version; empty without a version resource.
std::wstring GetFileVersionString(const std::wstring& path);

std::wstring GetLoginUserName();
// The Windows major version as the system reports it to this program (its manifest makes
// Windows 8.1 and later report their true versions).
unsigned WindowsMajorVersion();
// True for a 32-bit process on 64-bit Windows; computed once.
bool IsWow64();

// The name of the first string table ("040904B0") in a raw version block, empty when the
// block holds none. Bounds-checked: a damaged block gives an empty name.
std::wstring FirstStringTableName(const uint8_t* block, size_t size);

} // namespace vell::env
