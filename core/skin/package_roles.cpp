#include "core/skin/package_roles.h"

#include "core/text/strings.h"

#include <algorithm>

namespace vell::skin {

namespace {

std::u16string normalise(std::u16string_view path) {
    std::u16string r(path);
    for (char16_t& c : r) {
        if (c == u'/')
            c = u'\\';
        else if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
    }
    return r;
}

// Position of the extension's dot in the last path segment, or npos.
std::size_t extensionDot(std::u16string_view path) {
    const std::size_t dot = path.rfind(u'.');
    const std::size_t sep = path.find_last_of(u"\\/:");
    return dot != std::u16string_view::npos && (sep == std::u16string_view::npos || dot > sep) ? dot
                                                                                               : path.npos;
}

std::u16string_view withoutExtension(std::u16string_view path) {
    return path.substr(0, extensionDot(path));
}

std::u16string fileName(std::u16string_view path) {
    const std::size_t sep = path.find_last_of(u"\\/:");
    return std::u16string(withoutExtension(sep == std::u16string_view::npos ? path : path.substr(sep + 1)));
}

std::u16string folderOf(std::u16string_view path) {
    const std::size_t sep = path.find_last_of(u"\\/:");
    return sep == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, sep + 1));
}

// The other spelling of a package file: .rcc <-> .dll.
std::u16string alternative(const std::u16string& path) {
    const std::size_t dot = extensionDot(path);
    const bool rcc =
        dot != std::u16string::npos && text::sameTextAscii(std::u16string_view(path).substr(dot), u".rcc");
    return std::u16string(withoutExtension(path)) + (rcc ? u".dll" : u".rcc");
}

std::u16string withTrailingBackslash(std::u16string_view folder) {
    std::u16string r(folder);
    if (!r.empty() && r.back() != u'\\') r += u'\\';
    return r;
}

} // namespace

std::u16string PackageRoles::NormalPath(std::u16string_view path) {
    return normalise(path);
}

PackageRoles::PackageRoles(PackageLibrary library) : FLibrary(std::move(library)) {
    FRegisteredPackages.SetSorted(true);
}

bool PackageRoles::SamePackage(std::u16string_view a, std::u16string_view b) {
    return text::sameTextAscii(withoutExtension(a), withoutExtension(b));
}

std::uint32_t PackageRoles::NewStamp() {
    const std::uint32_t tick = FLibrary.Tick ? FLibrary.Tick() : 0;
    std::uint32_t stamp;
    if (tick == FLastTick) {
        stamp = tick + ++FTickCounter;
    } else {
        FTickCounter = 0;
        FLastTick = tick;
        stamp = tick;
    }
    // A tick plus its counter may reach a later tick: a stamp never goes back to or
    // repeats an earlier one, so whoever remembered a stamp always sees the change.
    if (FChangeStamp != 0 && std::int32_t(stamp - FChangeStamp) <= 0) stamp = FChangeStamp + 1;
    return stamp;
}

void PackageRoles::RemoveRegistered(const std::u16string& path) {
    const int index = FRegisteredPackages.IndexOf(path);
    if (index >= 0) FRegisteredPackages.Delete(index);
}

