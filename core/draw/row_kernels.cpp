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

inline uint8_t addSat(int a, int b) {
    return static_cast<uint8_t>(a + b > 255 ? 255 : a + b);
}

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
    for (int i = 0; i < 4 * count; ++i)
        out[i] = static_cast<int16_t>((top[i] * (32768 - fy) + bottom[i] * fy + 128) >> 8);
}

void bilinearHorizontalExact(uint8_t* out, const int16_t* v, const int32_t* cols, const int16_t* weights,
                             int count) {
    for (int i = 0; i < count; ++i, out += 4) {
        const int16_t* a = v + 4 * static_cast<ptrdiff_t>(cols[i]);
        const int16_t* b = a + 4;
        const int fx = weights[i];
        for (int c = 0; c < 4; ++c)
            out[c] = static_cast<uint8_t>((a[c] * (32768 - fx) + b[c] * fx + (1 << 21)) >> 22);
    }
}

inline uint8_t roundToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v > 255.0f) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
}

void toFloatsExact(float* out, const uint8_t* in, int count, bool premultiply) {
    for (int i = 0; i < count; ++i, in += 4, out += 4) {
        const float a = static_cast<float>(in[3]);
        for (int c = 0; c < 3; ++c)
            out[c] = premultiply ? std::nearbyint(static_cast<float>(in[c]) * a / 255.0f)
                                 : static_cast<float>(in[c]);
        out[3] = a;
    }
}

// Rounds one accumulated pixel to bytes.
void roundSums(uint8_t* o, const float* sum, bool straight) {
    if (straight) {
        for (int c = 0; c < 3; ++c)
            o[c] = sum[3] == 0.0f ? 0 : roundToByte(sum[c] * 255.0f / sum[3]);
    } else {
        for (int c = 0; c < 3; ++c)
            o[c] = roundToByte(sum[c]);
    }
    o[3] = roundToByte(sum[3]);
}

// The sum of one output pixel from its 2R + 1 taps: pixel `at` (in floats) of each of
// `rows`, or, without rows, the 2R + 1 pixels of `line` from float `at` on.
void gaussSum(float* sum, const float* const* rows, const float* line, ptrdiff_t at, const float* weights,
              int radius) {
    auto tap = [&](int t) { return rows ? rows[t] + at : line + at + 4 * static_cast<ptrdiff_t>(t); };
    for (int c = 0; c < 4; ++c)
        sum[c] = 0.0f;
    for (int k = 0; k < radius; ++k) {
        const float* a = tap(k);
        const float* b = tap(2 * radius - k);
        for (int c = 0; c < 4; ++c)
            sum[c] += (a[c] + b[c]) * weights[4 * k];
    }
    const float* centre = tap(radius);
    for (int c = 0; c < 4; ++c)
        sum[c] += centre[c] * weights[4 * radius];
}

void gaussColumnsExact(float* out, ptrdiff_t outStride, int lines, const float* const* rows, int first,
                       int end, const float* weights, int radius) {
    for (int l = 0; l < lines; ++l)
        for (int j = first; j < end; ++j) {
            float sum[4];
            gaussSum(sum, rows + l, nullptr, 4 * static_cast<ptrdiff_t>(j), weights, radius);
            for (int c = 0; c < 4; ++c)
                out[l * outStride + 4 * j + c] = static_cast<float>(roundToByte(sum[c]));
        }
}

void gaussRowExact(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                   bool straight) {
    for (int j = first; j < end; ++j) {
        float sum[4];
        gaussSum(sum, nullptr, row, 4 * static_cast<ptrdiff_t>(j), weights, radius);
        roundSums(out + 4 * j, sum, straight);
    }
}

const RowKernels kExact = {
    overPremulExact,         overStraightExact, solidMaskExact,    bilinearVerticalExact,
    bilinearHorizontalExact, toFloatsExact,     gaussColumnsExact, gaussRowExact};

RowKernels buildFast() {
    RowKernels k = kExact;
    const std::vector<KernelTable> tables = vectorKernelTables();
    if (!tables.empty()) k = *tables.back().kernels;
    return k;
}

std::atomic<bool> gFastEnabled{true};
std::atomic<const RowKernels*> gChosen{nullptr};

} // namespace

const RowKernels& exactKernels() {
    return kExact;
}

std::vector<KernelTable> vectorKernelTables() {
    std::vector<KernelTable> tables;
    if (!CpuHasSSE2()) return tables;
    if (const RowKernels* k = detail::sse2Kernels()) tables.push_back({"SSE2", k});
    if (CpuHasAVX2()) {
        if (const RowKernels* k = detail::avx2Kernels()) tables.push_back({"AVX2", k});
    }
    return tables;
}

const RowKernels& fastKernels() {
    static const RowKernels fast = buildFast();
    return fast;
}

const char* fastKernelsName() {
    const std::vector<KernelTable> tables = vectorKernelTables();
    if (tables.empty()) return "none";
    return tables.size() == 1 ? "SSE2" : "SSE2 + AVX2";
}

const RowKernels& activeKernels() {
    if (!gFastEnabled.load(std::memory_order_relaxed)) return kExact;
    const RowKernels* chosen = gChosen.load(std::memory_order_relaxed);
    return chosen ? *chosen : fastKernels();
}

void setFastPathsEnabled(bool enabled) {
    gFastEnabled.store(enabled, std::memory_order_relaxed);
}
bool fastPathsEnabled() {
    return gFastEnabled.load(std::memory_order_relaxed);
}
void useKernels(const RowKernels* kernels) {
    gChosen.store(kernels, std::memory_order_relaxed);
}

void overRowGeneral(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, bool premultiplied,
                    bool gray) {
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

void maskAlphaRow(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, int mode,
                  bool dstPremultiplied) {
    for (int i = 0; i < count; ++i, dst += 4, src += 4) {
        const uint8_t m = preMul(src[3], alpha);
        const uint8_t old = dst[3];
        const uint8_t now = mode == 1 ? m : mul(m, old);
        if (dstPremultiplied) {
            for (int c = 0; c < 3; ++c)
                dst[c] = preMul(now, unPreMul(old, dst[c]));
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
