// The luminance-preserving tint: every pixel takes the hue of one colour at the
// brightness of its own blue byte (the pixels are greyscale when this is used).
#pragma once
#include "core/draw/pixel_data.h"

#include <cstdint>

namespace vell::draw {

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

// A colour with the hue of `colour` whose luminance (0.11 B + 0.59 G + 0.30 R) is y.
Bgr LumaColor(int y, Bgr colour);

// Tints a 32-bit block with colour = blue | green << 8 | red << 16 | strength << 24; a
// strength below 255 mixes the tint with the plain grey. Straight-alpha blocks keep each
// pixel's alpha; others get alpha 255.
void TintPixels(const TPixelData& data, uint32_t colour);

} // namespace vell::draw
