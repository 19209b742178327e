#include <windows.h>

#include "core/zip/zip_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

using RegisterFn = void(__stdcall*)(const wchar_t*);
using DataFn = void(__stdcall*)(const wchar_t*, void*, int*);
using EnumFn = void(__stdcall*)(const wchar_t*, void*, void*);
using CreateFn = void*(__stdcall*)();
using SetFn = void(__stdcall*)(void*, const wchar_t*);
using GetFn = const wchar_t*(__stdcall*)(void*);
using CloseFn = void(__stdcall*)(void*);

const std::wstring kDllPath = L"" VELL_BINARY_DIR "\\product\\webres.dll";

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

class WebRes : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module_ = ::LoadLibraryW(kDllPath.c_str());
        ASSERT_NE(module_, nullptr) << "cannot load webres.dll";
    }
    static void TearDownTestSuite() { ::FreeLibrary(module_); }

    void SetUp() override {
        ASSERT_NE(module_, nullptr);
        Register = proc<RegisterFn>("WebUIResourceRegister");
        Unregister = proc<RegisterFn>("WebUIResourceUnregister");
        Data = proc<DataFn>("WebUIResourceData");
        Enum = proc<EnumFn>("WebUIResourceEnum");
        Create = proc<CreateFn>("QStringCreate");
        Set = proc<SetFn>("QStringSet");
        Get = proc<GetFn>("QStringGet");
        Close = proc<CloseFn>("QStringClose");
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        dir_ = std::wstring(tmp) + L"vell_webres_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
               widen(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L"\\";
        ::CreateDirectoryW(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::wstring& f : written_) {
            Unregister(f.c_str());
            ::DeleteFileW(f.c_str());
        }
        ::RemoveDirectoryW(dir_.c_str());
    }

    template <typename F> static F proc(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
    }

    std::wstring write(const wchar_t* name, const std::vector<std::uint8_t>& bytes) {
        std::wstring path = dir_ + name;
        std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        written_.push_back(path);
        return path;
    }
    std::wstring writePackage(const wchar_t* name,
                              std::initializer_list<std::pair<const char*, const char*>> files) {
        vell::zip::ZipWriter w;
        for (auto& [n, d] : files)
            w.add(n, d);
        return write(name, w.finish());
    }

    // The program's calling order: the size first, then a buffer of exactly that size.
    std::string read(const wchar_t* path) {
        int size = 0;
        Data(path, nullptr, &size);
        if (size <= 0) return "<absent>";
        std::string buffer(std::size_t(size), '\0');
        Data(path, buffer.data(), nullptr);
        return buffer;
    }

    std::pair<std::wstring, std::wstring> list(const wchar_t* folder) {
        void* dirs = Create();
        void* files = Create();
        Enum(folder, dirs, files);
        std::pair<std::wstring, std::wstring> r{Get(dirs), Get(files)};
        Close(dirs);
        Close(files);
        return r;
    }

    static HMODULE module_;
    std::wstring dir_;
    std::vector<std::wstring> written_;
    RegisterFn Register, Unregister;
    DataFn Data;
    EnumFn Enum;
    CreateFn Create;
    SetFn Set;
    GetFn Get;
    CloseFn Close;
};
HMODULE WebRes::module_ = nullptr;

} // namespace

TEST_F(WebRes, ExportsExactlyTheEightUndecoratedNames) {
    auto* base = reinterpret_cast<const BYTE*>(module_);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dirEntry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dirEntry.VirtualAddress, 0u);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dirEntry.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        found.insert(reinterpret_cast<const char*>(base + names[i]));
    const std::set<std::string> expected = {"QStringClose",
                                            "QStringCreate",
                                            "QStringGet",
                                            "QStringSet",
                                            "WebUIResourceData",
                                            "WebUIResourceEnum",
                                            "WebUIResourceRegister",
                                            "WebUIResourceUnregister"};
    EXPECT_EQ(found, expected);
    for (const std::string& name : expected)
        EXPECT_NE(::GetProcAddress(module_, name.c_str()), nullptr) << name;
}

TEST_F(WebRes, ServesRegisteredPackagesUnderTheirNames) {
    const std::wstring pub = writePackage(L"Public.RCC", {{"main.ini", "[panel]\r\nclass=TRdPanel\r\n"}});
    const std::wstring black =
        writePackage(L"black.dll", {{"main.ini", "[validate]"}, {"images/app_icon_tip.png", "PNGDATA"}});
    Register(pub.c_str());
    Register(black.c_str());
    EXPECT_EQ(read(L":/public/main.ini"), "[panel]\r\nclass=TRdPanel\r\n");
    EXPECT_EQ(read(L":/black/images/app_icon_tip.png"), "PNGDATA");
    EXPECT_EQ(read(L":/black/images/missing.png"), "<absent>");
    EXPECT_EQ(read(L"images/app_icon_tip.png"), "<absent>");
    EXPECT_EQ(read(L""), "<absent>");

    // A fill call that was not preceded by its size query writes nothing.
    char buffer[8] = "xxxxxxx";
    Data(L":/black/main.ini", buffer, nullptr);
    EXPECT_STREQ(buffer, "xxxxxxx");
    // Null arguments are accepted.
    Data(nullptr, nullptr, nullptr);
    Register(nullptr);
    Unregister(nullptr);

    EXPECT_EQ(list(L":/black/"), std::make_pair(std::wstring(L"images|"), std::wstring(L"main.ini|")));
    EXPECT_EQ(list(L":/black/images"), std::make_pair(std::wstring(L""), std::wstring(L"app_icon_tip.png|")));
    EXPECT_EQ(list(L":/nothing/"), std::make_pair(std::wstring(L""), std::wstring(L"")));

    // Unregistering by another spelling of the same path frees the package.
    std::wstring upper = black;
    ::CharUpperBuffW(upper.data(), DWORD(upper.size()));
    Unregister(upper.c_str());
    EXPECT_EQ(read(L":/black/main.ini"), "<absent>");
    Unregister((dir_ + L"never_registered.dll").c_str());
    EXPECT_EQ(read(L":/public/main.ini"), "[panel]\r\nclass=TRdPanel\r\n");
}

