#include "tests/tools/vskin/fixture.h"

#include "core/png/codec.h"
#include "core/zip/zip_writer.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vell::vskintest {

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("vskin-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteTree(const std::filesystem::path& folder, const Files& files) {
    for (const auto& [name, data] : files) {
        const std::filesystem::path file = folder / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << data;
    }
}

void WritePackage(const std::filesystem::path& file, const Files& files) {
    zip::ZipWriter writer;
    for (const auto& [name, data] : files)
        writer.add(name, std::string_view(data));
    const std::vector<std::uint8_t> bytes = writer.finish();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Png(int w, int h) {
    const std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h) * 4, 0xFF);
    const std::vector<std::uint8_t> file =
        png::encodeBgra(pixels.data(), std::uint32_t(w), std::uint32_t(h), std::size_t(w) * 4, false);
    return std::string(file.begin(), file.end());
}

} // namespace vell::vskintest
