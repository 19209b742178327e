// Rebuilding the skin caches from the registered packages' INI files: the class table
// (sections by control class), the tint patterns, the skin colours and the image
// definitions. Files are applied in this order, later ones overriding earlier ones line
// by line: the public "main.ini", the public package's other ".ini" files in the
// library's order, the skin's "main.ini", the skin's other ".ini" files. Colours come
// from the sections of class "color" and then from the skin's "color_setting.ini" (or,
// when that is missing or empty, from its "main.ini" if it names the skin in
// [validate] skinname).
#pragma once
#include "core/ini/mem_ini_file.h"
#include "core/skin/class_table.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vell::skin {

struct ResourceReader {
    // The bytes of a resource path (relative paths inside the current skin); empty when
    // absent.
    std::function<std::vector<std::uint8_t>(const std::u16string& path)> Load;
    // The file names of a resource folder as the library lists them ("a.ini|b.png|").
    std::function<std::u16string(const std::u16string& folder)> ListFiles;
};

struct SkinCaches {
    SkinClassTable ClassTable;
    // "[" + section name + "]" of every section of class "image" -> its lines, inherited
    // lines first.
    std::map<std::u16string, std::unique_ptr<TRdValueStrings>> ImageDefinitions;
    // Guards ImageDefinitions for readers on drawing threads; no other lock is taken
    // while it is held.
    std::recursive_mutex ImageDefinitionsLock;
    TMemIniFile SectionIni; // scratch: one file at a time
    TMemIniFile ColorIni;   // the skin's colour settings
};

// The INI files the caches are built from, in the order they apply: ":/public/main.ini",
// the public package's other ".ini" files in the library's order, "main.ini" (the
// skin's), the skin's other ".ini" files (only while a skin is registered).
std::vector<std::u16string> SkinIniFiles(const ResourceReader& reader, const std::u16string& skinName);

// Reads the skin's colour settings into ini: "color_setting.ini", or when that is missing
// or empty the skin's "main.ini" if it names the skin in [validate] skinname. Returns the
// path read, empty when there are no colour settings (ini is then empty).
std::u16string ReadColorSettings(TMemIniFile& ini, const ResourceReader& reader);

// The definition a bracketed picture name such as "[btn_ok]" names: the exact name
// first, then without case. Null when the skin has none. Hold ImageDefinitionsLock.
const TRdValueStrings* FindImageDefinition(const SkinCaches& caches, const std::u16string& name);

// Rebuilds every cache. skinName is empty when no skin package is registered.
void RebuildSkinCaches(SkinCaches& caches, const ResourceReader& reader, const std::u16string& skinName);

} // namespace vell::skin
