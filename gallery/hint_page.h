// The gallery's hint page: a form over the work area with a control in each quarter and at
// each edge, each showing a skinned hint, captured from the screen.
#pragma once

namespace vell::image {
class TPngImage;
}

namespace vell::gallery {

// The caller releases the image.
image::TPngImage* RenderHintShowcase();

} // namespace vell::gallery
