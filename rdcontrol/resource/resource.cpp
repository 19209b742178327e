#include "rdcontrol/resource/resource.h"

#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/image/png_image.h"
#include "platform/image/resolver.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"
#include "rdcontrol/resource/resource_state.h"
#include "rdcontrol/resource/webres_library.h"
#include "toolkit/picture.h"

#include <windows.h>

#include <float.h>

#include <algorithm>
#include <memory>
#include <new>

namespace vell::rd {

namespace detail {

ResourceState& State() {
    static ResourceState state;
    return state;
}

std::unique_ptr<skin::PackageRoles> NewPackageRoles() {
    skin::PackageLibrary library;
    library.Register = [](const std::u16string& path) { webres::ResourceRegister(path); };
    library.Unregister = [](const std::u16string& path) { webres::ResourceUnregister(path); };
    library.FileExists = [](const std::u16string& path) { return win::FileExists(path); };
    library.FolderExists = [](const std::u16string& path) { return win::DirectoryExists(path); };
    library.Tick = [] { return std::uint32_t(::GetTickCount()); };
    return std::make_unique<skin::PackageRoles>(std::move(library));
}

std::u16string ProgramFolder() {
    return text::ExtractFilePath(win::ModuleFileName());
}

std::string ReadResource(const std::u16string& path) {
    TMemoryStream stream;
    TResource::LoadStream(stream, path);
    return stream.Bytes();
}

} // namespace detail

using detail::State;

namespace {

using detail::WithRoles;

// Writes the bytes at position 0; the stream is not truncated.
void writeAtStart(TStream& stream, const void* bytes, std::int64_t size) {
    stream.SetPosition(0);
    if (size > 0) stream.WriteBuffer(bytes, size);
}

// Adds the loose files and folders of `folder` that the library's lists do not name yet.
void addLooseEntries(const std::u16string& folder, std::u16string& dirs, std::u16string& files) {
    const std::u16string listedDirs = dirs, listedFiles = files;
    WIN32_FIND_DATAW data;
    win::UniqueFindHandle find(::FindFirstFileW(text::wcs(folder + u"*"), &data));
    if (!find) return;
    do {
        const std::u16string name = text::fromWide(data.cFileName);
        const std::u16string entry = name + u"|";
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name == u"." || name == u"..") continue;
            if (!text::containsAsciiNoCase(listedDirs, entry)) dirs += entry;
        } else if (!text::containsAsciiNoCase(listedFiles, entry)) {
            files += entry;
        }
    } while (::FindNextFileW(find.get(), &data));
}

} // namespace

// ---- registration ----

void TResource::Register(const std::u16string& path, bool MultiLoad) {
    if (!webres::RegisterBound()) webres::LoadWebResLibrary(u"");
    if (WithRoles([&](skin::PackageRoles& roles, auto&) { return roles.Register(path, MultiLoad); }))
        ReloadCache();
}

void TResource::Unregister(const std::u16string& pathname) {
    WithRoles([&](skin::PackageRoles& roles, auto&) { roles.Unregister(pathname); });
}

// ---- reading ----

void TResource::Enum(const std::u16string& rcdir, std::u16string& dirs, std::u16string& files) {
    webres::ResourceEnum(rcdir, dirs, files);
    const std::size_t start = rcdir.find(u":/");
    if (!State().looseFileMode || start == std::u16string::npos) return;
    std::u16string sub = rcdir.substr(start + 2);
    std::replace(sub.begin(), sub.end(), u'/', u'\\');
    addLooseEntries(
        text::IncludeTrailingBackslash(text::IncludeTrailingBackslash(TResource::RootPath()) + sub), dirs,
        files);
}

int TResource::Size(const std::u16string& rcpath) {
    return webres::ResourceSize(rcpath);
}

void TResource::LoadStream(TStream& stream, const std::u16string& path) {
    auto& s = State();
    std::u16string resourcePath, loose;
    WithRoles([&](skin::PackageRoles& roles, const std::u16string& rootPath) {
        resourcePath = roles.ResourcePath(path);
        if (s.looseFileMode) loose = roles.LoosePath(path, rootPath);
    });
    if (s.loadHook && s.loadHook(stream, resourcePath)) return;
    if (s.looseFileMode) {
        std::string bytes;
        if (win::FileExists(loose) && win::ReadWholeFile(loose, bytes)) {
            writeAtStart(stream, bytes.data(), std::int64_t(bytes.size()));
            return;
        }
    }
    std::string sizeError;
    const std::int32_t size = webres::ResourceSize(resourcePath, &sizeError);
    if (size <= 0 || !sizeError.empty()) return; // a size reported by a faulting call is not trusted
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[std::size_t(size)]);
    if (!buffer) throw Exception("Out of memory, len:" + std::to_string(size) + ", err:" + sizeError);
    // A failed copy leaves the stream as it was; so does a stream that cannot take the bytes.
    if (!webres::ResourceFill(resourcePath, buffer.get())) return;
    try {
        writeAtStart(stream, buffer.get(), size);
    } catch (const std::exception&) {
    }
}

