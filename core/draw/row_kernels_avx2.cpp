// The AVX2 entries of the row kernels, used over the SSE2 table when the processor has
// AVX2 (see CpuHasAVX2). Each gives exactly the bytes of its exact twin: the Gaussian
// lines hold two pixels per vector and repeat the exact version's single-precision
// operations in the same order (separate multiply and add, never fused).
// Built for 64-bit targets outside Windows only: Windows does not promise the 32-byte
// stack alignment that spilled wide registers need.
#include "core/draw/row_kernels.h"

#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#include <immintrin.h>

#define VELL_AVX2 __attribute__((target("avx2")))

namespace vell::draw {

namespace {

VELL_AVX2 inline __m256 clampByte(__m256 v) {
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
}

// Colour lanes become sum * 255 / alpha sum (0 where the alpha sum is 0); the alpha lanes
// keep their sums.
VELL_AVX2 inline __m256 straighten(__m256 sum) {
    const __m256 colourLanes = _mm256_castsi256_ps(_mm256_set_epi32(0, -1, -1, -1, 0, -1, -1, -1));
    const __m256 alphaSum = _mm256_shuffle_ps(sum, sum, 0xFF);
    const __m256 nonZero = _mm256_cmp_ps(alphaSum, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    const __m256 scaled = _mm256_and_ps(_mm256_div_ps(_mm256_mul_ps(sum, _mm256_set1_ps(255.0f)), alphaSum), nonZero);
    return _mm256_or_ps(_mm256_and_ps(colourLanes, scaled), _mm256_andnot_ps(colourLanes, sum));
}

// The weighted sums of eight neighbouring output pixels, two per vector; tap t of pixel
// q is at tap(t) + 4q.
template <int N, typename Tap>
VELL_AVX2 inline void sums(__m256* s, Tap tap, const float* weights, int radius) {
    for (int q = 0; q < N; ++q) s[q] = _mm256_setzero_ps();
    for (int k = 0; k < radius; ++k) {
        const float* a = tap(k);
        const float* b = tap(2 * radius - k);
        const __m256 w = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(weights + 4 * k));
        for (int q = 0; q < N; ++q)
            s[q] = _mm256_add_ps(s[q], _mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(a + 8 * q), _mm256_loadu_ps(b + 8 * q)), w));
    }
    const float* c = tap(radius);
    const __m256 w = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(weights + 4 * radius));
    for (int q = 0; q < N; ++q) s[q] = _mm256_add_ps(s[q], _mm256_mul_ps(_mm256_loadu_ps(c + 8 * q), w));
}

VELL_AVX2 void toFloatsAvx2(float* out, const uint8_t* in, int count, bool premultiply) {
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

// Every tap and weight is at least 0, so a sum is never negative; it may pass 255 by
// rounding only.
VELL_AVX2 inline __m256 roundedByte(__m256 v) {
    return _mm256_cvtepi32_ps(_mm256_cvtps_epi32(_mm256_min_ps(v, _mm256_set1_ps(255.0f))));
}

VELL_AVX2 void gaussColumnsAvx2(float* out, ptrdiff_t outStride, int lines, const float* const* rows, int first,
                                int end, const float* weights, int radius) {
    int j = first;
    for (; j + 8 <= end; j += 8) {
        const ptrdiff_t o = 4 * static_cast<ptrdiff_t>(j);
        for (int l = 0; l < lines; ++l) {
            __m256 s[4];
            sums<4>(s, [&](int t) { return rows[l + t] + o; }, weights, radius);
            for (int q = 0; q < 4; ++q) _mm256_storeu_ps(out + l * outStride + o + 8 * q, roundedByte(s[q]));
        }
    }
    if (j < end) detail::sse2Kernels()->gaussColumns(out, outStride, lines, rows, j, end, weights, radius);
}

VELL_AVX2 void gaussRowAvx2(uint8_t* out, const float* row, int first, int end, const float* weights, int radius,
                            bool straight) {
    // Packing works within 128-bit halves: pixels come out as 0 2 4 6 | 1 3 5 7.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int j = first;
    for (; j + 8 <= end; j += 8) {
        const float* base = row + 4 * static_cast<ptrdiff_t>(j);
        __m256 s[4];
        sums<4>(s, [&](int t) { return base + 4 * t; }, weights, radius);
        // Sums of taps and weights of at least 0 are never negative and stay far below
        // 2^31, so the saturating packs clamp them; straightened colours may be anything.
        __m256i v[4];
        for (int q = 0; q < 4; ++q) v[q] = _mm256_cvtps_epi32(straight ? clampByte(straighten(s[q])) : s[q]);
        const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(v[0], v[1]), _mm256_packs_epi32(v[2], v[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * static_cast<ptrdiff_t>(j)),
                            _mm256_permutevar8x32_epi32(packed, order));
    }
    if (j < end) detail::sse2Kernels()->gaussRow(out, row, j, end, weights, radius, straight);
}

RowKernels buildAvx2() {
    RowKernels k = *detail::sse2Kernels();
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
const RowKernels* avx2Kernels() { return nullptr; }
} // namespace vell::draw::detail

#endif
