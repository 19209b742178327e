// The AVX2 entries of the row kernels, used over the SSE2 table when the processor has
// AVX2 (see CpuHasAVX2). Each gives exactly the bytes of its exact twin: the blending
// rows are those of blend_rows_simd.h, eight pixels a register; the Gaussian lines hold
// two pixels a register and repeat the exact version's single-precision operations in
// the same order (separate multiply and add, never fused).
// Built for 64-bit targets outside Windows only: Windows does not promise the 32-byte
// stack alignment that spilled wide registers need.
#include "core/draw/row_kernels.h"

#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__) && !defined(__clang__)
#include <cstring>
#include <immintrin.h>

// Everything defined from here to the matching pop is compiled for AVX2; it only runs
// once the processor test passed.
#pragma GCC push_options
#pragma GCC target("avx2")
#include "core/draw/blend_rows_simd.h"

namespace vell::draw {

namespace {

// The vector operations the shared blending rows are written in, eight pixels a
// register. Unpacking and packing work within 128-bit halves, so pixels keep their order.
struct Avx2Ops {
    using Reg = __m256i;
    static constexpr int kPixels = 8;
    static constexpr unsigned kAllLanes = 0xFFFFFFFFu;
    static Reg load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Reg zero() { return _mm256_setzero_si256(); }
    static Reg set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static Reg set32(int v) { return _mm256_set1_epi32(v); }
    static Reg add16(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg sub16(Reg a, Reg b) { return _mm256_sub_epi16(a, b); }
    static Reg mullo16(Reg a, Reg b) { return _mm256_mullo_epi16(a, b); }
    static Reg mulhiU16(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg and_(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg or_(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg andnot(Reg a, Reg b) { return _mm256_andnot_si256(a, b); }
    static Reg sub32(Reg a, Reg b) { return _mm256_sub_epi32(a, b); }
    static Reg slli32_16(Reg a) { return _mm256_slli_epi32(a, 16); }
    static Reg unpacklo32(Reg a, Reg b) { return _mm256_unpacklo_epi32(a, b); }
    static Reg unpackhi32(Reg a, Reg b) { return _mm256_unpackhi_epi32(a, b); }
    static Reg cmpeq32(Reg a, Reg b) { return _mm256_cmpeq_epi32(a, b); }
    static Reg cmpgt32(Reg a, Reg b) { return _mm256_cmpgt_epi32(a, b); }
    static Reg srli32_24(Reg a) { return _mm256_srli_epi32(a, 24); }
    static unsigned movemask(Reg a) { return static_cast<unsigned>(_mm256_movemask_epi8(a)); }
    static Reg unpacklo8(Reg a, Reg b) { return _mm256_unpacklo_epi8(a, b); }
    static Reg unpackhi8(Reg a, Reg b) { return _mm256_unpackhi_epi8(a, b); }
    static Reg packus16(Reg a, Reg b) { return _mm256_packus_epi16(a, b); }
    static Reg addsU8(Reg a, Reg b) { return _mm256_adds_epu8(a, b); }
    static Reg alphaLanes(Reg px) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(px, 0xFF), 0xFF); }
    static uint64_t mask8(const uint8_t* m) {
        uint64_t v;
        std::memcpy(&v, m, 8);
        return v;
    }
    static bool maskIsZero(const uint8_t* m) { return mask8(m) == 0; }
    static bool maskIsFull(const uint8_t* m) { return mask8(m) == ~uint64_t{0}; }
    // Eight coverage bytes, each over the four bytes of its pixel.
    static Reg spreadMask(const uint8_t* m) {
        const __m256i bytes =
            _mm256_broadcastsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)));
        const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, //
                                                4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
        return _mm256_shuffle_epi8(bytes, spread);
    }
};

using Avx2Blend = BlendRows<Avx2Ops>;

void overPremulAvx2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    const int done = Avx2Blend::overPremul(dst, src, count, alpha);
    if (done < count) detail::sse2Kernels()->overPremul(dst + 4 * done, src + 4 * done, count - done, alpha);
}

void overStraightAvx2(uint8_t* dst, const uint8_t* src, int count, uint8_t alpha) {
    const int done = Avx2Blend::overStraight(dst, src, count, alpha);
    if (done < count)
        detail::sse2Kernels()->overStraight(dst + 4 * done, src + 4 * done, count - done, alpha);
}

