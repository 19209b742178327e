// Loading a skin's colour table: 5,000 colours (a fifth of them references to others) in
// sections of 50, entered under the colour locks and tinted once, as a skin change does.
#include "core/color/colors.h"
#include "core/skin/skin_colors.h"
#include "core/text/utf.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace vell;
using Clock = std::chrono::steady_clock;

namespace {

using Sections = std::vector<std::pair<std::u16string, std::vector<std::u16string>>>;

Sections makeSections(int colours) {
    Sections sections;
    for (int i = 0; i < colours; ++i) {
        if (i % 50 == 0)
            sections.emplace_back(u"sec" + text::u16(std::to_string(i / 50)), std::vector<std::u16string>());
        char line[64];
        if (i % 5 == 4)
            std::snprintf(line, sizeof line, "cl_%d=[#sec%d.cl_%d]", i, (i - 3) / 50, i - 3);
        else
            std::snprintf(line, sizeof line, "cl_%d=%06X", i, (i * 2654435761u) & 0xFFFFFF);
        sections.back().second.push_back(text::u16(line));
    }
    return sections;
}

} // namespace

int main() {
    for (const int colours : {1000, 5000, 20000}) {
        const Sections sections = makeSections(colours);
        const int rounds = colours <= 5000 ? 20 : 5;
        std::size_t sink = 0;
        const auto t0 = Clock::now();
        for (int r = 0; r < rounds; ++r) {
            {
                skin::SkinColorLock lock;
                SkinColorNames().Clear();
                skin::SkinColorLoader loader;
                for (const auto& [name, lines] : sections)
                    loader.AddSection(name, lines, skin::ColorOrder::RGB);
                loader.ResolveReferences();
                sink += std::size_t(SkinColorNames().Count());
            }
            skin::TintSkinColors(clNone);
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / rounds;
        std::printf("skin colours %6d: %8.2f ms per load (%zu names)\n", colours, ms,
                    sink / std::size_t(rounds));
    }
    return 0;
}
