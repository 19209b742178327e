// Raw pixel moves between 32-bit and 24-bit rows: rotation and mirroring, rectangle
// copies, widening and splitting of alpha, and the 1:1 alpha mask.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::draw {

enum TPngTurnAngle : uint8_t { pta90, pta180, pta270, ptaHorzFlip, ptaVertFlip };

// A block of pixels of `bytesPerPixel` bytes: rows `stride` bytes apart.
struct PixelView {
    uint8_t* pixels = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// Rotates 32-bit `src` clockwise by 90, 180 or 270 degrees into `dst`, which must be
// height x width for pta90 and pta270, width x height for pta180. Other angles do nothing.
void rotatePixels(const PixelView& dst, const PixelView& src, TPngTurnAngle angle);

// Mirrors 32-bit pixels in place: ptaHorzFlip swaps left and right, ptaVertFlip top and
// bottom. Other angles do nothing.
void flipPixels(const PixelView& image, TPngTurnAngle angle);

// Copies the w x h rectangle at (sx, sy) of `src` to (dx, dy) of `dst`, clipped to both;
// the blocks may be the same. Pixels are `bytesPerPixel` bytes (1, 3 or 4).
void copyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int w, int h,
              int bytesPerPixel);

// 24-bit rows into 32-bit rows: alpha from the plane (one byte per pixel) or 255.
void widenRow24To32(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int count);
// 32-bit rows into 24-bit rows and an alpha plane row (which may be null).
void splitRow32To24(uint8_t* dst, uint8_t* alpha, const uint8_t* src, int count);

// Rewrites the destination's alpha from a 32-bit mask of the same size: alpha := mask
// alpha, or MulTable[mask alpha][alpha] with `multiply`; premultiplied destinations
// have their colour un-premultiplied by the old alpha and premultiplied by the new one.
void applyAlphaMask(const PixelView& dst, const PixelView& mask, bool multiply, bool premultiplied);

// Makes every pixel of the 32-bit block fully transparent: alpha 0, and colour 0 too
// when the pixels are premultiplied.
void clearAlpha(const PixelView& image, bool premultiplied);

} // namespace vell::draw
