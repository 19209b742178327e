// TResource: the skin's resource packages, read through webres.dll. Packages take one of
// three roles (the public package "public", the one current skin package, additional
// packages); resource paths are ":/" + package name + "/" + path inside the package, or
// relative paths inside the current skin package. After a skin change the module rebuilds
// its caches from the packages' INI files: the class table of skin sections, the skin
// colours, the image definitions ("[name]") and the tint patterns, and reloads every
// cached picture in place.
//
// Registration, ReloadCache and SetTintColor run on the user-interface thread. The caches
// may be read from any thread that draws; each has its own recursive lock, nested outer
// first: class table -> skin colour names -> colour item table, and image cache -> image
// definitions.
#pragma once
#include "core/color/colors.h"
#include "core/containers/string_list.h"
#include "core/io/stream.h"
#include "core/skin/class_table.h"
#include "platform/image/graphic.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vell::tk {
class TPicture;
}

namespace vell::rd {

// Asked first by LoadStream with the stream and the resource path; true means it filled
// the stream.
using TResourceLoadHook = std::function<bool(TStream& Stream, const std::u16string& ResourcePath)>;

class TResource {
  public:
    TResource() = delete;

    // Registers a package file; "public" (or the public package's path) takes the public
    // role, other names become the skin (MultiLoad False; rebuilds the caches) or an
    // additional package. A missing skin falls back to "classic" in the same folder; the
    // extensions .rcc and .dll stand in for each other.
    static void Register(const std::u16string& path, bool MultiLoad);
    // Never rebuilds the caches.
    static void Unregister(const std::u16string& pathname);
    // Sub-folders and files of a resource folder, each name followed by "|".
    static void Enum(const std::u16string& rcdir, std::u16string& dirs, std::u16string& files);
    // Byte size of a resource (the path goes to the library unchanged); 0 when absent.
    static int Size(const std::u16string& rcpath);
    // Writes the resource's bytes at position 0 of the stream; nothing when absent.
    static void LoadStream(TStream& stream, const std::u16string& path);
    // Loads a resource into a picture of the class registered for the path's extension.
    // Raises tk::EInvalidGraphic for an unknown extension; a resource that does not decode
    // leaves the picture unchanged.
    static void Load(tk::TPicture& picture, const std::u16string& path);
    // ConvertBGR False: the colour name's key. True: the skin's current value of the name,
    // or clDefault when no skin defines it.
    static TColor GetColor(const std::u16string& clName, TColor clDefault, bool ConvertBGR);

    // ---- module state ----
    static std::u16string PublicPackagePath();
    static std::u16string SkinPackagePath();
    static std::u16string SkinName();
    // Base folder for package files named without a folder and for loose files.
    static std::u16string RootPath();
    static void SetRootPath(const std::u16string& value);
    // Full paths of the public package and the additional packages (sorted).
    static TStringListEx& RegisteredPackages();
    // Forgets the skin's name so the next registration of it is not skipped.
    static void ClearSkinName();
    // Renewed on every register and unregister.
    static std::uint32_t ChangeStamp();
    static TColor SkinTintColor();
    // Only stores the value; SetTintColor also recolours.
    static void SetSkinTintColor(TColor value);
    // Read loose files below RootPath before asking the library (form designer only).
    static bool LooseFileMode();
    static void SetLooseFileMode(bool value);
    static void SetResourceLoadHook(TResourceLoadHook hook);
};

// Binds webres.dll from folder (ends with "\", or empty for the standard search).
bool LoadWebResLibrary(const std::u16string& folder);

// Rebuilds every cache from the registered packages and reloads the cached pictures.
void ReloadCache();
// Unregisters every package; RootPath goes back to the program's folder. dropCaches also
// empties the caches.
void UnloadCache(bool dropCaches);
// Tints the tintable skin colours and reloads the tintable pictures (clNone: no tint).
void SetTintColor(TColor value);

// The image engine's picture source: the shared graphic for a resource path or a
// bracketed image definition name, cached by name (also when nothing was found). Owned by
// the cache; null after module shutdown.
image::TRdGraphic* LoadCachedImage(const std::u16string& name);

// The skin sections by control class. Readers on other threads bracket their use with the
// table's Lock/UnLock.
skin::SkinClassTable& ClassTable();
// The lines of an image definition ("[name]"), inherited lines included; false when the
// skin has none of that name.
bool ImageDefinition(const std::u16string& name, std::vector<std::u16string>& lines);

// Module start-up and shutdown (loader's "resource packages" entry).
void StartResourceModule();
void StopResourceModule();

} // namespace vell::rd
