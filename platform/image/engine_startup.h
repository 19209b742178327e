// Start-up of the image engine as a whole: the platform hooks of the core services, the
// drawing redirects with the alpha text renderer, and the colour table.
#pragma once

namespace vell::image {

// Runs once on the start-up thread, before any window is created.
void StartImageEngine();

} // namespace vell::image
