// Binding webres.dll, run in a child process of its own so that the library starts out
// unbound there: without the library every call is skipped but the module state still
// updates; after shutdown nothing binds again.
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/resource/webres_library.h"
#include "tests/support/temp_dir.h"
#include "tests/support/resource_fixture.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace vell;
using rd::TResource;

TEST(WebResBinding, RunsInAFreshProcess) {
    EXPECT_EQ(rdtest::RunDisabledTestsInChild("WebResBindingChild.DISABLED_*"), 0u)
        << "the child's failures are in its own output";
}

TEST(WebResBindingChild, DISABLED_WithoutTheLibraryThenBoundThenClosed) {
    ASSERT_EQ(::GetModuleHandleW(L"webres.dll"), nullptr);
    rd::StartResourceModule();
    vell::testing::TempDir dir;
    rdtest::WriteBytes(dir / u"black.dll", rdtest::PackageBytes({{"a.txt", "abc"}}));

    EXPECT_FALSE(rd::LoadWebResLibrary(dir.path()));
    TResource::Register(dir / u"black.dll", false); // the state updates, nothing is read
    EXPECT_EQ(TResource::SkinName(), u"black");
    TMemoryStream stream;
    TResource::LoadStream(stream, u"a.txt");
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(TResource::Size(u":/black/a.txt"), 0);
    std::u16string dirs = u"x", files = u"y";
    TResource::Enum(u":/black/", dirs, files);
    EXPECT_EQ(dirs + files, u"");
    EXPECT_TRUE(rd::LoadCachedImage(u"a.png")->Empty());

    ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\"));
    EXPECT_TRUE(rd::webres::LoadedByUs());
    TResource::Unregister(dir / u"black.dll");
    TResource::Register(dir / u"black.dll", false);
    TResource::LoadStream(stream, u"a.txt");
    EXPECT_EQ(stream.Bytes(), "abc");

    rd::StopResourceModule(); // ours: its exports are dropped and it is freed
    EXPECT_FALSE(rd::webres::LoadedByUs());
    EXPECT_EQ(rd::LoadCachedImage(u"a.png"), nullptr);
    EXPECT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\")); // closed for good
    EXPECT_FALSE(rd::webres::RegisterBound());
    TResource::Register(dir / u"black.dll", false);
    EXPECT_EQ(TResource::Size(u":/black/a.txt"), 0);

    rd::StartResourceModule(); // started again, it binds again
    ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\"));
    EXPECT_TRUE(rd::webres::RegisterBound());
    TResource::Register(dir / u"black.dll", false);
    EXPECT_EQ(TResource::Size(u":/black/a.txt"), 3);
    rd::UnloadCache(true);
    rd::StopResourceModule();
}
