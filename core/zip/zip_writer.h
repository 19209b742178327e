// Building small ZIP archives in memory: the demo packages, test fixtures and fuzz seeds.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vell::zip {

class ZipWriter {
  public:
    enum class Method { Stored, Deflated };

    // Adds a file entry; a name ending in "/" adds a folder entry (data ignored).
    void add(std::string_view name, const std::vector<std::uint8_t>& data, Method method = Method::Deflated);
    void add(std::string_view name, std::string_view text, Method method = Method::Deflated);

    // The complete archive: local headers with data, central directory, end record.
    std::vector<std::uint8_t> finish() const;

  private:
    struct Item {
        std::string name;
        std::uint16_t method;
        std::uint32_t crc, size;
        std::vector<std::uint8_t> packed;
    };
    static void putCommonFields(std::vector<std::uint8_t>& out, const Item& it);
    std::vector<Item> items_;
};

} // namespace vell::zip
