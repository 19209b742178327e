// Drawing kernels against reference libraries on the same pixels, one thread:
//   source-over of 1920 x 1080 premultiplied pixels (plain and at 50 % opacity) and a solid
//   colour through an 8-bit coverage mask against pixman;
//   nearest and bilinear scaling 2x up and 0.5x down against pixman transforms;
//   a nine-slice panel 560 x 240 from a 64 x 64 picture against nine pixman calls;
//   Gaussian blur of radius 3 and 10 against OpenCV at the matching sigma.
// Each line prints our time, the reference time and their ratio (below 1 is faster), and
// the blends their throughput against the measured memcpy bandwidth. Times are this
// thread's processor time, best of several alternating runs.
// Every case runs with the kernels this processor gets and again with SSE2 alone.
#include "core/draw/compose.h"
#include "core/draw/cpu.h"
#include "core/draw/gauss.h"
#include "core/draw/row_kernels.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <pixman.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace vell::draw;

struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(pixels.data()); }
    int stride() const { return width * 4; }
    DrawTarget target() { return {bytes(), stride(), width, height, true}; }
    DrawSource source() {
        DrawSource s;
        s.pixels = bytes();
        s.stride = stride();
        s.width = width;
        s.height = height;
        s.premultiplied = true;
        return s;
    }
    pixman_image_t* pixman() {
        return pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, pixels.data(), stride());
    }
};

// A picture like the ones a skin draws: bands of opaque, transparent and translucent
// pixels (premultiplied), with noise so that no two rows are alike.
void fill(Picture& p, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int band = ((x / 97) + (y / 61)) % 3;
            const uint32_t a = band == 0 ? 255 : band == 1 ? 0 : rng() % 256;
            uint32_t c[3];
            for (uint32_t& v : c)
                v = a ? rng() % (a + 1) : 0;
            p.pixels[static_cast<size_t>(y) * p.width + x] = c[0] | c[1] << 8 | c[2] << 16 | a << 24;
        }
}

// This thread's processor time in milliseconds: unlike the wall clock it does not count
// the time other programs take on a busy machine.
double threadMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Best of `runs` timings in milliseconds; `reset` runs untimed before each.
template <typename Reset, typename F> double best(int runs, Reset reset, F f) {
    double bestMs = 1e300;
    for (int i = 0; i < runs; ++i) {
        reset();
        const double start = threadMs();
        f();
        bestMs = std::min(bestMs, threadMs() - start);
    }
    return bestMs;
}

// Ours and the reference alternately, best of `runs` each, so that a busy machine slows
// both alike.
struct Times {
    double ours, ref;
};
template <typename Reset, typename A, typename B> Times duel(int runs, Reset reset, A ours, B ref) {
    Times t{1e300, 1e300};
    for (int i = 0; i < runs; ++i) {
        t.ours = std::min(t.ours, best(1, reset, ours));
        t.ref = std::min(t.ref, best(1, reset, ref));
    }
    return t;
}

double gMemcpyBytesPerMs = 0; // bytes read plus written per millisecond

void report(const char* name, Times t, long long blendPixels = 0) {
    const double ours = t.ours, ref = t.ref;
    std::printf("%-40s ours %8.3f ms  ref %8.3f ms  ratio %5.2f", name, ours, ref, ours / ref);
    if (blendPixels && gMemcpyBytesPerMs > 0)
        std::printf("  %3.0f%% of memcpy bandwidth", 100.0 * (12.0 * blendPixels / ours) / gMemcpyBytesPerMs);
    std::printf("\n");
}

pixman_fixed_t fx(double v) {
    return pixman_double_to_fixed(v);
}

void setScale(pixman_image_t* img, double sx, double sy, double tx, double ty, pixman_filter_t filter) {
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    t.matrix[0][0] = fx(sx);
    t.matrix[0][2] = fx(tx);
    t.matrix[1][1] = fx(sy);
    t.matrix[1][2] = fx(ty);
    pixman_image_set_transform(img, &t);
    pixman_image_set_filter(img, filter, nullptr, 0);
    pixman_image_set_repeat(img, PIXMAN_REPEAT_PAD);
}

