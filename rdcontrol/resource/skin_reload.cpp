// Rebuilding and dropping the skin caches, and the tint.
#include "core/diag/debug_output.h"
#include "core/skin/skin_colors.h"
#include "core/text/utf.h"
#include "rdcontrol/resource/resource_state.h"
#include "platform/graphics/graphics_object.h"

#include <string>

namespace vell::rd {

using detail::State;

namespace {

// "<what>, Style:<classes>, Rdg:<definitions>, public:<path>, rcc:<path>, path:<root>"
std::u16string traceText(const char16_t* what) {
    auto& s = State();
    std::size_t classes = 0, definitions = 0;
    if (s.caches) {
        classes = s.caches->ClassTable.ClassCount();
        std::lock_guard guard(s.caches->ImageDefinitionsLock);
        definitions = s.caches->ImageDefinitions.size();
    }
    return std::u16string(what) + u", Style:" + text::u16(std::to_string(classes)) + u", Rdg:" +
           text::u16(std::to_string(definitions)) + u", public:" + TResource::PublicPackagePath() +
           u", rcc:" + TResource::SkinPackagePath() + u", path:" + TResource::RootPath();
}

skin::ResourceReader packageReader() {
    skin::ResourceReader reader;
    reader.Load = [](const std::u16string& path) {
        const std::string bytes = detail::ReadResource(path);
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    };
    reader.ListFiles = [](const std::u16string& folder) {
        std::u16string dirs, files;
        TResource::Enum(folder, dirs, files);
        return files;
    };
    return reader;
}

} // namespace

void ReloadCache() {
    auto& s = State();
    if (!s.caches) s.caches = std::make_unique<skin::SkinCaches>();
    if (IsSkinDebugTrace()) DebugOutput(traceText(u"Rcc.ReloadCache"));
    skin::RebuildSkinCaches(*s.caches, packageReader(), TResource::SkinName());
    detail::SnapshotTintPatterns(s.caches->ClassTable);
    skin::TintSkinColors(s.skinTintColor);
    tk::DiscardCachedGraphicsObjects();
    detail::ReloadCachedImages(false);
}

void UnloadCache(bool dropCaches) {
    auto& s = State();
    // The trace names the packages as they were before.
    const std::u16string traced = dropCaches && IsSkinDebugTrace() ? traceText(u"Rcc.UnloadCache") : u"";
    detail::WithRoles([](skin::PackageRoles& roles, std::u16string& rootPath) {
        roles.UnregisterAll();
        rootPath = detail::ProgramFolder();
    });
    if (!dropCaches || !s.caches) return;
    if (!traced.empty()) DebugOutput(traced);
    s.caches->SectionIni.Clear();
    s.caches->ColorIni.Clear();
    MergeVclColor();
    s.caches->ClassTable.Clear();
    detail::ClearTintPatterns();
    TStringValueList& names = SkinColorNames();
    names.Lock();
    names.Clear();
    names.UnLock();
    {
        std::lock_guard guard(s.caches->ImageDefinitionsLock);
        s.caches->ImageDefinitions.clear();
    }
    tk::DiscardCachedGraphicsObjects();
    detail::ClearImageCache();
}

void SetTintColor(TColor value) {
    State().skinTintColor = value;
    skin::TintSkinColors(value);
    tk::DiscardCachedGraphicsObjects();
    detail::ReloadCachedImages(true);
}

} // namespace vell::rd
