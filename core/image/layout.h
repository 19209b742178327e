// The in-memory pixel layouts of the image model: which bit count holds each PNG colour
// type and depth, row strides, colour-table sizes and the grey ramp.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::image {

// PNG colour types, plus the device-bitmap type that has no addressable pixels.
enum PngColorType : int {
    COLOR_GRAYSCALE = 0,
    COLOR_RGB = 2,
    COLOR_PALETTE = 3,
    COLOR_GRAYSCALEALPHA = 4,
    COLOR_RGBALPHA = 6,
    COLOR_DEVICE = 240,
};

// The bit depth actually stored for a requested (type, depth): 2 becomes 4, the device
// type is always 8. Returns 0 when the pair cannot be made.
int storedBitDepth(int colorType, int bitDepth);

// Bit count of the layout: packed indices for grey/indexed types (16-bit depth keeps
// its high bytes as 8-bit indices), 24 for RGB, 24 or 32 for RGBA, 32 for the device type.
int layoutBitCount(int colorType, int bitDepth, bool rgb32);

// Bytes per row of a DIB of this bit count: rows padded to 32 bits.
inline uint32_t dibStride(int bitCount, uint32_t width) {
    return static_cast<uint32_t>((static_cast<uint64_t>(bitCount) * width + 31) / 32 * 4);
}

// Colour-table entries of a layout: 2^depth (256 for 16 bits), 0 for truecolour.
int colorTableSize(int colorType, int bitDepth);

// Whether the colour type carries alpha per pixel.
inline bool hasAlphaChannel(int colorType) {
    return colorType == COLOR_GRAYSCALEALPHA || colorType == COLOR_RGBALPHA;
}

// The grey colour table of `count` entries: entry i is gamma[round(i * 255 / (count - 1))]
// in blue, green and red, with the reserved byte 0. `out` receives 4 bytes per entry.
void greyRamp(uint8_t* out, int count, const uint8_t gamma[256]);

// Rounded i * num / den with halves upwards, for non-negative values (Windows MulDiv).
inline int mulDiv(int a, int num, int den) {
    return static_cast<int>((static_cast<int64_t>(a) * num + den / 2) / den);
}

} // namespace vell::image