TEST_F(WebRes, RegisteringAChangedFilePicksUpTheChange) {
    const std::wstring black = writePackage(L"black.dll", {{"main.ini", "first"}});
    Register(black.c_str());
    EXPECT_EQ(read(L":/black/main.ini"), "first");
    writePackage(L"black.dll", {{"main.ini", "second, longer"}});
    EXPECT_EQ(read(L":/black/main.ini"), "first"); // the registered copy stays until re-registered
    Register(black.c_str());
    EXPECT_EQ(read(L":/black/main.ini"), "second, longer");
}

TEST_F(WebRes, BadPackagesReadAsAbsent) {
    vell::zip::ZipWriter w;
    w.add("main.ini", std::string(4000, 'a'));
    std::vector<std::uint8_t> truncated = w.finish();
    truncated.resize(truncated.size() / 2);
    const std::wstring files[] = {
        dir_ + L"missing.dll",
        write(L"empty.dll", {}),
        write(L"notzip.rcc", std::vector<std::uint8_t>(300, 'M')),
        write(L"truncated.dll", truncated),
    };
    for (const std::wstring& f : files) {
        Register(f.c_str());
        std::wstring name = f.substr(f.rfind(L'\\') + 1);
        name = name.substr(0, name.find(L'.'));
        EXPECT_EQ(read((L":/" + name + L"/main.ini").c_str()), "<absent>");
        EXPECT_EQ(list((L":/" + name + L"/").c_str()), std::make_pair(std::wstring(), std::wstring()));
        Unregister(f.c_str());
    }
}

TEST_F(WebRes, TextHandlesHoldTheirTextUntilClosed) {
    void* h = Create();
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(Get(h), L"");
    Set(h, L"abc|def|");
    EXPECT_STREQ(Get(h), L"abc|def|");
    Close(h);
    EXPECT_STREQ(Get(nullptr), L"");
    Close(nullptr);
}

TEST_F(WebRes, DemoSkinPackagesHoldWhatTheLoadingBoxNeeds) {
    const std::wstring skin = L"" VELL_BINARY_DIR "\\product\\skin\\";
    for (const wchar_t* package : {L"public.rcc", L"black.dll", L"black2.dll"})
        Register((skin + package).c_str());
    EXPECT_NE(read(L":/public/main.ini").find("[label_tip]"), std::string::npos);
    EXPECT_EQ(list(L":/black/"),
              std::make_pair(std::wstring(L"images|"), std::wstring(L"color_setting.ini|main.ini|")));
    // Pictures: PNG files, the large skin's at double size.
    auto pngSize = [&](const wchar_t* path) {
        const std::string png = read(path);
        if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::make_pair(0, 0);
        auto be32 = [&](std::size_t at) {
            return int(std::uint8_t(png[at]) << 24 | std::uint8_t(png[at + 1]) << 16 |
                       std::uint8_t(png[at + 2]) << 8 | std::uint8_t(png[at + 3]));
        };
        return std::make_pair(be32(16), be32(20));
    };
    EXPECT_EQ(pngSize(L":/black/images/app_icon_tip.png"), std::make_pair(80, 80));
    EXPECT_EQ(pngSize(L":/black2/images/app_icon_tip.png"), std::make_pair(160, 160));
    EXPECT_EQ(pngSize(L":/black/images/img_preview_pannel.png"), std::make_pair(64, 64));
    EXPECT_EQ(pngSize(L":/black2/images/img_preview_pannel.png"), std::make_pair(128, 128));
    for (const wchar_t* settings : {L":/black/color_setting.ini", L":/black2/color_setting.ini"})
        EXPECT_NE(read(settings).find("cl_txt_hot="), std::string::npos);
    for (const wchar_t* main : {L":/black/main.ini", L":/black2/main.ini"}) {
        const std::string text = read(main);
        EXPECT_NE(text.find("[validate]"), std::string::npos);
        EXPECT_NE(text.find("skinname="), std::string::npos);
        EXPECT_NE(text.find("[tintpng]"), std::string::npos);
    }
    for (const wchar_t* package : {L"public.rcc", L"black.dll", L"black2.dll"})
        Unregister((skin + package).c_str());
    EXPECT_EQ(read(L":/black/main.ini"), "<absent>");
}
