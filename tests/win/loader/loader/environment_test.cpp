#include "platform/win/environment.h"
#include "support.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace vell::env;
using loadertest::ProbeFile;
using loadertest::ProductFile;

TEST(SpecialFolder, FallsBackByIdWindowsVersionAndWow64) {
    std::map<std::wstring, std::wstring> vars;
    FolderFacts f;
    f.environment = [&](const wchar_t* name) { return vars.count(name) ? vars[name] : std::wstring(); };
    f.drive = L"C:";
    f.user = L"ann";
    struct Case {
        int id;
        bool old, wow64;
        std::wstring expected;
    };
    const Case cases[] = {
        {26, false, false, L"C:\\Users\\ann\\AppData\\Roaming"},
        {26, true, false, L"C:\\Documents and Settings\\ann\\Application Data"},
        {28, false, false, L"C:\\Users\\ann\\AppData\\Local"},
        {28, true, false, L"C:\\Documents and Settings\\ann\\Local Settings\\Application Data"},
        {35, false, false, L"C:\\ProgramData"},
        {35, true, false, L"C:\\Documents and Settings\\All Users\\Application Data"},
        {38, false, false, L"C:\\Program Files"},
        {38, true, true, L"C:\\Program Files (x86)"},
        {40, false, false, L"C:\\Users\\ann"},
        {40, true, false, L"C:\\Documents and Settings\\ann"},
        {43, false, false, L"C:\\Program Files\\Common Files"},
        {43, false, true, L"C:\\Program Files (x86)\\Common Files"},
        {5, false, false, L"D:"}, // no rule: the shell's short answer stands
    };
    for (const Case& c : cases) {
        f.oldWindows = c.old;
        f.wow64 = c.wow64;
        EXPECT_EQ(SpecialFolderFallback(c.id, L"D:", f), c.expected) << "id " << c.id;
    }

    // A set variable wins after trimming; one of blanks only does not count.
    f.oldWindows = false;
    f.wow64 = true;
    vars = {{L"LOCALAPPDATA", L"  E:\\Local  "},
            {L"ProgramFiles(x86)", L"F:\\P86"},
            {L"ProgramFiles", L"F:\\P"},
            {L"APPDATA", L"   "}};
    EXPECT_EQ(SpecialFolderFallback(28, L"", f), L"E:\\Local");
    EXPECT_EQ(SpecialFolderFallback(38, L"", f), L"F:\\P86");
    EXPECT_EQ(SpecialFolderFallback(26, L"", f), L"C:\\Users\\ann\\AppData\\Roaming");
    f.wow64 = false;
    EXPECT_EQ(SpecialFolderFallback(38, L"", f), L"F:\\P");
}

TEST(SpecialFolder, ProductDataFolderIsBelowLocalAppData) {
    const std::wstring local = GetSpecialFolder(nullptr, kFolderLocalAppData);
    ASSERT_GT(local.size(), 2u);
    EXPECT_NE(local.back(), L'\\');
    EXPECT_EQ(GetProductDataFolder(), local + L"\\Vellora\\");
}

TEST(FileInfo, ReadsTheMainApplicationsVersionRecord) {
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo(ProductFile(L"Vellhub.exe"), info, L"WOW Version"));
    EXPECT_EQ(info.FileVersion, L"4.2.1.7");
    EXPECT_EQ(info.CommpanyName, L"Vellora");
    EXPECT_EQ(info.OriginalFileName, L"Vellhub.exe");
    EXPECT_EQ(info.ProductVersion, L"4.2");
    EXPECT_EQ(info.LegalTrademarks, L"");
    EXPECT_EQ(info.UserDefineValue, L"4.2.1");
    EXPECT_EQ(info.VsFixedFileInfo[0], 0xFEEF04BDu); // the block's signature
    EXPECT_EQ(info.VsFixedFileInfo[2], (4u << 16) | 2u);
    EXPECT_EQ(info.VsFixedFileInfo[3], (1u << 16) | 7u);

    EXPECT_EQ(GetFileInfoString(ProductFile(L"Vellhub.exe"), 1, L"x"), L"Vellora");
    EXPECT_EQ(GetFileInfoString(ProductFile(L"Vellhub.exe"), 10, L"x"), L"4.2.1");
    EXPECT_EQ(GetFileInfoString(ProductFile(L"Vellhub.exe"), 11, L"x"), L"");
    EXPECT_EQ(GetFileInfoString(ProductFile(L"Vellhub.exe"), -1, L"x"), L"");
    EXPECT_EQ(GetFileInfoString(ProductFile(L"nothing-here.exe"), 3, L"dflt"), L"dflt");
    EXPECT_EQ(GetFileVersionString(ProductFile(L"Vellhub.exe")), L"4.2.1.7");
}

