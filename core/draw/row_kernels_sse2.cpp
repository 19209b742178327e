// The SSE2 entries of the row kernels. Each gives exactly the bytes of its exact twin in
// row_kernels.cpp: the blending rows are those of blend_rows_simd.h; the Gaussian lines
// repeat the exact version's single-precision operations in the same order, one lane per
// channel.
#include "core/draw/row_kernels.h"

#if defined(__SSE2__)
#include "core/draw/blend_rows_simd.h"

#include <emmintrin.h>

#include <cstring>

namespace vell::draw {

namespace {

// The vector operations the shared blending rows are written in, four pixels a register.
struct Sse2Ops {
    using Reg = __m128i;
    static constexpr int kPixels = 4;
    static constexpr unsigned kAllLanes = 0xFFFF;
    static Reg load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg zero() { return _mm_setzero_si128(); }
    static Reg set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static Reg set32(int v) { return _mm_set1_epi32(v); }
    static Reg add16(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg sub16(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    static Reg mullo16(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    static Reg mulhiU16(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg and_(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg or_(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg andnot(Reg a, Reg b) { return _mm_andnot_si128(a, b); }
    static Reg sub32(Reg a, Reg b) { return _mm_sub_epi32(a, b); }
    static Reg slli32_16(Reg a) { return _mm_slli_epi32(a, 16); }
    static Reg unpacklo32(Reg a, Reg b) { return _mm_unpacklo_epi32(a, b); }
    static Reg unpackhi32(Reg a, Reg b) { return _mm_unpackhi_epi32(a, b); }
    static Reg cmpeq32(Reg a, Reg b) { return _mm_cmpeq_epi32(a, b); }
    static Reg cmpgt32(Reg a, Reg b) { return _mm_cmpgt_epi32(a, b); }
    static Reg srli32_24(Reg a) { return _mm_srli_epi32(a, 24); }
    static unsigned movemask(Reg a) { return static_cast<unsigned>(_mm_movemask_epi8(a)); }
    static Reg unpacklo8(Reg a, Reg b) { return _mm_unpacklo_epi8(a, b); }
    static Reg unpackhi8(Reg a, Reg b) { return _mm_unpackhi_epi8(a, b); }
    static Reg packus16(Reg a, Reg b) { return _mm_packus_epi16(a, b); }
    static Reg addsU8(Reg a, Reg b) { return _mm_adds_epu8(a, b); }
    // Lanes 3 and 7 of two unpacked pixels over all four lanes of their pixel.
    static Reg alphaLanes(Reg px) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF); }
    static uint32_t mask4(const uint8_t* m) {
        uint32_t v;
        std::memcpy(&v, m, 4);
        return v;
    }
    static bool maskIsZero(const uint8_t* m) { return mask4(m) == 0; }
    static bool maskIsFull(const uint8_t* m) { return mask4(m) == 0xFFFFFFFFu; }
    // Four coverage bytes, each over the four bytes of its pixel.
    static Reg spreadMask(const uint8_t* m) {
        Reg v = _mm_cvtsi32_si128(static_cast<int>(mask4(m)));
        v = _mm_unpacklo_epi8(v, v);
        return _mm_unpacklo_epi16(v, v);
    }
};

// Two SSE2 registers as one of eight pixels, each half on its own as the halves of an
// AVX2 register are: the rows then take two registers a step, independent work the
// processor overlaps.
struct Sse2PairOps {
    struct Reg {
        __m128i lo, hi;
    };
    static constexpr int kPixels = 8;
    static constexpr unsigned kAllLanes = 0xFFFFFFFFu;
#define VELL_EACH1(op)                                                                                       \
    static Reg op(Reg a) {                                                                                   \
        return {Sse2Ops::op(a.lo), Sse2Ops::op(a.hi)};                                                       \
    }
#define VELL_EACH2(op)                                                                                       \
    static Reg op(Reg a, Reg b) {                                                                            \
        return {Sse2Ops::op(a.lo, b.lo), Sse2Ops::op(a.hi, b.hi)};                                           \
    }
    VELL_EACH2(add16)
    VELL_EACH2(sub16)
    VELL_EACH2(mullo16)
    VELL_EACH2(mulhiU16)
    VELL_EACH2(and_)
    VELL_EACH2(or_)
    VELL_EACH2(andnot)
    VELL_EACH2(sub32)
    VELL_EACH2(unpacklo32)
    VELL_EACH2(unpackhi32)
    VELL_EACH2(cmpeq32)
    VELL_EACH2(cmpgt32)
    VELL_EACH2(unpacklo8)
    VELL_EACH2(unpackhi8)
    VELL_EACH2(packus16)
    VELL_EACH2(addsU8)
    VELL_EACH1(slli32_16)
    VELL_EACH1(srli32_24)
    VELL_EACH1(alphaLanes)
#undef VELL_EACH1
#undef VELL_EACH2
    static Reg load(const uint8_t* p) {
        return {Sse2Ops::load(p), Sse2Ops::load(p + 16)};
    }
    static void store(uint8_t* p, Reg v) {
        Sse2Ops::store(p, v.lo);
        Sse2Ops::store(p + 16, v.hi);
    }
    static Reg zero() {
        return {_mm_setzero_si128(), _mm_setzero_si128()};
    }
    static Reg set16(int v) {
        return {Sse2Ops::set16(v), Sse2Ops::set16(v)};
    }
    static Reg set32(int v) {
        return {Sse2Ops::set32(v), Sse2Ops::set32(v)};
    }
    static unsigned movemask(Reg a) {
        return Sse2Ops::movemask(a.lo) | Sse2Ops::movemask(a.hi) << 16;
    }
};

using Sse2Blend = BlendRows<Sse2Ops>;
using Sse2PairBlend = BlendRows<Sse2PairOps>;

// Source-over: eight pixels a step, then four, then the exact row for what is left.
void overPremulSse2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    int done = Sse2PairBlend::overPremul(dst, src, count, alpha);
    done += Sse2Blend::overPremul(dst + 4 * done, src + 4 * done, count - done, alpha);
    if (done < count) exactKernels().overPremul(dst + 4 * done, src + 4 * done, count - done, alpha);
}

void overStraightSse2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    int done = Sse2PairBlend::overStraight(dst, src, count, alpha);
    done += Sse2Blend::overStraight(dst + 4 * done, src + 4 * done, count - done, alpha);
    if (done < count) exactKernels().overStraight(dst + 4 * done, src + 4 * done, count - done, alpha);
}

// Four pixels a step: coverage of text and shapes changes every few pixels, so short
// steps skip and fill more of it whole.
void solidMaskSse2(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count) {
    const int done = Sse2Blend::solidMask(dst, colour, mask, count);
    if (done < count) exactKernels().solidMask(dst + 4 * done, colour, mask + done, count - done);
}

void bilinearVerticalSse2(int16_t* out, const uint8_t* top, const uint8_t* bottom, int count, int fy) {
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    if (fy == 0) {
        // Only the top row counts: its bytes with 7 fraction bits.
        for (; i + 4 <= count; i += 4) {
            const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 4 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                             _mm_slli_epi16(_mm_unpacklo_epi8(t, zero), 7));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 8),
                             _mm_slli_epi16(_mm_unpackhi_epi8(t, zero), 7));
        }
    } else {
        // Both weights fit a signed 16 bits once fy is above 0.
        const __m128i w = _mm_set1_epi32(
            static_cast<int>((static_cast<uint32_t>(fy) << 16) | static_cast<uint32_t>(32768 - fy)));
        const __m128i round = _mm_set1_epi32(128);
        for (; i + 4 <= count; i += 4) {
            const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 4 * i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 4 * i));
            const __m128i tLo = _mm_unpacklo_epi8(t, zero), tHi = _mm_unpackhi_epi8(t, zero);
            const __m128i bLo = _mm_unpacklo_epi8(b, zero), bHi = _mm_unpackhi_epi8(b, zero);
            const __m128i r0 =
                _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(tLo, bLo), w), round), 8);
            const __m128i r1 =
                _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(tLo, bLo), w), round), 8);
            const __m128i r2 =
                _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(tHi, bHi), w), round), 8);
            const __m128i r3 =
                _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(tHi, bHi), w), round), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packs_epi32(r0, r1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 8), _mm_packs_epi32(r2, r3));
        }
    }
    if (i < count) exactKernels().bilinearVertical(out + 4 * i, top + 4 * i, bottom + 4 * i, count - i, fy);
}

