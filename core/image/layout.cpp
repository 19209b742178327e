#include "core/image/layout.h"

namespace vell::image {

int storedBitDepth(int colorType, int bitDepth) {
    const bool typeOk = colorType == 0 || colorType == 2 || colorType == 3 || colorType == 4 ||
                        colorType == 6 || colorType == COLOR_DEVICE;
    const bool depthOk = bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    if (!typeOk || !depthOk) return 0;
    if (colorType == COLOR_PALETTE && bitDepth == 16) return 0;
    // Truecolour has no layout below 8 bits per sample, with or without alpha.
    if ((colorType == COLOR_RGB || colorType == COLOR_RGBALPHA) && bitDepth < 8) return 0;
    if (colorType == COLOR_DEVICE) return 8;
    return bitDepth == 2 ? 4 : bitDepth;
}

int layoutBitCount(int colorType, int bitDepth, bool rgb32) {
    switch (colorType) {
    case COLOR_RGB:
        return 24;
    case COLOR_RGBALPHA:
        return rgb32 ? 32 : 24;
    case COLOR_DEVICE:
        return 32;
    default:
        return bitDepth == 16 ? 8 : (bitDepth == 2 ? 4 : bitDepth);
    }
}

int colorTableSize(int colorType, int bitDepth) {
    if (colorType == COLOR_RGB || colorType == COLOR_DEVICE) return 0;
    if (colorType == COLOR_RGBALPHA) return 0;
    // 2^depth entries: a 2-bit image keeps 4 entries though its indices are stored as nibbles.
    return 1 << (bitDepth == 16 ? 8 : bitDepth);
}

void greyRamp(uint8_t* out, int count, const uint8_t gamma[256]) {
    for (int i = 0; i < count; ++i) {
        const uint8_t g = gamma[count > 1 ? mulDiv(i, 255, count - 1) : 0];
        out[i * 4 + 0] = g;
        out[i * 4 + 1] = g;
        out[i * 4 + 2] = g;
        out[i * 4 + 3] = 0;
    }
}

} // namespace vell::image
