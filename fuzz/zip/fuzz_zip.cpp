// Any bytes as a package: opening, listing and reading every entry must fail cleanly.
#include "core/zip/zip_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vell::zip;
    ZipLimits limits;
    limits.maxEntryBytes = 16u << 20;
    auto zip = ZipArchive::open(std::vector<std::uint8_t>(data, data + size), limits);
    if (!zip) return 0;
    std::vector<std::uint8_t> out;
    std::vector<std::string> folders, files;
    zip->list("", folders, files);
    for (std::size_t i = 0; i < zip->entryCount() && i < 64; ++i) {
        if (zip->read(i, out) == ZipError::None && out.size() != zip->entry(i).size) __builtin_trap();
        zip->find(zip->entry(i).name);
        zip->list(zip->entry(i).name, folders, files);
    }
    return 0;
}
