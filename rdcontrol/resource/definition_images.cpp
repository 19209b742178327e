#include "rdcontrol/resource/definition_images.h"

#include "platform/image/rdg_image.h"

#include <typeinfo>

namespace vell::rd::detail {

namespace {

// A definition's lines as the composite image reads them: SelfUpdate False, InitParams True.
void loadDefinition(image::TRdgImage& image, const std::vector<std::u16string>* lines) {
    if (lines) image.LoadFromStrings(*lines, false, true);
}

} // namespace

image::TRdGraphic* CreateDefinitionImage(const std::vector<std::u16string>* lines) {
    auto image = std::make_unique<image::TRdgImage>();
    loadDefinition(*image, lines);
    return image.release();
}

bool IsDefinitionImage(const image::TRdGraphic& graphic) {
    return typeid(graphic) == typeid(image::TRdgImage);
}

void RefreshDefinitionImage(image::TRdGraphic& graphic, const std::vector<std::u16string>* lines) {
    image::TRdgImage fresh;
    loadDefinition(fresh, lines);
    graphic.Assign(&fresh);
}

} // namespace vell::rd::detail
