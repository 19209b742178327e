#include "tools/vskin/package_files.h"

#include "core/zip/zip_writer.h"
#include "tools/vskin/files.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace vell::vskin {

namespace fs = std::filesystem;

namespace {

// A name that stays inside the folder it is unpacked into: relative, no "..", no drive.
bool safeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.find(':') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) slash = name.size();
        if (name.substr(start, slash - start) == "..") return false;
        start = slash + 1;
    }
    return true;
}

} // namespace

bool HasExtension(std::string_view name, std::string_view ext) {
    if (name.size() < ext.size()) return false;
    const std::string_view tail = name.substr(name.size() - ext.size());
    return std::equal(tail.begin(), tail.end(), ext.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a + 32) : a) == b; });
}

bool StoredAsIs(std::string_view name) {
    static const char* const kCompressed[] = {".png",  ".jpg", ".jpeg", ".gif",
                                              ".webp", ".zip", ".gz",   ".rcc"};
    return std::any_of(std::begin(kCompressed), std::end(kCompressed),
                       [&](const char* e) { return HasExtension(name, e); });
}

std::vector<std::uint8_t> PackFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw ToolError(folder.string() + ": no such folder");
    std::vector<std::string> names;
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        names.push_back(fs::relative(it->path(), folder, ec).generic_string());
    }
    if (ec) throw ToolError(folder.string() + ": cannot be read (" + ec.message() + ")");
    std::sort(names.begin(), names.end());
    zip::ZipWriter writer;
    for (const std::string& name : names)
        writer.add(name, ReadFile(folder / fs::path(name)),
                   StoredAsIs(name) ? zip::ZipWriter::Method::Stored : zip::ZipWriter::Method::Deflated);
    return writer.finish();
}

std::unique_ptr<zip::ZipArchive> OpenPackage(const fs::path& path) {
    zip::ZipError error = zip::ZipError::None;
    auto archive = zip::ZipArchive::open(ReadFile(path), {}, &error);
    if (!archive) throw ToolError(path.string() + ": not a package (" + zip::errorText(error) + ")");
    return archive;
}

void ListPackage(const zip::ZipArchive& archive, std::ostream& out) {
    for (std::size_t i = 0; i < archive.entryCount(); ++i) {
        const zip::ZipEntry& e = archive.entry(i);
        char line[64];
        std::snprintf(line, sizeof line, "%-8s %10u %10u  ", e.method == 0 ? "stored" : "deflated",
                      unsigned(e.size), unsigned(e.compressedSize));
        out << line << e.name << '\n';
    }
}

void UnpackPackage(const zip::ZipArchive& archive, const std::string& packageName, const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw ToolError(folder.string() + ": cannot be created");
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < archive.entryCount(); ++i) {
        const zip::ZipEntry& e = archive.entry(i);
        if (!safeEntryName(e.name))
            throw ToolError(packageName + ": entry " + e.name + " would be written outside " +
                            folder.string());
        const fs::path target = folder / fs::path(e.name);
        if (e.isFolder()) {
            fs::create_directories(target, ec);
            continue;
        }
        const zip::ZipError error = archive.read(i, data);
        if (error != zip::ZipError::None)
            throw ToolError(packageName + ": entry " + e.name + " is damaged (" + zip::errorText(error) +
                            ")");
        WriteFile(target, data);
    }
}

} // namespace vell::vskin
