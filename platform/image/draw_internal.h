// Shared by the drawing files (and the drawing redirects): an image's pixels as a
// compositor source, an image made ready to be written as a 32-bit target, and the
// compositor onto a device context.
#pragma once
#include "core/draw/compose.h"
#include "platform/image/png_image.h"

#include <memory>

namespace vell::image {

struct SourcePixels {
    draw::DrawSource source;
    uint32_t palette[256];
    bool hasKey = false;
    uint32_t key = 0; // blue | green << 8 | red << 16
};

// Describes the image's pixels (decoding deferred data first); false when it has none.
bool describeSource(TPngImage& image, SourcePixels& out);

// Makes the image a private 32-bit image and returns its header, or null when it has no
// pixels or cannot become 32-bit.
TChunkIHDR* targetPixels(TPngImage& image);

// Composites the source onto the DC (logical coordinates, inside its clip box): into the
// pixels of one of our 32-bit images directly, else through a cached scratch copy of the
// visible area. True when done or nothing was visible; false when no scratch image could
// be had.
bool ComposeOntoDC(HDC dc, const draw::DrawSource& source, draw::ComposeParams params);

// A w x h premultiplied image holding a smooth rounded rectangle over its whole area
// (FillRoundRectSmooth's parameters), from a small cache of recently used ones: the three
// last distinct requests are kept. Null when w or h is not positive.
PngRef RoundedMask(int w, int h, int w1, int h1, TColor FillColor, int FrameWidth, TColor FrameColor,
                   bool InFrameStyle);

} // namespace vell::image
