// The image engine's picture source: one process-wide (function, context) pair that maps a
// picture name as written in a reference ("images/a.png", "[btn_ok]") to a shared graphic.
// The resource layer installs it at start-up; until then every name resolves to nothing.
// The graphic a resolver returns stays owned by the resolver's cache: callers never free it.
#pragma once
#include "platform/image/graphic.h"

#include <string>

namespace vell::image {

using TImageResolver = TRdGraphic* (*)(void* Context, const std::u16string& Name);

// Installs the pair; a null function uninstalls it.
void SetImageResolver(TImageResolver Resolver, void* Context);
// The installed resolver's graphic for Name, or null (also when none is installed).
TRdGraphic* ResolveImageName(const std::u16string& Name);

} // namespace vell::image
