#include "core/draw/compose.h"

#include "core/draw/row_kernels.h"
#include "core/pixel/tables.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vell::draw {

namespace {

using pixel::preMul;

inline int clampInt(long long v, int lo, int hi) {
    return static_cast<int>(v < lo ? lo : v > hi ? hi : v);
}

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

bool isIndexed(SourceLayout l) {
    return l != SourceLayout::Bgra32 && l != SourceLayout::Bgr24;
}

// The pixel at column x of a source row, as blue | green << 8 | red << 16 | alpha << 24.
inline uint32_t readPixel(const DrawSource& s, const uint8_t* row, const uint8_t* alphaRow, int x) {
    switch (s.layout) {
    case SourceLayout::Bgra32:
        return load32(row + 4 * static_cast<ptrdiff_t>(x));
    case SourceLayout::Bgr24: {
        const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
        const uint32_t a = alphaRow ? alphaRow[x] : 255;
        return p[0] | p[1] << 8 | p[2] << 16 | a << 24;
    }
    default: {
        int index;
        if (s.layout == SourceLayout::Indexed8)
            index = row[x];
        else if (s.layout == SourceLayout::Indexed4)
            index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        else
            index = (row[x >> 3] >> (7 - (x & 7))) & 1;
        uint32_t px = s.palette && index < s.paletteSize ? s.palette[index] : 0;
        if (alphaRow) px = (px & 0xFFFFFFu) | static_cast<uint32_t>(alphaRow[x]) << 24;
        return px;
    }
    }
}

// Reads `count` source pixels of row y at the given columns into `out` (4 bytes each).
// Pixels of the key colour become transparent black; with `premultiply`, straight
// colours are premultiplied by their alpha on the way.
void fetchRow(const DrawSource& s, const ComposeParams& p, int y, const int32_t* cols, int count,
              uint8_t* out, bool premultiply) {
    const uint8_t* row = s.pixels + static_cast<ptrdiff_t>(y) * s.stride;
    const uint8_t* alphaRow = s.alpha ? s.alpha + static_cast<ptrdiff_t>(y) * s.alphaStride : nullptr;
    if (s.layout == SourceLayout::Bgra32 && !p.hasKey && !premultiply) {
        for (int i = 0; i < count; ++i)
            std::memcpy(out + 4 * i, row + 4 * static_cast<ptrdiff_t>(cols[i]), 4);
        return;
    }
    for (int i = 0; i < count; ++i) {
        uint32_t px = readPixel(s, row, alphaRow, cols[i]);
        if (p.hasKey && (px & 0xFFFFFFu) == (p.key & 0xFFFFFFu)) px = 0;
        if (premultiply) {
            const uint8_t a = static_cast<uint8_t>(px >> 24);
            px = preMul(a, static_cast<uint8_t>(px)) | preMul(a, static_cast<uint8_t>(px >> 8)) << 8 |
                 preMul(a, static_cast<uint8_t>(px >> 16)) << 16 | (px & 0xFF000000u);
        }
        store32(out + 4 * i, px);
    }
}

// Blends one prepared row of source pixels into the target row.
void blendRow(uint8_t* dst, const uint8_t* src, int count, const ComposeParams& p, bool premultiplied,
              bool dstPremultiplied) {
    if (p.mask != MaskMode::None) {
        maskAlphaRow(dst, src, count, p.alpha, p.mask == MaskMode::Replace ? 1 : 2, dstPremultiplied);
    } else if (p.gray) {
        overRowGeneral(dst, src, count, p.alpha, premultiplied, true);
    } else {
        const RowKernels& k = activeKernels();
        (premultiplied ? k.overPremul : k.overStraight)(dst, src, count, p.alpha);
    }
}

// The visible part of the destination rectangle, relative to its own top-left corner.
struct Work {
    int i0, i1, j0, j1; // columns [i0, i1), rows [j0, j1)
};

bool workArea(const DrawTarget& t, const ComposeParams& p, Work& w) {
    long long left = 0, top = 0, right = t.width, bottom = t.height;
    if (p.hasClip) {
        left = std::max<long long>(left, p.clip.left);
        top = std::max<long long>(top, p.clip.top);
        right = std::min<long long>(right, p.clip.right);
        bottom = std::min<long long>(bottom, p.clip.bottom);
    }
    left = std::max<long long>(left, p.dstX);
    top = std::max<long long>(top, p.dstY);
    right = std::min<long long>(right, static_cast<long long>(p.dstX) + p.dstW);
    bottom = std::min<long long>(bottom, static_cast<long long>(p.dstY) + p.dstH);
    if (left >= right || top >= bottom) return false;
    w.i0 = static_cast<int>(left - p.dstX);
    w.i1 = static_cast<int>(right - p.dstX);
    w.j0 = static_cast<int>(top - p.dstY);
    w.j1 = static_cast<int>(bottom - p.dstY);
    return true;
}

// Nearest source index of destination index i on one axis.
inline int nearest(int i, int srcPos, int srcSize, int dstSize, bool rounded, int last) {
    const long long off =
        rounded ? mulDiv(i, srcSize, dstSize) : static_cast<long long>(i) * srcSize / dstSize;
    return clampInt(srcPos + off, 0, last);
}

void composeNearest(const DrawTarget& t, const DrawSource& s, const ComposeParams& p, const Work& w,
                    bool rounded) {
    const int n = w.i1 - w.i0;
    std::vector<int32_t> cols(n);
    for (int i = 0; i < n; ++i)
        cols[i] = nearest(w.i0 + i, p.srcX, p.srcW, p.dstW, rounded, s.width - 1);
    // An unscaled 32-bit row inside the image is blended straight from the source.
    const bool direct = s.layout == SourceLayout::Bgra32 && !p.hasKey && p.srcW == p.dstW &&
                        static_cast<long long>(p.srcX) + w.i0 >= 0 &&
                        static_cast<long long>(p.srcX) + w.i1 <= s.width;
    std::vector<uint8_t> buffer(direct ? 0 : static_cast<size_t>(n) * 4);
    int fetched = -1;
    for (int j = w.j0; j < w.j1; ++j) {
        const int sy = nearest(j, p.srcY, p.srcH, p.dstH, rounded, s.height - 1);
        const uint8_t* src;
        if (direct) {
            src = s.pixels + static_cast<ptrdiff_t>(sy) * s.stride +
                  4 * (static_cast<ptrdiff_t>(p.srcX) + w.i0);
        } else {
            if (sy != fetched) fetchRow(s, p, sy, cols.data(), n, buffer.data(), false);
            fetched = sy;
            src = buffer.data();
        }
        uint8_t* dst = t.pixels + static_cast<ptrdiff_t>(p.dstY + j) * t.stride +
                       4 * static_cast<ptrdiff_t>(p.dstX + w.i0);
        blendRow(dst, src, n, p, s.premultiplied && !isIndexed(s.layout), t.premultiplied);
    }
}

// Bilinear axis: start position and step in 1/32768 units.
struct Axis {
    long long start, step;
};

Axis bilinearAxis(int srcPos, int srcSize, int dstSize) {
    const long long span = dstSize > srcSize ? srcSize - 1 : srcSize;
    return {static_cast<long long>(srcPos) * 32768, span * 32768 / dstSize};
}

void composeBilinear(const DrawTarget& t, const DrawSource& s, const ComposeParams& p, const Work& w) {
    const int n = w.i1 - w.i0;
    const Axis ax = bilinearAxis(p.srcX, p.srcW, p.dstW);
    const Axis ay = bilinearAxis(p.srcY, p.srcH, p.dstH);
    // Each output column's left neighbour and the weight of its right one. A column clamped
    // onto the image's edge weights that column alone: weight 0 on its right neighbour.
    std::vector<int32_t> cols(n);
    std::vector<int16_t> weights(n);
    int minX = s.width - 1, maxX = 0;
    for (int i = 0; i < n; ++i) {
        const long long pos = ax.start + (w.i0 + i) * ax.step;
        const long long x0 = pos >> 15;
        const int left = clampInt(x0, 0, s.width - 1), right = clampInt(x0 + 1, 0, s.width - 1);
        cols[i] = left;
        weights[i] = static_cast<int16_t>(right == left ? 0 : pos & 32767);
        minX = std::min(minX, left);
        maxX = std::max(maxX, right);
    }
    // Rows that are not premultiplied 32-bit pixels are converted (premultiplied, key
    // colour removed) over the columns the outputs touch; two converted rows are kept.
    const bool direct = s.layout == SourceLayout::Bgra32 && s.premultiplied && !p.hasKey;
    const int span = maxX - minX + 1;
    for (int32_t& c : cols)
        c -= minX; // relative to the span
    std::vector<int32_t> spanCols;
    std::vector<uint8_t> rows[2];
    int rowY[2] = {-1, -1};
    if (!direct) {
        spanCols.resize(span);
        for (int i = 0; i < span; ++i)
            spanCols[i] = minX + i;
        rows[0].resize(static_cast<size_t>(span) * 4);
        rows[1].resize(static_cast<size_t>(span) * 4);
    }
    // Makes row y available without evicting row `keep`, which the same output row needs.
    auto sourceRow = [&](int y, int keep) -> const uint8_t* {
        if (direct) return s.pixels + static_cast<ptrdiff_t>(y) * s.stride + 4 * static_cast<ptrdiff_t>(minX);
        for (int k = 0; k < 2; ++k)
            if (rowY[k] == y) return rows[k].data();
        const int k = rowY[0] == keep ? 1 : 0;
        fetchRow(s, p, y, spanCols.data(), span, rows[k].data(), !s.premultiplied);
        rowY[k] = y;
        return rows[k].data();
    };
    // One spare pixel past the span lets every output read its right neighbour.
    std::vector<int16_t> vertical(static_cast<size_t>(span + 1) * 4);
    std::vector<uint8_t> out(static_cast<size_t>(n) * 4);
    const RowKernels& k = activeKernels();
    long long lastPos = -1;
    for (int j = w.j0; j < w.j1; ++j) {
        const long long pos = ay.start + j * ay.step;
        const long long y0 = pos >> 15;
        const int r0 = clampInt(y0, 0, s.height - 1), r1 = clampInt(y0 + 1, 0, s.height - 1);
        if (pos != lastPos) {
            const uint8_t* top = sourceRow(r0, r1);
            const uint8_t* bottom = sourceRow(r1, r0);
            k.bilinearVertical(vertical.data(), top, bottom, span, static_cast<int>(pos & 32767));
            k.bilinearHorizontal(out.data(), vertical.data(), cols.data(), weights.data(), n);
            lastPos = pos;
        }
        uint8_t* dst = t.pixels + static_cast<ptrdiff_t>(p.dstY + j) * t.stride +
                       4 * static_cast<ptrdiff_t>(p.dstX + w.i0);
        blendRow(dst, out.data(), n, p, true, t.premultiplied);
    }
}

// Box axis: the first and last source index each destination index covers.
void boxAxis(int i0, int n, int srcPos, int srcSize, int dstSize, int last, std::vector<int32_t>& from,
             std::vector<int32_t>& to) {
    from.resize(n);
    to.resize(n);
    for (int i = 0; i < n; ++i) {
        const int a = clampInt(static_cast<long long>(srcPos) + mulDiv(i0 + i, srcSize, dstSize), 0, last);
        long long b = static_cast<long long>(srcPos) + mulDiv(i0 + i + 1, srcSize, dstSize) - 1;
        b = std::min<long long>(std::max<long long>(b, a), last);
        b = std::min<long long>(b, a + 65533LL);
        from[i] = a;
        to[i] = static_cast<int32_t>(b);
    }
}

void composeBox(const DrawTarget& t, const DrawSource& s, const ComposeParams& p, const Work& w) {
    const int n = w.i1 - w.i0;
    std::vector<int32_t> cx0, cx1, ry0, ry1;
    boxAxis(w.i0, n, p.srcX, p.srcW, p.dstW, s.width - 1, cx0, cx1);
    boxAxis(w.j0, w.j1 - w.j0, p.srcY, p.srcH, p.dstH, s.height - 1, ry0, ry1);
    const int minX = *std::min_element(cx0.begin(), cx0.end());
    const int maxX = *std::max_element(cx1.begin(), cx1.end());
    const int span = maxX - minX + 1;
    std::vector<int32_t> spanCols(span);
    for (int i = 0; i < span; ++i)
        spanCols[i] = minX + i;
    std::vector<uint8_t> row(static_cast<size_t>(span) * 4), out(static_cast<size_t>(n) * 4);
    std::vector<unsigned long long> sums(static_cast<size_t>(n) * 5);
    const bool weighted = !s.premultiplied; // straight colours are averaged weighted by alpha
    for (int j = 0; j < w.j1 - w.j0; ++j) {
        std::fill(sums.begin(), sums.end(), 0ULL);
        for (int y = ry0[j]; y <= ry1[j]; ++y) {
            fetchRow(s, p, y, spanCols.data(), span, row.data(), false);
            for (int i = 0; i < n; ++i) {
                unsigned long long* sum = &sums[static_cast<size_t>(i) * 5];
                for (int x = cx0[i]; x <= cx1[i]; ++x) {
                    const uint8_t* px = &row[static_cast<size_t>(x - minX) * 4];
                    const unsigned a = px[3];
                    const unsigned f = weighted ? a : 1;
                    sum[0] += px[0] * f;
                    sum[1] += px[1] * f;
                    sum[2] += px[2] * f;
                    sum[3] += a;
                }
                sum[4] += static_cast<unsigned long long>(cx1[i] - cx0[i] + 1);
            }
        }
        for (int i = 0; i < n; ++i) {
            const unsigned long long* sum = &sums[static_cast<size_t>(i) * 5];
            const unsigned long long count = sum[4];
            const unsigned long long div = weighted ? sum[3] : count;
            uint8_t* o = &out[static_cast<size_t>(i) * 4];
            for (int c = 0; c < 3; ++c)
                o[c] = div ? static_cast<uint8_t>((sum[c] + div / 2) / div) : 0;
            o[3] = static_cast<uint8_t>((sum[3] + count / 2) / count);
        }
        uint8_t* dst = t.pixels + static_cast<ptrdiff_t>(p.dstY + w.j0 + j) * t.stride +
                       4 * static_cast<ptrdiff_t>(p.dstX + w.i0);
        blendRow(dst, out.data(), n, p, s.premultiplied, t.premultiplied);
    }
}

} // namespace

