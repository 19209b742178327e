// The tool's own input and output: whole files read and written, and the one error type
// for input the tool cannot work with (an unreadable file or folder, a damaged archive),
// which the command line reports in one line with exit code 2.
#pragma once
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vell::vskin {

class ToolError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
// Written beside the target first and then renamed over it, so a failed write never
// leaves half a file under the target's name.
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace vell::vskin
