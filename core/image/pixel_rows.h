// Row loops of the image model over plain buffers: premultiplication, widening and
// narrowing between 24- and 32-bit layouts, filling, and copying a rectangle.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::image {

// Premultiplies `n` pixels of `bpp` (3 or 4) bytes: every colour byte c of pixel i becomes
// preMul(a, c) with a = alpha[i * alphaStep]. The alpha bytes themselves are not changed.
void premultiplyRow(uint8_t* colour, int bpp, const uint8_t* alpha, int alphaStep, size_t n);

// The inverse through the unpremultiply table. With invert0To255, a pixel of alpha 0
// keeps its colour bytes and gets alpha 255 instead (alpha must then be writable).
void unpremultiplyRow(uint8_t* colour, int bpp, uint8_t* alpha, int alphaStep, size_t n, bool invert0To255);

// Widens 24-bit BGR to 32-bit BGRA; alpha from `alpha` (one byte per pixel) or 255 when
// null. `dst` may be the same memory as `src` (the copy runs from the last pixel back).
void widenRow24To32(const uint8_t* src, uint8_t* dst, const uint8_t* alpha, size_t n);

// Narrows 32-bit BGRA to 24-bit BGR, optionally keeping the alpha bytes in `alphaOut`.
// `dst` may be the same memory as `src` (the copy runs forwards).
void narrowRow32To24(const uint8_t* src, uint8_t* dst, uint8_t* alphaOut, size_t n);

// Fills `n` pixels of an 8-, 24- or 32-bit row with `value`: 8-bit takes its low byte,
// 24-bit its low three bytes (byte 0 first), 32-bit all four in little-endian order.
void fillRow(uint8_t* row, int bitCount, size_t n, uint32_t value);

// Copies `rows` rows of `bytes` bytes from one strided buffer to another.
void copyRows(uint8_t* dst, size_t dstStride, const uint8_t* src, size_t srcStride, size_t bytes,
              size_t rows);

// Source and destination spans of moving a w x h area so that the new (0, 0) is the old
// (offX, offY): the intersection of the old bounds with (offX, offY, newW, newH).
struct CopySpan {
    int srcX = 0, srcY = 0, dstX = 0, dstY = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};
CopySpan resizeSpan(int oldW, int oldH, int newW, int newH, int offX, int offY);

} // namespace vell::image
