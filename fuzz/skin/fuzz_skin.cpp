// Any bytes as skin INI files: the class table, parent links (loops included), tint
// patterns and colour sections must come out of it without failing or hanging.
#include "core/color/colors.h"
#include "core/ini/mem_ini_file.h"
#include "core/skin/class_table.h"
#include "core/skin/tint_patterns.h"
#include "core/text/codec.h"
#include "core/text/strings.h"

#include <cstddef>
#include <cstdint>

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int builtIns = ColorItemTable().Counter(); // before any input's names
    // The input is two files: the sections, then after a NUL byte the colour settings.
    std::size_t split = 0;
    while (split < size && data[split] != 0)
        ++split;
    TMemIniFile sections, colours;
    sections.SetStrings(text::splitLines(text::decodeText({data, split})));
    if (split < size)
        colours.SetStrings(text::splitLines(text::decodeText({data + split + 1, size - split - 1})));

    skin::SkinClassTable table;
    table.Merge(sections);
    table.Merge(colours);
    table.LinkParents();
    for (const std::u16string& name : sections.ReadSections()) {
        const std::u16string className = sections.ReadString(name, u"class", u"");
        if (skin::TRdValueStrings* s = table.Find(className, name)) {
            s->GetValue(u"missing");
            TStringListEx flat;
            s->AssignTo(flat);
            skin::IsTintablePath(s, name);
        }
    }
    skin::LoadSkinColors(table, &colours);
    // The colour table is process-wide: start every input from the built-in colours alone.
    // Names an input left unresolved stay in it through MergeVclColor, so they would pile
    // up from run to run (each run slower, and a run's outcome depending on earlier ones);
    // a run that entered nothing leaves it as it was.
    if (ColorItemTable().Counter() != builtIns || SkinColorNames().Count() != 0) {
        SkinColorNames().Clear();
        ColorItemTable().Clear();
        MergeVclColor();
    }
    return 0;
}
