// The blending rows of the vector kernel tables, written once over a small set of vector
// operations `V` (4 pixels a register with SSE2, 8 with AVX2) and included by each
// table's file. Everything here is in an unnamed namespace so that each file compiles its
// own copy for its own instruction set.
//
// Arithmetic, per 16-bit lane: a byte product rounded as the tables round it,
// floor((x*y + 127) / 255), is ((x*y + 128) * 257) >> 16 for every pair of bytes (a test
// checks all 65536). A pixel blended at effective alpha E with colour weight g gives
// div255(g * s) + div255((255 - E) * d) per byte; when the alpha lane's first term is E,
// the alpha byte becomes E + PreMul[255 - E][d], which equals Screen[E][d] (255 is odd, so
// neither side ever rounds a half). Sums past 255 (colour bytes above their alpha)
// saturate in the final pack, as the exact rows saturate. Each row returns how many
// pixels it did (whole registers); the caller finishes the rest.
#pragma once
#include <cstdint>

namespace vell::draw {
namespace {

template <typename V> struct BlendRows {
    using R = typename V::Reg;

    static R div255(R x) { return V::mulhiU16(V::add16(x, V::set16(128)), V::set16(257)); }

    // Pixels of source alpha below this give effective alpha 0 at opacity `alpha`:
    // floor((a * alpha + 127) / 255) is 0 exactly when a * alpha < 128.
    static int firstVisibleAlpha(int alpha) { return (128 + alpha - 1) / alpha; }

    // div255(g * s) + div255((255 - e) * d) for one unpacked half; `g` and `e` hold each
    // pixel's value in all four of its lanes.
    static R blendHalf(R s, R d, R g, R e) {
        return V::add16(div255(V::mullo16(s, g)), div255(V::mullo16(d, V::sub16(V::set16(255), e))));
    }

    // g + div255((255 - E) * d) for one unpacked half whose weighted source `g` carries E
    // in its alpha lanes.
    static R addOver(R g, R d) {
        return V::add16(g, div255(V::mullo16(d, V::sub16(V::set16(255), V::alphaLanes(g)))));
    }

    // Per-pixel values held in the low 16 bits of 32-bit lanes, each over the four 16-bit
    // lanes of its pixel in the unpacked low and high halves.
    static void spread(R v32, R& lo, R& hi) {
        const R twice = V::or_(v32, V::slli32_16(v32));
        lo = V::unpacklo32(twice, twice);
        hi = V::unpackhi32(twice, twice);
    }

    // The destination where `mask` is set, the result elsewhere.
    static R keep(R result, R dst, R mask) { return V::or_(V::and_(mask, dst), V::andnot(mask, result)); }

    // The loop both source-over rows share: pixels whose effective alpha is 0 keep the
    // destination, registers of opaque pixels at opacity 255 replace it, `blend`(s, d, sa)
    // gives every other register (sa: each pixel's alpha in its 32-bit lane).
    template <typename Blend>
    static int overLoop(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha, Blend blend) {
        const R threshold = V::set32(firstVisibleAlpha(alpha));
        int i = 0;
        for (; i + V::kPixels <= count; i += V::kPixels, dst += 4 * V::kPixels, src += 4 * V::kPixels) {
            const R s = V::load(src);
            const R sa = V::srli32_24(s);
            const R skip = V::cmpgt32(threshold, sa);
            const unsigned skipped = V::movemask(skip);
            if (skipped == V::kAllLanes) continue;
            if (alpha == 255 && V::movemask(V::cmpeq32(sa, V::set32(255))) == V::kAllLanes) {
                V::store(dst, s);
                continue;
            }
            const R d = V::load(dst);
            const R r = blend(s, d, sa);
            V::store(dst, skipped ? keep(r, d, skip) : r);
        }
        return i;
    }

    // Premultiplied source: colour PreMul[alpha][s] + PreMul[255 - E][d] with E =
    // PreMul[a][alpha]; at opacity 255 the first term is s itself.
    static int overPremul(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
        const R zero = V::zero(), a16 = V::set16(alpha);
        if (alpha == 255)
            return overLoop(dst, src, count, alpha, [&](R s, R d, R sa) {
                // s + PreMul[255 - a][d], saturated.
                R invLo, invHi;
                spread(V::sub32(V::set32(255), sa), invLo, invHi);
                return V::addsU8(s, V::packus16(div255(V::mullo16(V::unpacklo8(d, zero), invLo)),
                                                div255(V::mullo16(V::unpackhi8(d, zero), invHi))));
            });
        return overLoop(dst, src, count, alpha, [&](R s, R d, R) {
            // PreMul[alpha][s] in every lane; the alpha lane's is E.
            const R gLo = div255(V::mullo16(V::unpacklo8(s, zero), a16));
            const R gHi = div255(V::mullo16(V::unpackhi8(s, zero), a16));
            return V::packus16(addOver(gLo, V::unpacklo8(d, zero)), addOver(gHi, V::unpackhi8(d, zero)));
        });
    }

    // Straight source: colour PreMul[E][s] + PreMul[255 - E][d] with E = PreMul[a][alpha].
    // The source's alpha lane is read as 255 so that its first term is E.
    static int overStraight(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
        const R zero = V::zero(), a16 = V::set16(alpha);
        const R alphaMask = V::set32(static_cast<int>(0xFF000000u));
        return overLoop(dst, src, count, alpha, [&](R s, R d, R sa) {
            // E per pixel: a times the opacity (a product of bytes in each 32-bit lane's
            // low half), or a itself at opacity 255.
            R eLo, eHi;
            spread(alpha == 255 ? sa : div255(V::mullo16(sa, a16)), eLo, eHi);
            const R s255 = V::or_(s, alphaMask);
            return V::packus16(blendHalf(V::unpacklo8(s255, zero), V::unpacklo8(d, zero), eLo, eLo),
                               blendHalf(V::unpackhi8(s255, zero), V::unpackhi8(d, zero), eHi, eHi));
        });
    }

    // A premultiplied solid colour through coverage bytes: each byte m is the opacity of
    // one source pixel of that colour, so colour PreMul[m][c] + PreMul[255 - E][d] with
    // E = PreMul[ca][m], the alpha lane of the first product.
    static int solidMask(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count) {
        const int ca = static_cast<int>(colour >> 24);
        if (ca == 0) return count; // nothing is visible
        const R zero = V::zero();
        const R c = V::set32(static_cast<int>(colour));
        const R c16 = V::unpacklo8(c, zero);
        const R threshold = V::set32(firstVisibleAlpha(ca));
        // With no colour byte above the alpha, a pixel of E = 0 adds PreMul[m][c] = 0 and
        // keeps d anyway (c * m <= ca * m < 128), so it needs no masking.
        const bool valid = static_cast<int>(colour & 0xFF) <= ca &&
                           static_cast<int>(colour >> 8 & 0xFF) <= ca &&
                           static_cast<int>(colour >> 16 & 0xFF) <= ca;
        int i = 0;
        for (; i + V::kPixels <= count; i += V::kPixels, dst += 4 * V::kPixels) {
            if (V::maskIsZero(mask + i)) continue;
            if (ca == 255 && V::maskIsFull(mask + i)) {
                V::store(dst, c);
                continue;
            }
            const R m = V::spreadMask(mask + i);
            const R d = V::load(dst);
            const R gLo = div255(V::mullo16(c16, V::unpacklo8(m, zero)));
            const R gHi = div255(V::mullo16(c16, V::unpackhi8(m, zero)));
            const R r = V::packus16(addOver(gLo, V::unpacklo8(d, zero)), addOver(gHi, V::unpackhi8(d, zero)));
            if (valid) {
                V::store(dst, r);
                continue;
            }
            const R skip = V::cmpgt32(threshold, V::srli32_24(m));
            V::store(dst, V::movemask(skip) ? keep(r, d, skip) : r);
        }
        return i;
    }
};

} // namespace
} // namespace vell::draw
