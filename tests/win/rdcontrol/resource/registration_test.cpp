// Package roles, the .rcc/.dll interchange, resource paths, Enum and Size.
#include "tests/win/rdcontrol/resource/resource_test.h"

#include "core/text/strings.h"

#include <vector>

using namespace vell;
using namespace vell::rdtest;
using rd::TResource;

namespace {

class Registration : public ResourceTest {};

} // namespace

TEST_F(Registration, PublicPackageTakesItsRoleByNameInAnyCase) {
    package(u"Public.RCC", {{"main.ini", "[a]\nx=1\n"}});
    const std::uint32_t before = TResource::ChangeStamp();
    TResource::Register(dir / u"Public.RCC", true);
    EXPECT_EQ(TResource::PublicPackagePath(), lower(dir / u"Public.RCC"));
    EXPECT_EQ(TResource::RegisteredPackages().IndexOf(lower(dir / u"public.rcc")), 0);
    EXPECT_NE(TResource::ChangeStamp(), before);
    EXPECT_EQ(read(u":/public/main.ini"), "[a]\nx=1\n");
    EXPECT_EQ(TResource::Size(u":/public/main.ini"), 8);
    EXPECT_EQ(TResource::SkinName(), u"");

    // Again while no skin is registered: unregistered and registered anew.
    std::uint32_t stamp = TResource::ChangeStamp();
    TResource::Register(dir / u"public.rcc", true);
    EXPECT_NE(TResource::ChangeStamp(), stamp);
    EXPECT_EQ(TResource::RegisteredPackages().Count(), 1);

    // Again while a skin is registered: nothing happens.
    package(u"black.dll", {{"main.ini", "[validate]\nskinname=black\n"}});
    TResource::Register(dir / u"black.dll", false);
    stamp = TResource::ChangeStamp();
    TResource::Register(dir / u"public.rcc", true);
    EXPECT_EQ(TResource::ChangeStamp(), stamp);
}

TEST_F(Registration, SkinFilesStandInForEachOtherAndFallBackToClassic) {
    struct Case {
        const char16_t* registered;
        std::vector<const char16_t*> present;
        const char16_t* skinFile;
        const char16_t* skinName;
    };
    const Case cases[] = {
        {u"black.dll", {u"black.rcc"}, u"black.rcc", u"black"},
        {u"black.rcc", {u"black.dll"}, u"black.dll", u"black"},
        {u"black.dll", {u"black.dll", u"black.rcc"}, u"black.dll", u"black"},
        {u"blue.dll", {u"classic.rcc"}, u"classic.rcc", u"classic"},
        {u"blue.dll", {u"classic.dll"}, u"classic.dll", u"classic"},
    };
    for (const Case& c : cases) {
        vell::testing::TempDir folder;
        for (const char16_t* file : c.present)
            WriteBytes(folder / file, PackageBytes({{"a.txt", "x"}}));
        TResource::Register(folder / c.registered, false);
        EXPECT_EQ(TResource::SkinPackagePath(), lower(folder / c.skinFile))
            << std::string(c.registered, c.registered + 9);
        EXPECT_EQ(TResource::SkinName(), c.skinName);
        EXPECT_EQ(read(u"a.txt"), "x");
        rd::UnloadCache(true);
    }
}

TEST_F(Registration, ASkinFolderCountsAsAnExistingSkin) {
    ::CreateDirectoryW(reinterpret_cast<const wchar_t*>((dir / u"blue").c_str()), nullptr);
    TResource::Register(dir / u"blue.dll", false);
    EXPECT_EQ(TResource::SkinName(), u"blue");
}

TEST_F(Registration, TheCurrentSkinAgainChangesNothingAndANewSkinReplacesIt) {
    package(u"black.dll", {{"a.txt", "black"}});
    package(u"black2.dll", {{"a.txt", "black2"}});
    TResource::Register(dir / u"black.dll", false);
    const std::uint32_t stamp = TResource::ChangeStamp();
    int loads = 0;
    TResource::SetResourceLoadHook([&](TStream&, const std::u16string&) {
        ++loads;
        return false;
    });
    TResource::Register(dir / u"BLACK.rcc", false);
    EXPECT_EQ(TResource::ChangeStamp(), stamp);
    EXPECT_EQ(loads, 0); // no rebuild
    TResource::Register(dir / u"black2.dll", false);
    EXPECT_NE(TResource::ChangeStamp(), stamp);
    EXPECT_GT(loads, 0); // the caches were rebuilt
    EXPECT_EQ(TResource::SkinName(), u"black2");
    EXPECT_EQ(read(u"a.txt"), "black2");
    EXPECT_EQ(read(u":/black/a.txt"), ""); // the old skin is gone
}

TEST_F(Registration, AdditionalPackagesAndUnregistering) {
    package(u"public.rcc", {{"p.txt", "p"}});
    package(u"extra.rcc", {{"e.txt", "e"}});
    package(u"black.dll", {{"b.txt", "b"}});
    TResource::Register(dir / u"public.rcc", true);
    TResource::Register(dir / u"extra.dll", true); // only extra.rcc exists
    TResource::Register(dir / u"black.dll", false);
    EXPECT_EQ(TResource::RegisteredPackages().Count(), 2);
    EXPECT_EQ(TResource::SkinName(), u"black");
    EXPECT_EQ(read(u":/extra/e.txt"), "e");

    std::uint32_t stamp = TResource::ChangeStamp();
    TResource::Unregister(dir / u"extra.rcc");
    EXPECT_NE(TResource::ChangeStamp(), stamp);
    EXPECT_EQ(read(u":/extra/e.txt"), "");
    EXPECT_EQ(TResource::RegisteredPackages().Count(), 1);
    TResource::Unregister(dir / u"unknown.rcc"); // accepted silently

    TResource::Unregister(dir / u"black.dll");
    EXPECT_EQ(TResource::SkinName(), u"");
    EXPECT_EQ(read(u":/black/b.txt"), "");
    TResource::Unregister(dir / u"public.rcc");
    EXPECT_EQ(TResource::PublicPackagePath(), u"");
    EXPECT_EQ(read(u":/public/p.txt"), "");
}

