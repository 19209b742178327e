#include "core/package/package_store.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
#include <unordered_set>

namespace vell::package {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

// Package files are identified by their full path, compared without case and with
// either slash.
std::string pathKey(std::string_view path) {
    std::string r = lowerAscii(path);
    std::replace(r.begin(), r.end(), '/', '\\');
    return r;
}

struct Registered {
    std::string key;
    std::string name;
    std::unique_ptr<zip::ZipArchive> archive;
};

// ":/black/images/a.png" -> ("black", "images/a.png"). False for paths that do not
// begin with ":/" and a package name.
bool splitResourcePath(std::string_view path, std::string& name, std::string& inner) {
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.size() < 3 || p[0] != ':' || p[1] != '/') return false;
    std::size_t start = 2;
    while (start < p.size() && p[start] == '/')
        ++start;
    std::size_t slash = p.find('/', start);
    name = lowerAscii(
        std::string_view(p).substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    inner = slash == std::string::npos ? std::string() : p.substr(slash + 1);
    return !name.empty();
}

} // namespace

struct PackageStore::State {
    mutable std::shared_mutex lock;
    std::vector<Registered> packages; // in registration order

    const zip::ZipArchive* byName(const std::string& name) const {
        for (auto it = packages.rbegin(); it != packages.rend(); ++it)
            if (it->name == name) return it->archive.get();
        return nullptr;
    }
    void erase(const std::string& key) {
        std::erase_if(packages, [&](const Registered& r) { return r.key == key; });
    }
};

PackageStore::PackageStore() : s_(std::make_unique<State>()) {}
PackageStore::~PackageStore() = default;

std::string PackageStore::packageName(std::string_view packagePath) {
    std::size_t sep = packagePath.find_last_of("\\/:");
    std::string_view file = sep == std::string_view::npos ? packagePath : packagePath.substr(sep + 1);
    std::size_t dot = file.rfind('.');
    if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
    return lowerAscii(file);
}

zip::ZipError PackageStore::add(std::string_view packagePath, std::vector<std::uint8_t> bytes,
                                const zip::ZipLimits& limits) {
    zip::ZipError error = zip::ZipError::None;
    auto archive = zip::ZipArchive::open(std::move(bytes), limits, &error);
    const std::string key = pathKey(packagePath);
    std::unique_lock guard(s_->lock);
    s_->erase(key);
    if (archive) s_->packages.push_back(Registered{key, packageName(packagePath), std::move(archive)});
    return error;
}

void PackageStore::remove(std::string_view packagePath) {
    const std::string key = pathKey(packagePath);
    std::unique_lock guard(s_->lock);
    s_->erase(key);
}

std::size_t PackageStore::count() const {
    std::shared_lock guard(s_->lock);
    return s_->packages.size();
}

bool PackageStore::read(std::string_view resourcePath, std::vector<std::uint8_t>& out) const {
    out.clear();
    std::string name, inner;
    if (!splitResourcePath(resourcePath, name, inner) || inner.empty()) return false;
    std::shared_lock guard(s_->lock);
    const zip::ZipArchive* archive = s_->byName(name);
    if (!archive) return false;
    long index = archive->find(inner);
    if (index < 0 || archive->entry(std::size_t(index)).isFolder()) return false;
    return archive->read(std::size_t(index), out) == zip::ZipError::None;
}

bool PackageStore::contains(std::string_view resourcePath) const {
    std::string name, inner;
    if (!splitResourcePath(resourcePath, name, inner) || inner.empty()) return false;
    std::shared_lock guard(s_->lock);
    const zip::ZipArchive* archive = s_->byName(name);
    const long index = archive ? archive->find(inner) : -1;
    return index >= 0 && !archive->entry(std::size_t(index)).isFolder();
}

void PackageStore::list(std::string_view folderPath, std::vector<std::string>& folders,
                        std::vector<std::string>& files) const {
    folders.clear();
    files.clear();
    std::string name, inner;
    std::shared_lock guard(s_->lock);
    if (!splitResourcePath(folderPath, name, inner)) {
        std::string p(folderPath);
        std::replace(p.begin(), p.end(), '\\', '/');
        if (p.find_first_not_of(":/") != std::string::npos || p.empty() || p[0] != ':') return;
        std::unordered_set<std::string> seen;
        for (const Registered& r : s_->packages)
            if (seen.insert(r.name).second) folders.push_back(r.name);
        return;
    }
    if (const zip::ZipArchive* archive = s_->byName(name)) archive->list(inner, folders, files);
}

} // namespace vell::package