// Two output pixels as 16-bit lanes. With a and b the two neighbours (7 fraction bits,
// 0..32640) and f the right one's weight, the exact (a * (32768 - f) + b * f + 2^21) >> 22
// is (a + (((b - a) * f) >> 15) + 64) >> 7: a * 32768 moves only whole steps of 2^15, and
// floors of floors divide as one. ((b - a) * f) >> 15 is the high half of the signed
// product doubled plus bit 15 of its low half.
inline __m128i horizontal2(const int16_t* v, const int32_t* cols, const int16_t* weights) {
    const __m128i ab0 =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * static_cast<ptrdiff_t>(cols[0])));
    const __m128i ab1 =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * static_cast<ptrdiff_t>(cols[1])));
    const __m128i a = _mm_unpacklo_epi64(ab0, ab1), b = _mm_unpackhi_epi64(ab0, ab1);
    uint32_t f2;
    std::memcpy(&f2, weights, 4);
    __m128i f = _mm_cvtsi32_si128(static_cast<int>(f2));
    f = _mm_unpacklo_epi16(f, f);
    f = _mm_unpacklo_epi32(f, f); // each weight over its pixel's four lanes
    const __m128i diff = _mm_sub_epi16(b, a);
    const __m128i q = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(diff, f), 1),
                                   _mm_srli_epi16(_mm_mullo_epi16(diff, f), 15));
    return _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(a, q), _mm_set1_epi16(64)), 7);
}

