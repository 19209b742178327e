// Small pixel buffers for the drawing tests.
#pragma once
#include "core/draw/compose.h"
#include "core/draw/pixel_data.h"
#include "core/draw/row_kernels.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vell::draw::test {

struct Image {
    int width = 0, height = 0;
    ptrdiff_t stride = 0;
    std::vector<uint8_t> bytes;

    Image(int w, int h, uint32_t fill = 0, int bpp = 4, int pad = 0)
        : width(w), height(h), stride(static_cast<ptrdiff_t>(w) * bpp + pad),
          bytes(static_cast<size_t>(stride) * h + 16) {
        if (bpp == 4)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    set(x, y, fill);
    }
    uint8_t* row(int y) { return bytes.data() + y * stride; }
    uint8_t* px(int x, int y) { return row(y) + 4 * x; }
    uint32_t get(int x, int y) const {
        uint32_t v;
        std::memcpy(&v, bytes.data() + y * stride + 4 * x, 4);
        return v;
    }
    void set(int x, int y, uint32_t v) { std::memcpy(px(x, y), &v, 4); }

    DrawTarget target(bool premultiplied = true) {
        return {bytes.data(), stride, width, height, premultiplied};
    }
    DrawSource source(bool premultiplied) const {
        DrawSource s;
        s.pixels = bytes.data();
        s.stride = stride;
        s.width = width;
        s.height = height;
        s.premultiplied = premultiplied;
        return s;
    }
    TPixelData data(bool straight = false) {
        TPixelData d;
        InitPixelData(width, height, static_cast<int>(stride), d, bytes.data(), pfBits32);
        if (!straight) d.Flags = 0;
        return d;
    }
    bool operator==(const Image& o) const {
        if (width != o.width || height != o.height) return false;
        for (int y = 0; y < height; ++y)
            if (std::memcmp(bytes.data() + y * stride, o.bytes.data() + y * o.stride,
                            static_cast<size_t>(width) * 4))
                return false;
        return true;
    }
};

// Pixels as blue | green << 8 | red << 16 | alpha << 24.
constexpr uint32_t bgra(int b, int g, int r, int a) {
    return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
           static_cast<uint32_t>(a) << 24;
}

// Random pixels; premultiplied ones keep every colour byte at or below the alpha, and a
// share of them is fully opaque or fully transparent so that the shortcuts run too.
inline void randomize(Image& img, std::mt19937& rng, bool premultiplied) {
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 5);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const int k = kind(rng);
            int a = k == 0 ? 0 : k == 1 ? 255 : byte(rng);
            int c[3];
            for (int& v : c)
                v = premultiplied ? (a ? byte(rng) % (a + 1) : 0) : byte(rng);
            img.set(x, y, bgra(c[0], c[1], c[2], a));
        }
}

// Runs f and returns the message of the KernelError it raises ("" when none).
template <typename F> std::string kernelErrorOf(F f) {
    try {
        f();
    } catch (const KernelError& e) {
        return e.what();
    }
    return "";
}

// Runs `f` once with the vector kernels and once with the exact ones.
template <typename F> void withExactKernels(F f) {
    setFastPathsEnabled(false);
    f();
    setFastPathsEnabled(true);
}

// Runs f(name) once for each vector kernel table this processor runs, with that table
// active; afterwards the default table is active again.
template <typename F> void forEachVectorTable(F f) {
    for (const KernelTable& t : vectorKernelTables()) {
        useKernels(t.kernels);
        f(t.name);
    }
    useKernels(nullptr);
}

} // namespace vell::draw::test