void benchBlends(Picture& src, Picture& dst, const Picture& dstStart) {
    const int w = src.width, h = src.height;
    auto reset = [&] { dst.pixels = dstStart.pixels; };
    pixman_image_t* ps = src.pixman();
    pixman_image_t* pd = dst.pixman();

    ComposeParams p;
    p.dstW = p.srcW = w;
    p.dstH = p.srcH = h;
    Times t = duel(
        31, reset, [&] { compose(dst.target(), src.source(), p); },
        [&] { pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, w, h); });
    report("over 1920x1080", t, static_cast<long long>(w) * h);

    p.alpha = 128;
    const pixman_color_t half = {0, 0, 0, 0x8080};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    t = duel(
        31, reset, [&] { compose(dst.target(), src.source(), p); },
        [&] { pixman_image_composite32(PIXMAN_OP_OVER, ps, mask, pd, 0, 0, 0, 0, 0, 0, w, h); });
    report("over 1920x1080 at 50% opacity", t, static_cast<long long>(w) * h);
    pixman_image_unref(mask);

    // Text: coverage bytes with glyph-like runs (mostly empty, some full, edges between).
    std::vector<uint8_t> coverage(static_cast<size_t>(w) * h);
    std::mt19937 rng(4);
    for (size_t i = 0; i < coverage.size(); ++i) {
        const int k = static_cast<int>((i / 3) % 7);
        coverage[i] = k < 3 ? 0 : k < 5 ? 255 : static_cast<uint8_t>(rng());
    }
    const uint32_t colour = 0xFF204080u;
    const pixman_color_t pc = {0x8080, 0x4040, 0x2020, 0xFFFF};
    pixman_image_t* solid = pixman_image_create_solid_fill(&pc);
    pixman_image_t* a8 =
        pixman_image_create_bits(PIXMAN_a8, w, h, reinterpret_cast<uint32_t*>(coverage.data()), w);
    t = duel(
        31, reset, [&] { drawSolidMask(dst.target(), colour, coverage.data(), w, 0, 0, w, h); },
        [&] { pixman_image_composite32(PIXMAN_OP_OVER, solid, a8, pd, 0, 0, 0, 0, 0, 0, w, h); });
    report("solid colour through A8 mask", t, static_cast<long long>(w) * h);
    pixman_image_unref(a8);
    pixman_image_unref(solid);
    pixman_image_unref(ps);
    pixman_image_unref(pd);
}

void benchScaling(Picture& big, Picture& small, Picture& bigDst, Picture& smallDst) {
    const Picture bigStart = bigDst, smallStart = smallDst;
    struct Case {
        const char* name;
        Picture *src, *dst;
        const Picture* start;
        SmoothFilter filter;
    };
    const Case cases[] = {
        {"nearest 2x up 960x540 -> 1920x1080", &small, &bigDst, &bigStart, SmoothFilter::None},
        {"nearest 0.5x down 1920x1080 -> 960x540", &big, &smallDst, &smallStart, SmoothFilter::None},
        {"bilinear 2x up 960x540 -> 1920x1080", &small, &bigDst, &bigStart, SmoothFilter::FastSmooth},
        {"bilinear 0.5x down 1920x1080 -> 960x540", &big, &smallDst, &smallStart, SmoothFilter::FastSmooth},
    };
    for (const Case& c : cases) {
        auto reset = [&] { c.dst->pixels = c.start->pixels; };
        ComposeParams p;
        p.srcW = c.src->width, p.srcH = c.src->height, p.dstW = c.dst->width, p.dstH = c.dst->height;
        p.smooth = c.filter;
        pixman_image_t* ps = c.src->pixman();
        pixman_image_t* pd = c.dst->pixman();
        const double sx = static_cast<double>(c.src->width) / c.dst->width;
        const double sy = static_cast<double>(c.src->height) / c.dst->height;
        setScale(ps, sx, sy, 0, 0,
                 c.filter == SmoothFilter::None ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR);
        const Times t = duel(
            15, reset, [&] { compose(c.dst->target(), c.src->source(), p); },
            [&] {
                pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, c.dst->width,
                                         c.dst->height);
            });
        report(c.name, t);
        pixman_image_unref(ps);
        pixman_image_unref(pd);
    }
}

// The nine pieces of a panel with 16-pixel margins: destination and source rectangles.
struct Piece {
    int dx, dy, dw, dh, sx, sy, sw, sh;
};

std::vector<Piece> nineSlice(int dw, int dh, int sw, int sh, int m) {
    const int dxs[3] = {0, m, dw - m}, dws[3] = {m, dw - 2 * m, m};
    const int sxs[3] = {0, m, sw - m}, sws[3] = {m, sw - 2 * m, m};
    const int dys[3] = {0, m, dh - m}, dhs[3] = {m, dh - 2 * m, m};
    const int sys[3] = {0, m, sh - m}, shs[3] = {m, sh - 2 * m, m};
    std::vector<Piece> pieces;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            pieces.push_back({dxs[c], dys[r], dws[c], dhs[r], sxs[c], sys[r], sws[c], shs[r]});
    return pieces;
}