int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long num = static_cast<long long>(a) * b;
    long long den = c;
    if (den < 0) num = -num, den = -den;
    const long long q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
    return q > INT32_MAX || q < INT32_MIN ? -1 : static_cast<int>(q);
}

SmoothFilter effectiveFilter(const DrawSource& s, const ComposeParams& p) {
    SmoothFilter f = p.smooth;
    if (isIndexed(s.layout) || (p.srcW == p.dstW && p.srcH == p.dstH)) return SmoothFilter::None;
    if (f == SmoothFilter::Smooth && (p.dstW >= p.srcW || p.dstH >= p.srcH)) f = SmoothFilter::FastSmooth;
    return f;
}

void compose(const DrawTarget& t, const DrawSource& s, const ComposeParams& p) {
    if (!t.pixels || t.width <= 0 || t.height <= 0 || !s.pixels || s.width <= 0 || s.height <= 0) return;
    if (p.dstW <= 0 || p.dstH <= 0 || p.srcW <= 0 || p.srcH <= 0 || p.alpha == 0) return;
    if (p.mask != MaskMode::None && s.layout != SourceLayout::Bgra32) return;
    Work w;
    if (!workArea(t, p, w)) return;
    switch (effectiveFilter(s, p)) {
    case SmoothFilter::FastSmooth:
        composeBilinear(t, s, p, w);
        break;
    case SmoothFilter::Smooth:
        composeBox(t, s, p, w);
        break;
    default:
        composeNearest(t, s, p, w, p.smooth == SmoothFilter::Smooth);
        break;
    }
}

void drawSolidMask(const DrawTarget& t, uint32_t colour, const uint8_t* mask, ptrdiff_t maskStride, int x,
                   int y, int w, int h) {
    if (!t.pixels || !mask || w <= 0 || h <= 0) return;
    const long long left = std::max<long long>(0, x), top = std::max<long long>(0, y);
    const long long right = std::min<long long>(t.width, static_cast<long long>(x) + w);
    const long long bottom = std::min<long long>(t.height, static_cast<long long>(y) + h);
    if (left >= right || top >= bottom) return;
    const RowKernels& k = activeKernels();
    for (long long row = top; row < bottom; ++row) {
        const uint8_t* m = mask + (row - y) * maskStride + (left - x);
        k.solidMask(t.pixels + row * t.stride + left * 4, colour, m, static_cast<int>(right - left));
    }
}

} // namespace vell::draw
