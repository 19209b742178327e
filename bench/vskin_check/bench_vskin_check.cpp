// vskin check of a generated skin package of 5,000 files and 2,000 sections against
// merely opening it, listing its entries and inflating every one. The skin has 20 INI
// files of 100 image definitions each (every one naming a picture), 3,000 small PNG
// pictures (stored, as vskin pack stores them) and 1,980 reference texts (.rdg), each
// naming a picture. Target: the check within twice the listing.
#include "core/png/codec.h"
#include "core/zip/zip_writer.h"
#include "tools/vskin/files.h"
#include "tools/vskin/skin_check.h"
#include "tools/vskin/skin_set.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace vell;

std::vector<std::uint8_t> picture(unsigned seed) {
    const int w = 32, h = 32;
    std::vector<std::uint8_t> px(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &px[(std::size_t(y) * w + x) * 4];
            p[0] = std::uint8_t(x * 8 + seed), p[1] = std::uint8_t(y * 8), p[2] = std::uint8_t(seed * 3),
            p[3] = 255;
        }
    return png::encodeBgra(px.data(), w, h, std::size_t(w) * 4, false);
}

std::vector<std::uint8_t> skinPackage() {
    zip::ZipWriter w;
    const int pictures = 3000, iniFiles = 20, sectionsPerFile = 100, rdgFiles = 1980;
    w.add("main.ini", std::string_view("[validate]\r\nskinname=skin\r\n"));
    for (int f = 0; f < iniFiles; ++f) {
        std::string ini;
        for (int s = 0; s < sectionsPerFile; ++s) {
            const int n = f * sectionsPerFile + s;
            ini += "[def_" + std::to_string(n) + "]\r\nclass=image\r\nimgname=images/p_" + std::to_string(n) +
                   ".png\r\nimgopt=4,4,4,4,1\r\n";
        }
        w.add("defs_" + std::to_string(f) + ".ini", std::string_view(ini));
    }
    for (int p = 0; p < pictures; ++p)
        w.add("images/p_" + std::to_string(p) + ".png", picture(unsigned(p)), zip::ZipWriter::Method::Stored);
    for (int r = 0; r < rdgFiles; ++r)
        w.add("refs/r_" + std::to_string(r) + ".rdg",
              std::string_view("imgname=images/p_" + std::to_string(1000 + r) + ".png\r\nimgalpha=200\r\n"));
    return w.finish();
}

template <class F> double bestMs(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "bench_vskin_check";
    fs::create_directories(dir);
    const std::string pub = (dir / "public.rcc").string(), skin = (dir / "skin.dll").string();
    zip::ZipWriter publicPackage;
    publicPackage.add("main.ini", std::string_view("[panel]\r\nclass=TRdPanel\r\nColor=clNone\r\n"));
    vskin::WriteFile(pub, publicPackage.finish());
    vskin::WriteFile(skin, skinPackage());

    std::size_t findings = 0, bytes = 0;
    const double list = bestMs(5, [&] {
        bytes = 0;
        for (const std::string& path : {pub, skin}) {
            auto archive = zip::ZipArchive::open(vskin::ReadFile(path));
            std::vector<std::uint8_t> out;
            for (std::size_t i = 0; i < archive->entryCount(); ++i) {
                archive->read(i, out);
                bytes += out.size();
            }
        }
    });
    const double load = bestMs(5, [&] { vskin::SkinSet set({pub, skin}); });
    const double check = bestMs(5, [&] {
        vskin::SkinSet set({pub, skin});
        findings = vskin::CheckSkin(set).size();
    });
    std::printf("vskin check, 5,000 files and 2,000 sections (%zu findings): %.1f ms\n", findings, check);
    std::printf("  of which reading the packages and rebuilding the skin caches: %.1f ms\n", load);
    std::printf("listing and inflating every entry (%zu bytes): %.1f ms\n", bytes, list);
    std::printf("ratio check / listing: %.2f (target at most 2)\n", check / list);
    fs::remove_all(dir);
    return 0;
}
