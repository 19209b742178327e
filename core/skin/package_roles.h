// The roles of registered resource packages: the public package, the one current skin
// package, and additional packages. Decides which file to hand to the resource library
// when a package is registered or unregistered, and how a resource path is formed.
// The library itself and the file system are reached through PackageLibrary, so the
// rules are the same in tests and with the real library.
#pragma once
#include "core/containers/string_list.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vell::skin {

struct PackageLibrary {
    std::function<void(const std::u16string& path)> Register;
    std::function<void(const std::u16string& path)> Unregister;
    std::function<bool(const std::u16string& path)> FileExists;
    std::function<bool(const std::u16string& path)> FolderExists;
    std::function<std::uint32_t()> Tick; // milliseconds
};

class PackageRoles {
  public:
    explicit PackageRoles(PackageLibrary library);

    // Registers a package file; its role follows from its name ("public") or from the
    // current roles. MultiLoad registers an additional package instead of replacing the
    // skin. Returns true when a new skin package was registered: the skin caches must
    // then be rebuilt.
    bool Register(std::u16string_view path, bool multiLoad);
    void Unregister(std::u16string_view pathname);
    // Unregisters the skin package and every registered package, and forgets all roles.
    void UnregisterAll();

    // Forgets the skin's name (not its registration), so that registering the same skin
    // again is not skipped as already done.
    void ForgetSkinName() { FSkinName.clear(); }

    const std::u16string& PublicPackagePath() const { return FPublicPackagePath; }
    const std::u16string& SkinPackagePath() const { return FSkinPackagePath; }
    const std::u16string& SkinName() const { return FSkinName; }
    TStringListEx& RegisteredPackages() { return FRegisteredPackages; }
    std::uint32_t ChangeStamp() const { return FChangeStamp; }

    // The library's path of a resource: relative paths are inside the current skin
    // package (":/" + skin name + "/" + path); package paths (":/...") and all paths
    // while no skin is registered are used unchanged.
    std::u16string ResourcePath(std::u16string_view path) const;
    // The same resource as a loose file below rootPath (used in the form designer).
    std::u16string LoosePath(std::u16string_view path, std::u16string_view rootPath) const;

    // A path as the roles keep it and hand it to the library: lower case, "\" separators.
    static std::u16string NormalPath(std::u16string_view path);

    // The two paths name the same package: equal without case once their extensions are
    // removed. Two empty paths are the same.
    static bool SamePackage(std::u16string_view a, std::u16string_view b);

  private:
    std::uint32_t NewStamp();
    void RemoveRegistered(const std::u16string& path);

    PackageLibrary FLibrary;
    std::u16string FPublicPackagePath, FSkinPackagePath, FSkinName;
    TStringListEx FRegisteredPackages;
    std::uint32_t FChangeStamp = 0;
    std::uint32_t FLastTick = 0, FTickCounter = 0;
};

} // namespace vell::skin
