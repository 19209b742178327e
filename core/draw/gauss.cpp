#include "core/draw/gauss.h"

#include "core/draw/row_kernels.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace vell::draw {

namespace {

// Refuses a scratch block whose size cannot be held before anything is computed.
void checkScratchSize(int width, int height, long long r) {
    const long long w = width + 2 * r, h = height + 2 * r;
    if (w * 4 > INT_MAX || h > INT_MAX || w * 4 * h > static_cast<long long>(PTRDIFF_MAX / 2))
        raiseKernelError(KernelErrorCode::OutOfMemory);
}

// The padded scratch copy of a block: the pixels at (R, R), every edge pixel repeated R
// times outwards, so the passes read no pixel outside it.
class Scratch {
public:
    Scratch(const TPixelData& src, int width, int height, int r) {
        checkScratchSize(width, height, r);
        const long long w = static_cast<long long>(width) + 2LL * r;
        const long long h = static_cast<long long>(height) + 2LL * r;
        try {
            block_ = std::make_unique<PixelBlock>(static_cast<int>(w), static_cast<int>(h), pfBits32);
        } catch (const std::bad_alloc&) {
            raiseKernelError(KernelErrorCode::OutOfMemory);
        }
        const TPixelData& d = block_->data();
        for (int y = 0; y < height; ++y) {
            uint8_t* out = d.row(y + r) + 4 * static_cast<ptrdiff_t>(r);
            const uint8_t* in = src.row(y);
            if (src.straightAlpha()) {
                for (int x = 0; x < width; ++x) {
                    const uint8_t* p = in + 4 * x;
                    uint8_t* o = out + 4 * x;
                    const float a = static_cast<float>(p[3]);
                    for (int c = 0; c < 3; ++c)
                        o[c] = static_cast<uint8_t>(std::nearbyint(static_cast<float>(p[c]) * a / 255.0f));
                    o[3] = p[3];
                }
            } else {
                std::memcpy(out, in, static_cast<size_t>(width) * 4);
            }
            uint8_t* row = d.row(y + r);
            for (int x = 0; x < r; ++x) {
                std::memcpy(row + 4 * x, out, 4);
                std::memcpy(out + 4 * (static_cast<ptrdiff_t>(width) + x), out + 4 * (static_cast<ptrdiff_t>(width) - 1), 4);
            }
        }
        const size_t rowBytes = static_cast<size_t>(d.Width) * 4;
        for (int y = 0; y < r; ++y) {
            std::memcpy(d.row(y), d.row(r), rowBytes);
            std::memcpy(d.row(r + height + y), d.row(r + height - 1), rowBytes);
        }
    }
    const TPixelData& data() const { return block_->data(); }

private:
    std::unique_ptr<PixelBlock> block_;
};

// Both passes; the horizontal one writes row y of the result to out(y). The vertical
// pass keeps the 2R + 1 rows it reads as floats in a ring, converting each scratch row
// once before the pass overwrites it with its result.
template <typename Out>
void blurPasses(const Scratch& scratch, int width, int height, const GaussWeights& k, bool straight, Out out) {
    const RowKernels& kernels = activeKernels();
    const TPixelData& s = scratch.data();
    const int r = k.radius(), taps = 2 * r + 1, span = s.Width;
    const size_t rowFloats = static_cast<size_t>(span) * 4;
    AlignedFloats ring, line;
    std::vector<const float*> rows(static_cast<size_t>(taps));
    try {
        ring = AlignedFloats(rowFloats * taps);
        line = AlignedFloats(rowFloats);
    } catch (const std::bad_alloc&) {
        raiseKernelError(KernelErrorCode::OutOfMemory);
    }
    auto slot = [&](int row) { return ring.data() + static_cast<size_t>(row % taps) * rowFloats; };
    for (int y = 0; y < taps - 1; ++y) kernels.toFloats(slot(y), s.row(y), span);
    for (int y = 0; y < height; ++y) {
        kernels.toFloats(slot(y + taps - 1), s.row(y + taps - 1), span);
        for (int i = 0; i < taps; ++i) rows[i] = slot(y + i);
        kernels.gaussColumns(s.row(y), rows.data(), 0, span, k.weights(), r);
    }
    for (int y = 0; y < height; ++y) {
        kernels.toFloats(line.data(), s.row(y), span);
        kernels.gaussRow(out(y), line.data(), 0, width, k.weights(), r, straight);
    }
}

inline uint8_t sat(long long v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

} // namespace

GaussWeights GaussKernel(int radius, double sigma) {
    long double s = std::fabs(static_cast<long double>(sigma));
    if (!(s >= 0.1L)) s = 0.1L; // also catches NaN
    if (s > 250.0L) s = 250.0L;
    const long double q = 2.0L * s * s;
    if (radius < 1) {
        long long r = std::llrint(std::nearbyint(s + 1.0L));
        long double sum = 0.0L;
        for (long long j = 1; j <= r; ++j) sum += std::exp(-static_cast<long double>(j * j) / q);
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
    if (radius >= 1) checkScratchSize(width, height, radius);
    const GaussWeights k = GaussKernel(radius, sigma);
    const Scratch scratch(src, width, height, k.radius());
    blurPasses(scratch, width, height, k, src.straightAlpha(), [&](int y) { return dst.row(y); });
    return true;
}

void SharpenPixels(const TPixelData& data, int amount, int threshold, double sigma) {
    if (amount < 1 || amount > 500) raiseKernelError(KernelErrorCode::IllegalParameters);
    int width = 0, height = 0;
    pairPixelData(data, data, width, height);
    const GaussWeights k = GaussKernel(0, sigma);
    const Scratch scratch(data, width, height, k.radius());
    const TPixelData& s = scratch.data();
    blurPasses(scratch, width, height, k, data.straightAlpha(), [&](int y) { return s.row(y); });
    const long long f = amount * 512 / 100;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = data.row(y);
        const uint8_t* blurred = s.row(y);
        for (int i = 0; i < width * 4; ++i) {
            const int v = row[i];
            const long long d = v - blurred[i];
            const long long e = (d * 128 * f) >> 16;
            const uint8_t up = sat(e - threshold);
            const uint8_t down = sat(-e - threshold);
            row[i] = sat(static_cast<long long>(sat(v + up)) - down);
        }
    }
}

} // namespace vell::draw
