#include "platform/image/resolver.h"

#include <mutex>

namespace vell::image {

namespace {

struct Installed {
    TImageResolver resolver = nullptr;
    void* context = nullptr;
};

// The pair changes together; reading it is a short copy under the lock.
std::mutex g_lock;
Installed g_installed;

Installed current() {
    std::lock_guard guard(g_lock);
    return g_installed;
}

} // namespace

void SetImageResolver(TImageResolver Resolver, void* Context) {
    std::lock_guard guard(g_lock);
    g_installed = Installed{Resolver, Resolver ? Context : nullptr};
}

TRdGraphic* ResolveImageName(const std::u16string& Name) {
    const Installed pair = current();
    return pair.resolver ? pair.resolver(pair.context, Name) : nullptr;
}

} // namespace vell::image
