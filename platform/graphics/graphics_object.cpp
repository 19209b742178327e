#include "platform/graphics/graphics_object.h"

#include "platform/win/handles.h"

#include <map>
#include <mutex>
#include <set>

namespace vell::tk {

struct GdiHandle {
    win::UniqueHandle<HGDIOBJ, win::SimpleTraits<HGDIOBJ, win::deleteGdiObject>> handle;
};

HGDIOBJ gdiHandle(const SharedGdiHandle& h) { return h ? h->handle.get() : nullptr; }

namespace {

// Images (and so their canvases, fonts, brushes and pens) are also made on other threads
// than the user interface's: the cache and the list of live objects are guarded.
struct Registry {
    std::mutex lock;
    std::map<std::string, SharedGdiHandle> cache;
    std::set<TGraphicsObject*> live;
};

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

SharedGdiHandle CachedGdiHandle(char kind, const void* description, size_t size, HGDIOBJ (*create)(const void*)) {
    std::string key(1, kind);
    key.append(static_cast<const char*>(description), size);
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    if (auto it = r.cache.find(key); it != r.cache.end()) return it->second;
    auto h = std::make_shared<GdiHandle>();
    h->handle.reset(create(description));
    if (!h->handle) return nullptr;
    r.cache.emplace(std::move(key), h);
    return h;
}

void DiscardCachedGraphicsObjects() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    for (TGraphicsObject* o : r.live) o->ReleaseHandle();
    r.cache.clear();
}

size_t CachedGraphicsObjectCount() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.cache.size();
}

const ClassInfo& TGraphicsObject::StaticClass() {
    static const ClassInfo info = ClassBuilder<TGraphicsObject>("TGraphicsObject", &TPersistent::StaticClass()).build();
    return info;
}

TGraphicsObject::TGraphicsObject() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.live.insert(this);
}

TGraphicsObject::~TGraphicsObject() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.live.erase(this);
}

const SharedGdiHandle& TGraphicsObject::SharedHandle() {
    if (!FHandle) FHandle = CreateSharedHandle();
    return FHandle;
}

void TGraphicsObject::Changed() {
    FHandle.reset();
    NotifyChange();
}

} // namespace vell::tk
