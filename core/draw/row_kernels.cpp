#include "core/draw/row_kernels.h"

#include "core/draw/cpu.h"
#include "core/pixel/tables.h"

#include <atomic>
#include <cmath>

namespace vell::draw {

namespace {

using pixel::mul;
using pixel::preMul;
using pixel::screen;
using pixel::unPreMul;

inline uint8_t addSat(int a, int b) { return static_cast<uint8_t>(a + b > 255 ? 255 : a + b); }

// The blend of one pixel: colour weight g, effective alpha e (1..255). A premultiplied
// source whose bytes exceed its alpha could overflow a byte: the sum saturates.
inline void blendPixel(uint8_t* d, const uint8_t* s, uint8_t g, uint8_t e) {
    const uint8_t inv = static_cast<uint8_t>(255 - e);
    d[0] = addSat(preMul(g, s[0]), preMul(inv, d[0]));
    d[1] = addSat(preMul(g, s[1]), preMul(inv, d[1]));
    d[2] = addSat(preMul(g, s[2]), preMul(inv, d[2]));
    d[3] = screen(e, d[3]);
}

void overPremulExact(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    for (int i = 0; i < count; ++i, dst += 4, src += 4) {
        const uint8_t e = preMul(src[3], alpha);
        if (e == 0) continue;
        blendPixel(dst, src, alpha, e);
    }
}

void overStraightExact(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    for (int i = 0; i < count; ++i, dst += 4, src += 4) {
        const uint8_t e = preMul(src[3], alpha);
        if (e == 0) continue;
        blendPixel(dst, src, e, e);
    }
}

void solidMaskExact(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count) {
    const uint8_t c[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                          static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
    for (int i = 0; i < count; ++i, dst += 4) {
        const uint8_t m = mask[i];
        const uint8_t e = preMul(c[3], m);
        if (e == 0) continue;
        blendPixel(dst, c, m, e);
    }
}

void bilinearVerticalExact(int16_t* out, const uint8_t* top, const uint8_t* bottom, int count, int fy) {
    for (int i = 0; i < 4 * count; ++i) out[i] = static_cast<int16_t>((top[i] * (32768 - fy) + bottom[i] * fy + 128) >> 8);
}

void bilinearHorizontalExact(uint8_t* out, const int16_t* v, const BilinearTap* taps, int count) {
    for (int i = 0; i < count; ++i, out += 4) {
        const int16_t* a = v + 4 * taps[i].x0;
        const int16_t* b = v + 4 * taps[i].x1;
        const int fx = taps[i].fx;
        for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] * (32768 - fx) + b[c] * fx + (1 << 21)) >> 22);
    }
}

inline uint8_t roundToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v > 255.0f) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
}

void toFloatsExact(float* out, const uint8_t* in, int count) {
    for (int i = 0; i < 4 * count; ++i) out[i] = static_cast<float>(in[i]);
}

// Rounds and stores one accumulated pixel.
void storeSums(uint8_t* o, const float* sum, bool straight) {
    if (straight) {
        for (int c = 0; c < 3; ++c) o[c] = sum[3] == 0.0f ? 0 : roundToByte(sum[c] * 255.0f / sum[3]);
    } else {
        for (int c = 0; c < 3; ++c) o[c] = roundToByte(sum[c]);
    }
    o[3] = roundToByte(sum[3]);
}

void gaussColumnsExact(uint8_t* out, const float* const* rows, int first, int end, const float* weights,
                       int radius) {
    for (int j = first; j < end; ++j) {
        float sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < radius; ++k) {
            const float* a = rows[k] + 4 * j;
            const float* b = rows[2 * radius - k] + 4 * j;
            for (int c = 0; c < 4; ++c) sum[c] += (a[c] + b[c]) * weights[4 * k];
        }
        const float* centre = rows[radius] + 4 * j;
        for (int c = 0; c < 4; ++c) sum[c] += centre[c] * weights[4 * radius];
        storeSums(out + 4 * j, sum, false);
    }
}

void gaussRowExact(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                   bool straight) {
    for (int j = first; j < end; ++j) {
        float sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < radius; ++k) {
            const float* a = row + 4 * (j + k);
            const float* b = row + 4 * (j + 2 * radius - k);
            for (int c = 0; c < 4; ++c) sum[c] += (a[c] + b[c]) * weights[4 * k];
        }
        const float* centre = row + 4 * (j + radius);
        for (int c = 0; c < 4; ++c) sum[c] += centre[c] * weights[4 * radius];
        storeSums(out + 4 * j, sum, straight);
    }
}

const RowKernels kExact = {overPremulExact,       overStraightExact,       solidMaskExact,
                           bilinearVerticalExact, bilinearHorizontalExact, toFloatsExact,
                           gaussColumnsExact,     gaussRowExact};

RowKernels buildFast() {
    RowKernels k = kExact;
    const RowKernels* v = detail::sse2Kernels();
    if (v && CpuHasSSE2()) k = *v;
    return k;
}

std::atomic<bool> gFastEnabled{true};

} // namespace

const RowKernels& exactKernels() { return kExact; }

const RowKernels& fastKernels() {
    static const RowKernels fast = buildFast();
    return fast;
}

const RowKernels& activeKernels() {
    return gFastEnabled.load(std::memory_order_relaxed) ? fastKernels() : kExact;
}

void setFastPathsEnabled(bool enabled) { gFastEnabled.store(enabled, std::memory_order_relaxed); }
bool fastPathsEnabled() { return gFastEnabled.load(std::memory_order_relaxed); }

void overRowGeneral(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, bool premultiplied, bool gray) {
    if (!gray) {
        (premultiplied ? overPremulExact : overStraightExact)(dst, src, count, alpha);
        return;
    }
    for (int i = 0; i < count; ++i, dst += 4, src += 4) {
        const uint8_t e = preMul(src[3], alpha);
        if (e == 0) continue;
        const uint8_t g = grey(src);
        const uint8_t s[4] = {g, g, g, src[3]};
        blendPixel(dst, s, premultiplied ? alpha : e, e);
    }
}

void maskAlphaRow(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, int mode, bool dstPremultiplied) {
    for (int i = 0; i < count; ++i, dst += 4, src += 4) {
        const uint8_t m = preMul(src[3], alpha);
        const uint8_t old = dst[3];
        const uint8_t now = mode == 1 ? m : mul(m, old);
        if (dstPremultiplied) {
            for (int c = 0; c < 3; ++c) dst[c] = preMul(now, unPreMul(old, dst[c]));
        }
        dst[3] = now;
    }
}

void grayscaleRow(uint8_t* row, int count, int bytesPerPixel) {
    for (int i = 0; i < count; ++i, row += bytesPerPixel) {
        const uint8_t g = grey(row);
        row[0] = row[1] = row[2] = g;
    }
}

} // namespace vell::draw