TEST_F(Registration, RelativePathsGoIntoTheSkinPackage) {
    std::vector<std::u16string> asked;
    TResource::SetResourceLoadHook([&](TStream& stream, const std::u16string& path) {
        asked.push_back(path);
        stream.WriteBuffer("hook", 4);
        return true;
    });
    EXPECT_EQ(read(u"images/a.png"), "hook");
    package(u"black.dll", {});
    TResource::Register(dir / u"black.dll", false);
    asked.clear();
    read(u"images/a.png");
    read(u":/public/a.png");
    EXPECT_EQ(asked, (std::vector<std::u16string>{u":/black/images/a.png", u":/public/a.png"}));
    TResource::Unregister(dir / u"black.dll");
    asked.clear();
    read(u"images/a.png");
    EXPECT_EQ(asked, std::vector<std::u16string>{u"images/a.png"});
}

TEST_F(Registration, DamagedPackagesReadAsEmpty) {
    const std::string zip =
        PackageBytes({{"main.ini", "[text]\nclass=color\ncl_a=112233\n"}, {"a.txt", "abc"}});
    const std::pair<const char16_t*, std::string> cases[] = {
        {u"empty.dll", ""},
        {u"truncated.dll", zip.substr(0, zip.size() / 2)},
        {u"plain.dll", "this is not an archive at all"},
        {u"header.dll", zip.substr(0, 4)},
    };
    for (const auto& [name, bytes] : cases) {
        WriteBytes(dir / name, bytes);
        TResource::Register(dir / name, false);
        EXPECT_FALSE(TResource::SkinName().empty());
        EXPECT_EQ(read(u"a.txt"), "");
        EXPECT_EQ(TResource::Size(u":/" + TResource::SkinName() + u"/a.txt"), 0);
        std::u16string dirs = u"x", files = u"y";
        TResource::Enum(u":/" + TResource::SkinName() + u"/", dirs, files);
        EXPECT_EQ(dirs + files, u"");
        EXPECT_EQ(TResource::GetColor(u"text.cl_a", clRed, true), clRed);
        EXPECT_TRUE(rd::LoadCachedImage(u"a.png")->Empty());
    }
    // A package file that is missing altogether (and no classic): registered, nothing to read.
    TResource::Register(dir / u"missing.dll", false);
    EXPECT_EQ(TResource::SkinName(), u"classic");
    EXPECT_EQ(read(u"a.txt"), "");
}

TEST_F(Registration, EnumListsFoldersAndFilesEachFollowedByABar) {
    package(u"black.dll",
            {{"main.ini", "x"}, {"images/a.png", "x"}, {"images/sub/b.png", "x"}, {"c.txt", "x"}});
    TResource::Register(dir / u"black.dll", false);
    struct Case {
        const char16_t* folder;
        const char16_t* dirs;
        const char16_t* files;
    };
    const Case cases[] = {
        {u":/black/", u"images|", u"c.txt|main.ini|"},
        {u":/black/images", u"sub|", u"a.png|"},
        {u":/black/images/sub/", u"", u"b.png|"},
        {u":/black/nothing/", u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string dirs, files;
        TResource::Enum(c.folder, dirs, files);
        // The library's order: compare as sets of names.
        auto sorted = [](std::u16string s) {
            std::vector<std::u16string> v;
            for (std::size_t a = 0, b; (b = s.find(u'|', a)) != s.npos; a = b + 1)
                v.push_back(s.substr(a, b - a + 1));
            std::sort(v.begin(), v.end());
            std::u16string r;
            for (auto& x : v)
                r += x;
            return r;
        };
        EXPECT_EQ(sorted(dirs), c.dirs);
        EXPECT_EQ(sorted(files), c.files);
    }
}

TEST_F(Registration, LooseFilesComeFirstInLooseFileMode) {
    package(u"black.dll", {{"a.txt", "packed"}, {"p.txt", "packed only"}});
    TResource::Register(dir / u"black.dll", false);
    ::CreateDirectoryW(reinterpret_cast<const wchar_t*>((dir / u"black").c_str()), nullptr);
    WriteBytes(dir / u"black\\a.txt", "loose");
    WriteBytes(dir / u"black\\l.txt", "loose only");
    TResource::SetRootPath(dir.path());
    EXPECT_EQ(read(u"a.txt"), "packed");
    TResource::SetLooseFileMode(true);
    EXPECT_EQ(read(u"a.txt"), "loose");
    EXPECT_EQ(read(u":/black/l.txt"), "loose only");
    EXPECT_EQ(read(u"p.txt"), "packed only");
    std::u16string dirs, files;
    TResource::Enum(u":/black/", dirs, files);
    EXPECT_EQ(dirs, u"");
    EXPECT_EQ(files.size(), std::u16string(u"a.txt|p.txt|l.txt|").size()); // a.txt is listed once
    EXPECT_NE(files.find(u"l.txt|"), std::u16string::npos);
}