void solidMaskAvx2(uint8_t* dst, uint32_t colour, const uint8_t* mask, int count) {
    const int done = Avx2Blend::solidMask(dst, colour, mask, count);
    if (done < count) detail::sse2Kernels()->solidMask(dst + 4 * done, colour, mask + done, count - done);
}

inline __m256 clampByte(__m256 v) {
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
}

// Colour lanes become sum * 255 / alpha sum (0 where the alpha sum is 0); the alpha lanes
// keep their sums.
inline __m256 straighten(__m256 sum) {
    const __m256 colourLanes = _mm256_castsi256_ps(_mm256_set_epi32(0, -1, -1, -1, 0, -1, -1, -1));
    const __m256 alphaSum = _mm256_shuffle_ps(sum, sum, 0xFF);
    const __m256 nonZero = _mm256_cmp_ps(alphaSum, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    const __m256 scaled =
        _mm256_and_ps(_mm256_div_ps(_mm256_mul_ps(sum, _mm256_set1_ps(255.0f)), alphaSum), nonZero);
    return _mm256_or_ps(_mm256_and_ps(colourLanes, scaled), _mm256_andnot_ps(colourLanes, sum));
}

// The weighted sums of eight neighbouring output pixels, two per vector; tap t of pixel
// q is at tap(t) + 4q.
template <int N, typename Tap> inline void sums(__m256* s, Tap tap, const float* weights, int radius) {
    for (int q = 0; q < N; ++q)
        s[q] = _mm256_setzero_ps();
    for (int k = 0; k < radius; ++k) {
        const float* a = tap(k);
        const float* b = tap(2 * radius - k);
        const __m256 w = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(weights + 4 * k));
        for (int q = 0; q < N; ++q)
            s[q] = _mm256_add_ps(
                s[q],
                _mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(a + 8 * q), _mm256_loadu_ps(b + 8 * q)), w));
    }
    const float* c = tap(radius);
    const __m256 w = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(weights + 4 * radius));
    for (int q = 0; q < N; ++q)
        s[q] = _mm256_add_ps(s[q], _mm256_mul_ps(_mm256_loadu_ps(c + 8 * q), w));
}

void toFloatsAvx2(float* out, const uint8_t* in, int count, bool premultiply) {
    if (premultiply) {
        detail::sse2Kernels()->toFloats(out, in, count, true);
        return;
    }
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
        _mm256_storeu_ps(out + 4 * i, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(px)));
        _mm256_storeu_ps(out + 4 * i + 8, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(px, 8))));
    }
    if (i < count) detail::sse2Kernels()->toFloats(out + 4 * i, in + 4 * i, count - i, false);
}

void bilinearVerticalAvx2(int16_t* out, const uint8_t* top, const uint8_t* bottom, int count, int fy) {
    if (fy == 0) {
        detail::sse2Kernels()->bilinearVertical(out, top, bottom, count, fy);
        return;
    }
    // Both weights fit a signed 16 bits once fy is above 0.
    const __m256i w = _mm256_set1_epi32(
        static_cast<int>((static_cast<uint32_t>(fy) << 16) | static_cast<uint32_t>(32768 - fy)));
    const __m256i round = _mm256_set1_epi32(128);
    const __m256i zero = _mm256_setzero_si256();
    auto weigh = [&](__m256i pairs) {
        return _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, w), round), 8);
    };
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + 4 * i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + 4 * i));
        const __m256i tLo = _mm256_unpacklo_epi8(t, zero), tHi = _mm256_unpackhi_epi8(t, zero);
        const __m256i bLo = _mm256_unpacklo_epi8(b, zero), bHi = _mm256_unpackhi_epi8(b, zero);
        // Within each 128-bit half: pixels 0 1 (lo) and 2 3 (hi) of that half.
        const __m256i lo = _mm256_packs_epi32(weigh(_mm256_unpacklo_epi16(tLo, bLo)),
                                              weigh(_mm256_unpackhi_epi16(tLo, bLo)));
        const __m256i hi = _mm256_packs_epi32(weigh(_mm256_unpacklo_epi16(tHi, bHi)),
                                              weigh(_mm256_unpackhi_epi16(tHi, bHi)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i + 16),
                            _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    if (i < count)
        detail::sse2Kernels()->bilinearVertical(out + 4 * i, top + 4 * i, bottom + 4 * i, count - i, fy);
}

