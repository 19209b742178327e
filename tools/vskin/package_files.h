// Packages as files: packing a folder reproducibly, listing a package and unpacking it.
#pragma once
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vell::vskin {

// Whether a file name ends in ext (given in lower case with its dot), ASCII case ignored.
bool HasExtension(std::string_view name, std::string_view ext);

// Whether a file is stored as it is: its data is compressed already (pictures, archives),
// so deflating it again only costs the reader time. Everything else is deflated.
bool StoredAsIs(std::string_view name);

// The package of every file below folder: paths relative to it with "/" separators, in
// byte order, each entry with the same fixed time, so the same folder gives the same
// bytes. An unreadable folder or file is a ToolError.
std::vector<std::uint8_t> PackFolder(const std::filesystem::path& folder);

// Opens a package file; a file that is no archive the product can read is a ToolError
// naming the reason.
std::unique_ptr<zip::ZipArchive> OpenPackage(const std::filesystem::path& path);

// One line per entry: method, size, packed size, name.
void ListPackage(const zip::ZipArchive& archive, std::ostream& out);

// Writes every entry below folder. An entry whose name would leave the folder, or whose
// data is damaged, is a ToolError (files written before it stay).
void UnpackPackage(const zip::ZipArchive& archive, const std::string& packageName,
                   const std::filesystem::path& folder);

} // namespace vell::vskin