bool PackageRoles::Register(std::u16string_view rawPath, bool multiLoad) {
    std::u16string path = normalise(rawPath);
    std::u16string name = fileName(path);
    std::u16string alt = alternative(path);
    auto exists = [&](const std::u16string& p) { return FLibrary.FileExists && FLibrary.FileExists(p); };
    auto preferExisting = [&] {
        if (!exists(path) && exists(alt)) path = alt;
    };

    if (name == u"public" || (!FPublicPackagePath.empty() && SamePackage(path, FPublicPackagePath))) {
        if (!FSkinName.empty() && SamePackage(path, FPublicPackagePath)) return false;
        if (!FPublicPackagePath.empty()) {
            RemoveRegistered(FPublicPackagePath);
            FLibrary.Unregister(FPublicPackagePath);
            FPublicPackagePath.clear();
        }
        preferExisting();
        FLibrary.Register(path);
        FRegisteredPackages.Add(path);
        FPublicPackagePath = path;
        FChangeStamp = NewStamp();
        return false;
    }

    if (!multiLoad && !exists(path) && !exists(alt) &&
        !(FLibrary.FolderExists && FLibrary.FolderExists(std::u16string(withoutExtension(path))))) {
        const std::u16string folder = folderOf(path);
        name = u"classic";
        path = folder + u"classic.rcc";
        alt = folder + u"classic.dll";
    }
    if (!FSkinPackagePath.empty() && SamePackage(FSkinPackagePath, path) && FSkinName == name) return false;

    if (multiLoad) {
        RemoveRegistered(path);
        RemoveRegistered(alt);
        FLibrary.Unregister(path);
        FLibrary.Unregister(alt);
        preferExisting();
        FLibrary.Register(path);
        FRegisteredPackages.Add(path);
        FChangeStamp = NewStamp();
        return false;
    }
    if (!FSkinPackagePath.empty()) {
        FLibrary.Unregister(FSkinPackagePath);
        FSkinPackagePath.clear();
        FSkinName.clear();
    }
    preferExisting();
    FLibrary.Register(path);
    FSkinPackagePath = path;
    FSkinName = name;
    FChangeStamp = NewStamp();
    return true;
}

void PackageRoles::Unregister(std::u16string_view rawPath) {
    const std::u16string path = normalise(rawPath);
    const std::u16string name = fileName(path);
    const std::u16string alt = alternative(path);
    if (!FSkinName.empty() && name == FSkinName) {
        FLibrary.Unregister(FSkinPackagePath);
        FChangeStamp = NewStamp();
        FSkinPackagePath.clear();
        FSkinName.clear();
    } else if (name == u"public") {
        RemoveRegistered(FPublicPackagePath);
        FLibrary.Unregister(FPublicPackagePath);
        FPublicPackagePath.clear();
        FChangeStamp = NewStamp();
    } else {
        RemoveRegistered(path);
        RemoveRegistered(alt);
        FLibrary.Unregister(path);
        FLibrary.Unregister(alt);
        FChangeStamp = NewStamp();
        if (SamePackage(path, FPublicPackagePath)) {
            FPublicPackagePath.clear();
        } else if (SamePackage(path, FSkinPackagePath)) {
            FSkinPackagePath.clear();
            FSkinName.clear();
        }
    }
}

void PackageRoles::UnregisterAll() {
    if (!FSkinPackagePath.empty()) FLibrary.Unregister(FSkinPackagePath);
    for (int i = FRegisteredPackages.Count() - 1; i >= 0; --i)
        FLibrary.Unregister(FRegisteredPackages.Strings(i));
    FRegisteredPackages.Clear();
    // Forgetting the roles too lets the same packages be registered again afterwards.
    FSkinPackagePath.clear();
    FSkinName.clear();
    FPublicPackagePath.clear();
}

std::u16string PackageRoles::ResourcePath(std::u16string_view path) const {
    if (FSkinName.empty() || (!path.empty() && path.front() == u':')) return std::u16string(path);
    return u":/" + FSkinName + u"/" + std::u16string(path);
}

std::u16string PackageRoles::LoosePath(std::u16string_view path, std::u16string_view rootPath) const {
    std::u16string p(path);
    std::replace(p.begin(), p.end(), u'/', u'\\');
    if (FSkinName.empty() || (!path.empty() && path.front() == u':')) {
        if (!p.empty() && p.front() == u':') p.erase(0, 1);
        if (!p.empty() && p.front() == u'\\') p.erase(0, 1);
        return withTrailingBackslash(rootPath) + p;
    }
    return withTrailingBackslash(rootPath) + FSkinName + u"\\" + p;
}

} // namespace vell::skin
