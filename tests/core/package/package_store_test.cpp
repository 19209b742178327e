#include "core/package/package_store.h"
#include "core/zip/zip_writer.h"

#include <gtest/gtest.h>

using namespace vell;
using package::PackageStore;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes archive(std::initializer_list<std::pair<const char*, const char*>> files) {
    zip::ZipWriter w;
    for (auto& [name, data] : files)
        w.add(name, data);
    return w.finish();
}

std::string readText(const PackageStore& store, const char* path) {
    Bytes out;
    if (!store.read(path, out)) return "<absent>";
    return std::string(out.begin(), out.end());
}

} // namespace

TEST(PackageStore, PackageNameIsTheLowerCaseBaseName) {
    EXPECT_EQ(PackageStore::packageName("C:\\App\\Skin\\Public.RCC"), "public");
    EXPECT_EQ(PackageStore::packageName("skin/black2.dll"), "black2");
    EXPECT_EQ(PackageStore::packageName("classic"), "classic");
    EXPECT_EQ(PackageStore::packageName("c:\\a.b\\x.y.dll"), "x.y");
}

TEST(PackageStore, ResolvesResourcePathsByPackageName) {
    PackageStore store;
    EXPECT_EQ(store.add("C:\\Skin\\Public.rcc", archive({{"main.ini", "pub"}})), zip::ZipError::None);
    EXPECT_EQ(store.add("C:\\Skin\\black.dll", archive({{"main.ini", "blk"}, {"images/a.png", "A"}})),
              zip::ZipError::None);
    EXPECT_EQ(readText(store, ":/public/main.ini"), "pub");
    EXPECT_EQ(readText(store, ":/black/main.ini"), "blk");
    EXPECT_EQ(readText(store, ":/Black/Images/A.png"), "A");
    EXPECT_EQ(readText(store, ":\\black\\images\\a.png"), "A");
    // Paths that do not name a package and a file are absent.
    for (const char* path :
         {"images/a.png", ":/", ":/black", ":/black/", ":/black/images", ":/blue/main.ini", ""})
        EXPECT_EQ(readText(store, path), "<absent>") << path;
}

TEST(PackageStore, ReRegisteringPicksUpChangesAndUnregisteringFrees) {
    PackageStore store;
    store.add("c:\\skin\\black.dll", archive({{"main.ini", "old"}}));
    store.add("C:/SKIN/BLACK.DLL", archive({{"main.ini", "new"}}));
    EXPECT_EQ(store.count(), 1u);
    EXPECT_EQ(readText(store, ":/black/main.ini"), "new");

    // The same name from another file: the later registration answers until it goes.
    store.add("c:\\skin\\black.rcc", archive({{"main.ini", "rcc"}}));
    EXPECT_EQ(readText(store, ":/black/main.ini"), "rcc");
    store.remove("c:\\skin\\black.rcc");
    EXPECT_EQ(readText(store, ":/black/main.ini"), "new");
    store.remove("c:\\skin\\unknown.dll");
    store.remove("");
    store.remove("c:\\skin\\black.dll");
    EXPECT_EQ(store.count(), 0u);
    EXPECT_EQ(readText(store, ":/black/main.ini"), "<absent>");
}

TEST(PackageStore, BadPackagesAreNotRegistered) {
    PackageStore store;
    store.add("c:\\skin\\black.dll", archive({{"main.ini", "ok"}}));
    EXPECT_EQ(store.add("c:\\skin\\black.dll", Bytes{}), zip::ZipError::NotZip);
    EXPECT_EQ(store.add("c:\\skin\\other.dll", Bytes(100, 'M')), zip::ZipError::NotZip);
    // A file that turned bad drops its earlier registration.
    EXPECT_EQ(store.count(), 0u);
    EXPECT_EQ(readText(store, ":/black/main.ini"), "<absent>");
}

TEST(PackageStore, ListsFoldersOfPackagesAndThePackagesThemselves) {
    PackageStore store;
    store.add("public.rcc", archive({{"main.ini", ""}, {"button.ini", ""}, {"images/x.png", ""}}));
    store.add("black.dll", archive({{"images/a.png", ""}, {"images/big/b.png", ""}}));
    std::vector<std::string> dirs, files;
    store.list(":/public/", dirs, files);
    EXPECT_EQ(dirs, (std::vector<std::string>{"images"}));
    EXPECT_EQ(files, (std::vector<std::string>{"main.ini", "button.ini"}));
    store.list(":/black/images", dirs, files);
    EXPECT_EQ(dirs, (std::vector<std::string>{"big"}));
    EXPECT_EQ(files, (std::vector<std::string>{"a.png"}));
    store.list(":/", dirs, files);
    EXPECT_EQ(dirs, (std::vector<std::string>{"public", "black"}));
    EXPECT_TRUE(files.empty());
    store.list(":/nothing/", dirs, files);
    EXPECT_TRUE(dirs.empty() && files.empty());
    store.list("images", dirs, files);
    EXPECT_TRUE(dirs.empty() && files.empty());
}
