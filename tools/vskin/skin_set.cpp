#include "tools/vskin/skin_set.h"

#include "core/text/utf.h"
#include "tools/vskin/files.h"
#include "tools/vskin/package_files.h"

#include <filesystem>
#include <system_error>

namespace vell::vskin {

namespace {

std::string otherExtension(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string ext = p.extension().string();
    const bool rcc = ext.size() == 4 && (ext == ".rcc" || ext == ".RCC" || ext == ".Rcc");
    return std::filesystem::path(path).replace_extension(rcc ? ".dll" : ".rcc").string();
}

std::string joinBars(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& n : names)
        joined += n + "|";
    return joined;
}

} // namespace

SkinSet::SkinSet(const std::vector<std::string>& packagePaths)
    : roles_(skin::PackageLibrary{
          [this](const std::u16string& path) {
              auto it = realPaths_.find(path);
              if (it == realPaths_.end()) return;
              const zip::ZipError error = store_.add(it->second, ReadFile(it->second));
              if (error != zip::ZipError::None)
                  throw ToolError(it->second + ": not a package (" + zip::errorText(error) + ")");
          },
          [this](const std::u16string& path) {
              auto it = realPaths_.find(path);
              if (it != realPaths_.end()) store_.remove(it->second);
          },
          [this](const std::u16string& path) {
              auto it = realPaths_.find(path);
              std::error_code ec;
              return it != realPaths_.end() && std::filesystem::is_regular_file(it->second, ec);
          },
          [](const std::u16string&) { return false; }, [] { return std::uint32_t(0); }}) {
    bool haveSkin = false;
    for (const std::string& path : packagePaths) {
        Package p;
        p.display = path;
        p.name = package::PackageStore::packageName(path);
        p.archive = OpenPackage(path);
        for (Package& earlier : packages_)
            if (earlier.name == p.name) earlier.answers = false;
        packages_.push_back(std::move(p));
        realPaths_[skin::PackageRoles::NormalPath(text::u16(path))] = path;
        realPaths_.emplace(skin::PackageRoles::NormalPath(text::u16(otherExtension(path))),
                           otherExtension(path));
        const bool isPublic = packages_.back().name == "public";
        roles_.Register(text::u16(path), !isPublic && haveSkin);
        if (!isPublic) haveSkin = true;
    }
    reader_.Load = [this](const std::u16string& path) {
        std::vector<std::uint8_t> bytes;
        Read(path, bytes);
        return bytes;
    };
    reader_.ListFiles = [this](const std::u16string& folder) {
        std::vector<std::string> folders, files;
        store_.list(text::utf16ToUtf8(folder), folders, files);
        return text::u16(joinBars(files));
    };
    skin::RebuildSkinCaches(caches_, reader_, roles_.SkinName());
}

bool SkinSet::Read(std::u16string_view name, std::vector<std::uint8_t>& out) const {
    const std::u16string path = ResourcePath(name);
    auto it = read_.find(path);
    if (it == read_.end()) {
        std::vector<std::uint8_t> bytes;
        store_.read(text::utf16ToUtf8(path), bytes);
        it = read_.emplace(path, std::move(bytes)).first;
    }
    out = it->second;
    return !out.empty();
}

bool SkinSet::Exists(std::u16string_view name) const {
    return store_.contains(text::utf16ToUtf8(ResourcePath(name)));
}

Location SkinSet::Locate(std::u16string_view resourcePath, int line) const {
    const std::string path = text::utf16ToUtf8(resourcePath);
    Location at{"", path, line};
    if (path.size() < 2 || path.compare(0, 2, ":/") != 0) return at;
    const std::size_t slash = path.find('/', 2);
    const std::string name = path.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    at.path = slash == std::string::npos ? "" : path.substr(slash + 1);
    at.package = ":/" + name;
    for (const Package& p : packages_)
        if (p.answers && p.name == package::PackageStore::packageName(name)) at.package = p.display;
    return at;
}

} // namespace vell::vskin
