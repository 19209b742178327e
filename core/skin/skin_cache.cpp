#include "core/skin/skin_cache.h"

#include "core/color/colors.h"
#include "core/text/codec.h"
#include "core/text/strings.h"

namespace vell::skin {

namespace {

// Loads a resource into an INI object; true when the resource had at least one byte.
bool readIni(TMemIniFile& ini, const ResourceReader& reader, const std::u16string& path) {
    ini.Clear();
    const std::vector<std::uint8_t> bytes = reader.Load ? reader.Load(path) : std::vector<std::uint8_t>();
    if (bytes.empty()) return false;
    ini.SetStrings(text::splitLines(text::decodeText(bytes)));
    return true;
}

std::vector<std::u16string> splitBars(const std::u16string& list) {
    std::vector<std::u16string> names;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t bar = list.find(u'|', start);
        if (bar == std::u16string::npos) bar = list.size();
        if (bar > start) names.push_back(list.substr(start, bar - start));
        start = bar + 1;
    }
    return names;
}

bool hasIniExtension(const std::u16string& name) {
    return name.size() >= 4 && text::sameTextAscii(std::u16string_view(name).substr(name.size() - 4), u".ini");
}

} // namespace

void RebuildSkinCaches(SkinCaches& c, const ResourceReader& reader, const std::u16string& skinName) {
    c.SectionIni.Clear();
    c.ColorIni.Clear();
    MergeVclColor();
    readIni(c.SectionIni, reader, u":/public/main.ini");
    if (!readIni(c.ColorIni, reader, u"color_setting.ini")) {
        readIni(c.ColorIni, reader, u"main.ini");
        if (c.ColorIni.ReadString(u"validate", u"skinname", u"").empty()) c.ColorIni.Clear();
    }

    c.ClassTable.Lock();
    try {
        c.ClassTable.Clear();
        c.ClassTable.Merge(c.SectionIni);
        // The other INI files of the public package, then the skin's main.ini and the
        // skin's other INI files.
        std::u16string prefix = u":/public/";
        std::vector<std::u16string> files = splitBars(reader.ListFiles ? reader.ListFiles(prefix) : u"");
        std::size_t next = 0;
        bool publicDone = false;
        for (;;) {
            c.SectionIni.Clear();
            while (next < files.size() && text::sameTextAscii(files[next], u"main.ini")) ++next;
            if (next < files.size()) {
                const std::u16string name = files[next++];
                if (!hasIniExtension(name)) continue;
                readIni(c.SectionIni, reader, prefix + name);
            } else if (!publicDone) {
                publicDone = true;
                readIni(c.SectionIni, reader, u"main.ini");
                if (!skinName.empty()) {
                    prefix = u":/" + skinName + u"/";
                    files = splitBars(reader.ListFiles ? reader.ListFiles(prefix) : u"");
                    next = 0;
                } else {
                    c.ClassTable.Merge(c.SectionIni);
                    break;
                }
            } else {
                break;
            }
            c.ClassTable.Merge(c.SectionIni);
        }
        c.ClassTable.LinkParents();
        LoadSkinColors(c.ClassTable, c.ColorIni.ReadSections().empty() ? nullptr : &c.ColorIni);
    } catch (...) {
        c.ClassTable.UnLock();
        throw;
    }
    c.ClassTable.UnLock();

    // Built aside, then swapped in, so the definitions' lock is never held with the table's.
    std::map<std::u16string, std::unique_ptr<TRdValueStrings>> definitions;
    c.ClassTable.ForEachSection(u"image", [&](const std::u16string& name, TRdValueStrings& section) {
        auto definition = std::make_unique<TRdValueStrings>();
        section.AssignTo(*definition);
        definitions[u"[" + name + u"]"] = std::move(definition);
    });
    std::lock_guard definitionsGuard(c.ImageDefinitionsLock);
    c.ImageDefinitions.swap(definitions);
}

} // namespace vell::skin
