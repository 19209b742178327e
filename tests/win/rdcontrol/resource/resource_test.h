// The resource tests' fixture: every test starts and ends with nothing registered, no
// tint, no load hook and empty caches, and has a temporary folder for its packages.
#pragma once
#include "rdcontrol/resource/resource.h"
#include "tests/support/temp_dir.h"
#include "tests/support/resource_fixture.h"

#include <gtest/gtest.h>

namespace vell::rdtest {

// ASCII letters lower-cased, as package paths are kept.
inline std::u16string lower(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return s;
}

class ResourceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { StartModulesOnce(); }
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        rd::UnloadCache(true);
        rd::TResource::SetSkinTintColor(clNone);
        rd::TResource::SetResourceLoadHook(nullptr);
        rd::TResource::SetLooseFileMode(false);
    }

    // Writes a package file into the test's folder; returns its path.
    std::u16string package(const std::u16string& fileName, Files files) {
        const std::u16string path = dir / fileName;
        WriteBytes(path, PackageBytes(files));
        return path;
    }
    static std::string read(const std::u16string& path) {
        TMemoryStream stream;
        rd::TResource::LoadStream(stream, path);
        return stream.Bytes();
    }

    vell::testing::TempDir dir;
};

} // namespace vell::rdtest
