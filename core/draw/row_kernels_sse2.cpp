// The SSE2 entries of the row kernels. Each gives exactly the bytes of its exact twin in
// row_kernels.cpp: byte products are rounded divisions by 255 done as
// (t + (t >> 8)) >> 8 with t = x + 128, which equals floor((x + 127) / 255) for every
// product of two bytes; the Gaussian lines repeat the exact version's single-precision
// operations in the same order, one lane per channel.
#include "core/draw/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

namespace vell::draw {

namespace {

inline __m128i div255(__m128i x) {
    const __m128i t = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Broadcasts the alpha lane (3 and 7) of two unpacked pixels over their four lanes.
inline __m128i alphaLanes(__m128i px) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF); }

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Blends two unpacked pixels: out = div255(g * s) + div255((255 - e) * d), saturated by
// the final pack. `e` and `g` hold each pixel's value in all four of its lanes.
inline __m128i blend2(__m128i s, __m128i d, __m128i g, __m128i e) {
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), e);
    return _mm_add_epi16(div255(_mm_mullo_epi16(s, g)), div255(_mm_mullo_epi16(d, inv)));
}

// Keeps the destination where the effective alpha is 0.
inline __m128i keepWhereZero(__m128i result, __m128i dst, __m128i e8) {
    const __m128i zero = _mm_cmpeq_epi32(e8, _mm_setzero_si128());
    return _mm_or_si128(_mm_and_si128(zero, dst), _mm_andnot_si128(zero, result));
}

// Effective alpha of four pixels, one byte per pixel spread over the pixel's four bytes.
template <bool Premul>
void overRow(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a16 = _mm_set1_epi16(alpha);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= count; i += 4, dst += 16, src += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i sa = _mm_and_si128(s, alphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, zero)) == 0xFFFF) continue;
        if (alpha == 255 && _mm_movemask_epi8(_mm_cmpeq_epi32(sa, alphaMask)) == 0xFFFF) {
            // Opaque pixels at full opacity are copied (both exact formulas give s).
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), s);
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
        __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
        const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
        __m128i eLo = alphaLanes(sLo), eHi = alphaLanes(sHi);
        if (alpha != 255) {
            eLo = div255(_mm_mullo_epi16(eLo, a16));
            eHi = div255(_mm_mullo_epi16(eHi, a16));
        }
        __m128i rLo, rHi;
        if (Premul) {
            rLo = blend2(sLo, dLo, a16, eLo);
            rHi = blend2(sHi, dHi, a16, eHi);
        } else {
            // Straight colour is weighted by E; its alpha lane counts as 255 so that the
            // alpha byte becomes E + PreMul[255-E][d], which is Screen[E][d].
            const __m128i a255 = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
            const __m128i keepColour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
            sLo = _mm_or_si128(_mm_and_si128(sLo, keepColour), a255);
            sHi = _mm_or_si128(_mm_and_si128(sHi, keepColour), a255);
            rLo = blend2(sLo, dLo, eLo, eLo);
            rHi = blend2(sHi, dHi, eHi, eHi);
        }
        const __m128i r = _mm_packus_epi16(rLo, rHi);
        const __m128i e8 = _mm_packus_epi16(eLo, eHi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), keepWhereZero(r, d, e8));
    }
    if (i < count) (Premul ? exactKernels().overPremul : exactKernels().overStraight)(dst, src, count - i, alpha);
}

void overPremulSse2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    overRow<true>(dst, src, count, alpha);
}
void overStraightSse2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    overRow<false>(dst, src, count, alpha);
}

void solidMaskSse2(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
    const __m128i ca16 = alphaLanes(c16);
    const bool opaque = (colour >> 24) == 255;
    int i = 0;
    for (; i + 4 <= count; i += 4, dst += 16) {
        const uint32_t m4 = load32(mask + i);
        if (m4 == 0) continue;
        if (opaque && m4 == 0xFFFFFFFFu) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_set1_epi32(static_cast<int>(colour)));
            continue;
        }
        // Spread each mask byte over its pixel's four 16-bit lanes.
        __m128i m = _mm_cvtsi32_si128(static_cast<int>(m4));
        m = _mm_unpacklo_epi8(m, m);
        m = _mm_unpacklo_epi16(m, m); // each byte four times
        const __m128i mLo = _mm_unpacklo_epi8(m, zero), mHi = _mm_unpackhi_epi8(m, zero);
        const __m128i eLo = div255(_mm_mullo_epi16(ca16, mLo)), eHi = div255(_mm_mullo_epi16(ca16, mHi));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
        const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
        const __m128i r = _mm_packus_epi16(blend2(c16, dLo, mLo, eLo), blend2(c16, dHi, mHi, eHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), keepWhereZero(r, d, _mm_packus_epi16(eLo, eHi)));
    }
    if (i < count) exactKernels().solidMask(dst, colour, mask + i, count - i);
}

