// Reading one picture out of a registered package of 1,000 entries against reading the
// same bytes from a loose file. The package is opened once (as webres.dll does at
// registration); each package read is a name lookup, the inflate and the CRC check.
// Each loose read opens, reads and closes the file.
#include "core/package/package_store.h"
#include "core/zip/zip_writer.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// A PNG file's bytes are mostly its deflated pixel rows: the payload is a noisy 32-bit
// gradient deflated the way an encoder would, padded or cut to size.
Bytes picture(unsigned seed, std::size_t size) {
    Bytes rows(size * 3);
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        rows[i] = std::uint8_t((i / 97 + seed) + ((x >> 24) & 15));
    }
    uLongf packedLen = compressBound(uLong(rows.size()));
    Bytes b(packedLen);
    compress2(b.data(), &packedLen, rows.data(), uLong(rows.size()), 6);
    b.resize(size);
    return b;
}

Bytes readLoose(const std::string& path) {
    Bytes out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        long n = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        out.resize(std::size_t(n));
        if (std::fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
        std::fclose(f);
    }
    return out;
}

template <typename F> double nsPerCall(int iterations, F&& f) {
    for (int i = 0; i < iterations / 10; ++i)
        f(); // warm up
    auto start = Clock::now();
    for (int i = 0; i < iterations; ++i)
        f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / iterations;
}

void compare(const char* label, vell::zip::ZipWriter::Method method) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "vell_bench_zip";
    fs::create_directories(dir);
    const std::size_t kSize = 24 * 1024;
    vell::zip::ZipWriter w;
    w.add("main.ini", "[validate]\r\nskinname=bench\r\n");
    for (unsigned i = 0; i < 999; ++i)
        w.add("images/picture_" + std::to_string(i) + ".png", picture(i, kSize), method);
    const Bytes package = w.finish();
    const std::string packagePath = (dir / "bench.dll").string();
    std::ofstream(packagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(package.data()), package.size());
    const Bytes target = picture(500, kSize);
    const std::string loosePath = (dir / "picture_500.png").string();
    std::ofstream(loosePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(target.data()), target.size());

    vell::package::PackageStore store;
    auto openStart = Clock::now();
    store.add(packagePath, readLoose(packagePath));
    const double openUs = std::chrono::duration<double, std::micro>(Clock::now() - openStart).count();

    Bytes out;
    const int n = 3000;
    const double pkg = nsPerCall(n, [&] { store.read(":/bench/images/picture_500.png", out); });
    if (out != target) std::printf("  package read returned wrong bytes!\n");
    const double loose = nsPerCall(n, [&] { out = readLoose(loosePath); });
    if (out != target) std::printf("  loose read returned wrong bytes!\n");
    std::printf(
        "%-9s package %7.0f KiB, registered in %7.0f us; one %zu-byte picture: package %7.1f us, loose "
        "file %7.1f us, ratio %.2f\n",
        label, package.size() / 1024.0, openUs, kSize, pkg / 1000, loose / 1000, pkg / loose);
    fs::remove_all(dir);
}

} // namespace

int main() {
    std::printf("1,000-entry package against a loose file (ratio = package time / loose time)\n");
    compare("stored", vell::zip::ZipWriter::Method::Stored);
    compare("deflated", vell::zip::ZipWriter::Method::Deflated);
    return 0;
}
