#include "core/skin/skin_cache.h"

#include "core/color/colors.h"
#include "core/text/codec.h"
#include "core/text/strings.h"

#include <algorithm>

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
    return name.size() >= 4 &&
           text::sameTextAscii(std::u16string_view(name).substr(name.size() - 4), u".ini");
}

} // namespace

std::vector<std::u16string> SkinIniFiles(const ResourceReader& reader, const std::u16string& skinName) {
    std::vector<std::u16string> paths{u":/public/main.ini"};
    auto addFolder = [&](const std::u16string& prefix) {
        if (!reader.ListFiles) return;
        for (const std::u16string& name : splitBars(reader.ListFiles(prefix)))
            if (!text::sameTextAscii(name, u"main.ini") && hasIniExtension(name))
                paths.push_back(prefix + name);
    };
    addFolder(u":/public/");
    paths.push_back(u"main.ini");
    if (!skinName.empty()) addFolder(u":/" + skinName + u"/");
    return paths;
}

std::u16string ReadColorSettings(TMemIniFile& ini, const ResourceReader& reader) {
    if (readIni(ini, reader, u"color_setting.ini")) return u"color_setting.ini";
    readIni(ini, reader, u"main.ini");
    if (!ini.ReadString(u"validate", u"skinname", u"").empty()) return u"main.ini";
    ini.Clear();
    return u"";
}

const TRdValueStrings* FindImageDefinition(const SkinCaches& caches, const std::u16string& name) {
    const auto& definitions = caches.ImageDefinitions;
    auto it = definitions.find(name);
    if (it == definitions.end())
        it = std::find_if(definitions.begin(), definitions.end(),
                          [&](const auto& entry) { return text::sameTextAscii(entry.first, name); });
    return it == definitions.end() ? nullptr : it->second.get();
}

void RebuildSkinCaches(SkinCaches& c, const ResourceReader& reader, const std::u16string& skinName) {
    c.SectionIni.Clear();
    c.ColorIni.Clear();
    MergeVclColor();
    ReadColorSettings(c.ColorIni, reader);

    c.ClassTable.Lock();
    try {
        c.ClassTable.Clear();
        for (const std::u16string& path : SkinIniFiles(reader, skinName)) {
            readIni(c.SectionIni, reader, path);
            c.ClassTable.Merge(c.SectionIni);
        }
        c.SectionIni.Clear();
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
