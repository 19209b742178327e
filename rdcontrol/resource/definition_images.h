// Graphics for image definitions: the skin's sections of class "image", named "[name]"
// by the pictures that use them, become reference graphics (TRdgImage) loaded from the
// definition's lines.
#pragma once
#include "platform/image/graphic.h"

#include <string>
#include <vector>

namespace vell::rd::detail {

// A new graphic for a bracketed name, loaded from the definition's lines; an empty one when
// the skin has no such definition (null lines).
image::TRdGraphic* CreateDefinitionImage(const std::vector<std::u16string>* lines);
// Whether the graphic is exactly a TRdgImage (not a descendant).
bool IsDefinitionImage(const image::TRdGraphic& graphic);
// Assigns a new image built from the definition's current lines (null: gone) into a
// cached one, which keeps its identity.
void RefreshDefinitionImage(image::TRdGraphic& graphic, const std::vector<std::u16string>* lines);

} // namespace vell::rd::detail
