// Throughput of the INI reader on a generated 1 MiB language file (UTF-16 with a mark, as
// the language files are saved), of the look-ups a form translation makes, and of
// building a large file key by key.
#include "core/ini/ini_sections.h"
#include "core/text/codec.h"
#include "core/text/utf.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace vell;
using Clock = std::chrono::steady_clock;

namespace {

std::u16string makeLanguageText(size_t minBytes,
                                std::vector<std::pair<std::u16string, std::u16string>>* keys) {
    std::u16string t = u"; generated language file\r\n[Main]\r\nDisplayName=Bench\r\n";
    for (int form = 0; t.size() * 2 < minBytes; ++form) {
        const std::u16string section = u"VLR_frm_Form" + text::u16(std::to_string(form));
        t += u"[" + section + u"]\r\n";
        for (int c = 0; c < 40; ++c) {
            const std::u16string key = u"lbl_Component" + text::u16(std::to_string(c)) + u".Caption";
            t += u"  " + key + u" = A translated text with <br> a break, number " +
                 text::u16(std::to_string(form * 40 + c)) + u"\r\n";
            if (keys && c % 8 == 0) keys->emplace_back(section, key);
        }
    }
    return t;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

int main() {
    std::vector<std::pair<std::u16string, std::u16string>> keys;
    const std::string file =
        text::encodeText(makeLanguageText(1 << 20, &keys), text::TextEncoding::Utf16LE, true);
    const double mib = static_cast<double>(file.size()) / (1 << 20);

    const int rounds = 40;
    size_t sink = 0;
    auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        TIniSections ini;
        ini.SetBytes(text::asBytes(file));
        sink += static_cast<size_t>(ini.Count());
    }
    auto t1 = Clock::now();
    std::printf("parse  %.2f MiB UTF-16 language file: %8.1f MiB/s (%.2f ms per file)\n", mib,
                mib * rounds / seconds(t0, t1), 1000 * seconds(t0, t1) / rounds);

    TIniSections ini;
    ini.SetBytes(text::asBytes(file));
    const int lookRounds = 20;
    t0 = Clock::now();
    for (int i = 0; i < lookRounds; ++i)
        for (const auto& [section, key] : keys) {
            std::u16string v;
            sink += ini.Find(section, key, &v) ? v.size() : 0;
        }
    t1 = Clock::now();
    const double lookups = static_cast<double>(keys.size()) * lookRounds;
    std::printf("lookup section+key (first use builds the indexes): %8.2f M/s\n",
                lookups / seconds(t0, t1) / 1e6);

    t0 = Clock::now();
    TIniSections built;
    const int writes = 100000;
    for (int i = 0; i < writes; ++i)
        built.Write(u"Section" + text::u16(std::to_string(i % 10)), u"key" + text::u16(std::to_string(i)),
                    u"v");
    t1 = Clock::now();
    std::printf("write  %d new keys into 10 sections:          %8.2f M/s\n", writes,
                writes / seconds(t0, t1) / 1e6);

    t0 = Clock::now();
    std::string out;
    for (int i = 0; i < rounds; ++i)
        out = text::encodeText(ini.GetText(), text::TextEncoding::Utf16LE, true);
    t1 = Clock::now();
    std::printf("write-out as UTF-16:                           %8.1f MiB/s\n",
                static_cast<double>(out.size()) / (1 << 20) * rounds / seconds(t0, t1));
    return sink == 0 ? 1 : 0;
}
