// .rdg files: a picture reference's text on its own. Written as UTF-8 with a byte-order
// mark, one name=value line each, every line ended by CR LF; read with byte-order-mark
// detection (text without one is in the ANSI code page).
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vell::rdg {

std::vector<std::u16string> ReadRdgText(std::span<const std::uint8_t> bytes);
std::string WriteRdgText(const std::vector<std::u16string>& lines);

} // namespace vell::rdg
