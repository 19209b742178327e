// A set of packages read the way the product registers them: a package named "public"
// takes the public role, the first other package is the skin, later ones are additional
// packages. The skin caches (sections by class, colours, image definitions, tint
// patterns) are then rebuilt by the core's own code, as the product rebuilds them.
#pragma once
#include "core/package/package_store.h"
#include "core/skin/package_roles.h"
#include "core/skin/skin_cache.h"
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vell::vskin {

// Where a finding is: a package as named on the command line, a path inside it, and a
// line (1-based; 0 for the file as a whole).
struct Location {
    std::string package;
    std::string path;
    int line = 0;
};

class SkinSet {
  public:
    // Unreadable files and damaged archives are ToolErrors.
    explicit SkinSet(const std::vector<std::string>& packagePaths);

    struct Package {
        std::string display; // as named on the command line
        std::string name;    // lower-case base name: the package's files are ":/" + name + "/..."
        std::unique_ptr<zip::ZipArchive> archive;
        bool answers = true; // false when a later package of the same name hides it
    };
    const std::vector<Package>& Packages() const { return packages_; }

    const std::u16string& SkinName() const { return roles_.SkinName(); }
    skin::SkinCaches& Caches() { return caches_; }
    const skin::ResourceReader& Reader() const { return reader_; }

    // The resource path of a name as the product forms it (relative names are in the skin).
    std::u16string ResourcePath(std::u16string_view name) const { return roles_.ResourcePath(name); }
    // The bytes of a name (kept after the first read); false when no package holds it.
    bool Read(std::u16string_view name, std::vector<std::uint8_t>& out) const;
    // Whether a package holds the name, without reading it.
    bool Exists(std::u16string_view name) const;
    // ":/black/main.ini" -> the black package as named, "main.ini".
    Location Locate(std::u16string_view resourcePath, int line) const;

  private:
    std::vector<Package> packages_;
    package::PackageStore store_;
    skin::PackageRoles roles_;
    std::map<std::u16string, std::string> realPaths_; // the roles' spelling -> the file
    skin::ResourceReader reader_;
    skin::SkinCaches caches_;
    mutable std::map<std::u16string, std::vector<std::uint8_t>> read_;
};

} // namespace vell::vskin
