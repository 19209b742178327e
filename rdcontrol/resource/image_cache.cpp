// The process-wide picture cache behind the image engine's resolver: resource path or
// "[" + definition name + "]" -> one shared graphic, looked up case-sensitively. A name is
// cached on its first request, also when nothing was found, and keeps its object until
// the cache is emptied; skin and tint changes load new content into the same objects.
#include "core/skin/tint_patterns.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "rdcontrol/resource/definition_images.h"
#include "rdcontrol/resource/resource_state.h"

#include <mutex>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace vell::rd {

namespace detail {

namespace {

class ImageCache {
  public:
    ImageCache() = default;
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;
    ~ImageCache() { Clear(); }

    std::recursive_mutex lock;

    image::TRdGraphic* Find(const std::u16string& name) const {
        auto it = index_.find(name);
        return it == index_.end() ? nullptr : entries_[it->second].graphic;
    }
    void Add(const std::u16string& name, image::TRdGraphic* graphic) {
        index_.emplace(name, entries_.size());
        entries_.push_back(Entry{name, graphic});
    }
    void Clear() {
        std::vector<Entry> entries;
        entries.swap(entries_);
        index_.clear();
        for (Entry& e : entries)
            release(e.graphic);
    }
    std::size_t Count() const { return entries_.size(); }
    const std::u16string& Name(std::size_t i) const { return entries_[i].name; }
    image::TRdGraphic* Graphic(std::size_t i) const { return entries_[i].graphic; }

  private:
    struct Entry {
        std::u16string name;
        image::TRdGraphic* graphic;
    };
    // Pictures are reference counted: the cache gives up its reference; a picture
    // somebody else holds lives on.
    static void release(image::TRdGraphic* graphic) {
        if (auto* png = dynamic_cast<image::TPngImage*>(graphic))
            png->ReleaseRef();
        else
            delete graphic;
    }

    std::vector<Entry> entries_;
    std::unordered_map<std::u16string, std::size_t> index_;
};

std::unique_ptr<ImageCache> g_cache;

// The skin's tint patterns, copied at each rebuild. The lock is taken alone.
std::mutex g_tintLock;
TStringListEx g_tintPatterns;
bool g_haveTintPatterns = false;

bool isExactly(const image::TRdGraphic& graphic, const std::type_info& type) {
    return typeid(graphic) == type;
}

bool isBracketed(const std::u16string& name) {
    return name.size() >= 2 && name.front() == u'[' && name.back() == u']';
}

// A picture read from the packages, decoded and tinted; empty when the resource is absent
// or its data does not decode.
image::TPngImage* loadPicture(const std::u16string& path) {
    auto* png = new image::TPngImage();
    TMemoryStream stream;
    try {
        TResource::LoadStream(stream, path);
        if (stream.Size() > 0) {
            stream.SetPosition(0);
            png->LoadFromStream(stream);
            const TColor tint = TResource::SkinTintColor();
            if (tint != clNone && IsTintablePicture(path)) image::TintColor(*png, tint, false, 255);
        }
    } catch (const std::exception&) {
        png->ReleaseRef();
        png = new image::TPngImage();
    }
    return png;
}

image::TRdGraphic* definitionImage(const std::u16string& name) {
    std::vector<std::u16string> lines;
    const bool defined = ImageDefinition(name, lines);
    return CreateDefinitionImage(defined ? &lines : nullptr);
}

} // namespace

void CreateImageCache() {
    if (!g_cache) g_cache = std::make_unique<ImageCache>();
}

void FreeImageCache() {
    g_cache.reset();
}

bool HasImageCache() {
    return g_cache != nullptr;
}

void ClearImageCache() {
    if (!g_cache) return;
    std::lock_guard guard(g_cache->lock);
    g_cache->Clear();
}

void ReloadCachedImages(bool tintOnly) {
    if (!g_cache) return;
    ImageCache& cache = *g_cache;
    std::lock_guard guard(cache.lock);
    for (std::size_t i = cache.Count(); i-- > 0;) {
        image::TRdGraphic* graphic = cache.Graphic(i);
        if (!isExactly(*graphic, typeid(image::TPngImage))) continue;
        if (tintOnly && !IsTintablePicture(cache.Name(i))) continue;
        image::PngRef fresh(loadPicture(cache.Name(i)));
        graphic->Assign(fresh.get());
    }
    if (tintOnly) return;
    for (std::size_t i = 0; i < cache.Count(); ++i) {
        image::TRdGraphic* graphic = cache.Graphic(i);
        if (!IsDefinitionImage(*graphic)) continue;
        std::vector<std::u16string> lines;
        const bool defined = ImageDefinition(cache.Name(i), lines);
        RefreshDefinitionImage(*graphic, defined ? &lines : nullptr);
    }
}

void SnapshotTintPatterns(skin::SkinClassTable& table) {
    std::vector<std::u16string> lines;
    bool have = false;
    table.Lock();
    if (const skin::TRdValueStrings* patterns = table.TintPatterns()) {
        have = true;
        for (int i = 0; i < patterns->Count(); ++i)
            lines.push_back(patterns->Strings(i));
    }
    table.UnLock();
    std::lock_guard guard(g_tintLock);
    g_tintPatterns.Clear();
    for (const std::u16string& line : lines)
        g_tintPatterns.Add(line);
    g_haveTintPatterns = have;
}

void ClearTintPatterns() {
    std::lock_guard guard(g_tintLock);
    g_tintPatterns.Clear();
    g_haveTintPatterns = false;
}

bool IsTintablePicture(const std::u16string& path) {
    std::lock_guard guard(g_tintLock);
    return skin::IsTintablePath(g_haveTintPatterns ? &g_tintPatterns : nullptr, path);
}

} // namespace detail

image::TRdGraphic* LoadCachedImage(const std::u16string& name) {
    using namespace detail;
    if (!g_cache) return nullptr;
    ImageCache& cache = *g_cache;
    std::lock_guard guard(cache.lock);
    if (image::TRdGraphic* cached = cache.Find(name)) return cached;
    image::TRdGraphic* graphic = isBracketed(name) ? definitionImage(name) : loadPicture(name);
    if (graphic) cache.Add(name, graphic);
    return graphic;
}

} // namespace vell::rd
