// Scratch folders and small packages for the vskin tests.
#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vell::vskintest {

// A fresh empty folder below the system's temporary folder, removed with the object.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

using Files = std::map<std::string, std::string>;
void WriteTree(const std::filesystem::path& folder, const Files& files);
// A package archive of the files, written with the core's ZIP writer.
void WritePackage(const std::filesystem::path& file, const Files& files);
std::string ReadText(const std::filesystem::path& file);
// An opaque w x h PNG.
std::string Png(int w, int h);

} // namespace vell::vskintest
