// Helpers shared by the skinned library's tests and benchmarks: module start-up bound to the
// built webres.dll, small packages written with the core's ZIP writer, and PNG bytes.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace vell::rdtest {

// The image engine and the resource module, started once per process; webres.dll is the
// one in the build's product folder.
void StartModulesOnce();
// Runs this test program again in a child process with only the disabled tests that match
// the gtest filter, so that they start with nothing bound; the child's exit code (0: passed).
unsigned long RunDisabledTestsInChild(const char* filter);
// The built demo packages' folder, with a trailing backslash.
std::u16string DemoSkinFolder();

using Files = std::initializer_list<std::pair<std::string, std::string>>;
// A package archive (ZIP) holding the files.
std::string PackageBytes(Files files);
void WriteBytes(const std::u16string& path, const std::string& bytes);
// A w x h PNG filled with one opaque colour (0x00BBGGRR).
std::string PngBytes(int w, int h, std::uint32_t colour);

} // namespace vell::rdtest
