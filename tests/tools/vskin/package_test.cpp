#include "core/zip/zip_writer.h"
#include "tests/tools/vskin/fixture.h"
#include "tools/vskin/files.h"
#include "tools/vskin/package_files.h"
#include "tools/vskin/skin_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sys/wait.h>

using namespace vell;
using namespace vell::vskin;
using namespace vell::vskintest;
namespace fs = std::filesystem;

namespace {
const Files kFolder = {
    {"main.ini", "[validate]\r\nskinname=x\r\n"},
    {"images/a.png", Png(4, 4)},
    {"images/B.PNG", Png(2, 2)},
    {"sub/readme.txt", std::string(300, 'x')},
};
} // namespace

TEST(VskinPack, TheSameFolderGivesTheSameBytesWithSortedEntriesStoredOrDeflatedByType) {
    ScratchFolder a, b;
    WriteTree(a.path(), kFolder);
    WriteTree(b.path(), kFolder); // written later: other file times, same package
    const std::vector<std::uint8_t> first = PackFolder(a.path());
    EXPECT_EQ(first, PackFolder(b.path()));

    auto archive = zip::ZipArchive::open(first);
    ASSERT_TRUE(archive);
    const std::vector<std::pair<std::string, int>> expected = {
        {"images/B.PNG", 0}, {"images/a.png", 0}, {"main.ini", 8}, {"sub/readme.txt", 8}};
    ASSERT_EQ(archive->entryCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(archive->entry(i).name, expected[i].first);
        EXPECT_EQ(archive->entry(i).method, expected[i].second) << expected[i].first;
    }
}

TEST(VskinPack, UnpackGivesTheFolderBack) {
    ScratchFolder source, out;
    WriteTree(source.path(), kFolder);
    WriteFile(source.path() / "p.dll", PackFolder(source.path()));
    fs::remove(source.path() / "p.dll.tmp");
    auto archive = OpenPackage(source.path() / "p.dll");
    UnpackPackage(*archive, "p.dll", out.path() / "back");
    for (const auto& [name, data] : kFolder)
        EXPECT_EQ(ReadText(out.path() / "back" / name), data) << name;
}

TEST(VskinPack, BadInputIsOneToolError) {
    ScratchFolder dir;
    std::ofstream(dir.path() / "not.dll") << "this is no archive";
    zip::ZipWriter evil;
    evil.add("../escaped.txt", std::string_view("x"));
    const std::vector<std::uint8_t> bytes = evil.finish();
    WriteFile(dir.path() / "evil.dll", bytes);

    struct Case {
        const char* what;
        std::function<void()> run;
        std::string message;
    } cases[] = {
        {"missing folder", [&] { PackFolder(dir.path() / "none"); },
         (dir.path() / "none").string() + ": no such folder"},
        {"missing package", [&] { OpenPackage(dir.path() / "none.dll"); },
         (dir.path() / "none.dll").string() + ": no such file"},
        {"no archive", [&] { OpenPackage(dir.path() / "not.dll"); },
         (dir.path() / "not.dll").string() + ": not a package (" + zip::errorText(zip::ZipError::NotZip) +
             ")"},
        {"entry outside the folder",
         [&] { UnpackPackage(*OpenPackage(dir.path() / "evil.dll"), "evil.dll", dir.path() / "out"); },
         "evil.dll: entry ../escaped.txt would be written outside " + (dir.path() / "out").string()},
    };
    for (const Case& c : cases) {
        try {
            c.run();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const ToolError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.what;
        }
    }
    EXPECT_FALSE(fs::exists(dir.path() / "escaped.txt"));
}

TEST(VskinCheck, TheDemoSkinsPackedByVskinHaveNoFindings) {
    ScratchFolder dir;
    const fs::path skins = fs::path(VELL_SOURCE_DIR) / "skins";
    WriteFile(dir.path() / "public.rcc", PackFolder(skins / "public"));
    for (const char* skin : {"black", "black2"}) {
        const fs::path package = dir.path() / (std::string(skin) + ".dll");
        WriteFile(package, PackFolder(skins / skin));
        SkinSet set({(dir.path() / "public.rcc").string(), package.string()});
        for (const Finding& f : CheckSkin(set))
            ADD_FAILURE() << FormatFinding(f);
    }
}

TEST(VskinCommandLine, ExitCodes) {
    ScratchFolder dir;
    WriteTree(dir.path() / "skin",
              {{"main.ini", "[validate]\nskinname=skin\n[i]\nclass=image\nimgname=gone.png\n"}});
    std::ofstream(dir.path() / "broken.dll") << "PK but no archive";
    const std::string vskin = VELL_VSKIN_PROGRAM;
    const std::string d = dir.path().string();
    auto run = [&](const std::string& args) {
        const int status = std::system((vskin + " " + args + " > " + d + "/out.txt 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("pack " + d + "/skin " + d + "/skin.dll"), 0);
    EXPECT_EQ(run("ls " + d + "/skin.dll"), 0);
    EXPECT_NE(ReadText(d + "/out.txt").find("main.ini"), std::string::npos);
    EXPECT_EQ(run("check " + d + "/skin.dll"), 1);
    EXPECT_EQ(ReadText(d + "/out.txt"),
              d + "/skin.dll:main.ini:5: error: imgname names gone.png, which no package holds\n");
    EXPECT_EQ(run("check " + d + "/broken.dll"), 2);
    EXPECT_EQ(ReadText(d + "/out.txt"),
              "vskin: " + d + "/broken.dll: not a package (" + zip::errorText(zip::ZipError::NotZip) + ")\n");
    EXPECT_EQ(run("render " + d + "/skin.dll imgname=gone.png 0x5 " + d + "/o.png"), 2);
    EXPECT_EQ(run("frobnicate"), 2);
}
