// The compositor: draws a rectangle of a source image, scaled, at an opacity, optionally
// in grey, with one of three resampling filters, into a 32-bit premultiplied target.
// Geometry never fails: empty, inverted or invisible rectangles draw nothing, and source
// coordinates outside the image repeat its edge pixels.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::draw {

enum class SourceLayout : uint8_t {
    Bgra32,   // blue, green, red, alpha
    Bgr24,    // blue, green, red; alpha from the optional plane, else 255
    Indexed1, // packed indices, most significant bits first, through the palette
    Indexed4,
    Indexed8,
};

enum class SmoothFilter : uint8_t { None, FastSmooth, Smooth }; // nearest, bilinear, box

struct DrawSource {
    const uint8_t* pixels = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    SourceLayout layout = SourceLayout::Bgra32;
    const uint8_t* alpha = nullptr; // optional plane, one byte per pixel, alphaStride apart;
                                    // it replaces the palette's alpha of indexed pixels
    ptrdiff_t alphaStride = 0;
    const uint32_t* palette = nullptr; // indexed: entries as blue | green << 8 | red << 16 | alpha << 24
    int paletteSize = 0;               // indices past it read as transparent black
    bool premultiplied = false;        // the colour bytes already carry the alpha
};

struct DrawTarget {
    uint8_t* pixels = nullptr; // 32-bit rows
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    bool premultiplied = true; // only the alpha-mask modes read this
};

struct ClipRect {
    int left, top, right, bottom;
};

enum class MaskMode : uint8_t { None, Replace, Multiply };

struct ComposeParams {
    int dstX = 0, dstY = 0, dstW = 0, dstH = 0;
    int srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    uint8_t alpha = 255;
    bool gray = false;
    SmoothFilter smooth = SmoothFilter::None;
    bool hasKey = false;
    uint32_t key = 0; // blue | green << 8 | red << 16: pixels of this colour are not drawn
    bool hasClip = false;
    ClipRect clip{0, 0, 0, 0};
    MaskMode mask = MaskMode::None; // only the destination's alpha changes (32-bit sources)
};

// The filter that actually runs for these parameters (smoothing is dropped below 24 bits
// and when neither axis is scaled; the box filter becomes bilinear when enlarging).
SmoothFilter effectiveFilter(const DrawSource& source, const ComposeParams& p);

void compose(const DrawTarget& target, const DrawSource& source, const ComposeParams& params);

// A premultiplied solid colour (blue | green << 8 | red << 16 | alpha << 24) through an
// 8-bit coverage mask of size w x h, placed at (x, y) of the target and clipped to it.
void drawSolidMask(const DrawTarget& target, uint32_t colour, const uint8_t* mask, ptrdiff_t maskStride,
                   int x, int y, int w, int h);

// Windows' MulDiv: a * b / c rounded half away from zero, -1 when c is 0 or the result
// does not fit 32 bits.
int mulDiv(int a, int b, int c);

} // namespace vell::draw
