#include "core/skin/package_roles.h"

#include <gtest/gtest.h>

#include <set>

using namespace vell::skin;

namespace {

struct FakeLibrary {
    std::set<std::u16string> files, folders;
    std::vector<std::u16string> calls;
    std::uint32_t tick = 1000;
    PackageLibrary library() {
        return PackageLibrary{
            [this](const std::u16string& p) { calls.push_back(u"+" + p); },
            [this](const std::u16string& p) { calls.push_back(u"-" + p); },
            [this](const std::u16string& p) { return files.count(p) > 0; },
            [this](const std::u16string& p) { return folders.count(p) > 0; },
            [this] { return tick; },
        };
    }
    std::vector<std::u16string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::u16string>;

} // namespace

TEST(PackageRoles, ThePublicPackage) {
    FakeLibrary lib;
    lib.files = {u"c:\\app\\skin\\public.rcc", u"c:\\app\\skin\\black.dll"};
    PackageRoles roles(lib.library());
    EXPECT_FALSE(roles.Register(u"C:\\App\\Skin\\Public.RCC", false));
    EXPECT_EQ(lib.take(), (Calls{u"+c:\\app\\skin\\public.rcc"}));
    EXPECT_EQ(roles.PublicPackagePath(), u"c:\\app\\skin\\public.rcc");
    EXPECT_EQ(roles.RegisteredPackages().Count(), 1);
    // Again without a skin: unregistered and registered anew.
    roles.Register(u"c:/app/skin/public.dll", false);
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\app\\skin\\public.rcc", u"+c:\\app\\skin\\public.rcc"}));
    // With a skin registered the same public package is left alone.
    EXPECT_TRUE(roles.Register(u"c:\\app\\skin\\black.dll", false));
    lib.take();
    EXPECT_FALSE(roles.Register(u"c:\\app\\skin\\public.rcc", false));
    EXPECT_TRUE(lib.take().empty());
}

TEST(PackageRoles, SkinPackagesAndTheirFallbacks) {
    struct Case {
        std::set<std::u16string> files;
        std::set<std::u16string> folders;
        const char16_t* request;
        const char16_t* registered;
        const char16_t* skinName;
    };
    const Case cases[] = {
        {{u"c:\\s\\black.rcc"}, {}, u"c:\\s\\black.dll", u"c:\\s\\black.rcc", u"black"},
        {{u"c:\\s\\black.dll"}, {}, u"c:\\s\\Black.dll", u"c:\\s\\black.dll", u"black"},
        {{u"c:\\s\\classic.rcc"}, {}, u"c:\\s\\blue.dll", u"c:\\s\\classic.rcc", u"classic"},
        {{u"c:\\s\\classic.dll"}, {}, u"c:\\s\\blue.dll", u"c:\\s\\classic.dll", u"classic"},
        {{}, {u"c:\\s\\blue"}, u"c:\\s\\blue.dll", u"c:\\s\\blue.dll", u"blue"}, // a folder counts
    };
    for (const Case& c : cases) {
        FakeLibrary lib;
        lib.files = c.files;
        lib.folders = c.folders;
        PackageRoles roles(lib.library());
        EXPECT_TRUE(roles.Register(c.request, false));
        EXPECT_EQ(lib.take(), (Calls{std::u16string(u"+") + c.registered}));
        EXPECT_EQ(roles.SkinPackagePath(), c.registered);
        EXPECT_EQ(roles.SkinName(), c.skinName);
        EXPECT_EQ(roles.RegisteredPackages().Count(), 0);
    }
}

TEST(PackageRoles, ReplacingRepeatingAndAddingPackages) {
    FakeLibrary lib;
    lib.files = {u"c:\\s\\black.dll", u"c:\\s\\black2.dll", u"c:\\s\\extra.rcc"};
    PackageRoles roles(lib.library());
    roles.Register(u"c:\\s\\black.dll", false);
    lib.take();
    EXPECT_FALSE(roles.Register(u"C:\\S\\BLACK.rcc", false)); // the current skin: nothing
    EXPECT_TRUE(lib.take().empty());
    EXPECT_TRUE(roles.Register(u"c:\\s\\black2.dll", false));
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\s\\black.dll", u"+c:\\s\\black2.dll"}));

    EXPECT_FALSE(roles.Register(u"c:\\s\\extra.dll", true));
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\s\\extra.dll", u"-c:\\s\\extra.rcc", u"+c:\\s\\extra.rcc"}));
    EXPECT_EQ(roles.SkinName(), u"black2");
    EXPECT_EQ(roles.RegisteredPackages().Count(), 1);

    roles.Unregister(u"c:\\s\\extra.rcc");
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\s\\extra.rcc", u"-c:\\s\\extra.dll"}));
    EXPECT_EQ(roles.RegisteredPackages().Count(), 0);
    roles.Unregister(u"d:\\elsewhere\\black2.rcc"); // by name: the current skin goes
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\s\\black2.dll"}));
    EXPECT_TRUE(roles.SkinName().empty());
}

TEST(PackageRoles, UnregisteringEverythingAllowsRegisteringAgain) {
    FakeLibrary lib;
    lib.files = {u"c:\\s\\public.rcc", u"c:\\s\\black.dll", u"c:\\s\\more.dll"};
    PackageRoles roles(lib.library());
    roles.Register(u"c:\\s\\public.rcc", false);
    roles.Register(u"c:\\s\\black.dll", false);
    roles.Register(u"c:\\s\\more.dll", true);
    lib.take();
    roles.UnregisterAll();
    EXPECT_EQ(lib.take(), (Calls{u"-c:\\s\\black.dll", u"-c:\\s\\public.rcc", u"-c:\\s\\more.dll"}));
    EXPECT_TRUE(roles.Register(u"c:\\s\\black.dll", false));
    EXPECT_EQ(lib.take(), (Calls{u"+c:\\s\\black.dll"}));
}

TEST(PackageRoles, ResourceAndLoosePaths) {
    FakeLibrary lib;
    lib.files = {u"c:\\s\\black.dll"};
    PackageRoles roles(lib.library());
    EXPECT_EQ(roles.ResourcePath(u"images/a.png"), u"images/a.png");
    EXPECT_EQ(roles.LoosePath(u":/public/a.png", u"c:\\s"), u"c:\\s\\public\\a.png");
    roles.Register(u"c:\\s\\black.dll", false);
    EXPECT_EQ(roles.ResourcePath(u"images/a.png"), u":/black/images/a.png");
    EXPECT_EQ(roles.ResourcePath(u":/public/a.png"), u":/public/a.png");
    EXPECT_EQ(roles.LoosePath(u"images/a.png", u"c:\\s\\"), u"c:\\s\\black\\images\\a.png");
}

TEST(PackageRoles, ChangeStampsDifferWithinOneTick) {
    FakeLibrary lib;
    PackageRoles roles(lib.library());
    std::vector<std::uint32_t> stamps;
    for (int i = 0; i < 3; ++i) {
        roles.Unregister(u"c:\\x.dll");
        stamps.push_back(roles.ChangeStamp());
    }
    lib.tick = 2000;
    roles.Unregister(u"c:\\x.dll");
    stamps.push_back(roles.ChangeStamp());
    EXPECT_EQ(stamps, (std::vector<std::uint32_t>{1000, 1001, 1002, 2000}));
}

TEST(PackageRoles, ChangeStampsNeverRepeatWhenTheTickCatchesUpWithTheCounter) {
    FakeLibrary lib;
    PackageRoles roles(lib.library());
    std::vector<std::uint32_t> stamps;
    for (std::uint32_t tick : {1000u, 1000u, 1000u, 1002u, 1002u, 1001u}) {
        lib.tick = tick;
        roles.Unregister(u"c:\\x.dll");
        stamps.push_back(roles.ChangeStamp());
    }
    EXPECT_EQ(stamps, (std::vector<std::uint32_t>{1000, 1001, 1002, 1003, 1004, 1005}));
}