void TResource::Load(tk::TPicture& picture, const std::u16string& path) {
    if (path.empty()) return;
    const std::u16string fileName = text::ExtractFileName(path);
    const std::size_t dot = fileName.rfind(u'.');
    const std::u16string ext = dot == std::u16string::npos ? std::u16string() : fileName.substr(dot + 1);
    std::unique_ptr<image::TGraphic> graphic;
    if (text::sameTextAscii(ext, u"png")) {
        graphic = std::make_unique<image::TPngImage>();
    } else if (const tk::TPictureFormat* format = tk::TPicture::FindFormatByExtension(ext)) {
        graphic = format->Create();
    }
    if (!graphic)
        throw tk::EInvalidGraphic("Unknown picture file extension (." + text::utf16ToUtf8(ext) + ")");
    TMemoryStream stream;
    LoadStream(stream, path);
    if (stream.Size() == 0) return;
    try {
        stream.SetPosition(0);
        graphic->LoadFromStream(stream);
        picture.SetGraphic(std::move(graphic));
    } catch (const std::exception&) {
        // Damaged picture data: the picture stays as it was.
    }
}

TColor TResource::GetColor(const std::u16string& clName, TColor clDefault, bool ConvertBGR) {
    const TColor id = ColorNameKey(clName);
    if (!ConvertBGR) return id;
    TPointerHash& table = ColorItemTable();
    table.Lock();
    const TRccColorItem* item = FindColorItem(id);
    const TColor result = item && item->NameIndex != kUnresolvedColor ? item->BGR : clDefault;
    table.UnLock();
    return result;
}

// ---- module state ----

std::u16string TResource::PublicPackagePath() {
    return WithRoles([](skin::PackageRoles& roles, auto&) { return roles.PublicPackagePath(); });
}
std::u16string TResource::SkinPackagePath() {
    return WithRoles([](skin::PackageRoles& roles, auto&) { return roles.SkinPackagePath(); });
}
std::u16string TResource::SkinName() {
    return WithRoles([](skin::PackageRoles& roles, auto&) { return roles.SkinName(); });
}
std::u16string TResource::RootPath() {
    return WithRoles([](auto&, const std::u16string& rootPath) { return rootPath; });
}
void TResource::SetRootPath(const std::u16string& value) {
    WithRoles([&](auto&, std::u16string& rootPath) { rootPath = value; });
}
// The list itself: changed on the user-interface thread only.
TStringListEx& TResource::RegisteredPackages() {
    return WithRoles(
        [](skin::PackageRoles& roles, auto&) -> TStringListEx& { return roles.RegisteredPackages(); });
}
void TResource::ClearSkinName() {
    WithRoles([](skin::PackageRoles& roles, auto&) { roles.ForgetSkinName(); });
}
std::uint32_t TResource::ChangeStamp() {
    return WithRoles([](skin::PackageRoles& roles, auto&) { return roles.ChangeStamp(); });
}
TColor TResource::SkinTintColor() {
    return State().skinTintColor;
}
void TResource::SetSkinTintColor(TColor value) {
    State().skinTintColor = value;
}
bool TResource::LooseFileMode() {
    return State().looseFileMode;
}
void TResource::SetLooseFileMode(bool value) {
    State().looseFileMode = value;
}
void TResource::SetResourceLoadHook(TResourceLoadHook hook) {
    State().loadHook = std::move(hook);
}

bool LoadWebResLibrary(const std::u16string& folder) {
    return webres::LoadWebResLibrary(folder);
}

skin::SkinClassTable& ClassTable() {
    auto& s = State();
    if (!s.caches) s.caches = std::make_unique<skin::SkinCaches>();
    return s.caches->ClassTable;
}

bool ImageDefinition(const std::u16string& name, std::vector<std::u16string>& lines) {
    lines.clear();
    auto& s = State();
    if (!s.caches) return false;
    std::lock_guard guard(s.caches->ImageDefinitionsLock);
    const skin::TRdValueStrings* definition = skin::FindImageDefinition(*s.caches, name);
    if (!definition) return false;
    for (int i = 0; i < definition->Count(); ++i)
        lines.push_back(definition->Strings(i));
    return true;
}

// ---- start-up and shutdown ----

void StartResourceModule() {
    _controlfp(_controlfp(0, 0) | _EM_INVALID, _MCW_EM);
    auto& s = State();
    webres::ReopenWebResLibrary();
    detail::CreateImageCache();
    s.caches = std::make_unique<skin::SkinCaches>();
    {
        std::lock_guard guard(s.rolesLock);
        s.roles = detail::NewPackageRoles();
        s.rootPath = detail::ProgramFolder();
    }
    s.skinTintColor = clNone;
    s.looseFileMode = false;
    detail::ClearTintPatterns();
    image::SetImageResolver([](void*, const std::u16string& name) { return LoadCachedImage(name); }, nullptr);
}

void StopResourceModule() {
    auto& s = State();
    detail::FreeImageCache();
    s.caches.reset();
    detail::ClearTintPatterns();
    webres::CloseWebResLibrary();
    image::SetImageResolver(nullptr, nullptr);
    // The roles are forgotten without unregistering anything: UnloadCache does that.
    std::lock_guard guard(s.rolesLock);
    s.roles = detail::NewPackageRoles();
    s.rootPath.clear();
}

} // namespace vell::rd