void bilinearHorizontalSse2(uint8_t* out, const int16_t* v, const int32_t* cols, const int16_t* weights,
                            int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i px = _mm_packus_epi16(horizontal2(v, cols + i, weights + i),
                                            horizontal2(v, cols + i + 2, weights + i + 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), px);
    }
    if (i < count) exactKernels().bilinearHorizontal(out + 4 * i, v, cols + i, weights + i, count - i);
}

// Four pixels' bytes as four float vectors, one pixel each; with `premultiply` the colour
// lanes become round(c * a / 255), the exact row's single-precision steps.
inline void toFloats4(float* o, __m128i px, bool premultiply) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(px, zero), hi = _mm_unpackhi_epi8(px, zero);
    __m128 f[4] = {
        _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)),
        _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero))};
    if (premultiply) {
        const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
        const __m128 c255 = _mm_set1_ps(255.0f);
        for (__m128& v : f) {
            const __m128 a = _mm_shuffle_ps(v, v, 0xFF);
            const __m128 p = _mm_cvtepi32_ps(_mm_cvtps_epi32(_mm_div_ps(_mm_mul_ps(v, a), c255)));
            v = _mm_or_ps(_mm_and_ps(colourLanes, p), _mm_andnot_ps(colourLanes, v));
        }
    }
    for (int k = 0; k < 4; ++k)
        _mm_store_ps(o + 4 * k, f[k]);
}

void toFloatsSse2(float* out, const uint8_t* in, int count, bool premultiply) {
    int i = 0;
    for (; i + 4 <= count; i += 4)
        toFloats4(out + 4 * i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i)), premultiply);
    if (i < count) exactKernels().toFloats(out + 4 * i, in + 4 * i, count - i, premultiply);
}

// Colour lanes become sum * 255 / alpha sum (0 where the alpha sum is 0); the alpha lane
// keeps its sum.
inline __m128 straighten(__m128 sum) {
    const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
    const __m128 alphaSum = _mm_shuffle_ps(sum, sum, 0xFF);
    const __m128 nonZero = _mm_cmpneq_ps(alphaSum, _mm_setzero_ps());
    const __m128 scaled = _mm_and_ps(_mm_div_ps(_mm_mul_ps(sum, _mm_set1_ps(255.0f)), alphaSum), nonZero);
    return _mm_or_ps(_mm_and_ps(colourLanes, scaled), _mm_andnot_ps(colourLanes, sum));
}