void bilinearSse2(uint8_t* out, const uint8_t* top, const uint8_t* bottom, const BilinearTap* taps, int count,
                  int fy) {
    // sum = p00 << 15 + (p10 - p00) w10 + (p01 - p00) w01 + (p11 - p00) w11, which is the
    // exact four-weight sum with w00 eliminated; every weight left fits a signed 16 bits.
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(16384);
    for (int i = 0; i < count; ++i, out += 4) {
        const BilinearTap& t = taps[i];
        const int w11 = (t.fx * fy + 16384) >> 15;
        const int w10 = t.fx - w11;
        const int w01 = fy - w11;
        const __m128i p00 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(load32(top + 4 * t.x0))), zero);
        const __m128i p10 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(load32(top + 4 * t.x1))), zero);
        const __m128i p01 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(load32(bottom + 4 * t.x0))), zero);
        const __m128i p11 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(load32(bottom + 4 * t.x1))), zero);
        const __m128i pairA = _mm_unpacklo_epi16(_mm_sub_epi16(p10, p00), _mm_sub_epi16(p01, p00));
        const __m128i pairB = _mm_unpacklo_epi16(_mm_sub_epi16(p11, p00), zero);
        const __m128i wA = _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(w01) << 16) | static_cast<uint32_t>(w10)));
        const __m128i wB = _mm_set1_epi32(w11);
        __m128i sum = _mm_slli_epi32(_mm_unpacklo_epi16(p00, zero), 15);
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pairA, wA));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pairB, wB));
        sum = _mm_srai_epi32(_mm_add_epi32(sum, half), 15);
        sum = _mm_packs_epi32(sum, sum);
        const int v = _mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
        std::memcpy(out, &v, 4);
    }
}

// Float lanes of one pixel's four bytes.
inline __m128 pixelFloats(__m128i bytes16) { return _mm_cvtepi32_ps(_mm_unpacklo_epi16(bytes16, _mm_setzero_si128())); }

inline __m128i roundSaturate(__m128 v) {
    v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvtps_epi32(v);
}

void gaussLineSse2(uint8_t* out, const uint8_t* in, ptrdiff_t tapStep, int count, const float* weights, int radius,
                   bool straight) {
    const __m128i zero = _mm_setzero_si128();
    int j = 0;
    // Four output pixels at a time, one 4-lane vector per pixel (lanes = channels).
    for (; j + 4 <= count; j += 4) {
        const uint8_t* base = in + 4 * static_cast<ptrdiff_t>(j);
        __m128 acc0 = _mm_setzero_ps(), acc1 = acc0, acc2 = acc0, acc3 = acc0;
        for (int k = 0; k < radius; ++k) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k * tapStep));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + (2 * radius - k) * tapStep));
            const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            const __m128 w = _mm_loadu_ps(weights + 4 * k);
            acc0 = _mm_add_ps(acc0, _mm_mul_ps(pixelFloats(lo), w));
            acc1 = _mm_add_ps(acc1, _mm_mul_ps(pixelFloats(_mm_srli_si128(lo, 8)), w));
            acc2 = _mm_add_ps(acc2, _mm_mul_ps(pixelFloats(hi), w));
            acc3 = _mm_add_ps(acc3, _mm_mul_ps(pixelFloats(_mm_srli_si128(hi, 8)), w));
        }
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + radius * tapStep));
        const __m128i lo = _mm_unpacklo_epi8(c, zero), hi = _mm_unpackhi_epi8(c, zero);
        const __m128 w = _mm_loadu_ps(weights + 4 * radius);
        acc0 = _mm_add_ps(acc0, _mm_mul_ps(pixelFloats(lo), w));
        acc1 = _mm_add_ps(acc1, _mm_mul_ps(pixelFloats(_mm_srli_si128(lo, 8)), w));
        acc2 = _mm_add_ps(acc2, _mm_mul_ps(pixelFloats(hi), w));
        acc3 = _mm_add_ps(acc3, _mm_mul_ps(pixelFloats(_mm_srli_si128(hi, 8)), w));
        if (straight) {
            // Colour lanes become sum * 255 / alpha sum (0 where the alpha sum is 0); the
            // alpha lane keeps its sum.
            __m128* accs[4] = {&acc0, &acc1, &acc2, &acc3};
            const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
            for (__m128* p : accs) {
                const __m128 alphaSum = _mm_shuffle_ps(*p, *p, 0xFF);
                const __m128 nonZero = _mm_cmpneq_ps(alphaSum, _mm_setzero_ps());
                __m128 scaled = _mm_div_ps(_mm_mul_ps(*p, _mm_set1_ps(255.0f)), alphaSum);
                scaled = _mm_and_ps(scaled, nonZero);
                *p = _mm_or_ps(_mm_and_ps(colourLanes, scaled), _mm_andnot_ps(colourLanes, *p));
            }
        }
        const __m128i r01 = _mm_packs_epi32(roundSaturate(acc0), roundSaturate(acc1));
        const __m128i r23 = _mm_packs_epi32(roundSaturate(acc2), roundSaturate(acc3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * static_cast<ptrdiff_t>(j)), _mm_packus_epi16(r01, r23));
    }
    if (j < count)
        exactKernels().gaussLine(out + 4 * static_cast<ptrdiff_t>(j), in + 4 * static_cast<ptrdiff_t>(j), tapStep,
                                 count - j, weights, radius, straight);
}

const RowKernels kSse2 = {overPremulSse2, overStraightSse2, solidMaskSse2, bilinearSse2, gaussLineSse2};

} // namespace

namespace detail {
const RowKernels* sse2Kernels() { return &kSse2; }
} // namespace detail

} // namespace vell::draw

#else

namespace vell::draw::detail {
const RowKernels* sse2Kernels() { return nullptr; }
} // namespace vell::draw::detail

#endif
