#include "tools/vskin/files.h"

#include <fstream>
#include <system_error>

namespace vell::vskin {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw ToolError(path.string() + ": no such file");
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw ToolError(path.string() + ": cannot be read");
    std::vector<std::uint8_t> bytes(std::size_t(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size())))
        throw ToolError(path.string() + ": cannot be read");
    return bytes;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(tmp, ec);
            throw ToolError(path.string() + ": cannot be written");
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        throw ToolError(path.string() + ": cannot be written");
    }
}

} // namespace vell::vskin