void benchNineSlice() {
    Picture pic(64, 64), panel(560, 240);
    fill(pic, 21);
    const Picture start = panel;
    const std::vector<Piece> pieces = nineSlice(560, 240, 64, 64, 16);
    auto reset = [&] { panel.pixels = start.pixels; };
    for (SmoothFilter filter : {SmoothFilter::None, SmoothFilter::FastSmooth}) {
        pixman_image_t* ps = pic.pixman();
        pixman_image_t* pd = panel.pixman();
        const pixman_filter_t pf =
            filter == SmoothFilter::None ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR;
        auto ours = [&] {
            for (const Piece& q : pieces) {
                ComposeParams p;
                p.dstX = q.dx, p.dstY = q.dy, p.dstW = q.dw, p.dstH = q.dh;
                p.srcX = q.sx, p.srcY = q.sy, p.srcW = q.sw, p.srcH = q.sh;
                p.smooth = filter;
                compose(panel.target(), pic.source(), p);
            }
        };
        auto ref = [&] {
            for (const Piece& q : pieces) {
                setScale(ps, static_cast<double>(q.sw) / q.dw, static_cast<double>(q.sh) / q.dh, q.sx, q.sy,
                         pf);
                pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, q.dx, q.dy, q.dw, q.dh);
            }
        };
        report(filter == SmoothFilter::None ? "nine-slice 560x240 from 64x64, nearest"
                                            : "nine-slice 560x240, bilinear",
               duel(301, reset, ours, ref));
        pixman_image_unref(ps);
        pixman_image_unref(pd);
    }
}

void benchBlur(Picture& src) {
    const int w = src.width, h = src.height;
    Picture dst(w, h);
    TPixelData in{}, out{};
    InitPixelData(w, h, src.stride(), in, src.bytes(), pfBits32);
    InitPixelData(w, h, dst.stride(), out, dst.bytes(), pfBits32);
    in.Flags = out.Flags = 0; // premultiplied pixels are blurred as they are
    cv::Mat cvSrc(h, w, CV_8UC4, src.bytes()), cvDst;
    for (int radius : {3, 10}) {
        const double sigma = radius / 2.0;
        const Times t = duel(
            7, [] {}, [&] { BlurPixels(out, in, radius, sigma); },
            [&] {
                cv::GaussianBlur(cvSrc, cvDst, cv::Size(2 * radius + 1, 2 * radius + 1), sigma, sigma,
                                 cv::BORDER_REPLICATE);
            });
        int maxDiff = 0;
        for (size_t i = 0; i < static_cast<size_t>(w) * h * 4; ++i)
            maxDiff = std::max(maxDiff, std::abs(int(dst.bytes()[i]) - int(cvDst.data[i])));
        char name[64];
        std::snprintf(name, sizeof name, "gaussian blur radius %d (sigma %.1f)", radius, sigma);
        report(name, t);
        std::printf("%-40s largest pixel difference to OpenCV: %d\n", "", maxDiff);
    }
}

void measureMemcpy() {
    const size_t bytes = 1920u * 1080u * 4u;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    const double ms = best(
        31, [] {}, [&] { std::memcpy(b.data(), a.data(), bytes); });
    gMemcpyBytesPerMs = 2.0 * bytes / ms;
    std::printf("memcpy of %zu bytes: %.3f ms (%.1f GB/s read + write)\n", bytes, ms,
                gMemcpyBytesPerMs / 1e6);
}

void runAll() {
    Picture big(1920, 1080), bigDst(1920, 1080), small(960, 540), smallDst(960, 540);
    fill(big, 1);
    fill(bigDst, 2);
    fill(small, 3);
    fill(smallDst, 4);
    const Picture bigStart = bigDst;
    Picture dst = bigDst;
    benchBlends(big, dst, bigStart);
    benchScaling(big, small, bigDst, smallDst);
    benchNineSlice();
    benchBlur(big);
}

} // namespace

int main() {
    cv::setNumThreads(1);
    measureMemcpy();
    // Every case with the kernels the drawing code chooses on this processor, then again
    // with each narrower vector table (SSE2 is what the 32-bit product can always run).
    std::printf("== vector kernels: %s\n", fastPathsEnabled() ? fastKernelsName() : "exact only");
    runAll();
    const std::vector<KernelTable> tables = vectorKernelTables();
    for (size_t i = 0; i + 1 < tables.size(); ++i) {
        std::printf("== vector kernels: %s only\n", tables[i].name);
        useKernels(tables[i].kernels);
        runAll();
    }
    useKernels(nullptr);
    return 0;
}
