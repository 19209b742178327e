// ReloadCache on the demo skins and on a generated skin with 500 sections and 200 colours:
// the time of one rebuild, and its ratio to reading the same INI bytes out of the packages.
#include "rdcontrol/resource/resource.h"
#include "tests/support/resource_fixture.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace vell;
using rd::TResource;

namespace {

// Seconds on the benchmarks' shared clock.
double now() {
    return benchtiming::NowMs() / 1e3;
}

// The resource paths one rebuild reads.
std::vector<std::u16string> pathsRead() {
    std::vector<std::u16string> paths;
    TResource::SetResourceLoadHook([&](TStream&, const std::u16string& path) {
        paths.push_back(path);
        return false;
    });
    rd::ReloadCache();
    TResource::SetResourceLoadHook(nullptr);
    return paths;
}

void measure(const char* name, int rounds) {
    const std::vector<std::u16string> paths = pathsRead();
    std::size_t bytes = 0;
    for (const std::u16string& p : paths) {
        TMemoryStream s;
        TResource::LoadStream(s, p);
        bytes += std::size_t(s.Size());
    }
    double best = 1e9, bestRead = 1e9;
    for (int r = 0; r < rounds; ++r) {
        double t = now();
        rd::ReloadCache();
        best = std::min(best, now() - t);
        t = now();
        for (const std::u16string& p : paths) {
            TMemoryStream s;
            TResource::LoadStream(s, p);
        }
        bestRead = std::min(bestRead, now() - t);
    }
    std::printf(
        "%-34s %3zu files %8zu bytes  ReloadCache %8.3f ms  reading the INI bytes %7.3f ms  ratio %6.1f\n",
        name, paths.size(), bytes, best * 1e3, bestRead * 1e3, best / bestRead);
}

std::string generatedIni(int sections, const char* className) {
    std::string ini;
    for (int i = 0; i < sections; ++i) {
        ini += "[s" + std::to_string(i) + "]\nclass=" +
               (i % 10 == 9 ? std::string("image") : std::string(className) + std::to_string(i % 7));
        if (i >= 7) ini += "\nparent=s" + std::to_string(i - 7);
        for (int k = 0; k < 8; ++k)
            ini += "\nkey" + std::to_string(k) + "=value " + std::to_string(i * 8 + k);
        ini += "\n";
    }
    return ini;
}

std::string generatedColours(int colours) {
    std::string ini = "[validate]\ntype=RGB\n";
    for (int section = 0; section < 10; ++section) {
        ini += "[c" + std::to_string(section) + "]\ntint=true\n";
        for (int i = 0; i < colours / 10; ++i) {
            const int n = section * (colours / 10) + i;
            char value[16];
            std::snprintf(value, sizeof value, "%06X", n * 40503 & 0xFFFFFF);
            ini += "cl_" + std::to_string(i) + "=" +
                   (i % 5 == 4 ? "[#c" + std::to_string(section) + ".cl_" + std::to_string(i - 1) + "]"
                               : value) +
                   "\n";
        }
    }
    return ini;
}

} // namespace

int main() {
    rdtest::StartModulesOnce();
    const std::u16string demo = rdtest::DemoSkinFolder();
    TResource::Register(demo + u"public.rcc", true);
    TResource::Register(demo + u"black.dll", false);
    measure("demo skins (public + black)", 50);

    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    const std::u16string folder = reinterpret_cast<const char16_t*>(tmp);
    const std::u16string pub = folder + u"public.rcc", skin = folder + u"benchskin.dll";
    rdtest::WriteBytes(pub, rdtest::PackageBytes({{"main.ini", generatedIni(250, "TPub")}}));
    rdtest::WriteBytes(skin, rdtest::PackageBytes({{"main.ini", "[validate]\nskinname=benchskin\n" +
                                                                    generatedIni(250, "TSkin")},
                                                   {"color_setting.ini", generatedColours(200)}}));
    rd::UnloadCache(true);
    TResource::Register(pub, true);
    TResource::Register(skin, false);
    measure("generated (500 sections, 200 colours)", 20);
    rd::UnloadCache(true);
    ::DeleteFileW(reinterpret_cast<const wchar_t*>(pub.c_str()));
    ::DeleteFileW(reinterpret_cast<const wchar_t*>(skin.c_str()));
    return 0;
}
