// The resource module's process-wide state, shared by its source files (not for callers:
// they use resource.h).
#pragma once
#include "core/skin/package_roles.h"
#include "core/skin/skin_cache.h"
#include "rdcontrol/resource/resource.h"

#include <memory>
#include <mutex>

namespace vell::rd::detail {

struct ResourceState {
    // The roles and the root path change on the user-interface thread while drawing
    // threads form resource paths from them; rolesLock guards both. No other lock is
    // taken while it is held.
    std::mutex rolesLock;
    std::unique_ptr<skin::PackageRoles> roles; // paths, roles, registered list, change stamp
    std::u16string rootPath;
    TColor skinTintColor = clNone;
    bool looseFileMode = false;
    TResourceLoadHook loadHook;
    // Created by the module's start-up, freed at its shutdown.
    std::unique_ptr<skin::SkinCaches> caches;
};

ResourceState& State();
// A fresh set of roles over webres.dll and the file system.
std::unique_ptr<skin::PackageRoles> NewPackageRoles();

// Runs f(roles, rootPath) under the roles' lock.
template <class F> decltype(auto) WithRoles(F&& f) {
    ResourceState& s = State();
    std::lock_guard guard(s.rolesLock);
    if (!s.roles) s.roles = NewPackageRoles();
    return f(*s.roles, s.rootPath);
}
// The program's folder with a trailing backslash.
std::u16string ProgramFolder();

// The resource's bytes as LoadStream reads them (empty when absent).
std::string ReadResource(const std::u16string& path);

// ---- tint patterns: a copy of the skin's "tintpng" lines, taken at each rebuild ----
void SnapshotTintPatterns(skin::SkinClassTable& table);
void ClearTintPatterns();
bool IsTintablePicture(const std::u16string& path);

// ---- image cache ----
void CreateImageCache();
void FreeImageCache();
bool HasImageCache();
// Empties the cache, freeing its graphics.
void ClearImageCache();
// Loads every cached picture afresh into its existing object. tintOnly: only the pictures
// a tint applies to.
void ReloadCachedImages(bool tintOnly);

} // namespace vell::rd::detail
