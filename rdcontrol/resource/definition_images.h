// Graphics for image definitions: the skin's sections of class "image", named "[name]"
// by the pictures that use them. Kept apart from the cache so that the composite
// image class plugs in here alone.
#pragma once
#include "platform/image/graphic.h"

#include <string>
#include <vector>

namespace vell::rd::detail {

// A new graphic for a bracketed name, loaded from the definition's lines (empty when the
// skin has no such definition); null while no composite image class is available.
image::TRdGraphic* CreateDefinitionImage(const std::vector<std::u16string>* lines);
// Whether the graphic is exactly a composite image built from a definition.
bool IsDefinitionImage(const image::TRdGraphic& graphic);
// Rebuilds a cached composite image in place from the definition's current lines.
void RefreshDefinitionImage(image::TRdGraphic& graphic, const std::vector<std::u16string>* lines);

} // namespace vell::rd::detail
