// Whether a text file of a package reads as its author wrote it: the product takes
// UTF-8 or UTF-16 with a byte-order mark, and anything else in the system's ANSI code
// page.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vell::vskin {

struct TextProblem {
    bool error = true;
    int line = 0; // 1-based; 0 for the file as a whole
    std::string message;
};

std::optional<TextProblem> CheckTextEncoding(std::span<const std::uint8_t> bytes);

} // namespace vell::vskin
