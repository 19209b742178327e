// Start-up of the image engine as a whole: the platform hooks of the core services, the
// drawing redirects with the alpha text renderer, and the colour table.
#pragma once

namespace vell::image {

// Runs on the start-up thread, before any window is created.
void StartImageEngine();
// Undoes StartImageEngine after the last window is gone: the drawing imports reach the
// platform again, the text renderer and scratch images are gone, system colour numbers
// use the classic table. StartImageEngine may run again afterwards. The colour table and
// the diagnostics sink stay: colours may be resolved and diagnostics written until the
// process ends.
void StopImageEngine();

} // namespace vell::image