TEST(FileInfo, UsesTheFirstStringTableWhenTheTranslationNamesNone) {
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo(ProbeFile(L"version_fixture.dll"), info, L"WOW Version"));
    EXPECT_EQ(info.CommpanyName, L"Fixture Company");
    EXPECT_EQ(info.Comments, L"first table");
    EXPECT_EQ(info.UserDefineValue, L"7.7");
    EXPECT_EQ(info.FileVersion, L"3.0.0.11");
    EXPECT_EQ(GetFileVersionString(ProbeFile(L"version_fixture.dll")), L"3.0.0.11");
}

TEST(FileInfo, FilesWithoutVersionResource) {
    TFileInfo info;
    info.Comments = L"stale";
    EXPECT_FALSE(GetFileInfo(ProbeFile(L"loader_probe.exe"), info, L""));
    EXPECT_EQ(info.Comments, L"") << "the record is cleared";
    EXPECT_FALSE(GetFileInfo(L"Z:\\no\\such\\file.exe", info, L""));
    EXPECT_EQ(GetFileVersionString(ProbeFile(L"loader_probe.exe")), L"");
}

TEST(FileInfo, DamagedVersionBlocksGiveNoTableName) {
    DWORD handle = 0;
    const std::wstring path = ProductFile(L"Vellhub.exe");
    std::vector<uint8_t> block(::GetFileVersionInfoSizeW(path.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()));
    EXPECT_EQ(FirstStringTableName(block.data(), block.size()), L"040904B0");
    // Every truncation either still holds the name or gives none; nothing reads past the end.
    for (size_t n = 0; n < block.size(); ++n) {
        std::vector<uint8_t> cut(block.begin(), block.begin() + n);
        std::wstring name = FirstStringTableName(cut.data(), cut.size());
        EXPECT_TRUE(name.empty() || name == L"040904B0") << n;
    }
    std::vector<uint8_t> zeros(64, 0), ones(64, 0xFF);
    EXPECT_EQ(FirstStringTableName(zeros.data(), zeros.size()), L"");
    EXPECT_EQ(FirstStringTableName(ones.data(), ones.size()), L"");
    EXPECT_EQ(FirstStringTableName(nullptr, 10), L"");
}

TEST(MainAppVersion, ReadsVellhubOrFallsBack) {
    const std::wstring with = loadertest::FreshFolder(L"version_with");
    ASSERT_TRUE(::CopyFileW(ProductFile(L"Vellhub.exe").c_str(), (with + L"Vellhub.exe").c_str(), FALSE));
    EXPECT_EQ(GetMainAppVersion(with), L"4.2.1.7");
    EXPECT_EQ(GetMainAppVersion(with.substr(0, with.size() - 1)), L"4.2.1.7") << "backslash added";

    const std::wstring without = loadertest::FreshFolder(L"version_without");
    EXPECT_EQ(GetMainAppVersion(without), L"4.0.0.0");

    const std::wstring bare = loadertest::FreshFolder(L"version_bare");
    ASSERT_TRUE(::CopyFileW(ProbeFile(L"loader_probe.exe").c_str(), (bare + L"Vellhub.exe").c_str(), FALSE));
    EXPECT_EQ(GetMainAppVersion(bare), L"4.0.0.0") << "a Vellhub.exe without version resource";
}

TEST(Wow64, MatchesTheNativeArchitecture) {
    SYSTEM_INFO si{};
    ::GetNativeSystemInfo(&si);
    // Only a 32-bit process on 64-bit Windows runs under WOW64.
    EXPECT_EQ(IsWow64(), sizeof(void*) == 4 && si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(IsWow64(), IsWow64()) << "cached";
    EXPECT_FALSE(GetLoginUserName().empty());
}
