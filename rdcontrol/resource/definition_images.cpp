#include "rdcontrol/resource/definition_images.h"

namespace vell::rd::detail {

// No composite image class is linked in yet: bracketed names resolve to nothing.
image::TRdGraphic* CreateDefinitionImage(const std::vector<std::u16string>*) { return nullptr; }

bool IsDefinitionImage(const image::TRdGraphic&) { return false; }

void RefreshDefinitionImage(image::TRdGraphic&, const std::vector<std::u16string>*) {}

} // namespace vell::rd::detail
