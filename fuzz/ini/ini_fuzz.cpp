// Parses arbitrary bytes as an INI file and checks that the text written back parses to
// the same content, and that look-ups and writes work on whatever was read.
#include "core/ini/ini_sections.h"
#include "core/text/codec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vell::TIniSections ini;
    ini.SetBytes({data, size});
    const std::u16string first = ini.GetText();

    vell::TIniSections again;
    again.SetBytes(
        vell::text::asBytes(vell::text::encodeText(first, vell::text::TextEncoding::Utf16LE, true)));
    if (again.GetText() != first) std::abort();

    for (int s = 0; s < ini.Count() && s < 8; ++s) {
        const auto name = ini.Name(s);
        for (const auto& key : ini.SectionKeys(name)) {
            std::u16string value;
            if (!ini.Find(name, key, &value)) std::abort();
        }
        ini.Write(name, u"fuzz", u"1");
        std::u16string value;
        if (!ini.Find(name, u"FUZZ", &value) || value != u"1") std::abort();
    }
    return 0;
}
