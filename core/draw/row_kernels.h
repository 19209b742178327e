// One row function per pixel operation. Every operation has an exact version that
// follows the table arithmetic literally; the vector versions are entries of a second
// table that must give the same bytes, and can be switched off process-wide so that
// tests hold them against the exact ones.
//
// Pixels are 4 bytes in memory order blue, green, red, alpha; rows need no alignment.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vell::draw {

struct RowKernels {
    // Source-over of premultiplied pixels at opacity `alpha` (1..255): with E the pixel's
    // alpha times `alpha`, each byte becomes PreMul[alpha][s] + PreMul[255-E][d] (alpha
    // byte: Screen[E][d]); pixels with E = 0 are left alone.
    void (*overPremul)(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha);
    // The same for straight-alpha pixels: colour PreMul[E][s] + PreMul[255-E][d].
    void (*overStraight)(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha);
    // A premultiplied solid colour through a coverage mask: each mask byte acts as the
    // opacity of one premultiplied source pixel of that colour.
    void (*solidMask)(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count);
    // Bilinear interpolation of premultiplied pixels in two passes with 15-bit weights.
    // Vertical: each byte of `count` pixels becomes (top * (32768 - fy) + bottom * fy + 128)
    // >> 8, a 16-bit value with 7 fraction bits. Horizontal: output pixel i takes
    // (v[x] * (32768 - f) + v[x + 1] * f + 2^21) >> 22 with x = cols[i] and the right
    // neighbour's weight f = weights[i] (0..32767); `v` must hold pixel x + 1 too.
    void (*bilinearVertical)(int16_t* out, const uint8_t* top, const uint8_t* bottom, int count, int fy);
    void (*bilinearHorizontal)(uint8_t* out, const int16_t* v, const int32_t* cols, const int16_t* weights,
                               int count);
    // The Gaussian passes work on pixels converted to four floats each (16-byte aligned
    // rows); a pair of taps added as floats equals the pair added as integers, so the
    // results are those of integer pairs converted and weighted. With `premultiply`, each
    // colour byte c of alpha a is first rounded to round(c * a / 255) in single precision.
    void (*toFloats)(float* out, const uint8_t* in, int count, bool premultiply);
    // Vertical pass, pixels j = first .. end - 1 of `lines` neighbouring output lines
    // (line l at out + l * outStride floats, from rows[l .. l + 2R]; one pass over the
    // columns serves them all): the weighted sum of rows[l..l+2R][j] with the kernel's
    // weights (weights[0] for the outermost pair, weights[R] for the centre), accumulated
    // outside in, in single precision, rounded to nearest even and saturated to 0..255;
    // the rounded values are stored as floats.
    void (*gaussColumns)(float* out, ptrdiff_t outStride, int lines, const float* const* rows, int first,
                         int end, const float* weights, int radius);
    // The same along one row: output pixel j sums row pixels j .. j + 2R. With `straight`,
    // the colour sums are multiplied by 255 and divided by the alpha sum before rounding.
    void (*gaussRow)(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                     bool straight);
};

const RowKernels& exactKernels();
// The vector entries where this build and processor have them (the widest vectors the
// processor runs), exact ones elsewhere.
const RowKernels& fastKernels();
// Every vector table this build and processor can run, for tests that hold each one
// against the exact table; fastKernels() is assembled from them.
struct KernelTable {
    const char* name;
    const RowKernels* kernels;
};
std::vector<KernelTable> vectorKernelTables();
// What the drawing code uses: the exact table while fast paths are switched off, else the
// table chosen with useKernels, else fastKernels() (useKernels(nullptr) returns to it).
const RowKernels& activeKernels();
void setFastPathsEnabled(bool enabled);
bool fastPathsEnabled();
void useKernels(const RowKernels* kernels);
// A short description of the vector kernels in use ("SSE2", "SSE2 + AVX2" or "none").
const char* fastKernelsName();

// Exact helpers shared by the kernels and the compositor.
inline uint8_t grey(const uint8_t* p) {
    return static_cast<uint8_t>((p[2] * 77 + p[1] * 151 + p[0] * 28) >> 8);
}

// Source-over of one row with greyscale and every other option the vector rows leave
// out; exact only.
void overRowGeneral(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, bool premultiplied,
                    bool gray);

// The alpha-only variant of the compositor: m = PreMul[src alpha][alpha]; mode 1 sets the
// destination alpha to m, mode 2 multiplies it (MulTable). Premultiplied destinations get
// their colour un-premultiplied by the old alpha and premultiplied by the new one.
void maskAlphaRow(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, int mode,
                  bool dstPremultiplied);

// Every pixel's three colour bytes become (R*77 + G*151 + B*28) >> 8; `bytesPerPixel` is
// 3 or 4 (the fourth byte is left alone).
void grayscaleRow(uint8_t* row, int count, int bytesPerPixel);

namespace detail {
const RowKernels* sse2Kernels(); // null when the build has no SSE2
// The AVX2 entries over the SSE2 ones; null when the build has none. Only to be used when
// CpuHasAVX2() holds.
const RowKernels* avx2Kernels();
} // namespace detail

} // namespace vell::draw
