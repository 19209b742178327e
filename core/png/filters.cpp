#include "core/png/filters.h"

#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vell::png {

bool unfilterRowPlain(uint8_t type, const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n,
                      uint32_t bpp) {
    switch (type) {
    case kNone:
        if (row != src) std::memcpy(row, src, n);
        return true;
    case kSub:
        for (size_t i = 0; i < n && i < bpp; ++i)
            row[i] = src[i];
        for (size_t i = bpp; i < n; ++i)
            row[i] = uint8_t(src[i] + row[i - bpp]);
        return true;
    case kUp:
        for (size_t i = 0; i < n; ++i)
            row[i] = uint8_t(src[i] + prev[i]);
        return true;
    case kAverage:
        for (size_t i = 0; i < n && i < bpp; ++i)
            row[i] = uint8_t(src[i] + (prev[i] >> 1));
        for (size_t i = bpp; i < n; ++i)
            row[i] = uint8_t(src[i] + ((row[i - bpp] + prev[i]) >> 1));
        return true;
    case kPaeth:
        for (size_t i = 0; i < n && i < bpp; ++i)
            row[i] = uint8_t(src[i] + prev[i]);
        for (size_t i = bpp; i < n; ++i)
            row[i] = uint8_t(src[i] + paethPredictor(row[i - bpp], prev[i], prev[i - bpp]));
        return true;
    default:
        return false;
    }
}

#ifdef __SSE2__
namespace {

// Pixels of 3, 4 or 8 bytes moved through the low lane of an SSE register. Loads and stores
// touch exactly bpp bytes, so the last pixel of a row never reads past its end.
// Three-byte pixels are assembled in a general register: going through memory would stall
// on store forwarding.
template <int Bpp> inline __m128i load(const uint8_t* p) {
    if constexpr (Bpp == 8) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    uint32_t v;
    if constexpr (Bpp == 4)
        std::memcpy(&v, p, 4);
    else
        v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return _mm_cvtsi32_si128(int(v));
}
template <int Bpp> inline void store(uint8_t* p, __m128i x) {
    if constexpr (Bpp == 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), x);
        return;
    }
    const uint32_t v = uint32_t(_mm_cvtsi128_si32(x));
    if constexpr (Bpp == 4) {
        std::memcpy(p, &v, 4);
    } else {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
    }
}

template <int Bpp> void subSse2(const uint8_t* src, uint8_t* row, size_t n) {
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        a = _mm_add_epi8(a, load<Bpp>(src + i));
        store<Bpp>(row + i, a);
    }
}

template <int Bpp> void averageSse2(const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        const __m128i b = load<Bpp>(prev + i);
        // floor((a + b) / 2): the rounding-up average minus the lost low bit.
        const __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(avg, load<Bpp>(src + i));
        store<Bpp>(row + i, a);
    }
}

inline __m128i abs16(__m128i x) {
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}
inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <int Bpp> void paethSse2(const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero; // left and upper-left, 16-bit lanes
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        const __m128i b = _mm_unpacklo_epi8(load<Bpp>(prev + i), zero);
        const __m128i pa = abs16(_mm_sub_epi16(b, c));                                     // |p - a|
        const __m128i pb = abs16(_mm_sub_epi16(a, c));                                     // |p - b|
        const __m128i pc = abs16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c))); // |p - c|
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i pred =
            select(_mm_cmpeq_epi16(smallest, pa), a, select(_mm_cmpeq_epi16(smallest, pb), b, c));
        const __m128i x = _mm_add_epi8(_mm_packus_epi16(pred, zero), load<Bpp>(src + i));
        store<Bpp>(row + i, x);
        a = _mm_unpacklo_epi8(x, zero);
        c = b;
    }
}

void upSse2(const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n) {
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), x);
    }
    for (; i < n; ++i)
        row[i] = uint8_t(src[i] + prev[i]);
}

template <int Bpp>
bool unfilterSse2(uint8_t type, const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n) {
    switch (type) {
    case kSub:
        subSse2<Bpp>(src, row, n);
        return true;
    case kAverage:
        averageSse2<Bpp>(src, row, prev, n);
        return true;
    case kPaeth:
        paethSse2<Bpp>(src, row, prev, n);
        return true;
    default:
        return unfilterRowPlain(type, src, row, prev, n, Bpp);
    }
}

} // namespace
#endif

bool unfilterRow(uint8_t type, const uint8_t* src, uint8_t* row, const uint8_t* prev, size_t n,
                 uint32_t bpp) {
#ifdef __SSE2__
    if (type == kUp) {
        upSse2(src, row, prev, n);
        return true;
    }
    // Row lengths are whole pixels for these sizes, so the pixel loops cover every byte.
    if (bpp == 4) return unfilterSse2<4>(type, src, row, prev, n);
    if (bpp == 3) return unfilterSse2<3>(type, src, row, prev, n);
    if (bpp == 8) return unfilterSse2<8>(type, src, row, prev, n);
#endif
    return unfilterRowPlain(type, src, row, prev, n, bpp);
}

void filterRow(uint8_t type, const uint8_t* row, const uint8_t* prev, size_t n, uint32_t bpp, uint8_t* out) {
    switch (type) {
    case kSub:
        for (size_t i = 0; i < n && i < bpp; ++i)
            out[i] = row[i];
        for (size_t i = bpp; i < n; ++i)
            out[i] = uint8_t(row[i] - row[i - bpp]);
        break;
    case kUp:
        for (size_t i = 0; i < n; ++i)
            out[i] = uint8_t(row[i] - prev[i]);
        break;
    case kAverage:
        for (size_t i = 0; i < n && i < bpp; ++i)
            out[i] = uint8_t(row[i] - (prev[i] >> 1));
        for (size_t i = bpp; i < n; ++i)
            out[i] = uint8_t(row[i] - ((row[i - bpp] + prev[i]) >> 1));
        break;
    case kPaeth:
        for (size_t i = 0; i < n && i < bpp; ++i)
            out[i] = uint8_t(row[i] - prev[i]);
        // Written without branches so that the compiler can vectorize it: the inputs are
        // all known here, unlike when undoing the filter.
        for (size_t i = bpp; i < n; ++i) {
            const int a = row[i - bpp], b = prev[i], c = prev[i - bpp];
            const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            const int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            out[i] = uint8_t(row[i] - pred);
        }
        break;
    default:
        std::memcpy(out, row, n);
        break;
    }
}

} // namespace vell::png
