#include "platform/graphics/graphics_object.h"

#include "platform/win/handles.h"

#include <atomic>
#include <map>
#include <mutex>

namespace vell::tk {

struct GdiHandle {
    win::UniqueHandle<HGDIOBJ, win::SimpleTraits<HGDIOBJ, win::deleteGdiObject>> handle;
};

HGDIOBJ gdiHandle(const SharedGdiHandle& h) {
    return h ? h->handle.get() : nullptr;
}

namespace {

// Images (and so their canvases, fonts, brushes and pens) are also used on other threads
// than the user interface's: the cache is guarded.
struct Cache {
    std::mutex lock;
    std::map<std::string, SharedGdiHandle> handles;
};

// Lives until the process ends: fonts of the screen and of the application object may
// still be alive, and a skin may still discard handles, while other statics go at exit.
Cache& cache() {
    static auto* c = new Cache;
    return *c;
}

// Renewed by every discard; a handle made in an earlier generation is stale.
std::atomic<uint32_t> gGeneration{1};

} // namespace

SharedGdiHandle CachedGdiHandle(char kind, const void* description, size_t size,
                                HGDIOBJ (*create)(const void*)) {
    std::string key(1, kind);
    key.append(static_cast<const char*>(description), size);
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (auto it = c.handles.find(key); it != c.handles.end()) return it->second;
    auto h = std::make_shared<GdiHandle>();
    h->handle.reset(create(description));
    if (!h->handle) return nullptr;
    c.handles.emplace(std::move(key), h);
    return h;
}

void DiscardCachedGraphicsObjects() {
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    ++gGeneration;
    c.handles.clear();
}

size_t CachedGraphicsObjectCount() {
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    return c.handles.size();
}

const ClassInfo& TGraphicsObject::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TGraphicsObject>("TGraphicsObject", &TPersistent::StaticClass()).build();
    return info;
}

const SharedGdiHandle& TGraphicsObject::SharedHandle() {
    const uint32_t generation = gGeneration.load();
    if (!FHandle || FHandleGeneration != generation) {
        FHandle = CreateSharedHandle();
        FHandleGeneration = generation;
    }
    return FHandle;
}

void TGraphicsObject::Changed() {
    FHandle.reset();
    NotifyChange();
}

} // namespace vell::tk