inline __m128 clampByte(__m128 v) {
    return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
}

// Rounds four pixel sums to bytes. Sums of taps and weights of at least 0 are never
// negative and stay far below 2^31, so the saturating packs clamp them.
inline void store4(uint8_t* out, const __m128* s) {
    const __m128i ab = _mm_packs_epi32(_mm_cvtps_epi32(s[0]), _mm_cvtps_epi32(s[1]));
    const __m128i cd = _mm_packs_epi32(_mm_cvtps_epi32(s[2]), _mm_cvtps_epi32(s[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(ab, cd));
}

// The weighted sums of four neighbouring output pixels, one 4-lane vector per pixel
// (lanes = channels); tap t of pixel q is at tap(t) + 4q, 16-byte aligned.
template <typename Tap> inline void sums4(__m128* s, Tap tap, const float* weights, int radius) {
    s[0] = s[1] = s[2] = s[3] = _mm_setzero_ps();
    for (int k = 0; k < radius; ++k) {
        const float* a = tap(k);
        const float* b = tap(2 * radius - k);
        const __m128 w = _mm_load_ps(weights + 4 * k);
        for (int q = 0; q < 4; ++q)
            s[q] =
                _mm_add_ps(s[q], _mm_mul_ps(_mm_add_ps(_mm_load_ps(a + 4 * q), _mm_load_ps(b + 4 * q)), w));
    }
    const float* c = tap(radius);
    const __m128 w = _mm_load_ps(weights + 4 * radius);
    for (int q = 0; q < 4; ++q)
        s[q] = _mm_add_ps(s[q], _mm_mul_ps(_mm_load_ps(c + 4 * q), w));
}

// Every tap and weight is at least 0, so a sum is never negative; it may pass 255 by
// rounding only.
inline __m128 roundedByte(__m128 v) {
    return _mm_cvtepi32_ps(_mm_cvtps_epi32(_mm_min_ps(v, _mm_set1_ps(255.0f))));
}

void gaussColumnsSse2(float* out, ptrdiff_t outStride, int lines, const float* const* rows, int first,
                      int end, const float* weights, int radius) {
    int j = first;
    for (; j + 4 <= end; j += 4) {
        const ptrdiff_t o = 4 * static_cast<ptrdiff_t>(j);
        for (int l = 0; l < lines; ++l) {
            __m128 s[4];
            sums4(
                s, [&](int t) { return rows[l + t] + o; }, weights, radius);
            for (int q = 0; q < 4; ++q)
                _mm_store_ps(out + l * outStride + o + 4 * q, roundedByte(s[q]));
        }
    }
    if (j < end) exactKernels().gaussColumns(out, outStride, lines, rows, j, end, weights, radius);
}

void gaussRowSse2(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                  bool straight) {
    int j = first;
    for (; j + 4 <= end; j += 4) {
        const float* base = row + 4 * static_cast<ptrdiff_t>(j);
        __m128 s[4];
        sums4(
            s, [&](int t) { return base + 4 * t; }, weights, radius);
        if (straight)
            for (__m128& v : s)
                v = clampByte(straighten(v)); // straightened colours may be anything
        store4(out + 4 * static_cast<ptrdiff_t>(j), s);
    }
    if (j < end) exactKernels().gaussRow(out, row, j, end, weights, radius, straight);
}

const RowKernels kSse2 = {overPremulSse2,         overStraightSse2, solidMaskSse2,    bilinearVerticalSse2,
                          bilinearHorizontalSse2, toFloatsSse2,     gaussColumnsSse2, gaussRowSse2};

} // namespace

namespace detail {
const RowKernels* sse2Kernels() {
    return &kSse2;
}
} // namespace detail

} // namespace vell::draw

#else

namespace vell::draw::detail {
const RowKernels* sse2Kernels() {
    return nullptr;
}
} // namespace vell::draw::detail

#endif
