// The registered resource packages. A package file named N.rcc or N.dll (any case)
// is a ZIP archive whose files are reachable under the resource path ":/" + n + "/"
// + the file's path inside the archive, with n the lower-case base name. Several
// packages may carry the same name; the one registered last answers.
// All operations may be called from any thread.
#pragma once
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vell::package {

class PackageStore {
  public:
    PackageStore();
    ~PackageStore();
    PackageStore(const PackageStore&) = delete;
    PackageStore& operator=(const PackageStore&) = delete;

    // Registers the package file at packagePath with the file's bytes. Registering the
    // same path again replaces the earlier content. Bytes that are no usable archive
    // leave the path unregistered; the error says why.
    zip::ZipError add(std::string_view packagePath, std::vector<std::uint8_t> bytes,
                      const zip::ZipLimits& limits = {});
    // Unregisters a package by its file path; unknown paths are ignored.
    void remove(std::string_view packagePath);
    std::size_t count() const;

    // The bytes of a resource path such as ":/public/main.ini"; false when absent or
    // when the entry is damaged (out is then empty).
    bool read(std::string_view resourcePath, std::vector<std::uint8_t>& out) const;

    // Whether a resource path names a file of a registered package (without reading it).
    bool contains(std::string_view resourcePath) const;

    // Sub-folders and files directly below a resource folder such as ":/public/" or
    // ":/black/images". The folder ":/" lists the registered package names.
    void list(std::string_view folderPath, std::vector<std::string>& folders,
              std::vector<std::string>& files) const;

    // "C:\App\Skin\Black.DLL" -> "black".
    static std::string packageName(std::string_view packagePath);

  private:
    struct State;
    std::unique_ptr<State> s_;
};

} // namespace vell::package
