#include "core/draw/gauss.h"

#include "core/draw/row_kernels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace vell::draw {

namespace {

// Floats of a line of `pixels` pixels, four floats a pixel, rounded up to whole 64-byte
// lines so that every line starts aligned.
size_t lineFloats(long long pixels) {
    return (4 * static_cast<size_t>(pixels) + 15) & ~size_t{15};
}

// Output rows made per pass of the vertical kernel: the ring's rows are read once for all
// of them.
constexpr int kLinesPerPass = 8;

// The blur is defined over a copy of the block padded by R pixels on every side. That copy
// is never made, but a radius whose padded copy could not be held (more than 1 GiB) is
// refused as out of memory before anything is computed, as is one whose lines cannot be.
void checkBlurSize(int width, int height, long long r) {
    const long long w = width + 2 * r, h = height + 2 * r;
    if (w > INT_MAX / 16 || h > INT_MAX / 16 || w * h > (1LL << 28))
        raiseKernelError(KernelErrorCode::OutOfMemory);
}

// The blur of a block, a few rows at a time. The source rows the output rows need are
// kept as float lines in a ring of at most 2R + kLinesPerPass lines, each source row
// converted once (premultiplied on the way when `straight`); rows above and below the
// block repeat its first and last row. The vertical pass makes float lines of the block's
// width, padded with R copies of their edge pixels on each side (a padding column's sums
// would be its edge column's), and the horizontal pass writes output row y to out(y).
// Every source row a pass needs is converted before it writes, so the output may be the
// source itself.
template <typename Out>
void blurRows(const TPixelData& src, int width, int height, const GaussWeights& k, bool straight, Out out) {
    const RowKernels& kernels = activeKernels();
    const int r = k.radius();
    checkBlurSize(width, height, r);
    const int taps = 2 * r + 1, slots = std::min(taps - 1 + kLinesPerPass, height);
    const size_t ringStride = lineFloats(width),
                 lineStride = lineFloats(static_cast<long long>(width) + 2 * r);
    AlignedFloats ring, lines;
    try {
        ring = AlignedFloats(ringStride * static_cast<size_t>(slots));
        lines = AlignedFloats(lineStride * kLinesPerPass);
    } catch (const std::bad_alloc&) {
        raiseKernelError(KernelErrorCode::OutOfMemory);
    }
    std::vector<const float*> rows(static_cast<size_t>(taps - 1 + kLinesPerPass));
    auto slot = [&](int y) { return ring.data() + static_cast<size_t>(y % slots) * ringStride; };
    int converted = -1;
    for (int y = 0; y < height; y += kLinesPerPass) {
        const int n = std::min(kLinesPerPass, height - y);
        const int need =
            static_cast<int>(std::min<long long>(static_cast<long long>(y) + n - 1 + r, height - 1));
        while (converted < need) {
            ++converted;
            kernels.toFloats(slot(converted), src.row(converted), width, straight);
        }
        for (int t = 0; t < taps - 1 + n; ++t)
            rows[t] = slot(
                static_cast<int>(std::clamp<long long>(static_cast<long long>(y) - r + t, 0, height - 1)));
        float* firstLine = lines.data() + 4 * static_cast<size_t>(r);
        kernels.gaussColumns(firstLine, static_cast<ptrdiff_t>(lineStride), n, rows.data(), 0, width,
                             k.weights(), r);
        for (int l = 0; l < n; ++l) {
            float* line = lines.data() + l * lineStride;
            float* first = line + 4 * static_cast<size_t>(r);
            float* last = first + 4 * (static_cast<size_t>(width) - 1);
            for (int x = 0; x < r; ++x) {
                std::memcpy(line + 4 * static_cast<size_t>(x), first, 16);
                std::memcpy(last + 4 * (static_cast<size_t>(x) + 1), last, 16);
            }
            kernels.gaussRow(out(y + l), line, 0, width, k.weights(), r, straight);
        }
    }
}

inline uint8_t sat(long long v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

GaussWeights GaussKernel(int radius, double sigma) {
    long double s = std::fabs(static_cast<long double>(sigma));
    if (!(s >= 0.1L)) s = 0.1L; // also catches NaN
    if (s > 250.0L) s = 250.0L;
    const long double q = 2.0L * s * s;
    if (radius < 1) {
        long long r = std::llrint(std::nearbyint(s + 1.0L));
        long double sum = 0.0L;
        for (long long j = 1; j <= r; ++j)
            sum += std::exp(-static_cast<long double>(j * j) / q);
        for (;;) {
            const long double e = std::exp(-static_cast<long double>(r * r) / q);
            if (std::nearbyint(e / (2.0L * sum + 1.0L) * 255.0L) == 0.0L) break;
            ++r;
            sum += std::exp(-static_cast<long double>(r * r) / q);
        }
        radius = r - 1 > 0 ? static_cast<int>(r - 1) : 1;
    }
    // The kernel lives in one block of (radius + 1) * 16 + 16 bytes; a radius whose block
    // would pass 64 MiB is refused as out of memory rather than attempted.
    if (radius > (64 << 20) / 16 - 2) raiseKernelError(KernelErrorCode::OutOfMemory);
    GaussWeights k;
    k.radius_ = radius;
    try {
        k.weights_ = AlignedFloats((static_cast<size_t>(radius) + 1) * 4 + 4);
    } catch (const std::bad_alloc&) {
        raiseKernelError(KernelErrorCode::OutOfMemory);
    }
    std::vector<double> w(static_cast<size_t>(radius) + 1);
    long double total = 0.0L;
    for (int d = radius; d >= 1; --d) {
        w[d] = static_cast<double>(std::exp(-static_cast<long double>(d) * d / q));
        total += w[d];
    }
    w[0] = 1.0;
    total = 2.0L * total + 1.0L;
    for (int d = 0; d <= radius; ++d) {
        const float v = static_cast<float>(static_cast<long double>(w[d]) / total);
        float* slot = &k.weights_[4 * static_cast<size_t>(radius - d)];
        slot[0] = slot[1] = slot[2] = slot[3] = v;
    }
    return k;
}

bool BlurPixels(const TPixelData& dst, const TPixelData& src, int radius, double sigma) {
    int width = 0, height = 0;
    pairPixelData(dst, src, width, height);
    if (radius >= 1) checkBlurSize(width, height, radius);
    const GaussWeights k = GaussKernel(radius, sigma);
    blurRows(src, width, height, k, src.straightAlpha(), [&](int y) { return dst.row(y); });
    return true;
}

void SharpenPixels(const TPixelData& data, int amount, int threshold, double sigma) {
    if (amount < 1 || amount > 500) raiseKernelError(KernelErrorCode::IllegalParameters);
    int width = 0, height = 0;
    pairPixelData(data, data, width, height);
    const GaussWeights k = GaussKernel(0, sigma);
    std::unique_ptr<PixelBlock> blurredBlock;
    try {
        blurredBlock = std::make_unique<PixelBlock>(width, height, pfBits32);
    } catch (const std::bad_alloc&) {
        raiseKernelError(KernelErrorCode::OutOfMemory);
    }
    const TPixelData& blurred = blurredBlock->data();
    blurRows(data, width, height, k, data.straightAlpha(), [&](int y) { return blurred.row(y); });
    const long long f = amount * 512 / 100;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = data.row(y);
        const uint8_t* b = blurred.row(y);
        for (int i = 0; i < width * 4; ++i) {
            const int v = row[i];
            const long long d = v - b[i];
            const long long e = (d * 128 * f) >> 16;
            const uint8_t up = sat(e - threshold);
            const uint8_t down = sat(-e - threshold);
            row[i] = sat(static_cast<long long>(sat(v + up)) - down);
        }
    }
}

} // namespace vell::draw
