#include "core/pixel/premultiply.h"

#include "core/pixel/tables.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vell::pixel {

void premultiplyBgraExact(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const Tables& t = tables();
    for (size_t i = 0; i < pixels; ++i, src += 4, dst += 4) {
        const uint8_t* row = t.preMul + (src[3] << 8);
        const uint8_t a = src[3];
        dst[0] = row[src[0]];
        dst[1] = row[src[1]];
        dst[2] = row[src[2]];
        dst[3] = a;
    }
}

void unpremultiplyBgra(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const Tables& t = tables();
    for (size_t i = 0; i < pixels; ++i, src += 4, dst += 4) {
        const uint8_t* row = t.unPreMul + (src[3] << 8);
        const uint8_t a = src[3];
        dst[0] = row[src[0]];
        dst[1] = row[src[1]];
        dst[2] = row[src[2]];
        dst[3] = a;
    }
}

#ifdef __SSE2__
namespace {
// Four pixels' colour times alpha in 16-bit lanes. With t = a*c + 128,
// (t * 257) >> 16 == floor((a*c + 127) / 255) for every byte pair, the table's value.
inline __m128i premul4(__m128i px, __m128i zero, __m128i alphaMask, __m128i bias, __m128i k257) {
    __m128i lo = _mm_unpacklo_epi8(px, zero);
    __m128i hi = _mm_unpackhi_epi8(px, zero);
    // The alpha lanes multiply by 255 instead, which the formula maps back to alpha.
    const __m128i alo = _mm_or_si128(_mm_shufflehi_epi16(_mm_shufflelo_epi16(lo, 0xFF), 0xFF), alphaMask);
    const __m128i ahi = _mm_or_si128(_mm_shufflehi_epi16(_mm_shufflelo_epi16(hi, 0xFF), 0xFF), alphaMask);
    lo = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(lo, alo), bias), k257);
    hi = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(hi, ahi), bias), k257);
    return _mm_packus_epi16(lo, hi);
}
} // namespace
#endif

void premultiplyBgra(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i k257 = _mm_set1_epi16(257);
    const __m128i alphaBytes = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= pixels; i += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        const __m128i a = _mm_and_si128(px, alphaBytes);
        __m128i out;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, alphaBytes)) == 0xFFFF)
            out = px; // all opaque: nothing changes
        else if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xFFFF)
            out = zero; // all transparent
        else
            out = premul4(px, zero, alphaMask, bias, k257);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4), out);
    }
#endif
    premultiplyBgraExact(src + i * 4, dst + i * 4, pixels - i);
}

} // namespace vell::pixel
