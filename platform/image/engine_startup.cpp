#include "platform/image/engine_startup.h"

#include "core/color/colors.h"
#include "platform/color/system_colors.h"
#include "platform/diag/debug_sink.h"
#include "platform/image/png_image.h"
#include "platform/intercept/draw_redirects.h"
#include "platform/text/alpha_text.h"

namespace vell::image {

void StartImageEngine() {
    InstallDebugOutputSink();
    InstallSystemColors();
    // The redirects come before the text renderer plugs into them, and both before the
    // colour table is built, as drawing with skin colours needs all three.
    InstallDrawingRedirects();
    InstallAlphaTextRenderer();
    MergeVclColor();
}

void StopImageEngine() {
    RemoveDrawingRedirects(); // with the text renderer plugged into them
    SetSystemColorProvider(nullptr);
    TPngImage::ClearBlankImageCache(); // its images hold a DC and a bitmap each
}

} // namespace vell::image
