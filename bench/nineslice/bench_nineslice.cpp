// Nine-slice drawing of a skin panel: a 560 x 240 panel from a 64 x 64 premultiplied
// picture with margins 16, laid out by the core's nine-slice geometry and painted piece
// by piece (or tile by tile) with the compositor, in stretch and fill mode, nearest and
// bilinear. The reference is one unscaled source-over of a 560 x 240 picture into the
// same target: the same pixels written, with no scaling and one call. Times are this
// thread's processor time, best of alternating runs; the ratio is ours over the
// reference (the cost of slicing and scaling per output pixel).
#include "core/design/nine_slice.h"
#include "core/draw/compose.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

namespace {

using namespace vell;

struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;
    Picture(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(pixels.data()); }
    draw::DrawTarget target() { return {bytes(), width * 4, width, height, true}; }
    draw::DrawSource source() {
        draw::DrawSource s;
        s.pixels = bytes();
        s.stride = width * 4;
        s.width = width;
        s.height = height;
        s.premultiplied = true;
        return s;
    }
};

// A panel picture: opaque body, a translucent rim, noise so no two rows are alike.
void fill(Picture& p, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int edge = std::min({x, y, p.width - 1 - x, p.height - 1 - y});
            const uint32_t a = edge < 4 ? 40u + 50u * uint32_t(edge) : 255u;
            uint32_t c[3];
            for (uint32_t& v : c)
                v = rng() % (a + 1);
            p.pixels[size_t(y) * size_t(p.width) + size_t(x)] = c[0] | c[1] << 8 | c[2] << 16 | a << 24;
        }
}

double threadMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Runs f `reps` times per sample; the best sample of `runs`, per call.
template <typename F> double bestPerCall(int runs, int reps, F f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMs();
        for (int r = 0; r < reps; ++r)
            f();
        best = std::min(best, (threadMs() - start) / reps);
    }
    return best;
}

void nineSlice(Picture& dst, Picture& src, design::TSuperStretchMode mode, draw::SmoothFilter filter) {
    const draw::DrawTarget t = dst.target();
    const draw::DrawSource s = src.source();
    design::paintNineSlice(src.width, src.height, design::SliceRect{0, 0, dst.width, dst.height},
                           design::SliceMargins{16, 16, 16, 16}, mode, nullptr,
                           [&](const design::SliceRect& d, const design::SliceRect& r) {
                               draw::ComposeParams p;
                               p.dstX = d.x, p.dstY = d.y, p.dstW = d.w, p.dstH = d.h;
                               p.srcX = r.x, p.srcY = r.y, p.srcW = r.w, p.srcH = r.h;
                               p.smooth = filter;
                               draw::compose(t, s, p);
                           });
}

} // namespace

int main() {
    Picture src(64, 64), panel(560, 240), dst(560, 240);
    fill(src, 1);
    fill(panel, 2);
    const int runs = 15, reps = 40;

    const double copyMs = bestPerCall(runs, reps, [&] {
        draw::ComposeParams p;
        p.dstW = p.srcW = 560;
        p.dstH = p.srcH = 240;
        draw::compose(dst.target(), panel.source(), p);
    });
    std::printf("%-36s %8.4f ms\n", "reference: unscaled 560 x 240", copyMs);

    struct Case {
        const char* name;
        design::TSuperStretchMode mode;
        draw::SmoothFilter filter;
    };
    const Case cases[] = {
        {"nine-slice stretch, nearest", design::sdmStretch, draw::SmoothFilter::None},
        {"nine-slice stretch, bilinear", design::sdmStretch, draw::SmoothFilter::FastSmooth},
        {"nine-slice fill, nearest", design::sdmFill, draw::SmoothFilter::None},
        {"nine-slice fill, bilinear", design::sdmFill, draw::SmoothFilter::FastSmooth},
    };
    for (const Case& c : cases) {
        const double ms = bestPerCall(runs, reps, [&] { nineSlice(dst, src, c.mode, c.filter); });
        std::printf("%-36s %8.4f ms  ratio %5.2f\n", c.name, ms, ms / copyMs);
    }
    return 0;
}
