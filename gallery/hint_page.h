// The gallery's hint page: a form over the work area with a control in each quarter and at
// each edge, each showing a skinned hint with its shadow: the form and the hints' bodies
// taken from the screen, their shadow layers composited over them.
#pragma once

namespace vell::image {
class TPngImage;
}

namespace vell::gallery {

// The caller releases the image.
image::TPngImage* RenderHintShowcase();

} // namespace vell::gallery