// Four output pixels a step, by the identity of the SSE2 row.
void bilinearHorizontalAvx2(uint8_t* out, const int16_t* v, const int32_t* cols, const int16_t* weights,
                            int count) {
    const __m256i spread = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        auto pair = [&](int k) {
            return _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(v + 4 * static_cast<ptrdiff_t>(cols[i + k])));
        };
        const __m256i ab02 = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(0)), pair(2), 1);
        const __m256i ab13 = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(1)), pair(3), 1);
        const __m256i a = _mm256_unpacklo_epi64(ab02, ab13), b = _mm256_unpackhi_epi64(ab02, ab13);
        const __m128i f4 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + i));
        const __m256i f =
            _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_unpacklo_epi16(f4, f4)), spread);
        const __m256i diff = _mm256_sub_epi16(b, a);
        const __m256i q = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(diff, f), 1),
                                          _mm256_srli_epi16(_mm256_mullo_epi16(diff, f), 15));
        const __m256i r =
            _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(a, q), _mm256_set1_epi16(64)), 7);
        const __m256i bytes = _mm256_packus_epi16(r, r); // pixels 0 1 in the low half, 2 3 in the high
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                         _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0x08)));
    }
    if (i < count)
        detail::sse2Kernels()->bilinearHorizontal(out + 4 * i, v, cols + i, weights + i, count - i);
}

// Every tap and weight is at least 0, so a sum is never negative; it may pass 255 by
// rounding only.
inline __m256 roundedByte(__m256 v) {
    return _mm256_cvtepi32_ps(_mm256_cvtps_epi32(_mm256_min_ps(v, _mm256_set1_ps(255.0f))));
}

void gaussColumnsAvx2(float* out, ptrdiff_t outStride, int lines, const float* const* rows, int first,
                      int end, const float* weights, int radius) {
    int j = first;
    for (; j + 8 <= end; j += 8) {
        const ptrdiff_t o = 4 * static_cast<ptrdiff_t>(j);
        for (int l = 0; l < lines; ++l) {
            __m256 s[4];
            sums<4>(
                s, [&](int t) { return rows[l + t] + o; }, weights, radius);
            for (int q = 0; q < 4; ++q)
                _mm256_storeu_ps(out + l * outStride + o + 8 * q, roundedByte(s[q]));
        }
    }
    if (j < end) detail::sse2Kernels()->gaussColumns(out, outStride, lines, rows, j, end, weights, radius);
}

void gaussRowAvx2(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                  bool straight) {
    // Packing works within 128-bit halves: pixels come out as 0 2 4 6 | 1 3 5 7.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int j = first;
    for (; j + 8 <= end; j += 8) {
        const float* base = row + 4 * static_cast<ptrdiff_t>(j);
        __m256 s[4];
        sums<4>(
            s, [&](int t) { return base + 4 * t; }, weights, radius);
        // Sums of taps and weights of at least 0 are never negative and stay far below
        // 2^31, so the saturating packs clamp them; straightened colours may be anything.
        __m256i v[4];
        for (int q = 0; q < 4; ++q)
            v[q] = _mm256_cvtps_epi32(straight ? clampByte(straighten(s[q])) : s[q]);
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packs_epi32(v[0], v[1]), _mm256_packs_epi32(v[2], v[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * static_cast<ptrdiff_t>(j)),
                            _mm256_permutevar8x32_epi32(packed, order));
    }
    if (j < end) detail::sse2Kernels()->gaussRow(out, row, j, end, weights, radius, straight);
}

} // namespace

} // namespace vell::draw

#pragma GCC pop_options

namespace vell::draw {

namespace {

RowKernels buildAvx2() {
    RowKernels k = *detail::sse2Kernels();
    k.overPremul = overPremulAvx2;
    k.overStraight = overStraightAvx2;
    k.solidMask = solidMaskAvx2;
    k.bilinearVertical = bilinearVerticalAvx2;
    k.bilinearHorizontal = bilinearHorizontalAvx2;
    k.toFloats = toFloatsAvx2;
    k.gaussColumns = gaussColumnsAvx2;
    k.gaussRow = gaussRowAvx2;
    return k;
}

} // namespace

namespace detail {
const RowKernels* avx2Kernels() {
    static const RowKernels k = buildAvx2();
    return &k;
}
} // namespace detail

} // namespace vell::draw

#else

namespace vell::draw::detail {
const RowKernels* avx2Kernels() {
    return nullptr;
}
} // namespace vell::draw::detail

#endif
